#include "TTextFile.h"

#include "TError.h"

#include <sys/stat.h>

#include <locale>
#include <new>

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
    In.imbue(std::locale::classic());
    // The stream passes on the exception of a failed read instead of only going bad, so
    // that an I/O error is not taken for the end of the file.
    In.exceptions(std::ios::badbit);
}

void TTextFile::OpenBuffered(std::ifstream& In, const std::string& FileName,
                             std::unique_ptr<char[]>& Buffer) {
    Buffer.reset(new char[ReadBufferSize]);
    In.rdbuf()->pubsetbuf(Buffer.get(), ReadBufferSize);
    OpenForReading(In, FileName);
}

void TTextFile::RethrowReadFailure(const std::string& FileName) {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        TError::ThrowOutOfMemoryReading(FileName);
    } catch (const std::ios_base::failure&) {
        TError::ThrowUnableToRead(FileName);
    }
}
