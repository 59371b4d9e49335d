// The command, run as a process, on source files it must refuse and on places it cannot
// write to: each run ends with exit status 1 and exactly one message on standard error, and
// a refused source leaves no grid file behind. Whatever fails, and whatever the user names
// or the machine does (two names of one file, a full disk, a signal, a second conversion),
// a previous grid or metadata file is either replaced whole or left as it was.

#include "TSidecarTools.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using testsupport::Quoted;
using testsupport::ReadFile;

namespace {

const char* const Eof = "Unexpected end of file found in TVELDANFileTools::LoadVELDANFile";
const char* const RowZeroMismatch =
    "Length of new X axis does not match the X dimension of the map";
const char* const RowMismatch = "Number of values in data line does not match the first data "
                                "line in TVELDANFileTools::LoadVELDANFile";

const char* const EmptyLine = "Empty data line found in TVELDANFileTools::LoadVELDANFile";
const char* const NonFinite = "Header numbers must be finite in TARCGISFileTools::WriteARCGISFile";
const char* const NonFiniteCell = "Cell values must be finite in TARCGISFileTools::WriteARCGISFile";

const std::string Axis = "x 0 1 2 lat degN/degE\n";
const std::string Row = "r 1 2 3 5\n";
const std::string Closing = "end degN/degE\n";

/// The hints that name the traps of the format, on the line after the message.
const std::string ExponentHint = "\n  the token \"2.5e\" is followed by \"-3\": this format reads "
                                 "a negative exponent as two numbers";
const std::string TabHint = "\n  the token \"r\\t1\\t2\\t3\\t5\" holds a tab: this format "
                            "separates values by spaces only";
const std::string MarkerHint = "\n  this line holds \"degN/degE\", so it is read as the axis line: "
                               "no header line may hold the marker";

/// Where the text ends: after its last line feed, or after the last character of its last
/// line.
std::string EndOf(const std::string& Text) {
    const size_t LastLine = Text.rfind('\n') + 1; // 0 for no line feed
    return std::to_string(std::count(Text.begin(), Text.end(), '\n') + 1) + ":" +
           std::to_string(Text.size() - LastLine + 1);
}

/// Bytes of every value, in a fixed pseudo-random order, with no marker among them.
std::string BinaryBytes(size_t Size) {
    std::string Bytes(Size, '\0');
    unsigned State = 12345;
    for (char& B : Bytes) {
        State = State * 1103515245u + 12345u;
        B = static_cast<char>(State >> 16);
    }
    return Bytes;
}

/// A VELDAN grid of the size, every row holding the values First, First + 1, ...
std::string LargeSource(int Columns, int Rows, double First) {
    std::string Axis = "x", Values = "r";
    for (int J = 0; J < Columns; ++J) {
        Axis += " " + std::to_string(J);
        Values += " " + std::to_string(First + J);
    }
    std::string Text = Axis + " lat degN/degE\n";
    for (int I = 0; I < Rows; ++I)
        Text += Values + " " + std::to_string(Rows - I) + "\n";
    return Text + Closing;
}

class VeldconvBadInputTest : public ::testing::Test {
protected:
    void SetUp() override { Dir = testsupport::TempDir(); }

    testsupport::TProcessRun Run(const std::string& Arguments) {
        return testsupport::RunCapturing(Quoted(VELDCONV_PATH) + " " + Arguments, Dir);
    }

    /// A file name that cannot be created: one in a read-only directory or, for a user
    /// whom permissions do not stop, one in the kernel's own file system; "" if none.
    std::string UnwritableName() const {
        const std::string ReadOnly = Dir + "/read-only";
        ::mkdir(ReadOnly.c_str(), 0555);
        for (const std::string& Name : {ReadOnly + "/out.asc", std::string("/sys/veldconv.asc")}) {
            std::FILE* Probe = std::fopen(Name.c_str(), "w");
            if (!Probe)
                return Name;
            std::fclose(Probe);
            std::remove(Name.c_str());
        }
        return "";
    }

    /// Starts a conversion with a metadata file: it writes nothing to its standard streams
    /// unless it fails.
    pid_t Start(const std::string& Source, const std::string& Grid, const std::string& Meta) {
        const pid_t Pid = ::fork();
        if (Pid == 0) {
            ::execl(VELDCONV_PATH, VELDCONV_PATH, Source.c_str(), Grid.c_str(), Meta.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return Pid;
    }

    /// Sends the signal to the conversion once its temporary file exists; returns the
    /// wait status (that of a normal exit if the conversion ended before).
    int SignalDuringWrite(pid_t Pid, int Signal) const {
        int Status = 0;
        while (HiddenFiles().empty()) {
            if (::waitpid(Pid, &Status, WNOHANG) == Pid)
                return Status;
            ::usleep(500);
        }
        ::kill(Pid, Signal);
        ::waitpid(Pid, &Status, 0);
        return Status;
    }

    /// The names in the directory that start with a dot: temporary files.
    std::vector<std::string> HiddenFiles() const {
        std::vector<std::string> Names;
        if (DIR* Listing = ::opendir(Dir.c_str())) {
            while (const dirent* Entry = ::readdir(Listing))
                if (Entry->d_name[0] == '.' && std::string(".") != Entry->d_name &&
                    std::string("..") != Entry->d_name)
                    Names.push_back(Entry->d_name);
            ::closedir(Listing);
        }
        return Names;
    }

    std::string Source() const { return Dir + "/in.txt"; }
    std::string Grid() const { return Dir + "/out.asc"; }
    bool GridExists() const {
        struct stat Status;
        return ::stat(Grid().c_str(), &Status) == 0;
    }

    std::string Dir;
};

} // namespace

TEST_F(VeldconvBadInputTest, RefusedSourcesLeaveNoGrid) {
    // A fault of the source's text is placed in it: "in.txt:LINE:COLUMN: " before the
    // message; the writer's faults are not.
    const struct {
        const char* Name;
        std::string Text;
        std::string Where; // "" for a fault of no place
        std::string Err;
    } Cases[] = {
        {"empty file", "", "1:1", Eof},
        {"header only", "Mean annual field\nsecond line\n", "3:1", Eof},
        {"truncated mid-row", Axis + Row + "r 4 5", "3:5", RowMismatch},
        {"carriage returns as line ends", "head\rx 0 1 lat degN/degE\rr 1 2 5\rend degN/degE\r",
         "1:48", Eof},
        {"row with a missing value", Axis + Row + "r 4 6 5\n" + Closing, "3:7", RowMismatch},
        {"first row with an extra value", Axis + "r 1 2 3 4 5\n" + Closing, "2:9", RowZeroMismatch},
        {"data line of spaces", Axis + Row + "    \n" + Closing, "3:1", EmptyLine},
        {"tabs between numbers", Axis + "r\t1\t2\t3\t5\n" + Closing, "2:1",
         RowZeroMismatch + TabHint},
        {"exponent with a minus sign", Axis + Row + "r 1 2.5e-3 3 5\n" + Closing, "3:5",
         RowMismatch + ExponentHint},
        {"exponent with a minus sign in the first row", Axis + "r 1 2.5e-3 3 5\n" + Closing, "2:5",
         RowZeroMismatch + ExponentHint},
        {"marker in a header line", "Grid in degN/degE\n" + Axis + Row + Closing, "1:9",
         "Axis line must hold at least two X coordinates in TVELDANFileTools::LoadVELDANFile" +
             MarkerHint},
        {"binary file", BinaryBytes(4096), EndOf(BinaryBytes(4096)), Eof},
        {"binary rows", Axis + Row + BinaryBytes(4096), "3:82", RowMismatch},
        {"10 MB without a line feed", std::string(10 * 1024 * 1024, '7'), "1:10485761", Eof},
        {"X coordinate nan", "x nan 1 lat degN/degE\nr 1 2 5\n" + Closing, "", NonFinite},
        {"Y coordinate inf", "x 0 1 lat degN/degE\nr 1 2 inf\n" + Closing, "", NonFinite},
        {"cell nan", Axis + "r 1 nan 3 5\n" + Closing, "", NonFiniteCell},
        {"cell inf", Axis + "r 1 2 inf 5\n" + Closing, "", NonFiniteCell},
        {"cell beyond the doubles", Axis + "r 1e999 2 3 5\n" + Closing, "", NonFiniteCell},
        // The reader's fault is reported before the writer's, whatever comes first.
        {"cell nan before a short row", Axis + "r 1 nan 3 5\n" + Row + "r 1 2 4\n" + Closing, "4:7",
         RowMismatch},
        {"cell inf before an empty line", Axis + "r inf 2 3 5\n\n" + Closing, "3:1", EmptyLine},
    };
    ASSERT_EQ(BinaryBytes(4096).find("degN/degE"), std::string::npos);
    for (const auto& C : Cases) {
        testsupport::WriteFile(Source(), C.Text);
        const auto R = Run(Quoted(Source()) + " " + Quoted(Grid()));
        const std::string Place = C.Where.empty() ? "" : Source() + ":" + C.Where + ": ";
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, Place + C.Err + "\n") << C.Name;
        EXPECT_EQ(R.Out, "") << C.Name;
        EXPECT_FALSE(GridExists()) << C.Name;
    }
}

// A grid that cannot be written aside (a link to a file not there yet, a writable file in a
// directory where no new file may be created) is written in place, and only from a source
// read whole, so that a fault found late in a large source leaves nothing written.
TEST_F(VeldconvBadInputTest, AGridWrittenInPlaceIsWrittenOnlyFromAGoodSource) {
    const std::string Closed = Dir + "/closed", Link = Dir + "/link.asc";
    ASSERT_EQ(::mkdir(Closed.c_str(), 0777), 0);
    testsupport::WriteFile(Closed + "/out.asc", "previous grid\n");
    ASSERT_EQ(::chmod(Closed.c_str(), 0555), 0);
    ASSERT_EQ(::symlink("target.asc", Link.c_str()), 0);
    const std::string Text = LargeSource(400, 3000, 0.5);
    const std::string Bad = Text.substr(0, Text.size() - 40) + "nan 1\n" + Closing;
    for (const std::string& Grid : {Closed + "/out.asc", Link}) {
        const std::string Previous = ReadFile(Grid);
        testsupport::WriteFile(Source(), Bad);
        auto R = Run("--no-sidecars " + Quoted(Source()) + " " + Quoted(Grid) + " " +
                     Quoted(Dir + "/meta.txt"));
        // The fault lies at the Y coordinate of the last row, short of values.
        const std::string Last = Bad.substr(0, Bad.size() - Closing.size() - 1);
        EXPECT_EQ(R.Err, Source() + ":3001:" + std::to_string(Last.size() - Last.rfind('\n') - 1) +
                             ": " + RowMismatch + "\n")
            << Grid;
        EXPECT_TRUE(ReadFile(Grid) == Previous) << Grid; // the grid is megabytes long
        testsupport::WriteFile(Source(), Text);
        R = Run("--no-sidecars " + Quoted(Source()) + " " + Quoted(Grid) + " " +
                Quoted(Dir + "/meta.txt"));
        EXPECT_EQ(R.Err, "") << Grid;
        EXPECT_EQ(ReadFile(Grid).substr(0, 20), "ncols 400\nnrows 3000") << Grid;
    }
    ::chmod(Closed.c_str(), 0777);
}

TEST_F(VeldconvBadInputTest, PlacesThatCannotBeWrittenAreReported) {
    const std::string Unwritable = UnwritableName();
    if (Unwritable.empty())
        GTEST_SKIP() << "no place that this user cannot write to";
    const std::string Example = std::string(VELDGRID_EXAMPLES) + "/example";
    const std::string Meta = Dir + "/meta.txt";

    // The grid cannot be created: no metadata is handed on.
    auto R = Run(Quoted(Example + ".txt") + " " + Quoted(Unwritable) + " " + Quoted(Meta));
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "Unable to open file " + Unwritable + "\n");
    EXPECT_EQ(R.Out, "");
    EXPECT_FALSE(std::ifstream(Meta).good());

    // The metadata file cannot be created: the grid stays written.
    R = Run(Quoted(Example + ".txt") + " " + Quoted(Grid()) + " " + Quoted(Unwritable));
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "Unable to open file " + Unwritable + "\n");
    EXPECT_EQ(R.Out, "");
    EXPECT_EQ(ReadFile(Grid()), ReadFile(Example + ".asc"));
}

// Two names of one file, a read that fails, memory running out, a write that fails (the
// file size limit stands for a full disk, wherever the test runs): nothing is written, and
// no file is left behind.
TEST_F(VeldconvBadInputTest, FailuresLeaveEveryFileAsItWas) {
    const std::string Text = LargeSource(100, 100, 0.5);
    const std::string Link = Dir + "/link.txt", Hard = Dir + "/hard.txt", Meta = Dir + "/meta.txt";
    const std::string New = Dir + "/new.asc";
    testsupport::WriteFile(Source(), Text);
    testsupport::WriteFile(Grid(), "previous grid\n");
    testsupport::WriteFile(Meta, "previous metadata\n");
    ASSERT_EQ(::symlink(Source().c_str(), Link.c_str()), 0);
    ASSERT_EQ(::link(Source().c_str(), Hard.c_str()), 0);
    // A sidecar file that cannot be written: the grid beside it is not written either.
    ASSERT_EQ(::mkdir((New + ".aux.xml").c_str(), 0777), 0);
    ASSERT_EQ(::symlink("in.txt", (Dir + "/in.prj").c_str()), 0);
    ASSERT_EQ(::symlink("new.asc", (Dir + "/dangling.asc").c_str()), 0);
    const std::string S = Quoted(Source()), G = Quoted(Grid()), M = Quoted(Meta);
    const std::string Same = ": it is the same file as the ";
    const struct {
        const char* Name;
        const char* Limit; // shell text run before the command
        std::string Arguments, Err;
    } Cases[] = {
        {"destination is the source", "", S + " " + S,
         "Unable to write file " + Source() + Same + "source file " + Source()},
        {"destination links to the source", "", S + " " + Quoted(Link),
         "Unable to write file " + Link + Same + "source file " + Source()},
        {"destination is a hard link of the source", "", S + " " + Quoted(Hard),
         "Unable to write file " + Hard + Same + "source file " + Source()},
        {"metadata to the new grid", "", S + " " + Quoted(New) + " " + Quoted(New),
         "Unable to write file " + New + Same + "destination file " + New},
        {"metadata to the grid by another name", "", S + " " + G + " " + Quoted(Dir + "/./out.asc"),
         "Unable to write file " + Dir + "/./out.asc" + Same + "destination file " + Grid()},
        {"metadata to the source", "", S + " " + G + " " + S,
         "Unable to write file " + Source() + Same + "source file " + Source()},
        {"destination is the file on standard input", "", "- " + S + " " + M + " < " + S,
         "Unable to write file " + Source() + Same + "source file -"},
        {"metadata to the file that a link to nothing yet names", "",
         S + " " + Quoted(Dir + "/dangling.asc") + " " + Quoted(New),
         "Unable to write file " + New + Same + "destination file " + Dir + "/dangling.asc"},
        {"read error", "", "/proc/self/mem " + G + " " + M, "Unable to read file /proc/self/mem"},
        {"endless line under a memory limit", "ulimit -v 400000;", "/dev/zero " + G + " " + M,
         "Not enough memory to read file /dev/zero"},
        {"grid beyond the file size limit", "trap '' XFSZ; ulimit -f 8;", S + " " + G + " " + M,
         "Unable to write file " + Grid() + ": File too large"},
        {"sidecar that cannot be written", "", S + " " + Quoted(New) + " " + M,
         "Unable to open file " + New + ".aux.xml"},
        {"metadata to the projection file", "", S + " " + G + " " + Quoted(Dir + "/out.prj"),
         "Unable to write file " + Dir + "/out.prj" + Same + "metadata file " + Dir + "/out.prj"},
        {"projection file links to the source", "", S + " " + Quoted(Dir + "/in"),
         "Unable to write file " + Dir + "/in.prj" + Same + "source file " + Source()},
    };
    for (const auto& C : Cases) {
#ifdef VELDGRID_SANITIZED
        if (std::string(C.Limit).find("-v") != std::string::npos)
            continue; // the sanitizer runtime needs more address space than the limit
#endif
        const auto R = testsupport::RunCapturing(
            "(" + std::string(C.Limit) + " exec " + Quoted(VELDCONV_PATH) + " " + C.Arguments + ")",
            Dir);
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err + "\n") << C.Name;
        EXPECT_EQ(ReadFile(Source()), Text) << C.Name;
        EXPECT_EQ(ReadFile(Grid()), "previous grid\n") << C.Name;
        EXPECT_EQ(ReadFile(Meta), "previous metadata\n") << C.Name;
        EXPECT_FALSE(std::ifstream(New).good()) << C.Name;
        EXPECT_EQ(HiddenFiles(), std::vector<std::string>()) << C.Name;
        for (const char* Sidecar : {"/out.prj", "/out.asc.aux.xml", "/new.prj", "/in"})
            EXPECT_FALSE(std::ifstream(Dir + Sidecar).good()) << C.Name << Sidecar;
    }
}

TEST_F(VeldconvBadInputTest, ASignalDuringTheWriteLeavesThePreviousGrid) {
    testsupport::WriteFile(Source(), LargeSource(2000, 2000, 0.5));
    for (int Signal : {SIGINT, SIGTERM, SIGHUP}) {
        testsupport::WriteFile(Grid(), "previous grid\n");
        // Should the conversion end before the signal reaches it, it is tried again.
        int Status = 0;
        for (int Attempt = 0; Attempt < 5 && !WIFSIGNALED(Status); ++Attempt) {
            testsupport::WriteFile(Grid(), "previous grid\n");
            Status = SignalDuringWrite(Start(Source(), Grid(), Dir + "/meta.txt"), Signal);
        }
        EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == Signal) << Signal;
        EXPECT_EQ(ReadFile(Grid()), "previous grid\n") << Signal;
        EXPECT_EQ(HiddenFiles(), std::vector<std::string>()) << Signal;
    }
    // A file size limit reached ends the command on its signal (SIGXFSZ, not ignored).
    testsupport::WriteFile(Grid(), "previous grid\n");
    const auto R =
        testsupport::RunCapturing("(ulimit -f 1000; exec " + Quoted(VELDCONV_PATH) + " " +
                                      Quoted(Source()) + " " + Quoted(Grid()) + ")",
                                  Dir);
    EXPECT_EQ(R.Status, 128 + SIGXFSZ);
    EXPECT_EQ(ReadFile(Grid()), "previous grid\n");
    EXPECT_EQ(HiddenFiles(), std::vector<std::string>());
}

TEST_F(VeldconvBadInputTest, ConcurrentConversionsLeaveOneCompleteGrid) {
    const std::string First = Dir + "/first.txt", Second = Dir + "/second.txt";
    testsupport::WriteFile(First, LargeSource(1000, 1000, 0.5));
    testsupport::WriteFile(Second, LargeSource(1000, 1000, 7.25));
    ASSERT_EQ(Run(Quoted(First) + " " + Quoted(Dir + "/first.asc")).Status, 0);
    ASSERT_EQ(Run(Quoted(Second) + " " + Quoted(Dir + "/second.asc")).Status, 0);
    const std::string V = Quoted(VELDCONV_PATH);
    // Both conversions run inside the test's directory and name their files relative to it,
    // so that nothing is written where the test runs. The exit status is 0 when both succeed.
    const auto R = testsupport::RunCapturing("cd " + Quoted(Dir) + " && { " + V +
                                                 " first.txt out.asc a.meta & P=$!; " + V +
                                                 " second.txt out.asc b.meta && wait $P; }",
                                             Dir);
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(ReadFile(Dir + "/a.meta") + ReadFile(Dir + "/b.meta"), "\n\n");
    const std::string Written = ReadFile(Grid());
    EXPECT_TRUE(Written == ReadFile(Dir + "/first.asc") ||
                Written == ReadFile(Dir + "/second.asc"));
    EXPECT_EQ(HiddenFiles(), std::vector<std::string>());
}

// Options used wrongly: one message naming the fault, exit status 1, and no grid, sidecar or
// temporary file left behind. Like every message, it ends with a line feed.
TEST_F(VeldconvBadInputTest, BadOptionsAreReportedAndWriteNothing) {
    const std::string Usage = "Usage: veldconv source_file destination_file [metadata_file]";
    testsupport::WriteFile(Source(), Axis + Row + Closing);
    const std::string S = Quoted(Source()), G = Quoted(Grid()), M = Quoted(Dir + "/meta.txt");
    const struct {
        const char* Name;
        std::string Arguments, Err;
    } Cases[] = {
        {"unknown option", "--bogus " + S + " " + G,
         "Unknown option --bogus (veldconv --help lists the options)\n" + Usage},
        {"unknown option after the names", S + " " + G + " -x",
         "Unknown option -x (veldconv --help lists the options)\n" + Usage},
        {"name starting with a minus before --", "-in.txt " + G,
         "Unknown option -in.txt (veldconv --help lists the options)\n" + Usage},
        {"--nodata without its value", S + " " + G + " --nodata",
         "--nodata: 1 required VALUE missing\n" + Usage},
        {"--nodata not a number", "--nodata 5,5 " + S + " " + G,
         "Invalid value for --nodata: \"5,5\" is not a number (nor nan)"},
        {"--nodata empty", "--nodata '' " + S + " " + G,
         "Invalid value for --nodata: \"\" is not a number (nor nan)"},
        {"--nodata twice", "--nodata 1 --nodata 2 " + S + " " + G,
         "--nodata: At Most 1 required but received 2\n" + Usage},
        // A bad token is refused alike, and placed, whichever line it is in.
        {"--strict on a letter", "--strict " + Quoted(Dir + "/letter.txt") + " " + G,
         Dir + "/letter.txt:2:5: Token is not a number in TVELDANFileTools::LoadVELDANFile"},
        {"--strict on a letter in a later row",
         "--strict " + Quoted(Dir + "/letter4.txt") + " " + G,
         Dir + "/letter4.txt:4:5: Token is not a number in TVELDANFileTools::LoadVELDANFile"},
        {"--strict on uneven columns", "--strict " + Quoted(Dir + "/uneven.txt") + " " + G,
         Dir + "/uneven.txt:1:5: X coordinates are not evenly spaced in "
               "TVELDANFileTools::LoadVELDANFile"},
        {"--strict on rows spaced unlike the columns",
         "--strict " + Quoted(Dir + "/rows.txt") + " " + G,
         Dir + "/rows.txt:3:9: Y coordinates are not evenly spaced by the cell size in "
               "TVELDANFileTools::LoadVELDANFile\n  the rows lie 0.5 apart and the columns 1: a "
               "strict read needs rows spaced by the cell size of the columns"},
        {"grid to standard output without a metadata file", S + " -",
         "The grid goes to standard output (-): give a metadata_file for the metadata\n" + Usage},
        {"grid and metadata to standard output", S + " - -",
         "The grid goes to standard output (-): give a metadata_file for the metadata\n" + Usage},
        {"--output-dir that is not a directory", "--output-dir " + Quoted(Dir + "/none") + " " + S,
         "Unable to write to directory " + Dir + "/none: it is not a directory"},
        {"--output-dir without sources", "--output-dir " + Quoted(Dir),
         "Usage: veldconv [options] --output-dir DIR [--] source_file..."},
        {"options but one name", "--strict " + S, Usage},
    };
    testsupport::WriteFile(Dir + "/letter.txt", Axis + "r 1 abc 3 5\n" + Closing);
    testsupport::WriteFile(Dir + "/letter4.txt", Axis + Row + Row + "r 1 abc 3 5\n" + Closing);
    testsupport::WriteFile(Dir + "/uneven.txt", "x 0 1 3 lat degN/degE\n" + Row + Closing);
    testsupport::WriteFile(Dir + "/rows.txt", Axis + Row + "r 1 2 3 4.5\n" + Closing);
    for (const auto& C : Cases) {
        const auto R = Run(C.Arguments + " < " + S);
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err + "\n") << C.Name;
        EXPECT_EQ(R.Out, "") << C.Name;
        EXPECT_FALSE(GridExists()) << C.Name;
        for (const char* Other : {"/out.prj", "/out.asc.aux.xml", "/meta.txt", "/in.asc"})
            EXPECT_FALSE(std::ifstream(Dir + Other).good()) << C.Name << Other;
        EXPECT_EQ(HiddenFiles(), std::vector<std::string>()) << C.Name;
    }
    // Standard input is named as compilers name it.
    EXPECT_EQ(Run("--strict - " + G + " < " + Quoted(Dir + "/letter.txt")).Err,
              "<stdin>:2:5: Token is not a number in TVELDANFileTools::LoadVELDANFile\n");
}

// A destination that names standard output or a descriptor gets no sidecar files, whatever
// it leads to: `veldconv in.txt /dev/stdout > out.asc` run by an ordinary user, who may not
// write into /dev, writes the grid to out.asc and nothing else anywhere.
TEST_F(VeldconvBadInputTest, ADestinationThatNamesADescriptorGetsNoSidecars) {
    const std::string Open = Dir + "/open"; // where the ordinary user may write
    ASSERT_EQ(::mkdir(Open.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(Open.c_str(), 0777), 0);
    const std::string Example = std::string(VELDGRID_EXAMPLES) + "/example";
    const std::string Grid = ReadFile(Example + ".asc");
    for (const std::string Destination : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
        // Standard output goes to a file in `Open`, read back as `Out`.
        const std::string Result = testsupport::InChildProcess(
            [&] {
                const auto R = testsupport::RunCapturing(
                    Quoted(VELDCONV_PATH) + " " + Quoted(Example + ".txt") + " " + Destination,
                    Open);
                return std::to_string(R.Status) + " " + R.Err + (R.Out == Grid ? "grid" : R.Out);
            },
            true);
        EXPECT_EQ(Result, "0 grid") << Destination;
        EXPECT_TRUE(std::filesystem::is_empty(Open)) << Destination;
        for (const std::string& Sidecar : {TSidecarTools::ProjectionFileName(Destination),
                                           TSidecarTools::AuxiliaryFileName(Destination)})
            EXPECT_FALSE(std::filesystem::exists(Sidecar)) << Sidecar;
    }
}

// A batch converts every source it can and names each one that failed.
TEST_F(VeldconvBadInputTest, ABatchReportsEachFailedSourceAndConvertsTheOthers) {
    const std::string Out = Dir + "/out", Other = Dir + "/other";
    ASSERT_EQ(::mkdir(Out.c_str(), 0777), 0);
    ASSERT_EQ(::mkdir(Other.c_str(), 0777), 0);
    testsupport::WriteFile(Dir + "/a.txt", Axis + Row + Closing);
    testsupport::WriteFile(Dir + "/bad.txt", Axis + Row);
    testsupport::WriteFile(Other + "/a.txt", Axis + "r 7 8 9 5\n" + Closing);
    testsupport::WriteFile(Dir + "/c.txt", Axis + "r 4 5 6 5\n" + Closing);
    // A source in the output directory named as the projection file of its own grid.
    const std::string Projection = Out + "/p.prj";
    testsupport::WriteFile(Projection, Axis + Row + Closing);
    const auto R = Run("--output-dir " + Quoted(Out) + " " + Quoted(Dir + "/a.txt") + " " +
                       Quoted(Dir + "/bad.txt") + " " + Quoted(Other + "/a.txt") + " " +
                       Quoted(Dir + "/missing.txt") + " " + Quoted(Dir + "/c.txt") + " " +
                       Quoted(Projection) + " -");
    EXPECT_EQ(R.Status, 1);
    // A fault of a source's text is placed in it, every other failure follows its name.
    EXPECT_EQ(R.Err, Dir + "/bad.txt:3:1: " + Eof + "\n" + Other + "/a.txt: Unable to write file " +
                         Out + "/a.asc: it is the same file as the destination file " + Out +
                         "/a.asc\n" + Dir + "/missing.txt: Unable to open file " + Dir +
                         "/missing.txt\n" + Projection + ": Unable to write file " + Projection +
                         ": it is the same file as the source file " + Projection + "\n" +
                         "-: Only named files are converted with --output-dir\n");
    EXPECT_EQ(R.Out, "");
    const std::string Header = "ncols 3\nnrows 1\nxllcorner     -0.5\nyllcorner      4.5\n"
                               "cellsize 1\nNODATA_value -9999\n";
    EXPECT_EQ(ReadFile(Out + "/a.asc"), Header + "1 2 3 \n"); // the first of the two
    EXPECT_EQ(ReadFile(Out + "/c.asc"), Header + "4 5 6 \n");
    EXPECT_EQ(ReadFile(Out + "/c.meta"), "\n");
    EXPECT_EQ(ReadFile(Projection), Axis + Row + Closing);
    for (const char* Missing : {"/bad.asc", "/bad.prj", "/bad.meta", "/missing.asc", "/p.asc"})
        EXPECT_FALSE(std::ifstream(Out + Missing).good()) << Missing;
}
