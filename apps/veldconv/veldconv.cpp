// veldconv: converts a VELDAN grid file into an ARC/INFO ASCII grid and hands on the
// metadata text of the source file.
//
// Exit status: 0 after a full conversion (or after printing the help or the version), 1
// whenever a message was written to standard error. Every failure travels as an exception
// to `main`, which writes its message and a line feed (no message thrown ends with one, and
// one of several lines, such as a batch's failures or a fault and the usage, has line feeds
// only between its lines). A fault of the source's text is reported where it lies, as compilers
// report faults: "in.txt:LINE:COLUMN: message", and for a known trap of the format a
// second line, indented by two spaces, that names it.
//
// "--help", "-h" and "--version" are options only as the one and only argument: anywhere
// else they are file names like any other. Every other argument that starts with "-" (but
// "-" itself, which stands for a standard stream) is an option, up to "--"; a command line
// of names only is the form `veldconv source_file destination_file [metadata_file]`.
//
// Nothing is lost: two names of one file among the source and the files to write are
// refused before anything is written, and every file is written aside and takes the place
// of the old one only when complete (on SIGINT, SIGTERM, SIGHUP and SIGXFSZ the files under
// way are removed). A grid and its sidecar files are written as one set: all of them are complete
// and closed before the first is renamed into place, the grid last.

#include "TDistinctFiles.h"
#include "TFileSet.h"
#include "TGridOptions.h"
#include "TSignalCleanup.h"
#include "TSourceFailure.h"

#include "TARCGISFileTools.h"
#include "TError.h"
#include "TMap.h"
#include "TReadFault.h"
#include "TSafeFile.h"
#include "TSidecarTools.h"
#include "TVELDANConverter.h"
#include "TVELDANReader.h"

#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <iostream>
#include <locale>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

const char* const Usage = "Usage: veldconv source_file destination_file [metadata_file]";

/// The rest of the usage and what the command does, after the usage line.
const char* const Synopsis =
    "       veldconv [options] [--] source_file destination_file [metadata_file]\n"
    "       veldconv [options] --output-dir DIR [--] source_file...\n"
    "       veldconv --help | -h | --version\n"
    "\n"
    "Converts a VELDAN grid file into an ARC/INFO ASCII grid and hands on the header\n"
    "lines of the source file as the map's metadata. Beside the grid it writes the\n"
    "sidecar files GIS tools read: out.prj (WGS 84 geographic) and out.asc.aux.xml\n"
    "(the header as the metadata item VELDAN_HEADER) for out.asc.\n"
    "\n"
    "  source_file       the VELDAN grid to read; - reads standard input\n"
    "  destination_file  the ARC/INFO ASCII grid to write (created, or replaced);\n"
    "                    - writes standard output (then without sidecar files, and\n"
    "                    the metadata needs a metadata_file)\n"
    "  metadata_file     receives the metadata exactly as it is; without it, the\n"
    "                    metadata goes to standard output with one end of line\n"
    "Arguments after the third are ignored. --help, -h and --version are options\n"
    "only as the one and only argument; a name that starts with - follows --.\n";

/// The options in detail, the formats and the exit statuses, after the options.
const char* const Footer =
    "--nodata: the output's no-data value stays -9999; cells that are not finite\n"
    "  numbers are refused unless --nodata nan (or inf) marks them.\n"
    "--strict: refuses a number token that is not entirely a number (\"abc\",\n"
    "  \"5,5\"; by default read as atof reads them), X coordinates not evenly\n"
    "  spaced, and Y coordinates not spaced by the same cell size: a coordinate\n"
    "  may lie a hundredth of the cell size from its place.\n"
    "--output-dir: DIR/<stem>.asc, DIR/<stem>.meta (the metadata exactly as it\n"
    "  is) and the sidecar files for each source_file, two at a time; a source\n"
    "  that fails is reported with its name and the others are converted.\n"
    "\n"
    "Formats:\n"
    "  VELDAN grid (input): free header lines (the metadata); an axis line holding\n"
    "  \"degN/degE\", a label and the X coordinate of each column; one data line\n"
    "  per row with a label, the row's values and its Y coordinate; a closing line\n"
    "  holding \"degN/degE\". Tokens are separated by spaces; a minus sign always\n"
    "  starts a new number. The cell size is the distance between the first two X\n"
    "  coordinates.\n"
    "  ARC/INFO ASCII grid (output): the header lines ncols, nrows, xllcorner,\n"
    "  yllcorner, cellsize and NODATA_value (-9999), then one line per row,\n"
    "  northernmost row first; cell values keep 15 significant digits.\n"
    "\n"
    "Exit status:\n"
    "  0  the conversion is complete, or the help or the version was printed\n"
    "  1  a message was written to standard error: the usage, an unknown option or\n"
    "     a bad value, a source file that cannot be opened or read, or is malformed,\n"
    "     a grid, sidecar or metadata file that cannot be opened or written, two\n"
    "     names of one file, or a standard output that cannot be written; with\n"
    "     --output-dir, any source that failed (the others are converted). A file\n"
    "     is replaced only when it is complete: after a failure the file of that\n"
    "     name is as it was.";

/// Ends the command with the message: the one way the command itself fails (the library's
/// failures travel as the library throws them).
[[noreturn]] void Fail(const std::string& Message) {
    throw Message;
}

/// Writes the text to standard output and flushes it; reports a failure with the message.
void WriteToStandardOutput(const std::string& Text, const char* FailureMessage) {
    std::cout << Text << std::flush;
    if (!std::cout)
        Fail(FailureMessage);
}

/// Writes the text to the named file exactly as it is.
void WriteTextFile(const std::string& Text, const std::string& FileName) {
    TSafeFile File(FileName);
    File.Stream() << Text;
    File.Commit();
}

// ---------------------------------------------------------------------------------------
// The command line

/// What the command line asks for.
struct TSettings {
    std::vector<std::string> Names; // source, destination, metadata file; or the sources
    bool Batch = false;             // --output-dir
    std::string OutputDir;
    TGridOptions Grid; // --nodata, --strict, --no-sidecars
};

/// The help begins with the usage line of the specified form and the rest of the synopsis.
class THelpFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return std::string(Usage) + "\n" + Synopsis;
    }
};

/// The options; with `ForHelp` also those recognised only as the one and only argument,
/// which are listed in the help but never parsed here.
std::unique_ptr<CLI::App> MakeParser(TSettings& Settings, bool ForHelp) {
    auto App = std::make_unique<CLI::App>("", "veldconv");
    App->set_help_flag();
    App->allow_extras(); // names, "--" and unknown options, in order, for ParseCommandLine
    auto Formatter = std::make_shared<THelpFormatter>();
    Formatter->column_width(22);
    App->formatter(Formatter);
    App->footer(Footer);
    Settings.Grid.AddTo(*App);
    App->add_option("--output-dir", Settings.OutputDir,
                    "convert each source_file to DIR/<stem>.asc and .meta")
        ->type_name("DIR");
    if (ForHelp) {
        App->add_flag("-h,--help", "print this help and exit");
        App->add_flag("--version", "print the version and exit");
    }
    return App;
}

/// Prints the help or the version when the argument is one of the options; returns
/// whether it was.
bool PrintInformation(const std::string& Argument) {
    const char* const Failure = "Unable to write to standard output";
    if (Argument == "--help" || Argument == "-h") {
        TSettings Unused;
        WriteToStandardOutput(MakeParser(Unused, true)->help(), Failure);
    } else if (Argument == "--version") {
        WriteToStandardOutput(std::string("veldconv ") + VELDCONV_VERSION + "\n", Failure);
    } else {
        return false;
    }
    return true;
}

/// Whether an argument before "--" is an option that the parser does not know. "-" is a
/// name (a standard stream); "--help", "-h" and "--version" are options only as the one
/// and only argument, and names among others.
bool IsUnknownOption(const std::string& Argument) {
    return Argument.size() > 1 && Argument[0] == '-' && Argument != "--help" && Argument != "-h" &&
           Argument != "--version";
}

/// Reads a command line of two or more arguments.
TSettings ParseCommandLine(int ArgC, char** ArgV) {
    TSettings Settings;
    const auto App = MakeParser(Settings, false);
    try {
        App->parse(ArgC, ArgV);
    } catch (const CLI::ParseError& Failure) {
        Fail(std::string(Failure.what()) + "\n" + Usage);
    }
    Settings.Batch = App->count("--output-dir") > 0;
    Settings.Grid.Finish();
    // What the parser left are the names, and "--" where the options end.
    bool OptionsEnded = false;
    for (const std::string& Argument : App->remaining()) {
        if (!OptionsEnded && Argument == "--")
            OptionsEnded = true;
        else if (!OptionsEnded && IsUnknownOption(Argument))
            Fail("Unknown option " + Argument + " (veldconv --help lists the options)\n" + Usage);
        else
            Settings.Names.push_back(Argument);
    }
    return Settings;
}

// ---------------------------------------------------------------------------------------
// Reading and writing one grid

/// Reads the source ("-": standard input, with the line ends of a named file) as the
/// settings say, the cells that --nodata marks made no-data, as the converter that streams
/// rows writes them. The caller owns the map.
std::unique_ptr<TMap> LoadSource(const std::string& Source, const TSettings& Settings) {
    const TVELDANConverter::TOptions Options = Settings.Grid.ConversionOptions(0);
    return std::unique_ptr<TMap>(Source == "-" ? TVELDANReader::LoadMap(std::cin, true, Options)
                                               : TVELDANReader::LoadMap(Source, Options));
}

/// Writes the grid (the one file of its set) to standard output, as it is written to a
/// named file.
void WriteGridToStandardOutput(TMap* Map) {
    std::cout.imbue(std::locale::classic());
    TARCGISFileTools::WriteLosslessARCGISFile(Map, std::cout);
    std::cout.flush();
    if (!std::cout)
        Fail("Unable to write the grid to standard output");
}

/// Whether the source can be read twice, as the converter that streams rows reads it: a
/// regular file (not standard input, a FIFO or a device).
bool ReadsTwice(const std::string& Source) {
    struct stat Status;
    return Source != "-" && ::stat(Source.c_str(), &Status) == 0 && S_ISREG(Status.st_mode);
}

/// Converts the source into a new file of the grid's name, not yet in place, on up to
/// `Threads` threads (0: as many as pay). Returns a map that holds at least the metadata:
/// streamed grids are never held whole.
std::unique_ptr<TMap> WriteGrid(const std::string& Source, const TSettings& Settings,
                                unsigned Threads, const std::string& Grid,
                                std::unique_ptr<TSafeFile>& GridFile) {
    // The grid is converted row block by row block, without holding it, where the source
    // can be read twice and the grid is written aside: a source found malformed half-way
    // then leaves nothing behind.
    if (ReadsTwice(Source)) {
        const TVELDANConverter::TOptions Options = Settings.Grid.ConversionOptions(Threads);
        try {
            GridFile = TSafeFile::OpenAside(Grid);
            if (GridFile) {
                auto Metadata = std::make_unique<TMap>(0.0);
                Metadata->SetMetadata(
                    TVELDANConverter::ConvertVELDANFile(Source, GridFile->Stream(), Options));
                return Metadata;
            }
        } catch (...) {
            // The grid written so far goes; the source is read again as a whole, so that
            // the failure reported is the one of reading and writing the whole map: the
            // reader's first fault before any fault of the cells, then the writer's, then
            // the grid file's.
            GridFile.reset();
        }
    }
    std::unique_ptr<TMap> Map = LoadSource(Source, Settings);
    GridFile.reset(new TSafeFile(Grid));
    TARCGISFileTools::WriteLosslessARCGISFile(Map.get(), GridFile->Stream());
    return Map;
}

/// Converts the source into the grid with its sidecar files (unless `Sidecars` is false)
/// and its metadata file (unless `MetadataFile` is "") as one set: every file is complete
/// and closed before the first takes its place, and the grid comes last. A failed write
/// thus leaves every file of the set as it was, and a grid in place has its sidecars
/// beside it. Returns a map that holds at least the metadata.
std::unique_ptr<TMap> WriteGridSet(const std::string& Source, const TSettings& Settings,
                                   unsigned Threads, const std::string& Grid, bool Sidecars,
                                   const std::string& MetadataFile) {
    std::unique_ptr<TSafeFile> GridFile;
    std::unique_ptr<TMap> Map = WriteGrid(Source, Settings, Threads, Grid, GridFile);
    TFileSet Set;
    Set.AddGrid(std::move(GridFile));
    if (Sidecars)
        Set.AddSidecars(Grid, Map.get());
    if (!MetadataFile.empty())
        Set.AddText(MetadataFile, Map->GetMetadata());
    Set.Commit();
    return Map;
}

// ---------------------------------------------------------------------------------------
// source_file destination_file [metadata_file]

/// The named files of one conversion, for the check of two names of one file: standard
/// output is not compared; standard input is, as the file it reads (`< out.asc`).
std::vector<TNamedFile> FilesOfConversion(const std::vector<std::string>& Names, bool Sidecars) {
    const char* const Roles[] = {"source file", "destination file", "metadata file"};
    std::vector<TNamedFile> Files;
    for (size_t I = 0; I < Names.size() && I < 3; ++I)
        if (I == 0 || Names[I] != "-")
            Files.push_back({Roles[I], Names[I]});
    if (Sidecars)
        TDistinctFiles::AddSidecarNames(Files, Names[1]);
    return Files;
}

void ConvertOne(const TSettings& Settings) {
    const std::vector<std::string>& Names = Settings.Names;
    if (Names.size() < 2)
        Fail(Usage);
    const std::string& Source = Names[0];
    const std::string& Grid = Names[1];
    const bool HasMetadataFile = Names.size() > 2;
    if (Grid == "-" && (!HasMetadataFile || Names[2] == "-"))
        Fail(std::string("The grid goes to standard output (-): give a metadata_file for the "
                         "metadata\n") +
             Usage);
    const bool Sidecars =
        Settings.Grid.Sidecars() && Grid != "-" && TSidecarTools::HasPlaceBeside(Grid);
    TDistinctFiles().Add(FilesOfConversion(Names, Sidecars));
    TSignalCleanup::Install();

    // Standard output is written whole or not at all: from a grid read before.
    std::unique_ptr<TMap> Map;
    try {
        Map = Grid == "-" ? LoadSource(Source, Settings)
                          : WriteGridSet(Source, Settings, 0, Grid, Sidecars, "");
    } catch (const TReadFault&) {
        Fail(TSourceFailure::Message(Source, std::current_exception()));
    }
    if (Grid == "-")
        WriteGridToStandardOutput(Map.get());
    const char* const Failure = "Unable to write metadata to standard output";
    if (!HasMetadataFile)
        WriteToStandardOutput(Map->GetMetadata() + "\n", Failure);
    else if (Names[2] == "-")
        WriteToStandardOutput(Map->GetMetadata(), Failure);
    else
        WriteTextFile(Map->GetMetadata(), Names[2]);
}

// ---------------------------------------------------------------------------------------
// --output-dir DIR source_file...

/// One source of a batch, the files it gives, and the message of its failure ("" while
/// none).
struct TBatchItem {
    std::string Source;
    std::string Grid;
    std::string Metadata;
    std::string Failure;
};

/// Runs the action for the source; returns the message of its failure, which names the
/// source, or "".
template <typename TAction> std::string FailureOf(const std::string& Source, TAction Action) {
    try {
        Action();
    } catch (...) {
        return TSourceFailure::Message(Source, std::current_exception());
    }
    return "";
}

/// The source's file name without its directory and its extension, by the one rule of the
/// library's file names (`TSidecarTools::ProjectionFileName`): "a.b.txt" gives "a.b", and a
/// name that starts with its only dot has no extension (".grid" gives ".grid").
std::string StemOf(const std::string& Source) {
    return std::filesystem::path(Source).stem().string();
}

/// The files of every source, each source refused when a file it writes is another name of
/// a file of an earlier source or of any source: two sources of one stem are not written
/// over each other, and no source is written over.
std::vector<TBatchItem> PlanBatch(const TSettings& Settings) {
    const std::filesystem::path Directory = Settings.OutputDir;
    TDistinctFiles Files;
    std::vector<TBatchItem> Items;
    for (const std::string& Source : Settings.Names) {
        // A source named twice is read twice; its second grid fails on the names it writes.
        // Standard input is never read here.
        if (Source != "-")
            FailureOf(Source, [&] { Files.Add({{"source file", Source}}); });
        Items.push_back({Source, (Directory / (StemOf(Source) + ".asc")).string(),
                         (Directory / (StemOf(Source) + ".meta")).string(), ""});
    }
    for (TBatchItem& Item : Items) {
        if (Item.Source == "-" || StemOf(Item.Source).empty())
            Item.Failure = Item.Source + ": Only named files are converted with --output-dir";
        if (!Item.Failure.empty())
            continue;
        std::vector<TNamedFile> Outputs = {{"destination file", Item.Grid},
                                           {"metadata file", Item.Metadata}};
        if (Settings.Grid.Sidecars())
            TDistinctFiles::AddSidecarNames(Outputs, Item.Grid);
        Item.Failure = FailureOf(Item.Source, [&] { Files.Add(Outputs); });
    }
    return Items;
}

/// At most this many grids are converted at once, each on one core.
const unsigned MaxWorkers = 2;

/// Converts the items that have not failed, on up to `MaxWorkers` cores: each worker takes
/// the next item that no other has taken.
void ConvertItems(std::vector<TBatchItem>& Items, const TSettings& Settings) {
    std::atomic<size_t> Next{0};
    const auto Work = [&] {
        for (size_t I = Next++; I < Items.size(); I = Next++)
            if (Items[I].Failure.empty())
                Items[I].Failure = FailureOf(Items[I].Source, [&] {
                    WriteGridSet(Items[I].Source, Settings, 1, Items[I].Grid,
                                 Settings.Grid.Sidecars(), Items[I].Metadata);
                });
    };
    const unsigned Cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t Workers = std::min<size_t>({Items.size(), Cores, MaxWorkers});
    // Every thread is joined, also when this one leaves by an exception; where no thread
    // can be started, this one takes every item.
    struct TJoined {
        std::vector<std::thread> Threads;
        ~TJoined() {
            for (std::thread& Thread : Threads)
                Thread.join();
        }
    } Joined;
    try {
        for (size_t W = 1; W < Workers; ++W)
            Joined.Threads.emplace_back(Work);
    } catch (const std::system_error&) {
    }
    Work();
}

void ConvertBatch(const TSettings& Settings) {
    if (Settings.Names.empty() || Settings.OutputDir.empty())
        Fail("Usage: veldconv [options] --output-dir DIR [--] source_file...");
    struct stat Status;
    if (::stat(Settings.OutputDir.c_str(), &Status) != 0 || !S_ISDIR(Status.st_mode))
        Fail("Unable to write to directory " + Settings.OutputDir + ": it is not a directory");
    std::vector<TBatchItem> Items = PlanBatch(Settings);
    TSignalCleanup::Install();
    ConvertItems(Items, Settings);
    std::string Failures;
    for (const TBatchItem& Item : Items)
        if (!Item.Failure.empty())
            Failures += (Failures.empty() ? "" : "\n") + Item.Failure;
    if (!Failures.empty())
        Fail(Failures);
}

void Convert(int ArgC, char** ArgV) {
    if (ArgC == 2 && PrintInformation(ArgV[1]))
        return;
    if (ArgC < 3)
        Fail(Usage);
    const TSettings Settings = ParseCommandLine(ArgC, ArgV);
    if (Settings.Batch)
        ConvertBatch(Settings);
    else
        ConvertOne(Settings);
}

/// Writes the message of the failure being handled to standard error, and a line feed.
int ReportFailure() {
    std::cerr << TError::Message(std::current_exception()) << '\n' << std::flush;
    return 1;
}

} // namespace

int main(int ArgC, char** ArgV) {
    // Standard input is read through its own buffer, not character by character.
    std::ios::sync_with_stdio(false);
    try {
        Convert(ArgC, ArgV);
        return 0;
    } catch (...) {
        return ReportFailure();
    }
}
