// veldgrid, run as a process on a small mixed series (VELDAN and ARC/INFO files, rows listed
// both ways, no-data cells, zeros): every output is compared with what the library gives for
// the same files, written by the same writer (a VELDAN output, which keeps every bit, where
// the subcommand lets the name choose); then the failures, each with its message.

#include "TestSupport.h"

#include "TARCGISFileTools.h"
#include "TMapTools.h"
#include "TVELDANFileTools.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

using testsupport::MapPtr;
using testsupport::Quoted;
using testsupport::ReadFile;

namespace {

/// The grid as veldgrid writes it under the name: VELDAN for ".txt", else ARC/INFO.
std::string GridText(const TMap* Map, const std::string& Name) {
    std::ostringstream Out;
    if (Name.size() > 4 && Name.substr(Name.size() - 4) == ".txt")
        TVELDANFileTools::WriteVELDANFile(Map, Out);
    else
        TARCGISFileTools::WriteLosslessARCGISFile(const_cast<TMap*>(Map), Out);
    return Out.str();
}

class VeldgridTest : public ::testing::Test {
protected:
    /// The series: a.txt north-up, b.asc, c.txt rows south to north (no-data -1 cells read as
    /// values), d.txt rows and columns reversed.
    void SetUp() override {
        Dir = testsupport::TempDir();
        const auto Series = testsupport::RandomSeries(41, {0, 0, 1, 3});
        for (size_t K = 0; K < Series.size(); ++K) {
            const std::string Name = Dir + "/" + Names[K];
            if (K == 1)
                TARCGISFileTools::WriteARCGISFile(Series[K].get(), Name);
            else
                TVELDANFileTools::WriteVELDANFile(Series[K].get(), Name);
            Maps.emplace_back(K == 1 ? TARCGISFileTools::LoadARCGISFile(Name)
                                     : TVELDANFileTools::LoadVELDANFile(Name));
        }
    }

    testsupport::TProcessRun Run(const std::string& Arguments,
                                 const std::string& Redirections = "") {
        return testsupport::RunCapturing("cd " + Quoted(Dir) + " && " + Quoted(VELDGRID_PATH) +
                                             " " + Arguments,
                                         Dir, Redirections);
    }

    std::vector<TMap*> All() const { return testsupport::Raw(Maps); }
    bool Exists(const std::string& Name) const { return std::ifstream(Dir + "/" + Name).good(); }
    /// The names in the directory that start with a dot: temporary files.
    std::vector<std::string> Hidden() const {
        std::vector<std::string> Found;
        if (DIR* Listing = ::opendir(Dir.c_str())) {
            while (const dirent* Entry = ::readdir(Listing))
                if (Entry->d_name[0] == '.' &&
                    std::string(Entry->d_name).find_first_not_of('.') != std::string::npos)
                    Found.push_back(Entry->d_name);
            ::closedir(Listing);
        }
        return Found;
    }

    const char* const Names[4] = {"a.txt", "b.asc", "c.txt", "d.txt"};
    const std::string Series = "a.txt b.asc c.txt d.txt";
    std::string Dir;
    std::vector<MapPtr> Maps;
};

} // namespace

TEST_F(VeldgridTest, EachSubcommandWritesTheLibrarysGrid) {
    TMap* const C = Maps[2].get();
    TMap* const D = Maps[3].get();
    const TPoint SouthWest(4.1, 4.6), NorthEast(6.3, 6.9);
    const struct {
        const char* Arguments;
        const char* Output;
        std::function<TMap*()> Expected;
    } Cases[] = {
        {"mean", "mean.txt", [&] { return TMapTools::DataAverage(All()); }},
        {"mean --all-data", "all.txt", [&] { return TMapTools::Average(All()); }},
        {"sum", "sum.txt", [&] { return TMapTools::Sum(All()); }},
        {"count", "count.txt", [&] { return TMapTools::DataCounts(All()); }},
        {"trend --min-count 3", "trend.txt", [&] { return TMapTools::Trend(All(), 3); }},
        {"indicator --le 0.5 c.txt", "ind.txt", [&] { return TMapTools::Indicator(C, "<=", 0.5); }},
        {"threshold --ge 0 d.txt", "thr.txt", [&] { return TMapTools::Threshold(D, 0.0); }},
        {"threshold --ge 0 --replace 7 c.txt", "rep.txt",
         [&] { return TMapTools::ThresholdReplace(C, 0.0, 7.0); }},
        {"blockmean --factor 2 d.txt", "block.txt", [&] { return TMapTools::BlockMean(D, 2); }},
        {"resample --resolution 0.3 c.txt", "res.txt",
         [&] { return TMapTools::ResampleBilinear(C, 0.3); }},
        {"northup d.txt", "north.txt", [&] { return TMapTools::NorthUp(D); }},
        {"extract --bbox 4.1 4.6 6.3 6.9 c.txt", "box.txt",
         [&] { return TMapTools::Extract(C, &SouthWest, &NorthEast); }},
        {"convert b.asc", "b-as.txt", [&] { return TMapTools::Multiply(Maps[1].get(), 1.0); }},
        {"convert a.txt", "a-as.asc", [&] { return TMapTools::Multiply(Maps[0].get(), 1.0); }},
    };
    for (const auto& C : Cases) {
        std::string Arguments = C.Arguments;
        if (Arguments.find('.') == std::string::npos || Arguments.rfind("mean", 0) == 0 ||
            Arguments.rfind("trend", 0) == 0)
            Arguments += " " + Series;
        const auto R = Run(Arguments + " -o " + C.Output);
        ASSERT_EQ(R.Status, 0) << C.Arguments << ": " << R.Err;
        EXPECT_EQ(R.Out + R.Err, "") << C.Arguments;
        const MapPtr Expected(C.Expected());
        EXPECT_EQ(ReadFile(Dir + "/" + C.Output), GridText(Expected.get(), C.Output))
            << C.Arguments;
    }
    // An ARC/INFO grid has its sidecar files; a VELDAN grid needs none.
    EXPECT_TRUE(Exists("a-as.prj") && Exists("a-as.asc.aux.xml"));
    EXPECT_FALSE(Exists("mean.prj") || Exists("mean.txt.aux.xml"));
}

TEST_F(VeldgridTest, WindowsAndSeveralFilesGoToADirectory) {
    ASSERT_EQ(::mkdir((Dir + "/out").c_str(), 0777), 0);
    auto R = Run("runmean --window 3 -o out " + Series);
    ASSERT_EQ(R.Status, 0) << R.Err;
    auto Averages = testsupport::Own(TMapTools::MovingAverage(All(), 3));
    for (size_t K = 0; K < Averages.size(); ++K)
        EXPECT_EQ(ReadFile(Dir + "/out/" + std::string(Names[K]).substr(0, 1) + ".asc"),
                  GridText(Averages[K].get(), ".asc"))
            << K;
    EXPECT_FALSE(Exists("out/c.asc"));

    // Window 1 starts on a map whose rows run the other way than the first map's.
    R = Run("gradients --window 2 -o out " + Series);
    ASSERT_EQ(R.Status, 0) << R.Err;
    auto Gradients = testsupport::Own(TMapTools::ValueGradients(All(), 2));
    for (size_t K = 0; K < Gradients.size(); ++K) {
        const MapPtr Finite(TMapTools::ReplaceNonFinite(Gradients[K].get(), -9999.0));
        EXPECT_EQ(ReadFile(Dir + "/out/" + std::string(Names[K]).substr(0, 1) + ".asc"),
                  GridText(Finite.get(), ".asc"))
            << K;
    }

    R = Run("northup --no-sidecars -o out c.txt d.txt");
    ASSERT_EQ(R.Status, 0) << R.Err;
    const MapPtr North(TMapTools::NorthUp(Maps[3].get()));
    EXPECT_EQ(ReadFile(Dir + "/out/d.asc"), GridText(North.get(), ".asc"));
    EXPECT_FALSE(Exists("out/d.prj"));
}

TEST_F(VeldgridTest, SampleWritesTheValueOfEachGridAtEachPoint) {
    // Inside, on a cell edge (both ways), outside, and on a no-data cell of some maps.
    const std::vector<std::pair<double, double>> Points = {{3.1, 5.2}, {4.0, 6.0},  {2.0, 3.5},
                                                           {8.5, 7.0}, {-1.0, 5.0}, {5.6, 4.4}};
    std::string Csv = "name,x,y\n", Expected = "name,x,y,a,b,c,d\n";
    for (size_t P = 0; P < Points.size(); ++P) {
        std::ostringstream Row;
        Row << "p" << P << "," << Points[P].first << "," << Points[P].second;
        Csv += Row.str() + "\r\n";
        Expected += Row.str();
        for (const MapPtr& Map : Maps) {
            std::string Field;
            try {
                const double V = TMapTools::ValueAt(Map.get(), Points[P].first, Points[P].second);
                char Text[32];
                std::snprintf(Text, sizeof Text, "%.15g", V);
                Field = V == Map->GetNoDataValue() ? "" : Text;
            } catch (char*) {
            }
            Expected += "," + Field;
        }
        Expected += "\n";
    }
    testsupport::WriteFile(Dir + "/points.csv", Csv + "\n");
    auto R = Run("sample --points points.csv " + Series);
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Out, Expected);
    R = Run("sample --points points.csv -o table.csv " + Series);
    EXPECT_EQ(R.Out + R.Err, "");
    EXPECT_EQ(ReadFile(Dir + "/table.csv"), Expected);
    EXPECT_NE(Expected.find(",,"), std::string::npos);
}

TEST_F(VeldgridTest, InfoDescribesEachGrid) {
    const auto R = Run("info --json a.txt b.asc");
    ASSERT_EQ(R.Status, 0) << R.Err;
    const TMap* A = Maps[0].get();
    double Min = INFINITY, Max = -INFINITY, Sum = 0.0;
    long Data = 0;
    for (long Y = 0; Y < A->GetYDim(); ++Y)
        for (long X = 0; X < A->GetXDim(); ++X) {
            const double V = A->GetPointVal(X, Y);
            if (V != -9999.0) {
                Min = std::min(Min, V), Max = std::max(Max, V), Sum += V, ++Data;
            }
        }
    const auto Shortest = [](double V) {
        char Text[32];
        return std::string(Text, std::to_chars(Text, Text + sizeof Text, V).ptr);
    };
    EXPECT_EQ(R.Out.substr(0, R.Out.find('\n') + 1),
              "{\"file\": \"a.txt\", \"format\": \"VELDAN\", \"columns\": 13, \"rows\": 9, "
              "\"resolution\": 0.5, \"west\": 2, \"south\": 3.5, \"east\": 8.5, \"north\": 8, "
              "\"row_order\": \"north-to-south\", \"column_order\": \"west-to-east\", "
              "\"nodata_value\": -9999, \"nodata_cells\": " +
                  std::to_string(13 * 9 - Data) + ", \"minimum\": " + Shortest(Min) +
                  ", \"maximum\": " + Shortest(Max) + ", \"mean\": " + Shortest(Sum / Data) +
                  "}\n");
    EXPECT_GT(13 * 9 - Data, 0);
    EXPECT_NE(R.Out.find("{\"file\": \"b.asc\", \"format\": \"ARC/INFO\""), std::string::npos);
    const auto Text = Run("info d.txt");
    EXPECT_EQ(Text.Out.substr(0, 36), "d.txt\n  format: VELDAN\n  columns: 13");
    EXPECT_NE(Text.Out.find("  row_order: south-to-north\n  column_order: east-to-west\n"),
              std::string::npos);
}

TEST_F(VeldgridTest, HelpShowsEachSubcommandsUsageExamplesAndNoDataRule) {
    for (const char* Name :
         {"info", "mean", "sum", "count", "trend", "runmean", "gradients", "indicator", "threshold",
          "blockmean", "resample", "northup", "extract", "sample", "convert"}) {
        const auto R = Run(std::string(Name) + " --help");
        EXPECT_EQ(R.Status, 0) << Name;
        EXPECT_EQ(R.Out.rfind(std::string("Usage: veldgrid ") + Name + " ", 0), 0u) << Name;
        for (const char* Topic : {"No-data:", "Example", "  veldgrid "})
            EXPECT_NE(R.Out.find(Topic), std::string::npos) << Name << " " << Topic;
    }
    EXPECT_EQ(Run("--version").Out, std::string("veldgrid ") + VELDCONV_VERSION + "\n");
}

TEST_F(VeldgridTest, ProgressShowsOnlyWhereAsked) {
    EXPECT_EQ(Run("count -o n.asc " + Series).Err, ""); // not a terminal
    EXPECT_EQ(Run("count --quiet --progress -o n.asc " + Series).Err, "");
    const std::string Shown = Run("count --progress -o n.asc " + Series).Err;
    EXPECT_EQ(Shown.rfind("\rveldgrid count: 0/4 files, ", 0), 0u) << Shown;
    EXPECT_NE(Shown.find("\rveldgrid count: 4/4 files, "), std::string::npos) << Shown;
    EXPECT_EQ(Shown.back(), '\n');
}

// Every failure: one message ending with a line feed, exit status 1, nothing written.
TEST_F(VeldgridTest, FailuresNameTheirCauseAndWriteNothing) {
    testsupport::WriteFile(Dir + "/bad.txt", "x 0 1 lat degN/degE\nr 1 2 5\n");
    testsupport::WriteFile(Dir + "/tab.txt", "x 0 1 lat degN/degE\nr 1\t2 5\nend degN/degE\n");
    testsupport::WriteFile(Dir + "/bad.csv", "name,x,y\nA,1,2\nB,1\n");
    ASSERT_EQ(::mkdir((Dir + "/sub").c_str(), 0777), 0);
    testsupport::WriteFile(Dir + "/sub/a.txt", ReadFile(Dir + "/a.txt"));
    testsupport::WriteFile(Dir + "/e.prj", ReadFile(Dir + "/a.txt"));
    testsupport::WriteFile(Dir + "/small.txt",
                           ReadFile(std::string(VELDGRID_EXAMPLES) + "/example.txt"));
    const std::string Top = "Usage: veldgrid SUBCOMMAND [options] FILE...\n"
                            "       veldgrid SUBCOMMAND --help\n"
                            "       veldgrid --help | --version\n";
    const std::string Mean = "Usage: veldgrid mean [--all-data] -o OUT [options] FILE...\n";
    const std::string Same = ": it is the same file as the ";
    const struct {
        const char* Name;
        std::string Arguments, Err;
    } Cases[] = {
        {"no arguments", "", Top},
        {"unknown subcommand", "average -o x.asc a.txt",
         "Unknown subcommand average (veldgrid --help lists the subcommands)\n" + Top},
        {"unknown option", "mean --bogus -o x.asc a.txt b.asc",
         "Unknown option --bogus (veldgrid mean --help lists the options)\n" + Mean},
        {"missing -o", "mean a.txt b.asc", "-o is required\n" + Mean},
        {"bad --nodata", "mean --nodata x -o x.asc a.txt b.asc",
         "Invalid value for --nodata: \"x\" is not a number (nor nan)\n"},
        {"output is an input", "mean -o b.asc a.txt b.asc",
         "Unable to write file b.asc" + Same + "input file b.asc\n"},
        {"sidecar is an input", "northup -o e.asc e.prj",
         "Unable to write file e.prj" + Same + "input file e.prj\n"},
        {"several files, one output", "northup -o c.asc d.txt c.txt",
         "With several files, -o names a directory: c.asc is not one\n"},
        {"two outputs of one name", "northup -o . a.txt sub/a.txt",
         "Unable to write file ./a.asc" + Same + "output file ./a.asc\n"},
        {"window longer than the series", "runmean --window 5 -o . " + Series,
         "--window 5 needs at least 5 files\n"},
        {"window directory missing", "gradients --window 1 -o none " + Series,
         "Unable to write to directory none: it is not a directory\n"},
        // A fault of a grid's text is placed in it, as veldconv places it.
        {"malformed input", "sum -o x.asc a.txt bad.txt",
         "bad.txt:3:1: Unexpected end of file found in TVELDANFileTools::LoadVELDANFile\n"},
        {"malformed input after a window", "runmean --window 2 -o sub a.txt b.asc bad.txt",
         "bad.txt:3:1: Unexpected end of file found in TVELDANFileTools::LoadVELDANFile\n"},
        {"a tab between values", "northup -o x.asc tab.txt",
         "tab.txt:2:3: Length of new X axis does not match the X dimension of the map\n  the "
         "token \"1\\t2\" holds a tab: this format separates values by spaces only\n"},
        {"grids of other sizes", "mean -o x.asc a.txt small.txt",
         "small.txt: X-dimension of maps are inconsistent in TSeriesStatistics::Add\n"},
        {"bad points", "sample --points bad.csv -o x.csv a.txt",
         "bad.csv: line 3 is not name,x,y with x and y numbers\n"},
        {"missing points", "sample --points none.csv a.txt",
         "none.csv: Unable to open file none.csv\n"},
        {"standard output full", "info a.txt", "Unable to write to standard output\n"},
    };
    for (const auto& C : Cases) {
        const auto R = Run(C.Arguments, C.Err.rfind("Unable to write to standard", 0) == 0
                                            ? std::string(">/dev/full")
                                            : "");
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err) << C.Name;
        for (const char* Output :
             {"x.asc", "x.prj", "x.asc.aux.xml", "x.csv", "a.asc", "e.asc", "d.asc", "sub/a.asc"})
            EXPECT_FALSE(Exists(Output)) << C.Name << " " << Output;
        EXPECT_EQ(Hidden(), std::vector<std::string>()) << C.Name;
    }
}

// The windows written so far are temporary files until the last one is done: a signal then
// leaves none of them.
TEST_F(VeldgridTest, ASignalLeavesNoTemporaryFile) {
    std::string Files;
    std::vector<std::string> Arguments = {VELDGRID_PATH, "runmean", "--window", "2", "-o", Dir};
    const auto Large = testsupport::RandomMap(7, 600, 400, 0.5, 0.25, 199.75, false, true);
    TVELDANFileTools::WriteVELDANFile(Large.get(), Dir + "/large.txt");
    for (int K = 0; K < 40; ++K) {
        Arguments.push_back(Dir + "/large" + std::to_string(K) + ".txt");
        ASSERT_EQ(::symlink("large.txt", Arguments.back().c_str()), 0);
    }
    std::vector<char*> Argv;
    for (std::string& Argument : Arguments)
        Argv.push_back(&Argument[0]);
    Argv.push_back(nullptr);
    const pid_t Pid = ::fork();
    if (Pid == 0) {
        ::execv(VELDGRID_PATH, Argv.data());
        ::_exit(127);
    }
    int Status = 0;
    while (Hidden().empty() && ::waitpid(Pid, &Status, WNOHANG) == 0)
        ::usleep(500);
    ::kill(Pid, SIGTERM);
    ::waitpid(Pid, &Status, 0);
    EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == SIGTERM);
    EXPECT_EQ(Hidden(), std::vector<std::string>());
    EXPECT_FALSE(Exists("large0.asc"));
}
