#include "TDistinctFiles.h"

#include "TError.h"
#include "TSidecarTools.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

/// The name of the file that writing the name creates: a symbolic link to nothing yet
/// creates the file it names (followed through further links).
std::string CreatedName(std::string Name) {
    for (int Depth = 0; Depth < 40; ++Depth) {
        char Target[4096];
        const ssize_t Length = ::readlink(Name.c_str(), Target, sizeof Target);
        if (Length <= 0 || Length == static_cast<ssize_t>(sizeof Target))
            break;
        // A relative target lies in the link's directory.
        Name = (std::filesystem::path(Name).parent_path() / std::string(Target, Length)).string();
    }
    return Name;
}

} // namespace

bool TDistinctFiles::IdentityOf(const std::string& GivenName, TIdentity& Identity) {
    struct stat Status;
    // "-" is a source: standard input.
    const int Found =
        GivenName == "-" ? ::fstat(STDIN_FILENO, &Status) : ::stat(GivenName.c_str(), &Status);
    if (Found == 0) {
        Identity = {Status.st_dev, Status.st_ino, ""};
        return S_ISREG(Status.st_mode);
    }
    if (errno != ENOENT)
        return false;
    const std::filesystem::path Name = CreatedName(GivenName);
    const std::string Entry = Name.filename().string();
    const std::filesystem::path Directory = Name.has_parent_path() ? Name.parent_path() : ".";
    if (Entry.empty() || ::stat(Directory.c_str(), &Status) != 0)
        return false;
    Identity = {Status.st_dev, Status.st_ino, Entry};
    return true;
}

void TDistinctFiles::Add(const std::vector<TNamedFile>& Files) {
    std::vector<std::pair<TIdentity, TNamedFile>> Known = MbrKnown;
    for (const TNamedFile& File : Files) {
        TIdentity Identity;
        if (!IdentityOf(File.Name, Identity))
            continue;
        for (const auto& Other : Known)
            if (Other.first == Identity)
                TError::ThrowUnableToWrite(File.Name, std::string("it is the same file as the ") +
                                                          Other.second.Role + " " +
                                                          Other.second.Name);
        Known.emplace_back(Identity, File);
    }
    MbrKnown = std::move(Known);
}

void TDistinctFiles::AddSources(const std::vector<std::string>& Names, const char* Role) {
    for (const std::string& Name : Names) {
        TIdentity Identity;
        bool Known = false;
        if (IdentityOf(Name, Identity))
            for (const auto& Other : MbrKnown)
                Known = Known || Other.first == Identity;
        if (!Known)
            Add({{Role, Name}});
    }
}

void TDistinctFiles::AddSidecarNames(std::vector<TNamedFile>& Files, const std::string& Grid) {
    Files.push_back({"projection file", TSidecarTools::ProjectionFileName(Grid)});
    Files.push_back({"auxiliary file", TSidecarTools::AuxiliaryFileName(Grid)});
}
