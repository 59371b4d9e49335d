// The command, run as a process, on source files it must refuse and on places it cannot
// write to: each run ends with exit status 1 and exactly one message on standard error, and
// a refused source leaves no grid file behind. Whatever fails, and whatever the user names
// or the machine does (two names of one file, a full disk, a signal, a second conversion),
// a previous grid or metadata file is either replaced whole or left as it was.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

const char* const NonFinite = "Header numbers must be finite in TARCGISFileTools::WriteARCGISFile";
const char* const NonFiniteCell = "Cell values must be finite in TARCGISFileTools::WriteARCGISFile";

const std::string Axis = "x 0 1 2 lat degN/degE\n";
const std::string Row = "r 1 2 3 5\n";
const std::string Closing = "end degN/degE\n";

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

    /// Starts veldconv with the arguments, its standard streams on /dev/null.
    pid_t Start(const std::vector<std::string>& Arguments) const {
        std::vector<char*> ArgV = {const_cast<char*>(VELDCONV_PATH)};
        for (const std::string& Argument : Arguments)
            ArgV.push_back(const_cast<char*>(Argument.c_str()));
        ArgV.push_back(nullptr);
        posix_spawn_file_actions_t Actions;
        posix_spawn_file_actions_init(&Actions);
        for (int Descriptor : {1, 2})
            posix_spawn_file_actions_addopen(&Actions, Descriptor, "/dev/null", O_WRONLY, 0);
        pid_t Pid = -1;
        EXPECT_EQ(posix_spawn(&Pid, VELDCONV_PATH, &Actions, nullptr, ArgV.data(), environ), 0);
        posix_spawn_file_actions_destroy(&Actions);
        return Pid;
    }

    /// Sends the signal to the conversion as soon as the temporary file of its grid exists;
    /// returns the wait status (that of a normal exit if it ended before).
    int SignalDuringWrite(pid_t Pid, int Signal) const {
        const auto Writing = [this] {
            for (const std::string& Name : HiddenFiles())
                if (Name.rfind(".out.asc.", 0) == 0)
                    return true;
            return false;
        };
        int Status = 0;
        while (!Writing()) {
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
    const struct {
        const char* Name;
        std::string Text;
        const char* Err;
    } Cases[] = {
        {"empty file", "", Eof},
        {"header only", "Mean annual field\nsecond line\n", Eof},
        {"truncated mid-row", Axis + Row + "r 4 5", RowMismatch},
        {"carriage returns as line ends", "head\rx 0 1 lat degN/degE\rr 1 2 5\rend degN/degE\r",
         Eof},
        {"row with a missing value", Axis + Row + "r 4 6 5\n" + Closing, RowMismatch},
        {"first row with an extra value", Axis + "r 1 2 3 4 5\n" + Closing, RowZeroMismatch},
        {"data line of spaces", Axis + Row + "    \n" + Closing,
         "Empty data line found in TVELDANFileTools::LoadVELDANFile"},
        {"tabs between numbers", Axis + "r\t1\t2\t3\t5\n" + Closing, RowZeroMismatch},
        {"exponent with a minus sign", Axis + Row + "r 1 2.5e-3 3 5\n" + Closing, RowMismatch},
        {"binary file", BinaryBytes(4096), Eof},
        {"binary rows", Axis + Row + BinaryBytes(4096), RowMismatch},
        {"10 MB without a line feed", std::string(10 * 1024 * 1024, '7'), Eof},
        {"X coordinate nan", "x nan 1 lat degN/degE\nr 1 2 5\n" + Closing, NonFinite},
        {"Y coordinate inf", "x 0 1 lat degN/degE\nr 1 2 inf\n" + Closing, NonFinite},
        {"cell nan", Axis + "r 1 nan 3 5\n" + Closing, NonFiniteCell},
        {"cell inf", Axis + "r 1 2 inf 5\n" + Closing, NonFiniteCell},
        {"cell beyond the doubles", Axis + "r 1e999 2 3 5\n" + Closing, NonFiniteCell},
    };
    ASSERT_EQ(BinaryBytes(4096).find("degN/degE"), std::string::npos);
    for (const auto& C : Cases) {
        testsupport::WriteFile(Source(), C.Text);
        const auto R = Run(Quoted(Source()) + " " + Quoted(Grid()));
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err) << C.Name;
        EXPECT_EQ(R.Out, "") << C.Name;
        EXPECT_FALSE(GridExists()) << C.Name;
    }
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
    EXPECT_EQ(R.Err, "Unable to open file " + Unwritable);
    EXPECT_EQ(R.Out, "");
    EXPECT_FALSE(std::ifstream(Meta).good());

    // The metadata file cannot be created: the grid stays written.
    R = Run(Quoted(Example + ".txt") + " " + Quoted(Grid()) + " " + Quoted(Unwritable));
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "Unable to open file " + Unwritable);
    EXPECT_EQ(R.Out, "");
    EXPECT_EQ(ReadFile(Grid()), ReadFile(Example + ".asc"));
}

TEST_F(VeldconvBadInputTest, SourcesThatCannotBeReadAreReported) {
    const struct {
        const char* Name;
        const char* Source;
        const char* Limit; // shell text run before the command
        std::string Err;
    } Cases[] = {
        {"read error", "/proc/self/mem", "", "Unable to read file /proc/self/mem"},
        {"endless line under a memory limit", "/dev/zero", "ulimit -v 400000;",
         "Not enough memory to read file /dev/zero"},
    };
    for (const auto& C : Cases) {
#ifdef VELDGRID_SANITIZED
        if (*C.Limit) // the sanitizer runtime needs more address space than any limit
            continue;
#endif
        const auto R = testsupport::RunCapturing("(" + std::string(C.Limit) + " exec " +
                                                     Quoted(VELDCONV_PATH) + " " + C.Source + " " +
                                                     Quoted(Grid()) + ")",
                                                 Dir);
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err) << C.Name;
        EXPECT_FALSE(GridExists()) << C.Name;
    }
}

TEST_F(VeldconvBadInputTest, TwoNamesOfOneFileAreRefusedBeforeAnythingIsWritten) {
    const std::string Text = ReadFile(std::string(VELDGRID_EXAMPLES) + "/example.txt");
    testsupport::WriteFile(Source(), Text);
    const std::string Link = Dir + "/link.txt", Hard = Dir + "/hard.txt", Meta = Dir + "/meta.txt";
    ASSERT_EQ(::symlink(Source().c_str(), Link.c_str()), 0);
    ASSERT_EQ(::link(Source().c_str(), Hard.c_str()), 0);
    const std::string SameAs = ": it is the same file as the ";
    const struct {
        const char* Name;
        std::string Destination, Metadata, Err;
    } Cases[] = {
        {"destination is the source", Source(), "",
         "Unable to write file " + Source() + SameAs + "source file " + Source()},
        {"destination is a link to the source", Link, "",
         "Unable to write file " + Link + SameAs + "source file " + Source()},
        {"destination is a hard link of the source", Hard, "",
         "Unable to write file " + Hard + SameAs + "source file " + Source()},
        {"metadata to the new grid", Grid(), Grid(),
         "Unable to write file " + Grid() + SameAs + "destination file " + Grid()},
        {"metadata to the new grid by another path", Grid(), Dir + "/./out.asc",
         "Unable to write file " + Dir + "/./out.asc" + SameAs + "destination file " + Grid()},
        {"metadata to the source", Grid(), Source(),
         "Unable to write file " + Source() + SameAs + "source file " + Source()},
    };
    for (const auto& C : Cases) {
        const auto R = Run(Quoted(Source()) + " " + Quoted(C.Destination) + " " +
                           (C.Metadata.empty() ? "" : Quoted(C.Metadata)));
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err) << C.Name;
        EXPECT_EQ(R.Out, "") << C.Name;
        EXPECT_EQ(ReadFile(Source()), Text) << C.Name;
        EXPECT_FALSE(GridExists()) << C.Name;
        EXPECT_FALSE(std::ifstream(Meta).good()) << C.Name;
    }
}

// A full disk stands for every write that fails on the way: the file size limit makes the
// grid's write fail (with "File too large") wherever the test runs.
TEST_F(VeldconvBadInputTest, AFailedWriteLeavesThePreviousFiles) {
    testsupport::WriteFile(Source(), LargeSource(100, 100, 0.5));
    const std::string Meta = Dir + "/meta.txt";
    testsupport::WriteFile(Grid(), "previous grid\n");
    testsupport::WriteFile(Meta, "previous metadata\n");
    const auto R = testsupport::RunCapturing("(trap '' XFSZ; ulimit -f 8; exec " +
                                                 Quoted(VELDCONV_PATH) + " " + Quoted(Source()) +
                                                 " " + Quoted(Grid()) + " " + Quoted(Meta) + ")",
                                             Dir);
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "Unable to write file " + Grid() + ": File too large");
    EXPECT_EQ(ReadFile(Grid()), "previous grid\n");
    EXPECT_EQ(ReadFile(Meta), "previous metadata\n");
    EXPECT_EQ(HiddenFiles(), std::vector<std::string>());
}

TEST_F(VeldconvBadInputTest, ASignalDuringTheWriteLeavesThePreviousGrid) {
    testsupport::WriteFile(Source(), LargeSource(2000, 2000, 0.5));
    for (int Signal : {SIGINT, SIGTERM, SIGHUP}) {
        testsupport::WriteFile(Grid(), "previous grid\n");
        // Should the conversion end before the signal reaches it, it is tried again.
        int Status = 0;
        for (int Attempt = 0; Attempt < 5 && !WIFSIGNALED(Status); ++Attempt) {
            testsupport::WriteFile(Grid(), "previous grid\n");
            Status = SignalDuringWrite(Start({Source(), Grid(), Dir + "/meta.txt"}), Signal);
        }
        EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == Signal) << Signal;
        EXPECT_EQ(ReadFile(Grid()), "previous grid\n") << Signal;
        EXPECT_EQ(HiddenFiles(), std::vector<std::string>()) << Signal;
    }
}

TEST_F(VeldconvBadInputTest, ConcurrentConversionsLeaveOneCompleteGrid) {
    const std::string First = Dir + "/first.txt", Second = Dir + "/second.txt";
    testsupport::WriteFile(First, LargeSource(1000, 1000, 0.5));
    testsupport::WriteFile(Second, LargeSource(1000, 1000, 7.25));
    ASSERT_EQ(Run(Quoted(First) + " " + Quoted(Dir + "/first.asc")).Status, 0);
    ASSERT_EQ(Run(Quoted(Second) + " " + Quoted(Dir + "/second.asc")).Status, 0);

    const pid_t A = Start({First, Grid(), Dir + "/a.meta"});
    const pid_t B = Start({Second, Grid(), Dir + "/b.meta"});
    int StatusA = -1, StatusB = -1;
    ::waitpid(A, &StatusA, 0);
    ::waitpid(B, &StatusB, 0);
    EXPECT_EQ(StatusA, 0);
    EXPECT_EQ(StatusB, 0);
    const std::string Written = ReadFile(Grid());
    EXPECT_TRUE(Written == ReadFile(Dir + "/first.asc") ||
                Written == ReadFile(Dir + "/second.asc"));
    EXPECT_EQ(HiddenFiles(), std::vector<std::string>());
}
