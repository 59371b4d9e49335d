#include "TARCGISFileTools.h"
#include "TMapGeometry.h"
#include "TMapTools.h"
#include "TSafeFile.h"
#include "TSidecarTools.h"
#include "TVELDANFileTools.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <locale>
#include <sstream>
#include <stdexcept>

using testsupport::MakeMap;
using testsupport::MessageOf;

namespace {

const char* const ExampleGrid = "ncols 3\n"
                                "nrows 2\n"
                                "xllcorner        0\n"
                                "yllcorner      9.5\n"
                                "cellsize 0.5\n"
                                "NODATA_value -9999\n"
                                "1 2 3 \n"
                                "4 5 -6 \n";

/// The 3 x 2 example map: X edges from 0, Y edges down to 9.5, resolution 0.5.
std::unique_ptr<TMap> ExampleMap() {
    return MakeMap({{1, 2, 3}, {4, 5, -6}}, 0.5, 0.25, 10.25);
}

std::string WrittenToStream(TMap* Map) {
    std::ostringstream Out;
    TARCGISFileTools::WriteARCGISFile(Map, Out);
    return Out.str();
}

std::unique_ptr<TMap> Read(const std::string& Text) {
    std::istringstream In(Text);
    return std::unique_ptr<TMap>(TARCGISFileTools::LoadARCGISFile(In));
}

/// A stream buffer that hands out its text one character at a time, as a slow device may,
/// then fails every read when `FailAtEnd`, as one over a disk with an I/O error.
class TTrickleBuffer : public std::streambuf {
public:
    explicit TTrickleBuffer(std::string Text = "", bool FailAtEnd = false)
        : MbrText(std::move(Text)), MbrFailAtEnd(FailAtEnd) {
        setg(&MbrText[0], &MbrText[0], &MbrText[0]);
    }

protected:
    int_type underflow() override {
        char* const Next = egptr();
        if (Next == &MbrText[0] + MbrText.size()) {
            if (MbrFailAtEnd)
                throw std::ios_base::failure("I/O error");
            return traits_type::eof();
        }
        setg(&MbrText[0], Next, Next + 1);
        return traits_type::to_int_type(*Next);
    }

private:
    std::string MbrText;
    bool MbrFailAtEnd;
};

/// A stream buffer whose every read fails.
class TFailingBuffer : public TTrickleBuffer {
public:
    TFailingBuffer() : TTrickleBuffer("", true) {}
};

/// The stream read with `>>` under its own locale, a copy of the classic one, instead of being
/// scanned from its buffer.
void ReadByExtraction(std::istream& In) {
    In.imbue(std::locale(std::locale::classic(), new std::numpunct<char>));
}

/// How reading `Grids` grids from the stream ends: each map (its size, cell size, no-data
/// value, cells and edges, bit for bit) or the failure, the stream's state bits and, when
/// every grid was read, what the stream still holds.
std::string Outcome(std::istream& In, int Grids = 1) {
    std::ostringstream Text;
    Text << std::hexfloat;
    try {
        for (int K = 0; K < Grids; ++K) {
            std::unique_ptr<TMap> Map(TARCGISFileTools::LoadARCGISFile(In));
            Text << Map->GetXDim() << 'x' << Map->GetYDim() << ' ' << Map->GetResolution() << ' '
                 << Map->GetNoDataValue() << " cells";
            for (long I = 0; I < Map->GetYDim(); ++I)
                for (double Value : Map->RowValues(I))
                    Text << ' ' << Value;
            Text << " edges " << Map->GetXAxisInterval()->GetPoint(0)->GetX() << ' '
                 << Map->GetYAxisInterval()->GetPoint(0)->GetY() << '\n';
        }
    } catch (...) {
        return Text.str() + TError::Message(std::current_exception()) + " state " +
               std::to_string(In.rdstate());
    }
    Text << "state " << In.rdstate() << " rest [";
    In.clear();
    try {
        for (int C; (C = In.rdbuf()->sbumpc()) != EOF;)
            Text << static_cast<char>(C);
    } catch (const std::ios_base::failure&) {
        Text << "(unreadable)";
    }
    Text << ']';
    return Text.str();
}

/// The bits of the double.
std::uint64_t Bits(double Value) {
    std::uint64_t Result;
    std::memcpy(&Result, &Value, sizeof Result);
    return Result;
}

class ARCGISFileToolsTest : public ::testing::Test {};

} // namespace

TEST_F(ARCGISFileToolsTest, MalformedGridsAreRejected) {
    const std::string Header = "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
    const char* const Eof = "Unexpected end of file found in TARCGISFileTools::LoadARCGISFile";
    const char* const NotANumber = "Invalid number found in TARCGISFileTools::LoadARCGISFile";
    const struct {
        const char* Name;
        std::string Text;
        const char* Expected;
    } Cases[] = {
        {"empty input", "", "File format error: expected to find ncols tag"},
        {"upper-case keyword", "NCOLS 2\n", "File format error: expected to find ncols tag"},
        {"nrows missing", "ncols 2\nrows 2\n", "File format error: expectd to find nrows tag"},
        {"ncols not a number", "ncols x\nnrows 2\n",
         "File format error: expectd to find nrows tag"},
        {"fractional ncols", "ncols 2.5\nnrows 2\n",
         "File format error: expectd to find nrows tag"},
        {"ncols beyond long", "ncols 99999999999999999999\nnrows 2\n",
         "File format error: expectd to find nrows tag"},
        {"ncols a sign alone", "ncols + 2\nnrows 2\n",
         "File format error: expectd to find nrows tag"},
        {"centre instead of corner", "ncols 2\nnrows 2\nxllcenter 0\n",
         "File format error: expected to find xllcorner tag"},
        {"yllcorner missing", "ncols 2\nnrows 2\nxllcorner 0\nyll 0\n",
         "File format error: expected to find yllcorner tag"},
        {"cellsize missing", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\nsize 1\n",
         "File format error: expected to find cellsize tag"},
        {"no no-data line", Header + "1 2\n3 4\n",
         "File format error: expected to find NODATA_value tag"},
        {"mixed-case no-data keyword", Header + "NoData_Value -9999\n1 2 3 4\n",
         "File format error: expected to find NODATA_value tag"},
        {"no-data number missing", Header + "NODATA_value", Eof},
        {"no-data not a number", Header + "NODATA_value none\n1 2 3 4\n", NotANumber},
        {"one value short", Header + "NODATA_value -9999\n1 2\n3\n", Eof},
        {"value not a number", Header + "NODATA_value -9999\n1 2\n3 x4\n", NotANumber},
        {"last value not a number", Header + "NODATA_value -9999\n1 2\n3 4e", NotANumber},
        {"no columns",
         "ncols 0\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n",
         "Number of columns must be greater than 0 in TARCGISFileTools::LoadARCGISFile"},
        {"negative rows",
         "ncols 2\nnrows -2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n",
         "Number of rows must be greater than 0 in TARCGISFileTools::LoadARCGISFile"},
        {"huge announced size",
         "ncols 100000\nnrows 100000\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9\n1 2",
         Eof},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(MessageOf([&] { Read(C.Text); }), C.Expected) << C.Name;
}

TEST_F(ARCGISFileToolsTest, FilesThatCannotBeOpenedOrWritten) {
    const std::string Dir = testsupport::TempDir();
    EXPECT_EQ(MessageOf([&] { delete TARCGISFileTools::LoadARCGISFile(Dir + "/grid.asc"); }),
              "Unable to open file " + Dir + "/grid.asc");
    EXPECT_EQ(MessageOf([&] { delete TARCGISFileTools::LoadARCGISFile(Dir); }),
              "Unable to open file " + Dir);
    auto Map = ExampleMap();
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::WriteARCGISFile(Map.get(), Dir + "/no/x.asc"); }),
              "Unable to open file " + Dir + "/no/x.asc");
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::WriteARCGISFile(Map.get(), "/dev/full"); }),
              "Unable to write file /dev/full: No space left on device");
    // A read that fails is no end of the file.
    EXPECT_EQ(MessageOf([&] { delete TARCGISFileTools::LoadARCGISFile("/proc/self/mem"); }),
              "Unable to read file /proc/self/mem");
    TFailingBuffer Failing;
    std::istream Broken(&Failing);
    EXPECT_EQ(MessageOf([&] { delete TARCGISFileTools::LoadARCGISFile(Broken); }),
              "Unable to read the stream in TARCGISFileTools::LoadARCGISFile");
    Broken.clear();
    EXPECT_EQ(MessageOf([&] { delete TVELDANFileTools::LoadVELDANFile(Broken); }),
              "Unable to read the stream in TVELDANFileTools::LoadVELDANFile");

    // Beyond the file size limit (its signal ignored) the write fails and the previous file
    // stays; a read-only file is refused, also in a directory where anyone may create files
    // (run as a user whom the file's mode binds).
    const std::string Previous = Dir + "/previous.asc", Open = Dir + "/open";
    testsupport::WriteFile(Previous, "previous grid\n");
    const auto Large = MakeMap({std::vector<double>(2000, 1.0 / 3)}, 1, 0.5, 0.5);
    EXPECT_EQ(testsupport::InChildProcess(
                  [&] {
                      ::signal(SIGXFSZ, SIG_IGN);
                      const struct rlimit Limit = {4096, 4096};
                      ::setrlimit(RLIMIT_FSIZE, &Limit);
                      TARCGISFileTools::WriteARCGISFile(Large.get(), Previous);
                      return std::string("written");
                  },
                  false),
              "Unable to write file " + Previous + ": File too large");
    ASSERT_EQ(::mkdir(Open.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(Open.c_str(), 0777), 0);
    const std::string ReadOnly = Open + "/read-only.asc";
    testsupport::WriteFile(ReadOnly, "previous grid\n");
    ASSERT_EQ(::chmod(ReadOnly.c_str(), 0444), 0);
    EXPECT_EQ(testsupport::InChildProcess(
                  [&] {
                      TARCGISFileTools::WriteARCGISFile(Map.get(), ReadOnly);
                      return std::string("written");
                  },
                  true),
              "Unable to open file " + ReadOnly);
    for (const std::string& Name : {Previous, ReadOnly})
        EXPECT_EQ(testsupport::ReadFile(Name), "previous grid\n") << Name;

    TMap NoAxes(1.0, 2, 2);
    const std::string Never = Dir + "/never.asc";
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::WriteARCGISFile(&NoAxes, Never); }),
              "Map has no interval axes in TARCGISFileTools::WriteARCGISFile");
    EXPECT_FALSE(std::ifstream(Never).good());
    std::ostringstream Out;
    EXPECT_EQ(MessageOf([&] { TARCGISFileTools::WriteARCGISFile(&NoAxes, Out); }),
              "Map has no interval axes in TARCGISFileTools::WriteARCGISFile");
    EXPECT_EQ(Out.str(), "");
}

TEST_F(ARCGISFileToolsTest, FileListsMatchMapsToNames) {
    auto A = ExampleMap();
    auto B = MakeMap({{7}}, 1.0, 0.5, 0.5);
    const std::string Dir = testsupport::TempDir();
    EXPECT_EQ(MessageOf([&] {
                  TARCGISFileTools::WriteFileList({A.get(), B.get()},
                                                  {Dir + "/a", Dir + "/b", Dir + "/c"});
              }),
              "Size of map list and filename list do not match in TARCGISFileTools::WriteFileList");
    EXPECT_FALSE(std::ifstream(Dir + "/a").good());

    TARCGISFileTools::WriteFileList({A.get(), B.get()}, {Dir + "/a", Dir + "/b"});
    std::vector<TMap*> Loaded = TARCGISFileTools::LoadFileList({Dir + "/a", Dir + "/b"});
    ASSERT_EQ(Loaded.size(), 2u);
    std::unique_ptr<TMap> LoadedA(Loaded[0]), LoadedB(Loaded[1]);
    EXPECT_EQ(LoadedA->GetRow(1), (std::vector<double>{4, 5, -6}));
    EXPECT_EQ(LoadedB->GetPointVal(0, 0), 7.0);
    EXPECT_EQ(MessageOf([&] {
                  TARCGISFileTools::LoadFileList({Dir + "/a", Dir + "/x"});
              }),
              "Unable to open file " + Dir + "/x");
}

TEST_F(ARCGISFileToolsTest, WritesTheExampleExactly) {
    auto Map = ExampleMap();
    EXPECT_EQ(WrittenToStream(Map.get()), ExampleGrid);
    // Every line written is flushed: six header lines and two rows.
    testsupport::TCountingBuffer Counted;
    std::ostream Out(&Counted);
    TARCGISFileTools::WriteARCGISFile(Map.get(), Out);
    EXPECT_EQ(Counted.Syncs, 8);
    const std::string File = testsupport::TempDir() + "/example.asc";
    TARCGISFileTools::WriteARCGISFile(Map.get(), File);
    EXPECT_EQ(testsupport::ReadFile(File), ExampleGrid);
}

TEST_F(ARCGISFileToolsTest, StreamsKeepTheirOwnFormatting) {
    // The corners are right-aligned in eight characters; the stream's six digits drop the
    // fraction of a large corner.
    auto West = MakeMap({{1}}, 0.5, -179.5, 0.25);
    EXPECT_NE(WrittenToStream(West.get()).find("xllcorner  -179.75\n"), std::string::npos);
    auto Far = MakeMap({{1}}, 0.5, 123457.0, 0.25);
    EXPECT_NE(WrittenToStream(Far.get()).find("xllcorner   123457\n"), std::string::npos);

    auto Third = MakeMap({{1.0 / 3}}, 1, 0.5, 0.5);
    std::ostringstream Out;
    Out.precision(10);
    TARCGISFileTools::WriteARCGISFile(Third.get(), Out);
    EXPECT_NE(Out.str().find("\n0.3333333333 \n"), std::string::npos) << Out.str();
    // Settings that the fast formatting does not reproduce go through operator<<.
    std::ostringstream Fixed;
    Fixed << std::fixed << std::showpos;
    TARCGISFileTools::WriteARCGISFile(Third.get(), Fixed);
    EXPECT_NE(Fixed.str().find("\n+0.333333 \n"), std::string::npos) << Fixed.str();
}

TEST_F(ARCGISFileToolsTest, NamedFilesKeepEveryDigit) {
    // A 1/12-degree global grid: the derived corner and cell size keep their digits, and
    // the rounding noise of deriving the edges stays hidden.
    const double Twelfth = 1.0 / 12;
    TAxis X(Twelfth), Y(Twelfth);
    for (int J = 0; J < 3; ++J)
        X.AddPoint(new TPoint(-180 + Twelfth / 2 + J * Twelfth, 0));
    Y.AddPoint(new TPoint(0, 89.9583333333333));
    TMap Map(&X, &Y);
    Map.SetPoint(0, 0, 0.123456789012345);
    Map.SetPoint(1, 0, -1234.56789012345);
    Map.SetPoint(2, 0, 0.5);
    const std::string File = testsupport::TempDir() + "/twelfth.asc";
    TARCGISFileTools::WriteARCGISFile(&Map, File);
    EXPECT_EQ(testsupport::ReadFile(File), "ncols 3\n"
                                           "nrows 1\n"
                                           "xllcorner     -180\n"
                                           "yllcorner 89.9166666667\n"
                                           "cellsize 0.0833333333333\n"
                                           "NODATA_value -9999\n"
                                           "0.123456789012345 -1234.56789012345 0.5 \n");
}

TEST_F(ARCGISFileToolsTest, EveryOrientationIsWrittenNorthUp) {
    auto NorthUp = MakeMap({{1, 2}, {3, 4}}, 1, 0.5, 1.5);
    const std::string Expected = WrittenToStream(NorthUp.get());
    ASSERT_EQ(Expected, "ncols 2\nnrows 2\nxllcorner        0\nyllcorner        0\n"
                        "cellsize 1\nNODATA_value -9999\n1 2 \n3 4 \n");
    // Rows listed south to north.
    auto SouthUp = MakeMap({{3, 4}, {1, 2}}, 1, 0.5, 0.5, false);
    EXPECT_EQ(WrittenToStream(SouthUp.get()), Expected);
    // Columns listed east to west.
    TAxis X(1), Y(1);
    X.AddPoint(new TPoint(1.5, 1.5));
    X.AddPoint(new TPoint(0.5, 1.5));
    Y.AddPoint(new TPoint(1.5, 1.5));
    Y.AddPoint(new TPoint(1.5, 0.5));
    TMap EastFirst(&X, &Y);
    EastFirst.SetPoint(0, 0, 2);
    EastFirst.SetPoint(1, 0, 1);
    EastFirst.SetPoint(0, 1, 4);
    EastFirst.SetPoint(1, 1, 3);
    EXPECT_EQ(WrittenToStream(&EastFirst), Expected);
}

TEST_F(ARCGISFileToolsTest, ReadsWhatItWrites) {
    auto Map = Read(ExampleGrid);
    ASSERT_EQ(Map->GetXDim(), 3);
    ASSERT_EQ(Map->GetYDim(), 2);
    EXPECT_EQ(Map->GetResolution(), 0.5);
    EXPECT_EQ(Map->GetMetadata(), "");
    const double XEdges[] = {0, 0.5, 1, 1.5}, YEdges[] = {10.5, 10, 9.5};
    for (long K = 0; K < 4; ++K)
        EXPECT_EQ(Map->GetXAxisInterval()->GetPoint(K)->GetX(), XEdges[K]);
    for (long K = 0; K < 3; ++K)
        EXPECT_EQ(Map->GetYAxisInterval()->GetPoint(K)->GetY(), YEdges[K]);
    EXPECT_EQ(Map->GetYAxis()->GetPoint(0)->GetY(), 10.25);
    EXPECT_EQ(WrittenToStream(Map.get()), ExampleGrid);
}

TEST_F(ARCGISFileToolsTest, ReadsAnyLayoutOfWords) {
    auto Map = Read("ncols 2 nrows 2 xllcorner -1.5 yllcorner 2 cellsize 0.5 nodata_value -1\n"
                    "1\n2\n3\t4 5 6 junk");
    ASSERT_EQ(Map->GetYDim(), 2);
    EXPECT_EQ(Map->GetNoDataValue(), -1.0);
    EXPECT_EQ(Map->GetRow(1), (std::vector<double>{3, 4}));
    EXPECT_EQ(Map->GetXAxisInterval()->GetPoint(0)->GetX(), -1.5);
    EXPECT_EQ(Map->GetYAxisInterval()->GetPoint(0)->GetY(), 3.0);
    // Header numbers with signs, leading zeros and exponents.
    auto Signed = Read("ncols +02 nrows 01 xllcorner -0 yllcorner +1e1 cellsize .5e0 "
                       "NODATA_value +7 1 2 3 4");
    EXPECT_EQ(Signed->GetXDim(), 2);
    EXPECT_EQ(Signed->GetYDim(), 1);
    EXPECT_EQ(Signed->GetYAxisInterval()->GetPoint(0)->GetY(), 10.5);
    EXPECT_EQ(Signed->GetNoDataValue(), 7.0);
    // The last value may end the input without white space after it.
    EXPECT_EQ(Read("ncols 1 nrows 1 xllcorner 0 yllcorner 0 cellsize 1 NODATA_value 0 7")
                  ->GetPointVal(0, 0),
              7.0);
}

// Numbers are read as `>>` extracts them: as far as they go, a point ending a number that
// has one and a sign starting the next; what is read whole has the value `atof` gives it.
// Streams in the classic locale are scanned from their buffer, other streams and named files
// read otherwise: all three agree.
TEST_F(ARCGISFileToolsTest, NumbersReadAsAtofReadsThem) {
    const std::string Header =
        "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
    const char* const NotANumber = "Invalid number found in TARCGISFileTools::LoadARCGISFile";
    const std::string Long(300, '9');
    const struct {
        const char* Name;
        std::string Body;
        std::vector<std::string> Cells; // as given to atof
        const char* Message = nullptr;
    } Cases[] = {
        {"exponents", "1e5 -2.5E-3", {"1e5", "-2.5E-3"}},
        {"signs of number and exponent", "+1e+5 +.5e-1", {"+1e+5", "+.5e-1"}},
        {"a point at either end", "5. -.5", {"5.", "-.5"}},
        {"leading zeros and negative zero", "007 -0", {"007", "-0"}},
        {"16 digits and many more",
         "1234567890123456 3.14159265358979323846264338327950288",
         {"1234567890123456", "3.14159265358979323846264338327950288"}},
        {"halfway cases",
         "9007199254740993 0.1000000000000000055511151231257827021181583404541015625",
         {"9007199254740993", "0.1000000000000000055511151231257827021181583404541015625"}},
        {"mantissas of 300 digits", Long + " 0." + Long, {Long, "0." + Long}},
        {"largest and smallest subnormal",
         "2.2250738585072009e-308 4.9406564584124654e-324",
         {"2.2250738585072009e-308", "4.9406564584124654e-324"}},
        {"below the subnormals", "1e-400 -1e-400", {"1e-400", "-1e-400"}},
        {"largest double and a large power",
         "1.7976931348623157e308 1e23",
         {"1.7976931348623157e308", "1e23"}},
        {"CRLF line ends", "1.5\r\n2.5\r\n", {"1.5", "2.5"}},
        {"tabs, vertical tabs, form feeds", "\t1\v\f2", {"1", "2"}},
        {"a second point starts a number", "1.5.5", {"1.5", ".5"}},
        {"a sign starts a number", "1-2", {"1", "-2"}},
        {"words after the last value", "1 2junk", {"1", "2"}},
        {"a value glued to the no-data value", "", {}, NotANumber},
        {"hexadecimal stops at x", "0x1A 5", {}, NotANumber},
        {"beyond the doubles", "1e309 5", {}, NotANumber},
        {"beyond the doubles, negative", "5 -1e400", {}, NotANumber},
        {"infinity", "inf 5", {}, NotANumber},
        {"NaN", "5 nan", {}, NotANumber},
        {"exponent without digits", "1e 5", {}, NotANumber},
        {"exponent sign without digits", "1e+ 5", {}, NotANumber},
        {"two signs", "+-1 5", {}, NotANumber},
        {"a point alone", ". 5", {}, NotANumber},
        {"a second exponent", "1e5e5 5", {}, NotANumber},
        {"a decimal comma", "2,5 1", {}, NotANumber},
    };
    const std::string File = testsupport::TempDir() + "/grid.asc";
    for (const auto& C : Cases) {
        const std::string Grid =
            C.Body.empty() ? Header.substr(0, Header.size() - 1) + "x 1 2" : Header + C.Body;
        std::istringstream Scanned(Grid), Extracted(Grid);
        ReadByExtraction(Extracted);
        testsupport::WriteFile(File, Grid);
        std::unique_ptr<TMap> Map;
        EXPECT_EQ(MessageOf([&] { Map = Read(Grid); }), C.Message ? C.Message : "no exception")
            << C.Name;
        EXPECT_EQ(Outcome(Scanned), Outcome(Extracted)) << C.Name;
        EXPECT_EQ(MessageOf([&] { delete TARCGISFileTools::LoadARCGISFile(File); }),
                  C.Message ? C.Message : "no exception")
            << C.Name;
        for (size_t J = 0; Map && J < C.Cells.size(); ++J)
            EXPECT_EQ(Bits(Map->GetPointVal(static_cast<long>(J), 0)),
                      Bits(std::atof(C.Cells[J].c_str())))
                << C.Name << ", cell " << J;
    }
    // The named file gives the same cells as the stream.
    testsupport::WriteFile(File, Header + "1.5.5");
    std::unique_ptr<TMap> FromFile(TARCGISFileTools::LoadARCGISFile(File));
    EXPECT_EQ(FromFile->GetRow(0), (std::vector<double>{1.5, 0.5}));
}

// A grid is read up to the end of its last value and no further, so that grids that follow
// one another in a stream are read one by one; the stream is left as extraction leaves it,
// whatever its buffer hands out at a time.
TEST_F(ARCGISFileToolsTest, StreamsAreLeftRightAfterTheLastValue) {
    const std::string Header =
        "ncols 1 nrows 2 xllcorner 0 yllcorner 0 cellsize 1 NODATA_value -9999\n";
    const struct {
        const char* Name;
        std::string Text;
        int Grids;
    } Cases[] = {
        {"two grids", std::string(ExampleGrid) + ExampleGrid + "next", 2},
        {"the last value ends the input", Header + "1 2", 1},
        {"the last value glued to a word", Header + "1 2.5e3x", 1},
        {"a last value that goes on", Header + "1\n2.5e", 1},
        {"one value short", Header + "1 ", 1},
        {"a long last value", Header + "1 " + std::string(100000, '7') + " ", 1},
    };
    for (const auto& C : Cases) {
        std::istringstream Scanned(C.Text), Extracted(C.Text);
        ReadByExtraction(Extracted);
        EXPECT_EQ(Outcome(Scanned, C.Grids), Outcome(Extracted, C.Grids)) << C.Name;
        TTrickleBuffer First(C.Text), Second(C.Text);
        std::istream Trickled(&First), TrickledByExtraction(&Second);
        ReadByExtraction(TrickledByExtraction);
        EXPECT_EQ(Outcome(Trickled, C.Grids), Outcome(TrickledByExtraction, C.Grids)) << C.Name;
    }
}

// A read that failed inside a value, or inside the no-data keyword, of a stream that does not
// throw was reported as an invalid number or as a missing keyword. It is a failed read: the
// stream goes bad, and a stream that throws on bad passes its own exception on.
TEST_F(ARCGISFileToolsTest, AReadFailingInsideAWordIsAFailedRead) {
    const std::string Header = "ncols 1 nrows 1 xllcorner 0 yllcorner 0 cellsize 1 NODATA";
    for (const std::string& Text : {Header, Header + "_value 0 1"})
        for (bool ByExtraction : {false, true})
            for (bool ThrowsOnBad : {false, true}) {
                TTrickleBuffer Failing(Text, true);
                std::istream In(&Failing);
                if (ByExtraction)
                    ReadByExtraction(In);
                In.exceptions(ThrowsOnBad ? std::ios::badbit : std::ios::goodbit);
                const std::string Result = Outcome(In);
                EXPECT_NE(Result.find(ThrowsOnBad ? "I/O error" : "Unable to read the stream"),
                          std::string::npos)
                    << Result;
                EXPECT_NE(Result.find("state 1"), std::string::npos) << Result; // bad
            }
}

TEST_F(ARCGISFileToolsTest, FlatAndCSVDumps) {
    auto Map = MakeMap({{1, 2}, {3, 4}}, 0.5, 0.25, 10.25);
    std::ostringstream Flat, Commas, Csv;
    TMapTools::WriteFlatFile(Map.get(), Flat, ' ');
    TMapTools::WriteFlatFile(Map.get(), Commas, ',');
    TMapTools::WriteCSVFile(Map.get(), Csv);
    EXPECT_EQ(Flat.str(), "1 2 \n3 4 \n");
    EXPECT_EQ(Commas.str(), "1,2,\n3,4,\n");
    EXPECT_EQ(Csv.str(), "0.25,10.25,1\n0.25,9.75,3\n0.75,10.25,2\n0.75,9.75,4\n");

    TMap Narrow(1.0, 0, 3), Flat0(1.0, 3, 0);
    std::ostringstream Lines, Nothing;
    TMapTools::WriteFlatFile(&Narrow, Lines, ' ');
    TMapTools::WriteFlatFile(&Flat0, Nothing, ' ');
    EXPECT_EQ(Lines.str(), "\n\n\n");
    EXPECT_EQ(Nothing.str(), "");
}

TEST_F(ARCGISFileToolsTest, ConvertsTheShippedExamplesExactly) {
    for (const char* Name : {"example", "field"}) {
        const std::string Base = std::string(VELDGRID_EXAMPLES) + "/" + Name;
        std::unique_ptr<TMap> Map(TVELDANFileTools::LoadVELDANFile(Base + ".txt"));
        const std::string File = testsupport::TempDir() + "/out.asc";
        TARCGISFileTools::WriteARCGISFile(Map.get(), File);
        EXPECT_EQ(testsupport::ReadFile(File), testsupport::ReadFile(Base + ".asc")) << Name;
        EXPECT_EQ(Map->GetMetadata(), testsupport::ReadFile(Base + ".meta")) << Name;
        // And back: the grid reads as the same cells.
        std::unique_ptr<TMap> Back(TARCGISFileTools::LoadARCGISFile(File));
        ASSERT_EQ(Back->GetYDim(), Map->GetYDim()) << Name;
        for (long I = 0; I < Map->GetYDim(); ++I)
            EXPECT_EQ(Back->GetRow(I), Map->GetRow(I)) << Name << " row " << I;
    }
}

// A map placed by "nan" or "inf", or holding such cells, would give a grid that no reader
// takes: the writer refuses it before writing or opening anything.
TEST_F(ARCGISFileToolsTest, NonFiniteNumbersAreRefused) {
    const char* const Header = "Header numbers must be finite in TARCGISFileTools::WriteARCGISFile";
    const char* const Cell = "Cell values must be finite in TARCGISFileTools::WriteARCGISFile";
    const auto FromVELDAN = [](const std::string& AxisAndRow) {
        std::istringstream In(AxisAndRow + "end degN/degE\n");
        return std::unique_ptr<TMap>(TVELDANFileTools::LoadVELDANFile(In));
    };
    auto NoDataNaN = ExampleMap();
    NoDataNaN->SetNoDataValue(std::numeric_limits<double>::quiet_NaN());
    const struct {
        const char* Name;
        std::unique_ptr<TMap> Map;
        const char* Expected;
    } Cases[] = {
        {"NaN cell size", FromVELDAN("x nan 1 lat degN/degE\nr 1 2 5\n"), Header},
        {"infinite cell size", FromVELDAN("x 0 inf lat degN/degE\nr 1 2 5\n"), Header},
        {"cell size beyond the doubles", FromVELDAN("x -1e308 1e308 lat degN/degE\nr 1 2 5\n"),
         Header},
        {"infinite southern edge", FromVELDAN("x 0 1 lat degN/degE\nr 1 2 -inf\n"), Header},
        {"NaN no-data value", std::move(NoDataNaN), Header},
        {"NaN cell", MakeMap({{1, 2}, {3, testsupport::NaN}}, 1, 0.5, 1.5), Cell},
        {"infinite cell", MakeMap({{-testsupport::Inf, 2}}, 1, 0.5, 0.5), Cell},
    };
    const std::string Never = testsupport::TempDir() + "/never.asc";
    for (const auto& C : Cases) {
        std::ostringstream Out;
        EXPECT_EQ(MessageOf([&] { TARCGISFileTools::WriteARCGISFile(C.Map.get(), Out); }),
                  C.Expected)
            << C.Name;
        EXPECT_EQ(Out.str(), "") << C.Name;
        EXPECT_EQ(MessageOf([&] { TARCGISFileTools::WriteARCGISFile(C.Map.get(), Never); }),
                  C.Expected)
            << C.Name;
        EXPECT_FALSE(std::ifstream(Never).good()) << C.Name;
    }
}

TEST_F(ARCGISFileToolsTest, OrientationAndCornerFollowTheAxesOfEachDirection) {
    const struct {
        const char* Name;
        const char* Grid;
        bool EastToWest;
        bool SouthToNorth;
    } Cases[] = {
        {"north-up", "x 0.25 0.75 lat degN/degE\nr 1 2 10.25\nr 3 4 9.75\nend degN/degE\n", false,
         false},
        {"rows south to north",
         "x 0.25 0.75 lat degN/degE\nr 1 2 9.75\nr 3 4 10.25\nend degN/degE\n", false, true},
        {"columns east to west",
         "x 0.75 0.25 lat degN/degE\nr 1 2 10.25\nr 3 4 9.75\nend degN/degE\n", true, false},
        {"both", "x 0.75 0.25 lat degN/degE\nr 1 2 9.75\nr 3 4 10.25\nend degN/degE\n", true, true},
    };
    for (const auto& C : Cases) {
        std::istringstream In(C.Grid);
        std::unique_ptr<TMap> Map(TVELDANFileTools::LoadVELDANFile(In));
        const auto Orientation = TARCGISFileTools::Orientation(Map.get());
        EXPECT_EQ(Orientation.ColumnsEastToWest, C.EastToWest) << C.Name;
        EXPECT_EQ(Orientation.RowsSouthToNorth, C.SouthToNorth) << C.Name;
        const auto Corner = TARCGISFileTools::LowerLeftCorner(Map.get());
        EXPECT_EQ(Corner.X, 0.0) << C.Name;
        EXPECT_EQ(Corner.Y, 9.5) << C.Name;
        // The model's functions, which the old names stand for.
        const TMapGeometry::TOrientation Model = TMapGeometry::Orientation(Map.get());
        EXPECT_EQ(Model.ColumnsEastToWest, C.EastToWest) << C.Name;
        EXPECT_EQ(Model.RowsSouthToNorth, C.SouthToNorth) << C.Name;
        EXPECT_EQ(TMapGeometry::LowerLeftCorner(Map.get()).Y, 9.5) << C.Name;
    }
    TMap NoAxes(1.0);
    testsupport::ExpectFailures({
        {"orientation without axes", [&] { TARCGISFileTools::Orientation(&NoAxes); },
         "Map has no interval axes in TARCGISFileTools::Orientation"},
        {"corner without axes", [&] { TARCGISFileTools::LowerLeftCorner(&NoAxes); },
         "Map has no interval axes in TARCGISFileTools::LowerLeftCorner"},
        {"orientation of no map", [] { TARCGISFileTools::Orientation(nullptr); },
         "Map is not set in TARCGISFileTools::Orientation"},
        {"corner of no map", [] { TARCGISFileTools::LowerLeftCorner(nullptr); },
         "Map is not set in TARCGISFileTools::LowerLeftCorner"},
        {"model orientation without axes", [&] { TMapGeometry::Orientation(&NoAxes); },
         "Map has no interval axes in TMapGeometry::Orientation"},
        {"model corner without axes", [&] { TMapGeometry::LowerLeftCorner(&NoAxes); },
         "Map has no interval axes in TMapGeometry::LowerLeftCorner"},
        {"model orientation of no map", [] { TMapGeometry::Orientation(nullptr); },
         "Map is not set in TMapGeometry::Orientation"},
        {"model corner of no map", [] { TMapGeometry::LowerLeftCorner(nullptr); },
         "Map is not set in TMapGeometry::LowerLeftCorner"},
    });
}

// A program that had set a global locale with a decimal comma and digit grouping got
// "12.345,5" and "cellsize 0,5" in its grids, and its valid grids were refused.
TEST_F(ARCGISFileToolsTest, NamedFilesAreReadAndWrittenInTheClassicLocale) {
    std::locale German;
    try {
        German = std::locale("de_DE.UTF-8");
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    }
    struct TGlobal {
        std::locale Previous;
        ~TGlobal() { std::locale::global(Previous); }
    } Restore{std::locale::global(German)};
    auto Map = MakeMap({{12345.5, 1000000, -9999}}, 0.5, 0.25, 0.25);
    const std::string File = testsupport::TempDir() + "/german.asc";
    TARCGISFileTools::WriteARCGISFile(Map.get(), File);
    EXPECT_EQ(testsupport::ReadFile(File), "ncols 3\nnrows 1\nxllcorner        0\n"
                                           "yllcorner        0\ncellsize 0.5\n"
                                           "NODATA_value -9999\n12345.5 1000000 -9999 \n");
    std::unique_ptr<TMap> Back(TARCGISFileTools::LoadARCGISFile(File));
    EXPECT_EQ(Back->GetRow(0), Map->GetRow(0));
    EXPECT_EQ(Back->GetResolution(), 0.5);
}

// A replaced file keeps its mode, and a symbolic link the file it names. (The command's
// tests show that nothing is left behind.)
TEST_F(ARCGISFileToolsTest, NamedFilesAreReplacedWhole) {
    const std::string Dir = testsupport::TempDir();
    const std::string File = Dir + "/grid.asc", Link = Dir + "/link.asc";
    testsupport::WriteFile(File, "previous grid\n");
    ASSERT_EQ(::chmod(File.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("grid.asc", Link.c_str()), 0);
    auto Map = ExampleMap();
    TARCGISFileTools::WriteARCGISFile(Map.get(), Link);
    EXPECT_EQ(testsupport::ReadFile(File), ExampleGrid);
    struct stat Status;
    ASSERT_EQ(::lstat(Link.c_str(), &Status), 0);
    EXPECT_TRUE(S_ISLNK(Status.st_mode));
    ASSERT_EQ(::stat(File.c_str(), &Status), 0);
    EXPECT_EQ(Status.st_mode & 0777, 0640u);

    // New files get the mode that the umask leaves: a grid, its sidecars, a text file.
    const std::string New = Dir + "/new";
    const mode_t Umask = ::umask(022);
    TARCGISFileTools::WriteARCGISFile(Map.get(), New + ".asc");
    TSidecarTools::WriteProjectionFile(New + ".prj");
    TSidecarTools::WriteAuxiliaryFile(Map.get(), New + ".asc.aux.xml");
    TSafeFile Metadata(New + ".meta");
    Metadata.Stream() << "\n";
    Metadata.Commit();
    ::umask(Umask);
    for (const char* Extension : {".asc", ".prj", ".asc.aux.xml", ".meta"}) {
        ASSERT_EQ(::stat((New + Extension).c_str(), &Status), 0) << Extension;
        EXPECT_EQ(Status.st_mode & 0777, 0644u) << Extension;
    }
}

// A set of files is closed first and committed after: a file whose write failed is never
// committed, however often it is asked to be.
TEST_F(ARCGISFileToolsTest, AFileThatFailedToCloseIsNeverCommitted) {
    TSafeFile Full("/dev/full");
    Full.Stream() << "text";
    EXPECT_EQ(MessageOf([&] { Full.Close(); }),
              "Unable to write file /dev/full: No space left on device");
    EXPECT_EQ(MessageOf([&] { Full.Commit(); }),
              "Unable to write file /dev/full: No space left on device");
    const std::string Name = testsupport::TempDir() + "/set.asc";
    testsupport::WriteFile(Name, "previous\n");
    TSafeFile File(Name);
    File.Stream() << "new\n";
    File.Close();
    EXPECT_EQ(testsupport::ReadFile(Name), "previous\n");
    File.Commit();
    EXPECT_EQ(testsupport::ReadFile(Name), "new\n");
}
