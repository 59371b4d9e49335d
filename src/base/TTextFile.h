#ifndef VELDGRID_TTEXTFILE_H
#define VELDGRID_TTEXTFILE_H

#include <fstream>
#include <memory>
#include <string>

/// Opening the named text files of the readers, and their reports: "Unable to open file ",
/// "Unable to read file " or "Not enough memory to read file " followed by the name. (The
/// writers replace named files through `TSafeFile`.)
class TTextFile {
public:
    /// Opens the file for reading in the classic "C" locale, whatever the program's global
    /// locale; a missing file, or a directory, cannot be opened. A read that fails on the
    /// way (an I/O error, memory running out) throws from the stream, for
    /// `RethrowReadFailure` to report.
    static void OpenForReading(std::ifstream& In, const std::string& FileName);
    /// Bytes of the buffer that grid files are read through: large reads, for grids of
    /// hundreds of megabytes.
    static constexpr std::streamsize ReadBufferSize = 1 << 20;
    /// Opens the file as `OpenForReading` does, read through a new buffer of
    /// `ReadBufferSize` bytes held in `Buffer`, which must outlive the stream.
    static void OpenBuffered(std::ifstream& In, const std::string& FileName,
                             std::unique_ptr<char[]>& Buffer);
    /// Called in a handler of any exception thrown while reading the file: reports a failed
    /// read or memory running out with the file's name, and passes anything else on.
    [[noreturn]] static void RethrowReadFailure(const std::string& FileName);
};

#endif
