#ifndef VELDGRID_APPS_TDISTINCTFILES_H
#define VELDGRID_APPS_TDISTINCTFILES_H

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

/// A file named on the command line, with its role for the messages.
struct TNamedFile {
    const char* Role;
    std::string Name;
};

/// The files that a run reads and writes, kept to refuse two names of one file before
/// anything is opened for writing: writing the one would destroy the other.
///
/// What makes a name one file: the device and inode of a regular file, or those of the
/// directory and the last component of a name that does not exist yet (a symbolic link to
/// nothing yet counts as the name of the file it creates). Devices, FIFOs and directories
/// are written in place (or not at all) and destroy nothing of another name: they are not
/// compared. The name "-" is standard input, compared as the file it reads.
class TDistinctFiles {
public:
    /// Adds the files, or refuses them all ("Unable to write file NAME: it is the same file
    /// as the ROLE OTHER") when one of them is another name of a file added before, in this
    /// call or an earlier one.
    void Add(const std::vector<TNamedFile>& Files);

    /// Adds files that are only read: one of them named twice is read twice.
    void AddSources(const std::vector<std::string>& Names, const char* Role);

    /// Adds the sidecar files of the grid (its projection and auxiliary files) to the list.
    static void AddSidecarNames(std::vector<TNamedFile>& Files, const std::string& Grid);

private:
    struct TIdentity {
        dev_t Device;
        ino_t Inode;
        std::string Entry; // "" for an existing file
        bool operator==(const TIdentity& Other) const {
            return Device == Other.Device && Inode == Other.Inode && Entry == Other.Entry;
        }
    };
    static bool IdentityOf(const std::string& GivenName, TIdentity& Identity);

    std::vector<std::pair<TIdentity, TNamedFile>> MbrKnown;
};

#endif
