#include "TTextFile.h"

#include "TError.h"

#include <sys/stat.h>

namespace {

bool IsDirectory(const std::string& FileName) {
    struct stat Status;
    return ::stat(FileName.c_str(), &Status) == 0 && S_ISDIR(Status.st_mode);
}

} // namespace

void TTextFile::OpenForReading(std::ifstream& In, const std::string& FileName) {
    // Opening a directory for reading succeeds on some systems; it is no grid file.
    if (!IsDirectory(FileName))
        In.open(FileName);
    if (!In.is_open() || !In)
        TError::ThrowUnableToOpen(FileName);
}

void TTextFile::OpenForWriting(std::ofstream& Out, const std::string& FileName) {
    Out.open(FileName, std::ios::out | std::ios::trunc);
    if (!Out.is_open() || !Out)
        TError::ThrowUnableToOpen(FileName);
}

void TTextFile::CloseAfterWriting(std::ofstream& Out, const std::string& FileName) {
    Out.flush();
    const bool Written = static_cast<bool>(Out);
    Out.close();
    if (!Written || Out.fail())
        TError::ThrowUnableToWrite(FileName);
}
