// The command, run as a process: its exit status, its standard streams and its files.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>

using testsupport::ReadFile;

namespace {

using TRun = testsupport::TProcessRun;

class VeldconvTest : public ::testing::Test {
protected:
    void SetUp() override { Dir = testsupport::TempDir(); }

    /// Runs veldconv with the shell-quoted arguments.
    TRun Run(const std::string& Arguments) {
        return testsupport::RunCapturing(testsupport::Quoted(VELDCONV_PATH) + " " + Arguments, Dir);
    }

    /// Runs veldconv with standard output sent elsewhere by the shell text.
    TRun RunWithStdout(const std::string& Arguments, const std::string& StdoutRedirection) {
        return testsupport::RunCapturing(testsupport::Quoted(VELDCONV_PATH) + " " + Arguments, Dir,
                                         StdoutRedirection);
    }

    std::string Example(const char* Suffix) const {
        return std::string(VELDGRID_EXAMPLES) + "/example" + Suffix;
    }
    bool Exists(const std::string& Name) const { return std::ifstream(Dir + "/" + Name).good(); }

    std::string Dir;
};

} // namespace

TEST_F(VeldconvTest, FailuresAreReportedWithExitStatusOne) {
    const std::string Usage = "Usage: veldconv source_file destination_file [metadata_file]";
    const std::string Bad = Dir + "/bad.txt";
    testsupport::WriteFile(Bad, "x 0 1 lat degN/degE\nr 1 2 5\n");
    const struct {
        const char* Name;
        std::string Arguments;
        std::string Err;
    } Cases[] = {
        {"no arguments", "", Usage},
        {"source only", "'" + Example(".txt") + "'", Usage},
        {"missing source", "'" + Dir + "/in.txt' '" + Dir + "/out.asc'",
         "Unable to open file " + Dir + "/in.txt"},
        {"source is a directory", "'" + Dir + "' '" + Dir + "/out.asc'",
         "Unable to open file " + Dir},
        {"malformed source", "'" + Bad + "' '" + Dir + "/out.asc'",
         Bad + ":3:1: Unexpected end of file found in TVELDANFileTools::LoadVELDANFile"},
        {"destination is a directory", "'" + Example(".txt") + "' '" + Dir + "'",
         "Unable to open file " + Dir},
        {"destination device full", "'" + Example(".txt") + "' /dev/full",
         "Unable to write file /dev/full: No space left on device"},
        // Options are only the exact single arguments; anything else is a command line.
        {"upper case", "--HELP", Usage},
        {"single dash long name", "-help", Usage},
        {"version with a value", "--version=1", Usage},
        {"short version", "-v", Usage},
        {"double dash", "--", Usage},
        {"padded", "' --help'", Usage},
        {"help with a destination", "--help '" + Dir + "/out.asc'", "Unable to open file --help"},
        {"version with a destination", "--version '" + Dir + "/out.asc'",
         "Unable to open file --version"},
    };
    for (const auto& C : Cases) {
        const TRun R = Run(C.Arguments);
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err + "\n") << C.Name; // every message ends with a line feed
        EXPECT_EQ(R.Out, "") << C.Name;
    }
    EXPECT_FALSE(Exists("out.asc"));
}

TEST_F(VeldconvTest, MetadataFileFailuresAreReportedAfterTheGrid) {
    const std::string Grid = Dir + "/out.asc";
    const struct {
        const char* Name;
        std::string MetadataFile;
        std::string Err;
    } Cases[] = {
        {"missing directory", Dir + "/none/meta.txt",
         "Unable to open file " + Dir + "/none/meta.txt"},
        {"a directory", Dir, "Unable to open file " + Dir},
        {"device full", "/dev/full", "Unable to write file /dev/full: No space left on device"},
    };
    for (const auto& C : Cases) {
        const TRun R = Run("'" + Example(".txt") + "' '" + Grid + "' '" + C.MetadataFile + "'");
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err + "\n") << C.Name; // every message ends with a line feed
        EXPECT_EQ(ReadFile(Grid), ReadFile(Example(".asc"))) << C.Name;
    }
}

TEST_F(VeldconvTest, MetadataGoesToStandardOutputWithOneEndOfLine) {
    const TRun R = Run("'" + Example(".txt") + "' '" + Dir + "/out.asc'");
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Err, "");
    EXPECT_EQ(R.Out, ReadFile(Example(".meta")) + "\n");
    EXPECT_EQ(ReadFile(Dir + "/out.asc"), ReadFile(Example(".asc")));

    // Without header lines the metadata is one line feed: two in all.
    testsupport::WriteFile(Dir + "/bare.txt", "x 0 1 lat degN/degE\nr 1 2 5\nend degN/degE\n");
    EXPECT_EQ(Run("'" + Dir + "/bare.txt' '" + Dir + "/bare.asc'").Out, "\n\n");
}

TEST_F(VeldconvTest, MetadataFileHoldsExactlyTheMetadata) {
    const std::string Meta = Dir + "/meta.txt";
    testsupport::WriteFile(Meta, "an older and much longer text that must be replaced\n");
    const TRun R = Run("'" + Example(".txt") + "' '" + Dir + "/out.asc' '" + Meta + "' extra");
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out, "");
    EXPECT_EQ(R.Err, "");
    EXPECT_EQ(ReadFile(Meta), ReadFile(Example(".meta")));
}

TEST_F(VeldconvTest, AFailingStandardOutputIsReported) {
    const std::string Args = "'" + Example(".txt") + "' '" + Dir + "/out.asc'";
    for (const char* Redirection : {">/dev/full", ">&-"}) {
        const TRun R = RunWithStdout(Args, Redirection);
        EXPECT_EQ(R.Status, 1) << Redirection;
        EXPECT_EQ(R.Err, "Unable to write metadata to standard output\n") << Redirection;
    }
}

TEST_F(VeldconvTest, AFailingStandardOutputIsReportedForHelpAndVersion) {
    for (const char* Option : {"--help", "--version"}) {
        const TRun R = RunWithStdout(Option, ">/dev/full");
        EXPECT_EQ(R.Status, 1) << Option;
        EXPECT_EQ(R.Err, "Unable to write to standard output\n") << Option;
    }
}

TEST_F(VeldconvTest, HelpGoesToStandardOutput) {
    const TRun Help = Run("--help");
    EXPECT_EQ(Help.Status, 0);
    EXPECT_EQ(Help.Err, "");
    EXPECT_EQ(Help.Out.rfind("Usage: veldconv source_file destination_file [metadata_file]\n", 0),
              0u);
    for (const char* Topic : {"--version", "degN/degE", "NODATA_value", "Exit status:"})
        EXPECT_NE(Help.Out.find(Topic), std::string::npos) << Topic;
    const TRun Short = Run("-h");
    EXPECT_EQ(Short.Status, 0);
    EXPECT_EQ(Short.Out, Help.Out);
}

TEST_F(VeldconvTest, VersionIsTheProjectVersion) {
    const TRun R = Run("--version");
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Err, "");
    EXPECT_EQ(R.Out, std::string("veldconv ") + VELDCONV_VERSION + "\n");
}

// ---------------------------------------------------------------------------------------
// Sidecar files and options

TEST_F(VeldconvTest, SidecarFilesLieWhereGISToolsLookForThem) {
    const struct {
        const char* Name;
        std::string Options, Grid, Projection, Auxiliary;
    } Cases[] = {
        {"grid with the .asc extension", "", "out.asc", "out.prj", "out.asc.aux.xml"},
        {"grid without an extension", "", "out", "out.prj", "out.aux.xml"},
        {"after the options end", "-- ", "-out.asc", "-out.prj", "-out.asc.aux.xml"},
    };
    for (const auto& C : Cases) {
        const TRun R = Run(C.Options + "'" + Example(".txt") + "' '" + Dir + "/" + C.Grid + "'");
        EXPECT_EQ(R.Status, 0) << C.Name;
        EXPECT_EQ(ReadFile(Dir + "/" + C.Grid), ReadFile(Example(".asc"))) << C.Name;
        EXPECT_EQ(ReadFile(Dir + "/" + C.Projection), ReadFile(Example(".prj"))) << C.Name;
        EXPECT_EQ(ReadFile(Dir + "/" + C.Auxiliary), ReadFile(Example(".asc.aux.xml"))) << C.Name;
    }
    // Turned off, and never beside a device.
    EXPECT_EQ(Run("--no-sidecars '" + Example(".txt") + "' '" + Dir + "/bare.asc'").Status, 0);
    EXPECT_EQ(ReadFile(Dir + "/bare.asc"), ReadFile(Example(".asc")));
    EXPECT_FALSE(Exists("bare.prj") || Exists("bare.asc.aux.xml"));
    EXPECT_EQ(Run("'" + Example(".txt") + "' /dev/null").Status, 0);
    ASSERT_EQ(::mkfifo((Dir + "/pipe.asc").c_str(), 0666), 0);
    const TRun Piped = testsupport::RunCapturing(
        "{ " + testsupport::Quoted(VELDCONV_PATH) + " '" + Example(".txt") + "' '" + Dir +
            "/pipe.asc' & timeout 60 cat '" + Dir + "/pipe.asc' > '" + Dir +
            "/piped.asc'; wait $!; }",
        Dir);
    EXPECT_EQ(Piped.Status, 0) << Piped.Err;
    EXPECT_EQ(ReadFile(Dir + "/piped.asc"), ReadFile(Example(".asc")));
    EXPECT_FALSE(Exists("pipe.prj") || Exists("pipe.asc.aux.xml")) << "sidecars of a FIFO";
}

TEST_F(VeldconvTest, OptionsChangeWhatIsReadAndWhereItGoes) {
    const std::string Head = "h\nx 0 1 2 lat degN/degE\n", End = "end degN/degE\n";
    testsupport::WriteFile(Dir + "/marked.txt", Head + "r -999 1.5 nan 5\n" + End);
    testsupport::WriteFile(Dir + "/plain.txt", Head + "r -999 1.5 -999.5 5\n" + End);
    const std::string Header = "ncols 3\nnrows 1\nxllcorner     -0.5\nyllcorner      4.5\n"
                               "cellsize 1\nNODATA_value -9999\n";
    const std::string V = testsupport::Quoted(VELDCONV_PATH), Out = Dir + "/out.asc";
    const struct {
        const char* Name;
        std::string CommandLine, Grid, Out;
    } Cases[] = {
        {"--nodata -999", "--nodata -999 plain.txt out.asc meta", "-9999 1.5 -999.5 \n", ""},
        {"--nodata nan", "--nodata nan marked.txt out.asc meta", "-999 1.5 -9999 \n", ""},
        {"--nodata after the names", "marked.txt out.asc meta --nodata=NaN", "-999 1.5 -9999 \n",
         ""},
        {"--strict on a sound grid", "--strict --nodata nan marked.txt out.asc meta",
         "-999 1.5 -9999 \n", ""},
        {"standard input", "--nodata nan - out.asc meta < marked.txt", "-999 1.5 -9999 \n", ""},
        {"standard output", "--nodata nan marked.txt - meta", "", Header + "-999 1.5 -9999 \n"},
        {"metadata to standard output as it is", "--nodata nan marked.txt out.asc -",
         "-999 1.5 -9999 \n", "\nh\n"},
    };
    for (const auto& C : Cases) {
        std::remove(Out.c_str());
        const TRun R =
            testsupport::RunCapturing("cd '" + Dir + "' && " + V + " " + C.CommandLine, Dir);
        EXPECT_EQ(R.Status, 0) << C.Name << ": " << R.Err;
        EXPECT_EQ(R.Out, C.Out) << C.Name;
        if (!C.Grid.empty()) {
            EXPECT_EQ(ReadFile(Out), Header + C.Grid) << C.Name;
        }
        EXPECT_EQ(ReadFile(Dir + "/meta"), C.Out.empty() || C.Grid.empty() ? "\nh\n" : "")
            << C.Name;
        std::remove((Dir + "/meta").c_str());
    }
    EXPECT_FALSE(Exists("-") || Exists("-.prj") || Exists("-.aux.xml"));
    // A value given to --nodata leaves NaN cells as they are, and they are refused.
    const TRun R =
        testsupport::RunCapturing("cd '" + Dir + "' && " + V + " --nodata -999 marked.txt x", Dir);
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "Cell values must be finite in TARCGISFileTools::WriteARCGISFile\n");
    EXPECT_FALSE(Exists("x"));
}

TEST_F(VeldconvTest, ABatchWritesEachGridWithItsMetadataAndSidecars) {
    const std::string Sub = Dir + "/grids", Out = Dir + "/out";
    ASSERT_EQ(::mkdir(Sub.c_str(), 0777), 0);
    ASSERT_EQ(::mkdir(Out.c_str(), 0777), 0);
    std::string Sources;
    // A leading dot is no extension: ".grid" gives ".grid.asc".
    for (const char* Name : {"a.txt", "b.grid.txt", "c", ".grid"}) {
        testsupport::WriteFile(Sub + "/" + Name, ReadFile(Example(".txt")));
        Sources += " '" + Sub + "/" + Name + "'";
    }
    const TRun R = Run("--output-dir '" + Out + "'" + Sources);
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out + R.Err, "");
    for (const std::string Stem : {"a", "b.grid", "c", ".grid"})
        for (const char* Extension : {".asc", ".meta", ".prj", ".asc.aux.xml"})
            EXPECT_EQ(ReadFile(Out + "/" + Stem + Extension), ReadFile(Example(Extension)))
                << Stem << Extension;
    EXPECT_EQ(Run("--no-sidecars --output-dir '" + Dir + "' '" + Sub + "/a.txt'").Status, 0);
    EXPECT_EQ(ReadFile(Dir + "/a.asc"), ReadFile(Example(".asc")));
    EXPECT_FALSE(Exists("a.prj") || Exists("a.asc.aux.xml"));
}
