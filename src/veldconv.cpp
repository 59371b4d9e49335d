// veldconv: converts a VELDAN grid file into an ARC/INFO ASCII grid and hands on the
// metadata text of the source file.
//
// Exit status: 0 after a full conversion (or after printing the help or the version), 1
// whenever a message was written to standard error. Messages are written as they are,
// without an added end of line.
//
// "--help", "-h" and "--version" are options only as the one and only argument: anywhere
// else they are file names like any other.
//
// Nothing is lost: two names of one file among the source and the files to write are
// refused before anything is written, and every file is written aside and takes the place
// of the old one only when complete (on SIGINT, SIGTERM and SIGHUP the file under way is
// removed).

#include "TARCGISFileTools.h"
#include "TError.h"
#include "TMap.h"
#include "TSafeFile.h"
#include "TVELDANFileTools.h"

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const Usage = "Usage: veldconv source_file destination_file [metadata_file]";

/// The help text, after the usage line.
const char* const Help =
    "       veldconv --help | -h | --version\n"
    "\n"
    "Converts a VELDAN grid file into an ARC/INFO ASCII grid and hands on the header\n"
    "lines of the source file as the map's metadata.\n"
    "\n"
    "  source_file       the VELDAN grid to read\n"
    "  destination_file  the ARC/INFO ASCII grid to write (created, or replaced)\n"
    "  metadata_file     receives the metadata exactly as it is; without it, the\n"
    "                    metadata goes to standard output with one end of line\n"
    "Arguments after the third are ignored.\n"
    "\n"
    "Options, recognised only as the one and only argument:\n"
    "  -h, --help        print this help and exit\n"
    "  --version         print the version and exit\n"
    "\n"
    "Formats:\n"
    "  VELDAN grid (input): free header lines (the metadata); an axis line holding\n"
    "  \"degN/degE\", a label and the X coordinate of each column; one data line\n"
    "  per row with a label, the row's values and its Y coordinate; a closing line\n"
    "  holding \"degN/degE\". Tokens are separated by spaces; a minus sign always\n"
    "  starts a new number. The cell size is the distance between the first two X\n"
    "  coordinates.\n"
    "  ARC/INFO ASCII grid (output): the header lines ncols, nrows, xllcorner,\n"
    "  yllcorner, cellsize and NODATA_value, then one line per row, northernmost\n"
    "  row first; cell values keep 15 significant digits.\n"
    "\n"
    "Exit status:\n"
    "  0  the conversion is complete, or the help or the version was printed\n"
    "  1  a message was written to standard error: the usage, a source file that\n"
    "     cannot be opened or read, or is malformed, a grid or metadata file that\n"
    "     cannot be opened or written, two names of one file, or a standard output\n"
    "     that cannot be written. A grid or metadata file is replaced only when it\n"
    "     is complete: after a failure the file of that name is as it was.\n";

/// Writes the text to standard output and flushes it; reports a failure with the message.
void WriteToStandardOutput(const std::string& Text, const char* FailureMessage) {
    std::cout << Text << std::flush;
    if (!std::cout)
        throw std::string(FailureMessage);
}

/// Prints the help or the version when the argument is one of the options; returns
/// whether it was.
bool PrintInformation(const std::string& Argument) {
    const char* const Failure = "Unable to write to standard output";
    if (Argument == "--help" || Argument == "-h")
        WriteToStandardOutput(std::string(Usage) + "\n" + Help, Failure);
    else if (Argument == "--version")
        WriteToStandardOutput(std::string("veldconv ") + VELDCONV_VERSION + "\n", Failure);
    else
        return false;
    return true;
}

/// Writes the text to the named file exactly as it is.
void WriteTextFile(const std::string& Text, const std::string& FileName) {
    TSafeFile File(FileName);
    File.Stream() << Text;
    File.Commit();
}

// ---------------------------------------------------------------------------------------
// Two names of one file

/// A file named on the command line, with its role for the messages.
struct TNamedFile {
    const char* Role;
    std::string Name;
};

/// What makes a name one file: the device and inode of a regular file, or those of the
/// directory and the last component of a name that does not exist yet.
struct TFileIdentity {
    dev_t Device;
    ino_t Inode;
    std::string Entry; // "" for an existing file
    bool operator==(const TFileIdentity& Other) const {
        return Device == Other.Device && Inode == Other.Inode && Entry == Other.Entry;
    }
};

/// The identity of the name; false for a name that does not need one: devices, FIFOs and
/// directories are written in place (or not at all) and destroy nothing of another name.
bool IdentityOf(const std::string& Name, TFileIdentity& Identity) {
    struct stat Status;
    if (::stat(Name.c_str(), &Status) == 0) {
        Identity = {Status.st_dev, Status.st_ino, ""};
        return S_ISREG(Status.st_mode);
    }
    const size_t Slash = Name.rfind('/');
    const std::string Directory = Slash == std::string::npos ? "." : Name.substr(0, Slash + 1);
    const std::string Entry = Slash == std::string::npos ? Name : Name.substr(Slash + 1);
    if (errno != ENOENT || Entry.empty() || ::stat(Directory.c_str(), &Status) != 0)
        return false;
    Identity = {Status.st_dev, Status.st_ino, Entry};
    return true;
}

/// Refuses two names of one file, before anything is opened for writing: writing the one
/// would destroy the other. The first file is read, the others are written.
void RequireDistinctFiles(const std::vector<TNamedFile>& Files) {
    std::vector<std::pair<TFileIdentity, const TNamedFile*>> Known;
    for (const TNamedFile& File : Files) {
        TFileIdentity Identity;
        if (!IdentityOf(File.Name, Identity))
            continue;
        for (const auto& Other : Known)
            if (Other.first == Identity)
                TError::ThrowUnableToWrite(File.Name, std::string("it is the same file as the ") +
                                                          Other.second->Role + " " +
                                                          Other.second->Name);
        Known.emplace_back(Identity, &File);
    }
}

// ---------------------------------------------------------------------------------------

/// Removes the file under way and ends the process as the signal would have.
void EndOnSignal(int Signal) {
    TSafeFile::RemoveTemporaryFiles();
    // The default action is back (SA_RESETHAND); the signal is delivered on return.
    ::raise(Signal);
}

/// Ends on SIGINT, SIGTERM and SIGHUP without leaving a temporary file; a signal that the
/// caller ignores (`nohup`, a background job) stays ignored.
void RemoveTemporaryFilesOnSignals() {
    const int Signals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction Action = {};
    Action.sa_handler = EndOnSignal;
    Action.sa_flags = SA_RESETHAND;
    sigemptyset(&Action.sa_mask);
    for (int Signal : Signals)
        sigaddset(&Action.sa_mask, Signal);
    for (int Signal : Signals) {
        struct sigaction Current;
        if (::sigaction(Signal, nullptr, &Current) == 0 && Current.sa_handler != SIG_IGN)
            ::sigaction(Signal, &Action, nullptr);
    }
}

void Convert(int ArgC, char** ArgV) {
    if (ArgC == 2 && PrintInformation(ArgV[1]))
        return;
    if (ArgC < 3)
        TError::Throw(Usage);
    std::vector<TNamedFile> Files = {{"source file", ArgV[1]}, {"destination file", ArgV[2]}};
    if (ArgC > 3)
        Files.push_back({"metadata file", ArgV[3]});
    RequireDistinctFiles(Files);
    RemoveTemporaryFilesOnSignals();
    std::unique_ptr<TMap> Map(TVELDANFileTools::LoadVELDANFile(std::string(ArgV[1])));
    TARCGISFileTools::WriteARCGISFile(Map.get(), std::string(ArgV[2]));
    const std::string Metadata = Map->GetMetadata();
    if (ArgC == 3)
        WriteToStandardOutput(Metadata + "\n", "Unable to write metadata to standard output");
    else
        WriteTextFile(Metadata, ArgV[3]);
}

int Report(const char* Message) {
    if (Message)
        std::cerr << Message;
    std::cerr.flush();
    return 1;
}

} // namespace

int main(int ArgC, char** ArgV) {
    try {
        Convert(ArgC, ArgV);
        return 0;
    } catch (char* Message) {
        return Report(Message);
    } catch (const std::string& Message) {
        return Report(Message.c_str());
    } catch (const std::exception& Failure) {
        return Report(Failure.what());
    } catch (...) {
        return Report("Unknown exception in veldconv");
    }
}
