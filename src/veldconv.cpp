// veldconv: converts a VELDAN grid file into an ARC/INFO ASCII grid and hands on the
// metadata text of the source file.
//
// Exit status: 0 after a full conversion (or after printing the help or the version), 1
// whenever a message was written to standard error. Messages are written as they are,
// without an added end of line.
//
// "--help", "-h" and "--version" are options only as the one and only argument: anywhere
// else they are file names like any other.

#include "TARCGISFileTools.h"
#include "TError.h"
#include "TMap.h"
#include "TTextFile.h"
#include "TVELDANFileTools.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

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
    "  destination_file  the ARC/INFO ASCII grid to write (created, or truncated)\n"
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
    "     cannot be opened or is malformed, a grid or metadata file that cannot be\n"
    "     opened or written, or a standard output that cannot be written\n";

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

/// Writes the metadata to the named file exactly as it is.
void WriteMetadataFile(const std::string& Metadata, const std::string& FileName) {
    std::ofstream Out;
    TTextFile::OpenForWriting(Out, FileName);
    Out << Metadata;
    TTextFile::CloseAfterWriting(Out, FileName);
}

void Convert(int ArgC, char** ArgV) {
    if (ArgC == 2 && PrintInformation(ArgV[1]))
        return;
    if (ArgC < 3)
        TError::Throw(Usage);
    std::unique_ptr<TMap> Map(TVELDANFileTools::LoadVELDANFile(std::string(ArgV[1])));
    TARCGISFileTools::WriteARCGISFile(Map.get(), std::string(ArgV[2]));
    const std::string Metadata = Map->GetMetadata();
    if (ArgC == 3)
        WriteToStandardOutput(Metadata + "\n", "Unable to write metadata to standard output");
    else
        WriteMetadataFile(Metadata, ArgV[3]);
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
