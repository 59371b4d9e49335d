#ifndef VELDGRID_TTEXTFILE_H
#define VELDGRID_TTEXTFILE_H

#include <fstream>
#include <string>

/// Opening and closing the named text files of the readers and writers, with the library's
/// reports: "Unable to open file " or "Unable to write file " followed by the name.
class TTextFile {
public:
    /// Opens the file for reading; a missing file, or a directory, cannot be opened.
    static void OpenForReading(std::ifstream& In, const std::string& FileName);
    /// Creates or truncates the file for writing.
    static void OpenForWriting(std::ofstream& Out, const std::string& FileName);
    /// Flushes and closes the file; a write that failed on the way is reported here.
    static void CloseAfterWriting(std::ofstream& Out, const std::string& FileName);
};

#endif
