#ifndef VELDGRID_TSAFEFILE_H
#define VELDGRID_TSAFEFILE_H

#include <memory>
#include <ostream>
#include <string>

/// A named file written so that it is replaced whole or not at all.
///
/// A destination that is a regular file, or that does not exist yet, is written to a
/// temporary file in the same directory, which takes the destination's place by a rename
/// once it is complete and closed without error. It gets the mode of the file it replaces,
/// or the mode a new file gets under the umask. A symbolic link is followed: the file it
/// names is replaced and the link stays. Any other destination (a FIFO, a terminal, a
/// device such as /dev/stdout) is written in place, as a stream would write it.
///
/// The stream writes in the classic "C" locale, whatever the program's global locale.
/// Failures are thrown as `std::string`: "Unable to open file " followed by the name, and
/// "Unable to write file " followed by the name, ": " and the system's reason.
class TSafeFile {
public:
    /// Opens the file for writing; the destination itself is not touched yet.
    explicit TSafeFile(const std::string& FileName);
    /// Opens the file to be written aside and renamed into place, for contents that may
    /// turn out wrong half-way; nullptr, with nothing touched, for a destination that would
    /// be written in place (a FIFO, a device, a link to nothing yet, a file in a directory
    /// where no new file may be created). Failures as for the constructor.
    static std::unique_ptr<TSafeFile> OpenAside(const std::string& FileName);
    /// Without `Commit`, removes the temporary file: the destination stays as it was.
    ~TSafeFile();
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    /// The stream that receives the contents.
    std::ostream& Stream();
    /// Flushes and closes the file, reporting a failed write; the destination is not touched
    /// yet. Several files written as one set are all closed before any is committed, so that
    /// a failed write leaves every file of the set as it was.
    void Close();
    /// Closes the file (unless `Close` did) and puts it in the destination's place.
    void Commit();

    /// Removes the temporary files of every write under way in the program. It is
    /// async-signal-safe: a program that ends on a signal calls it from its handler, so that
    /// no temporary file is left behind. (The library installs no signal handlers.)
    static void RemoveTemporaryFiles();

private:
    TSafeFile(const std::string& FileName, bool AsideOnly);

    struct TImpl;
    std::unique_ptr<TImpl> MbrImpl;
};

#endif
