#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TReadFault.h"
#include "TStringTools.h"
#include "TVELDANConverter.h"
#include "TVELDANFileTools.h"
#include "TVELDANReader.h"
#include "TVELDANScanner.h"
#include "TVELDANWriter.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

using testsupport::MessageOf;

namespace {

const char* const Example = "Mean annual field\n"
                            "lon 0.25 0.75 1.25 lat degN/degE\n"
                            "r1 1.0 2.0 3.0 10.25\n"
                            "r2 4.0 5.0-6.0 9.75\n"
                            "end degN/degE\n";

std::unique_ptr<TMap> Load(const std::string& Text) {
    std::istringstream In(Text);
    return std::unique_ptr<TMap>(TVELDANFileTools::LoadVELDANFile(In));
}

std::vector<double> RowOf(const TMap& Map, long Row) {
    return Map.GetRow(Row);
}

/// Where the reader of the commands places the fault of the text: "LINE:COLUMN "TOKEN"",
/// and the hint on a line of its own; "no fault" when it reads the text.
std::string PlaceOf(const std::string& Text, bool Strict = false) {
    std::istringstream In(Text);
    TVELDANReader::TOptions Options;
    Options.Read.Strict = Strict;
    try {
        delete TVELDANReader::LoadMap(In, false, Options);
    } catch (const TReadFault& Fault) {
        return std::to_string(Fault.Line) + ":" + std::to_string(Fault.Column) + " \"" +
               Fault.Token + "\"" + (Fault.Hint.empty() ? "" : "\n  " + Fault.Hint);
    }
    return "no fault";
}

const char* const Eof = "Unexpected end of file found in TVELDANFileTools::LoadVELDANFile";
const std::string ExponentHint =
    "\n  the token \"2.5e\" is followed by \"-3\": this format reads a negative exponent as "
    "two numbers";

class VELDANFileToolsTest : public ::testing::Test {};

} // namespace

TEST_F(VELDANFileToolsTest, MalformedInputIsReportedNotGuessed) {
    const std::string Axis = "lon 0 1 2 lat degN/degE\n";
    const char* const Header = "Unit: degN/degE\n";
    // Where the readers of the commands place the fault (lines and columns from 1).
    const struct {
        const char* Name;
        std::string Text;
        const char* Expected;
        std::string Where;
    } Cases[] = {
        {"empty input", "", Eof, "1:1 \"\""},
        {"header only", "a\nb\n", Eof, "3:1 \"\""},
        {"no closing line", Axis + "r 1 2 3 5\n", Eof, "3:1 \"\""},
        {"no line feed after the last row", Axis + "r 1 2 3 5\nr 1 2 3 4", Eof, "3:10 \"\""},
        {"one X coordinate", "x 0 lat degN/degE\nr 1 5\nend degN/degE\n",
         "Axis line must hold at least two X coordinates in TVELDANFileTools::LoadVELDANFile",
         "1:9 \"degN/degE\""},
        {"marker in a header line", Header + Axis + "r 1 2 3 5\nend degN/degE\n",
         "Axis line must hold at least two X coordinates in TVELDANFileTools::LoadVELDANFile",
         "1:7 \"degN/degE\"\n  this line holds \"degN/degE\", so it is read as the axis line: "
         "no header line may hold the marker"},
        {"equal X coordinates", "x 1 1 lat degN/degE\nr 1 2 5\nend degN/degE\n",
         "Resolution cannot be 0 in TVELDANFileTools::LoadVELDANFile", "1:5 \"1\""},
        {"no data line", Axis + "end degN/degE\n",
         "No data lines found in TVELDANFileTools::LoadVELDANFile", "2:1 \"end\""},
        {"data line of spaces", Axis + "r 1 2 3 5\n   \nend degN/degE\n",
         "Empty data line found in TVELDANFileTools::LoadVELDANFile", "3:1 \"\""},
        {"empty data line", Axis + "\nend degN/degE\n",
         "Empty data line found in TVELDANFileTools::LoadVELDANFile", "2:1 \"\""},
        {"second row short", Axis + "r 1 2 3 5\nr 1 2 4\nend degN/degE\n",
         "Number of values in data line does not match the first data line in "
         "TVELDANFileTools::LoadVELDANFile",
         "3:7 \"4\""},
        {"second row long", Axis + "r 1 2 3 5\nr 1 2 3 4 4\nend degN/degE\n",
         "Number of values in data line does not match the first data line in "
         "TVELDANFileTools::LoadVELDANFile",
         "3:9 \"4\""},
        {"first row against the axis line", Axis + "r 1 2 5\nend degN/degE\n",
         "Length of new X axis does not match the X dimension of the map", "2:7 \"5\""},
        {"exponent with a minus shifts the row", Axis + "r 1 2.5e-3 3 5\nend degN/degE\n",
         "Length of new X axis does not match the X dimension of the map",
         "2:5 \"2.5e\"" + ExponentHint},
        {"exponent with a minus in a later row",
         Axis + "r 1 2 3 5\nr 1 2 3 4\nr 1 2.5e-3 3 3\nend degN/degE\n",
         "Number of values in data line does not match the first data line in "
         "TVELDANFileTools::LoadVELDANFile",
         "4:5 \"2.5e\"" + ExponentHint},
        {"tab between values", Axis + "r 1\t2 3 5\nend degN/degE\n",
         "Length of new X axis does not match the X dimension of the map",
         "2:3 \"1\t2\"\n  the token \"1\\t2\" holds a tab: this format separates values by "
         "spaces only"},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(MessageOf([&] { Load(C.Text); }), C.Expected) << C.Name;
        EXPECT_EQ(PlaceOf(C.Text), C.Where) << C.Name;
    }
    // As the commands and the driver report a fault: the place, the message, the hint.
    const TReadFault Fault("Message", 2, 5, "2.5e", "the hint");
    EXPECT_EQ(Fault.Report("in.txt"), "in.txt:2:5: Message\n  the hint");
    EXPECT_EQ(TReadFault("Message", 1, 1, "").Report("-"), "-:1:1: Message");
}

TEST_F(VELDANFileToolsTest, MissingFilesAndDirectoriesCannotBeOpened) {
    const std::string Missing = testsupport::TempDir() + "/in.txt";
    EXPECT_EQ(MessageOf([&] { delete TVELDANFileTools::LoadVELDANFile(Missing); }),
              "Unable to open file " + Missing);
    const std::string Dir = testsupport::TempDir();
    EXPECT_EQ(MessageOf([&] { delete TVELDANFileTools::LoadVELDANFile(Dir); }),
              "Unable to open file " + Dir);
}

TEST_F(VELDANFileToolsTest, ReadsTheExample) {
    auto Map = Load(Example);
    ASSERT_EQ(Map->GetXDim(), 3);
    ASSERT_EQ(Map->GetYDim(), 2);
    EXPECT_EQ(Map->GetResolution(), 0.5);
    EXPECT_EQ(RowOf(*Map, 0), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(RowOf(*Map, 1), (std::vector<double>{4, 5, -6}));
    EXPECT_EQ(Map->GetXAxis()->GetPoint(2)->GetX(), 1.25);
    EXPECT_EQ(Map->GetXAxis()->GetPoint(2)->GetY(), 10.25);
    EXPECT_EQ(Map->GetYAxis()->GetPoint(1)->GetY(), 9.75);
    EXPECT_EQ(Map->GetYAxis()->GetPoint(1)->GetX(), 0.25);
    EXPECT_EQ(Map->GetXAxisInterval()->GetPoint(0)->GetX(), 0.0);
    EXPECT_EQ(Map->GetYAxisInterval()->GetPoint(2)->GetY(), 9.5);
    EXPECT_EQ(Map->GetNoDataValue(), -9999.0);
    EXPECT_EQ(Map->GetMetadata(), "\nMean annual field\n");
}

TEST_F(VELDANFileToolsTest, HeaderLinesBecomeTheMetadata) {
    const std::string Rest = "x 0 1 lat degN/degE\nr 1 2 5\nend degN/degE\n";
    const struct {
        const char* Header;
        const char* Metadata;
    } Cases[] = {
        {"", "\n"},
        {"A\nB\n\nC\n", "\nA\nB\n\n\nC\n"},
        {"\n\n", "\n\n\n\n\n"},
        {"1 2 -3\n", "\n1 2 -3\n"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Load(C.Header + Rest)->GetMetadata(), C.Metadata) << C.Header;
}

TEST_F(VELDANFileToolsTest, TokensFollowTheFormatsOwnRules) {
    // A tab joins two numbers into one token, atof reads its leading number; labels are
    // never read; the resolution comes from the first two X coordinates only; descending X
    // coordinates still give a positive resolution.
    auto Map = Load("x 1.25 0.75 0.0 lat degN/degE\n"
                    "label 1.0\t2.0 3.0 junk 1\n"
                    "end degN/degE\nnot read at all\n");
    EXPECT_EQ(Map->GetResolution(), 0.5);
    ASSERT_EQ(Map->GetXDim(), 3);
    EXPECT_EQ(RowOf(*Map, 0), (std::vector<double>{1.0, 3.0, 0.0}));
    // A label holding a minus sign becomes two tokens and shifts the row.
    EXPECT_EQ(MessageOf([] { Load("x 0 1 lat degN/degE\nr-1 1 2 5\nend degN/degE\n"); }),
              "Length of new X axis does not match the X dimension of the map");
    // "5.0-6.0" is two values.
    EXPECT_EQ(RowOf(*Load("x 0 1 lat degN/degE\nr 5.0-6.0 5\nend degN/degE\n"), 0),
              (std::vector<double>{5.0, -6.0}));
}

TEST_F(VELDANFileToolsTest, StreamsAreReadAsDeliveredFilesAsText) {
    const std::string Crlf = "head\r\nx 0 1 lat degN/degE\r\nr 1 2 5\r\nend degN/degE";
    auto FromStream = Load(Crlf);
    EXPECT_EQ(FromStream->GetMetadata(), "\nhead\r\n");

    const std::string File = testsupport::TempDir() + "/crlf.txt";
    testsupport::WriteFile(File, Crlf);
    std::unique_ptr<TMap> FromFile(TVELDANFileTools::LoadVELDANFile(File));
    EXPECT_EQ(FromFile->GetMetadata(), "\nhead\n");
    EXPECT_EQ(FromFile->GetRow(0), (std::vector<double>{1, 2}));

    std::istringstream In(std::string(Example) + "after");
    std::unique_ptr<TMap> Map(TVELDANFileTools::LoadVELDANFile(In));
    std::string Rest;
    std::getline(In, Rest);
    EXPECT_EQ(Rest, "after");
}

TEST_F(VELDANFileToolsTest, EveryTokenIsSplitAndReadAsTheFormatSays) {
    // Reference: every "-" replaced by " -", the line split at spaces, each token read by
    // atof; the first token is the label and the last the Y coordinate.
    const char* const Lines[] = {
        "r 1e-5 5.0-6.0 +3 .5 5. 0x1A inf -nan 1e 1e+ \t7 --4 - 1.5abc 7\r 42.5",
        "r 1234567890123456789 4.9e-324 1e400 -1e400 2.2250738585072011e-308 -0 . 0.1 "
        "0.30000000000000004 -9999 -179.958333333 1e22 1e23 -12.345 5",
        "   label   1  2   3-4-5 \xff 6e+ 7e-1   -89.958333333   ",
        "r +5 1.5.5 0.000000000000001234 12345678901234567 1.e5 .e5 5e 0X1p4 -0 9",
    };
    for (const char* Line : Lines) {
        std::vector<std::string> Tokens;
        TStringTools::Tokenize(TStringTools::FindAndReplace(Line, "-", " -"), Tokens, " ");
        ASSERT_GE(Tokens.size(), 4u) << Line;
        std::string Axis = "x";
        for (size_t I = 0; I + 2 < Tokens.size(); ++I)
            Axis += " " + std::to_string(I);
        auto Map = Load(Axis + " lat degN/degE\n" + Line + "\nend degN/degE\n");
        ASSERT_EQ(Map->GetXDim(), static_cast<long>(Tokens.size() - 2)) << Line;
        for (size_t I = 1; I + 1 < Tokens.size(); ++I) {
            const double Expected = std::atof(Tokens[I].c_str());
            const double Read = Map->GetPointVal(static_cast<long>(I - 1), 0);
            EXPECT_EQ(std::memcmp(&Read, &Expected, sizeof Read), 0)
                << Line << ": token \"" << Tokens[I] << "\" read as " << Read;
        }
        EXPECT_EQ(Map->GetYAxis()->GetPoint(0)->GetY(), std::atof(Tokens.back().c_str())) << Line;
    }
}

TEST_F(VELDANFileToolsTest, StreamsReadAsTextDropTheCarriageReturnsOfLineEnds) {
    std::istringstream In("head\r\nx 0 1 lat degN/degE\r\nr 1 2 5\r\nend degN/degE\r\nafter");
    std::unique_ptr<TMap> Map(TVELDANFileTools::LoadVELDANFile(In, true));
    EXPECT_EQ(Map->GetMetadata(), "\nhead\n");
    EXPECT_EQ(Map->GetRow(0), (std::vector<double>{1, 2}));
    std::string Rest;
    EXPECT_TRUE(std::getline(In, Rest) && Rest == "after");
}

TEST_F(VELDANFileToolsTest, FirstBytesTellGridsFromOtherFiles) {
    using M = TVELDANFileTools::THeaderMatch;
    const std::string Wide = "lon " + std::string(3000, '1') + " 2 lat degN/degE\nr 1 2";
    std::string Points; // more lines than a header has
    for (int I = 0; I < 300; ++I)
        Points += std::to_string(I) + ".5 10.25 1\n";
    const struct {
        const char* Name;
        std::string Bytes;
        M Expected;
        bool AtLimit; // told from these bytes alone, the file going on
    } Cases[] = {
        {"the example", Example, M::Yes, true},
        {"Windows line ends", "h\r\nx 0 1 lat degN/degE\r\nr 1 2 5\r\n", M::Yes, true},
        {"axis line first, data line cut", "x -1-2 lat degN/degE\nr -5 -6", M::Yes, true},
        // Cells without data may be NaNs or infinities, the first one as well as any other.
        {"first cell NaN", "x 0 1 lat degN/degE\nr nan 2 5\n", M::Yes, true},
        {"first cell infinite", "x 0 1 lat degN/degE\nr -INF 2 5\n", M::Yes, true},
        // Text of a few lines may go on with an axis line; more lines than a header has
        // are refused.
        {"ARC/INFO grid",
         "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 9.5\ncellsize 0.5\n"
         "NODATA_value -9999\n1 2 3\n4 5 -6\n",
         M::TooShort, false},
        {"CSV", "x,y,value\n0.25,10.25,1\n0.75,10.2", M::TooShort, false},
        {"plain text", "Mean annual field\nof soil temperature\n", M::TooShort, false},
        {"XYZ, many lines", Points, M::No, false},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), M::No, false},
        {"empty", "", M::No, false},
        {"marker in prose", "Lines with degN/degE mark the axes\nof a grid\n", M::No, false},
        {"axis line of words", "lon a b lat degN/degE\nr 1 2 5\n", M::No, false},
        {"axis line with one X coordinate", "lon 0 lat degN/degE\nr 1 5\n", M::No, false},
        {"closing line after the axis line", "lon 0 1 lat degN/degE\nend degN/degE\n", M::No,
         false},
        {"data line of one token", "lon 0 1 lat degN/degE\nr\n", M::No, false},
        // No value of a data line is read: a grid is a grid whatever its cells hold.
        {"data line of words", "lon 0 1 lat degN/degE\nrow one two\n", M::Yes, true},
        {"ends after the axis line", "lon 0 1 lat degN/degE\n", M::TooShort, true},
        {"axis line longer than the bytes", Wide.substr(0, 1024), M::TooShort, false},
        {"whole wide axis line", Wide, M::Yes, true},
        {"wide axis line cut", "h\nlon -179.5 -178.5 -177.5 -176", M::TooShort, true},
        {"wide axis line cut, descending", "lon 9.75 9.25 8.75 8.2", M::TooShort, true},
        {"numbers running both ways", "h\n1 5 3 2 7 8", M::TooShort, false},
        {"one-line JSON", "{\"type\": \"FeatureCollection\", \"features\": [1, 2", M::TooShort,
         false},
        {"256 header lines", std::string(255, '\n') + Example, M::Yes, true},
        {"257 header lines", std::string(256, '\n') + Example, M::No, false},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(TVELDANFileTools::MatchVELDANHeader(C.Bytes.data(), C.Bytes.size()), C.Expected)
            << C.Name;
        EXPECT_EQ(TVELDANFileTools::IsVELDANHeader(C.Bytes.data(), C.Bytes.size()),
                  C.Expected == M::Yes)
            << C.Name;
        EXPECT_EQ(TVELDANFileTools::IsVELDANHeader(C.Bytes.data(), C.Bytes.size(), false),
                  C.AtLimit)
            << C.Name << " at the limit";
    }
}

TEST_F(VELDANFileToolsTest, EveryStartOfTheExamplesMayBeAGridAndTheOtherFilesAreNot) {
    using M = TVELDANFileTools::THeaderMatch;
    for (const char* Name : {"example", "field"}) {
        const std::string Text =
            testsupport::ReadFile(std::string(VELDGRID_EXAMPLES) + "/" + Name + ".txt");
        ASSERT_FALSE(Text.empty()) << Name;
        EXPECT_EQ(TVELDANFileTools::MatchVELDANHeader(Text.data(), Text.size()), M::Yes) << Name;
        for (size_t Size = 1; Size < Text.size(); ++Size)
            EXPECT_NE(TVELDANFileTools::MatchVELDANHeader(Text.data(), Size), M::No)
                << Name << " cut after " << Size << " bytes";
        for (const char* Other : {".asc", ".meta"}) {
            const std::string Bytes =
                testsupport::ReadFile(std::string(VELDGRID_EXAMPLES) + "/" + Name + Other);
            EXPECT_FALSE(TVELDANFileTools::IsVELDANHeader(Bytes.data(), Bytes.size()))
                << Name << Other;
        }
    }
}

TEST_F(VELDANFileToolsTest, AStrictReadRefusesWhatTheDefaultReadTakes) {
    const char* const NotANumber = "Token is not a number in TVELDANFileTools::LoadVELDANFile";
    const char* const UnevenX =
        "X coordinates are not evenly spaced in TVELDANFileTools::LoadVELDANFile";
    const char* const UnevenY = "Y coordinates are not evenly spaced by the cell size in "
                                "TVELDANFileTools::LoadVELDANFile";
    const std::string Axis = "lon 0 1 2 lat degN/degE\n", Closing = "end degN/degE\n";
    const std::string Row = "r 1 2 3 5\n";
    // The tolerance is a hundredth of the cell size (1 here), from each coordinate's place.
    // A bad token is refused alike, and placed, whichever line it is in.
    const struct {
        const char* Name;
        std::string Text;
        const char* Strict; // "" when a strict read takes it too
        std::string Where;
    } Cases[] = {
        {"the example", Example, "", "no fault"},
        {"letters as a value", Axis + "r 1 abc 3 5\n" + Closing, NotANumber, "2:5 \"abc\""},
        {"letters as a value in a later row", Axis + Row + Row + "r 1 abc 3 3\n" + Closing,
         NotANumber, "4:5 \"abc\""},
        {"decimal comma", Axis + "r 1 5,5 3 5\n" + Closing, NotANumber, "2:5 \"5,5\""},
        {"number and letters", Axis + "r 1 2x 3 5\n" + Closing, NotANumber, "2:5 \"2x\""},
        {"exponent cut by its minus sign", Axis + "r 1 2e-3 5\n" + Closing, NotANumber,
         "2:5 \"2e\"\n  the token \"2e\" is followed by \"-3\": this format reads a negative "
         "exponent as two numbers"},
        {"letters as the Y coordinate", Axis + "r 1 2 3 y\n" + Closing, NotANumber, "2:9 \"y\""},
        {"letters as an X coordinate", "lon 0 1 two lat degN/degE\nr 1 2 3 5\n" + Closing,
         NotANumber, "1:9 \"two\""},
        {"labels are not numbers", "lon 0 1 2 lat degN/degE\nrow1 1 2 3 5\n" + Closing, "",
         "no fault"},
        {"exponents, signs, nan and inf", Axis + "r +1 1e3 nan 5\nr inf .5 2. 4\n" + Closing, "",
         "no fault"},
        {"X spacing longer by 0.04 cells", "lon 0 1 2.04 lat degN/degE\nr 1 2 3 5\n" + Closing,
         UnevenX, "1:7 \"1\""},
        {"X within the tolerance", "lon 0 1.009 2 lat degN/degE\nr 1 2 3 5\n" + Closing, "",
         "no fault"},
        {"X descending evenly", "lon 2 1 0 lat degN/degE\nr 1 2 3 5\n" + Closing, "", "no fault"},
        {"Y spaced by another size", Axis + Row + "r 1 2 3 3\n" + Closing, UnevenY,
         "3:9 \"3\"\n  the rows lie 2 apart and the columns 1: a strict read needs rows spaced "
         "by the cell size of the columns"},
        {"Y uneven", Axis + Row + "r 1 2 3 4\nr 1 2 3 2\n" + Closing, UnevenY, "4:9 \"2\""},
        {"Y ascending evenly", Axis + Row + "r 1 2 3 6\nr 1 2 3 7.005\n" + Closing, "", "no fault"},
        {"one row", Axis + Row + Closing, "", "no fault"},
        // The tolerance scales with the cell size.
        {"X of cell 100 off by half a unit",
         "lon 0 100 200.5 300 lat degN/degE\nr 1 2 3 4 5\n" + Closing, "", "no fault"},
        {"X of cell 0.001 off by a fifth of a cell",
         "lon 0 0.001 0.0025 lat degN/degE\nr 1 2 3 5\n" + Closing, UnevenX, "1:7 \"0.001\""},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(MessageOf([&] { Load(C.Text); }), "no exception") << C.Name;
        std::istringstream In(C.Text);
        TVELDANFileTools::TReadOptions Options;
        Options.Strict = true;
        const std::string Expected = *C.Strict ? C.Strict : "no exception";
        EXPECT_EQ(MessageOf([&] { delete TVELDANFileTools::LoadVELDANFile(In, false, Options); }),
                  Expected)
            << C.Name;
        EXPECT_EQ(PlaceOf(C.Text, true), C.Where) << C.Name;
    }
}

// ---------------------------------------------------------------------------------------
// The converter that streams rows against the map reader and writer

namespace {

/// The map read with the options (faults placed), the cells equal to the no-data mark (any
/// NaN for a NaN) given the map's no-data value.
std::unique_ptr<TMap> LoadMarked(const std::string& File,
                                 const TVELDANConverter::TOptions& Options) {
    TVELDANReader::TOptions Unmarked;
    Unmarked.Read = Options.Read;
    std::unique_ptr<TMap> Map(TVELDANReader::LoadMap(File, Unmarked));
    for (long Y = 0; Options.MarkNoData && Y < Map->GetYDim(); ++Y)
        for (long X = 0; X < Map->GetXDim(); ++X) {
            const double Value = Map->GetPointVal(X, Y);
            if (std::isnan(Options.NoData) ? std::isnan(Value) : Value == Options.NoData)
                Map->SetPoint(X, Y, Map->GetNoDataValue());
        }
    return Map;
}

/// The grid as the command writes it from the map: read and marked by `LoadMarked`, written
/// losslessly. Where the reader refuses it, where and why; "" when the writer refuses it.
std::string ThroughTheMap(const std::string& File, const TVELDANConverter::TOptions& Options,
                          std::string& Metadata) {
    try {
        const std::unique_ptr<TMap> Map = LoadMarked(File, Options);
        std::ostringstream Out;
        TARCGISFileTools::WriteLosslessARCGISFile(Map.get(), Out);
        Metadata = Map->GetMetadata();
        return Out.str();
    } catch (const TReadFault& Fault) {
        return Fault.Report("grid");
    } catch (...) {
        return "";
    }
}

/// The grid as the converter writes it, or as `ThroughTheMap` tells its refusal.
std::string Streamed(const std::string& File, const TVELDANConverter::TOptions& Options,
                     std::string& Metadata) {
    std::ostringstream Out;
    try {
        Metadata = TVELDANConverter::ConvertVELDANFile(File, Out, Options);
    } catch (const TReadFault& Fault) {
        return Fault.Report("grid");
    } catch (...) {
        return "";
    }
    return Out.str();
}

/// Grids in every orientation, with awkward tokens, line ends and faults.
std::vector<std::string> ConverterGrids() {
    const std::string Closing = "end degN/degE\n";
    std::vector<std::string> Grids = {
        testsupport::ReadFile(std::string(VELDGRID_EXAMPLES) + "/example.txt"),
        testsupport::ReadFile(std::string(VELDGRID_EXAMPLES) + "/field.txt"),
        Example,
        // Rows south to north, columns east to west, both.
        "h\nlon 0.5 1.5 2.5 lat degN/degE\nr 1 2 3 10.5\nr 4 5 6 11.5\nr 7 8 9 12.5\n" + Closing,
        "lon 2.5 1.5 0.5 lat degN/degE\nr 1 2 3 12.5\nr 4 5 6 11.5\n" + Closing,
        "\n\nlon 2.5 1.5 0.5 lat degN/degE\nr 1 2 3 10.5\nr 4 5 6 11.5\nr 7 8 9 12.5\n" + Closing,
        // Tokens the text path writes, and those it leaves to the value.
        "lon 0 1 2 3 lat degN/degE\nr -0 .5 5. 007.50 1\nr 0.00001 -1.500 1e3 nan 0\n"
        "r 0x1A abc 5,5 1234567890.123456 -1\nr 0.0000000001 -9999 inf 5-6 -2\n" +
            Closing,
        // Carriage returns, spaces and a closing line without a line feed.
        "h\r\nlon 0 1 2 lat degN/degE\r\n  r  1   2 3 5  \r\nr 4 5 6 4\r\nend degN/degE",
        // Faults: rows of another width, uneven coordinates, an empty line, no rows.
        "lon 0 1 2 lat degN/degE\nr 1 2 3 5\nr 1 2 4\n" + Closing,
        "lon 0 1 2 lat degN/degE\nr 1 2 5\n" + Closing,
        "lon 0 1 2 lat degN/degE\nr 1 2 3 5\nr 1 2 3 3\n" + Closing,
        "lon 0 1 2 lat degN/degE\nr 1 2 3 5\n\n" + Closing,
        "lon 0 1 2 lat degN/degE\n" + Closing,
        "lon 0 1 2 lat degN/degE\nr 1 2 3 5\n",
        "lon 0 1 2 lat degN/degE\nr 1 2 3 nan\n" + Closing,
        "lon 0 1 2 lat degN/degE\nr\n" + Closing,
        // All 15 digits of a cell; NaN and infinite cells, taken only where they are marked.
        "lon 0 1 lat degN/degE\nr 0.123456789012345 -1234.56789012345 5\n" + Closing,
        "lon 0 1 2 lat degN/degE\nr nan 0.123456789012345 NaN 5\nr -nan 1 2 4\n" + Closing,
        "lon 0 1 2 lat degN/degE\nr inf 0.123456789012345 3 5\nr 1 INF 2 4\n" + Closing,
    };
    return Grids;
}

} // namespace

TEST_F(VELDANFileToolsTest, TheConverterWritesWhatTheMapWriterWrites) {
    const std::string Dir = testsupport::TempDir();
    const std::vector<std::string> Grids = ConverterGrids();
    const double Marks[] = {0.0, 5.0, -1.0, testsupport::NaN, testsupport::Inf};
    int Converted = 0;
    for (size_t G = 0; G < Grids.size(); ++G) {
        const std::string File = Dir + "/grid" + std::to_string(G) + ".txt";
        testsupport::WriteFile(File, Grids[G]);
        // Each option alone and with the others, on one thread and in blocks of a row on
        // two.
        for (int Variant = 0; Variant < 2 * 2 * 6; ++Variant) {
            TVELDANConverter::TOptions Options;
            Options.Read.Strict = Variant % 2;
            Options.MarkNoData = Variant / 4 % 6 > 0;
            Options.NoData = Marks[std::max(0, Variant / 4 % 6 - 1)];
            Options.Threads = Variant / 2 % 2 ? 2 : 1;
            Options.BlockBytes = Variant / 2 % 2 ? 1 : 0;
            std::string Metadata, StreamedMetadata;
            const std::string Expected = ThroughTheMap(File, Options, Metadata);
            const std::string Case =
                "grid " + std::to_string(G) + " variant " + std::to_string(Variant);
            const std::string Written = Streamed(File, Options, StreamedMetadata);
            const bool Refused = Expected.compare(0, 5, "grid:") == 0;
            // The converter may meet a cell that the writer refuses before a later row that
            // the reader refuses.
            if (!(Refused && Written.empty())) {
                ASSERT_EQ(Written, Expected) << Case;
            }
            if (!Expected.empty() && !Refused) {
                EXPECT_EQ(StreamedMetadata, Metadata) << Case;
                ++Converted;
            }
        }
    }
    // The grids without faults, under every option that takes them.
    EXPECT_EQ(Converted, 212);
}

// However many threads are asked for, and whether they can be started or not, the grid is the
// one that a single thread writes.
TEST_F(VELDANFileToolsTest, TheConverterRunsOnAnyNumberOfThreads) {
    std::string Grid = "lon 0 1 lat degN/degE\n";
    for (int Row = 0; Row < 300; ++Row)
        Grid += "r " + std::to_string(Row) + " 0.5 " + std::to_string(300 - Row) + "\n";
    const std::string File = testsupport::TempDir() + "/rows.txt";
    testsupport::WriteFile(File, Grid + "end degN/degE\n");
    const auto On = [&](unsigned Threads) {
        TVELDANConverter::TOptions Options;
        Options.Threads = Threads;
        Options.BlockBytes = 1; // a block per row
        std::string Metadata;
        return Streamed(File, Options, Metadata);
    };
    const std::string Expected = On(1);
    ASSERT_NE(Expected, "");
    EXPECT_TRUE(On(std::numeric_limits<unsigned>::max()) == Expected);
    // A user allowed two processes: the first worker starts, the next ones cannot. Fewer
    // files than blocks may be open: the threads asked for are bounded.
    EXPECT_TRUE(testsupport::InChildProcess(
                    [&] {
                        const struct rlimit Processes = {2, 2}, Files = {128, 128};
                        ::setrlimit(RLIMIT_NPROC, &Processes);
                        ::setrlimit(RLIMIT_NOFILE, &Files);
                        return On(4) + On(std::numeric_limits<unsigned>::max());
                    },
                    true) == Expected + Expected);
}

TEST_F(VELDANFileToolsTest, TheConverterReportsWhatCannotBeRead) {
    TVELDANConverter::TOptions Options;
    std::ostringstream Out;
    const std::string Missing = testsupport::TempDir() + "/missing.txt";
    EXPECT_EQ(MessageOf([&] { TVELDANConverter::ConvertVELDANFile(Missing, Out, Options); }),
              "Unable to open file " + Missing);
    EXPECT_EQ(Out.str(), "");
}

// ---------------------------------------------------------------------------------------
// The reader of rows on demand against the map reader

namespace {

/// Appends the values exactly: hexadecimal floating point tells every double apart.
void Describe(std::ostream& Out, const std::vector<double>& Values) {
    for (double Value : Values)
        Out << std::hexfloat << Value << ' ';
    Out << '\n';
}

/// What the reader shows of the map read by `LoadMarked`: metadata, coordinates, resolution,
/// corner, orientation, rows in file order and north-up (turned round here cell by cell),
/// as `ReaderShows` shows them.
std::string MapAsTheReaderShowsIt(const TMap& Map) {
    std::ostringstream Out;
    std::vector<double> X, Y;
    for (long J = 0; J < Map.GetXDim(); ++J)
        X.push_back(Map.GetXAxis()->GetPoint(J)->GetX());
    for (long I = 0; I < Map.GetYDim(); ++I)
        Y.push_back(Map.GetYAxis()->GetPoint(I)->GetY());
    const auto Corner = TARCGISFileTools::LowerLeftCorner(&Map);
    const auto Turned = TARCGISFileTools::Orientation(&Map);
    Out << Map.GetMetadata() << '|';
    Describe(Out, X);
    Describe(Out, Y);
    Describe(Out, {Map.GetResolution(), Corner.X, Corner.Y, Map.GetNoDataValue()});
    Out << Turned.ColumnsEastToWest << Turned.RowsSouthToNorth << '\n';
    const long Rows = Map.GetYDim(), Columns = Map.GetXDim();
    for (long I = 0; I < Rows; ++I)
        Describe(Out, Map.RowValues(I));
    std::vector<double> Row(Columns);
    for (long Line = 0; Line < Rows; ++Line) {
        for (long J = 0; J < Columns; ++J)
            Row[J] = Map.GetPointVal(Turned.ColumnsEastToWest ? Columns - 1 - J : J,
                                     Turned.RowsSouthToNorth ? Rows - 1 - Line : Line);
        Describe(Out, Row);
    }
    return Out.str();
}

/// The same from the reader (reading the rows north-up, it seeks back where they run south
/// to north).
std::string ReaderShows(TVELDANReader& Reader) {
    std::ostringstream Out;
    Out << Reader.Metadata() << '|';
    Describe(Out, Reader.XCoordinates());
    Describe(Out, Reader.YCoordinates());
    const auto Corner = Reader.LowerLeftCorner();
    Describe(Out, {Reader.Resolution(), Corner.X, Corner.Y, Reader.NoDataValue()});
    Out << Reader.Orientation().ColumnsEastToWest << Reader.Orientation().RowsSouthToNorth << '\n';
    std::vector<double> Row(Reader.Columns());
    for (long I = 0; I < Reader.Rows(); ++I) {
        Reader.ReadRow(I, Row.data());
        Describe(Out, Row);
    }
    for (long Line = 0; Line < Reader.Rows(); ++Line) {
        Reader.ReadNorthUpRow(Line, Row.data());
        Describe(Out, Row);
    }
    return Out.str();
}

/// What the action shows, or the message of what it throws, with `Placed` where a fault of
/// the text lies.
std::string ShownOrMessage(const std::function<std::string()>& Action, bool Placed = true) {
    std::string Shown;
    const std::string Message = MessageOf([&] {
        try {
            Shown = Action();
        } catch (const TReadFault& Fault) {
            if (Placed)
                throw Fault.Report("grid");
            throw;
        }
    });
    return Message == "no exception" ? Shown : Message;
}

} // namespace

TEST_F(VELDANFileToolsTest, TheReaderReadsWhatTheMapReaderReads) {
    const std::string Dir = testsupport::TempDir();
    const std::vector<std::string> Grids = ConverterGrids();
    const double Marks[] = {5.0, testsupport::NaN};
    for (size_t G = 0; G < Grids.size(); ++G) {
        const std::string File = Dir + "/grid" + std::to_string(G) + ".txt";
        testsupport::WriteFile(File, Grids[G]);
        // Each option alone and with the other; from the file, and from a stream that was
        // read up to the grid.
        for (int Variant = 0; Variant < 2 * 3; ++Variant) {
            TVELDANConverter::TOptions Options;
            Options.Read.Strict = Variant % 2;
            Options.MarkNoData = Variant / 2 > 0;
            Options.NoData = Marks[std::max(0, Variant / 2 - 1)];
            const std::string Case =
                "grid " + std::to_string(G) + " variant " + std::to_string(Variant);
            const auto Expected = [&](bool Placed) {
                return ShownOrMessage(
                    [&] { return MapAsTheReaderShowsIt(*LoadMarked(File, Options)); }, Placed);
            };
            EXPECT_EQ(ShownOrMessage([&] {
                          TVELDANReader Reader(File, Options);
                          return ReaderShows(Reader);
                      }),
                      Expected(true))
                << Case;
            EXPECT_EQ(ShownOrMessage([&] {
                          const std::unique_ptr<TMap> Map(TVELDANReader::LoadMap(File, Options));
                          return MapAsTheReaderShowsIt(*Map);
                      }),
                      Expected(true))
                << Case << " whole";
            // Lines count from where the reading began.
            std::istringstream In("before the grid\n" + Grids[G]);
            In.ignore(100, '\n');
            EXPECT_EQ(ShownOrMessage(
                          [&] {
                              TVELDANReader Reader(In, true, Options);
                              return ReaderShows(Reader);
                          },
                          false),
                      Expected(false))
                << Case << " from a stream";
        }
    }
    TVELDANReader Reader(Dir + "/grid0.txt");
    std::vector<double> Row(Reader.Columns());
    EXPECT_EQ(MessageOf([&] { Reader.ReadRow(Reader.Rows(), Row.data()); }),
              "Row is out of range in TVELDANReader::ReadRow");
    EXPECT_EQ(MessageOf([&] { Reader.ReadNorthUpRow(-1, Row.data()); }),
              "Row is out of range in TVELDANReader::ReadNorthUpRow");
}

// ---------------------------------------------------------------------------------------
// The writer: what it writes reads back as the map it was given

namespace {

std::string Written(const TMap* Map) {
    std::ostringstream Out;
    TVELDANFileTools::WriteVELDANFile(Map, Out);
    return Out.str();
}

} // namespace

TEST_F(VELDANFileToolsTest, WrittenMapsReadBackAsTheSameMap) {
    // Numbers whose text is easy to get wrong: extremes, zeros of both signs, decimals no
    // double holds, and values whose shortest text has a negative exponent.
    const double Awkward[] = {1e-300,
                              5e-324,
                              -0.0,
                              1e22,
                              0.1,
                              -2.5e-3,
                              1e-5,
                              1.7976931348623157e308,
                              2.2250738585072014e-308,
                              1.0 / 3};
    const char* const Metadata[] = {"\n", "\nMean annual field\n", "\nA\nB\n\n\nC\n", "\n\n\n\n\n",
                                    "\n 1 -2\tx\n"};
    const std::string File = testsupport::TempDir() + "/grid.txt";
    // Both column orders and both row orders (Case % 4) on four cell sizes, powers of two
    // so that the first two centres lie one cell size apart, the cell size the reader finds.
    for (unsigned Case = 0; Case < 16; ++Case) {
        auto Map = testsupport::RandomMap(Case, 2 + Case % 5, 1 + Case % 4,
                                          std::ldexp(1.0, static_cast<int>(Case / 4) - 2),
                                          -10.25 * Case - 1, 45.0 - Case, Case & 1, Case & 2);
        const long XDim = Map->GetXDim();
        for (long K = Case % 2; K < XDim * Map->GetYDim(); K += 2)
            Map->SetPoint(K % XDim, K / XDim, Awkward[(K + Case) % std::size(Awkward)]);
        Map->SetMetadata(Metadata[Case % std::size(Metadata)]);
        const std::string Name = "case " + std::to_string(Case), Text = Written(Map.get());
        TVELDANFileTools::WriteVELDANFile(Map.get(), File);
        const std::unique_ptr<TMap> Back = Load(Text);
        const std::unique_ptr<TMap> FromFile(TVELDANFileTools::LoadVELDANFile(File));
        EXPECT_EQ(testsupport::Fingerprint(Back.get()), testsupport::Fingerprint(Map.get()))
            << Name;
        EXPECT_EQ(testsupport::Fingerprint(FromFile.get()), testsupport::Fingerprint(Map.get()))
            << Name;
        EXPECT_EQ(Back->GetMetadata(), Map->GetMetadata()) << Name;
        EXPECT_EQ(Written(Back.get()), Text) << Name;
    }
    // Metadata of other forms than the reader's: the lines its line feeds end.
    const std::string Rest = "lon 0.25 0.75 1.25 lat degN/degE\nr1 1 2 3 10.25\n"
                             "r2 4 5 -6 9.75\nend degN/degE\n";
    const struct {
        const char *Metadata, *Header;
    } Cases[] = {{"\nMean annual field\n", "Mean annual field\n"},
                 {"", ""},
                 {"by a program", "by a program\n"},
                 {"\nA\n\nB", "A\n\nB\n"},
                 {"\n\n\n\n", "\n\n"}};
    for (const auto& C : Cases) {
        auto Map = Load(Example);
        Map->SetMetadata(C.Metadata);
        EXPECT_EQ(Written(Map.get()), C.Header + Rest) << C.Metadata;
    }
}

TEST_F(VELDANFileToolsTest, NumbersAreWrittenShortestWithoutANegativeExponent) {
    const std::pair<double, std::string> Cases[] = {
        {-2.5e-3, "-0.0025"}, {1e-5, "0.00001"}, {1e22, "1e+22"},
        {-0.0, "-0"},         {0.1, "0.1"},      {5e-324, "0." + std::string(323, '0') + "5"}};
    for (const auto& C : Cases)
        EXPECT_EQ(TVELDANWriter::NumberText(C.first), C.second);
    // Any bits, and decimals of every scale, read back bit for bit as the reader reads a
    // value token, and as atof reads them.
    std::mt19937_64 Random(7);
    for (int I = 0; I < 300000; ++I) {
        const std::uint64_t Bits = Random();
        double Value =
            static_cast<double>(Bits >> 40) * std::pow(10.0, static_cast<int>(Bits % 40) - 30);
        if (I % 2)
            std::memcpy(&Value, &Bits, sizeof Value);
        if (!std::isfinite(Value))
            continue;
        const std::string Text = TVELDANWriter::NumberText(Value);
        TVELDANScanner::TToken Token;
        TVELDANScanner::ReadToken(Text.data(), {Text.data(), Text.data() + Text.size(), 1}, Token,
                                  true);
        const double Atof = std::atof(Text.c_str());
        ASSERT_TRUE(Token.Last == Text.data() + Text.size() && Text.find("e-") == Text.npos &&
                    std::memcmp(&Token.Value, &Value, sizeof Value) == 0 &&
                    std::memcmp(&Atof, &Value, sizeof Value) == 0)
            << Text;
    }
}

TEST_F(VELDANFileToolsTest, TheWriterRefusesWhatWouldNotReadBack) {
    // One writer through every stage, in order: a refused call writes nothing and leaves
    // the writer where it was.
    std::ostringstream Sink, Out;
    TVELDANWriter W(Sink);
    const double Row[] = {1, testsupport::Inf}, Good[] = {1, 2};
    const std::string File = testsupport::TempDir() + "/grid.txt";
    testsupport::WriteFile(File, "old");
    auto NaNCell = Load(Example), Marked = Load(Example);
    NaNCell->SetPoint(1, 1, testsupport::NaN);
    Marked->SetMetadata("\nA\nx degN/degE y\n");
    const TMap NoAxes(1.0, 2, 2);
    testsupport::ExpectFailures({
        {"axis before the header",
         [&] {
             W.WriteXAxis({0, 1});
         },
         "X axis must follow the header in TVELDANWriter::WriteXAxis"},
        {"carriage return", [&] { W.WriteHeader("\nA\r\n"); },
         "Metadata line ends in a carriage return in TVELDANWriter::WriteHeader"},
        {"row before the axis", [&] { W.WriteRow(Good, 2, 0); },
         "Rows must come between the X axis and the closing line in TVELDANWriter::WriteRow"},
        {"no rows", [&] { W.Finish(); }, "No rows were written in TVELDANWriter::Finish"},
        {"header twice", [&] { W.WriteHeader("\n"), W.WriteHeader("\n"); },
         "Header is already written in TVELDANWriter::WriteHeader"},
        {"one centre", [&] { W.WriteXAxis({0}); },
         "X axis must hold at least two centres in TVELDANWriter::WriteXAxis"},
        {"equal centres",
         [&] {
             W.WriteXAxis({1, 1, 2});
         },
         "Resolution cannot be 0 in TVELDANWriter::WriteXAxis"},
        {"NaN centre",
         [&] {
             W.WriteXAxis({0, 1, testsupport::NaN});
         },
         "X centre is not finite in TVELDANWriter::WriteXAxis"},
        {"row too short",
         [&] {
             W.WriteXAxis({0, 1}), W.WriteRow(Good, 1, 0);
         },
         "Number of values does not match the X axis in TVELDANWriter::WriteRow"},
        {"infinite value", [&] { W.WriteRow(Row, 2, 0); },
         "Row holds a number that is not finite in TVELDANWriter::WriteRow"},
        {"finished twice", [&] { W.WriteRow(Good, 2, 5), W.Finish(), W.Finish(); },
         "Grid is already finished in TVELDANWriter::Finish"},
        {"NaN as text", [] { TVELDANWriter::NumberText(testsupport::NaN); },
         "Value is not finite in TVELDANWriter::NumberText"},
        {"no map", [&] { TVELDANFileTools::WriteVELDANFile(nullptr, Out); },
         "Map is not set in TVELDANFileTools::WriteVELDANFile"},
        {"no axes", [&] { TVELDANFileTools::WriteVELDANFile(&NoAxes, Out); },
         "Map has no axes in TVELDANFileTools::WriteVELDANFile"},
        {"NaN cell", [&] { TVELDANFileTools::WriteVELDANFile(NaNCell.get(), File); },
         "Map holds a cell or Y centre that is not finite in TVELDANFileTools::WriteVELDANFile"},
        {"marker in the metadata", [&] { TVELDANFileTools::WriteVELDANFile(Marked.get(), Out); },
         "Metadata line holds the marker degN/degE in TVELDANWriter::WriteHeader"},
    });
    EXPECT_EQ(Sink.str(), "lon 0 1 lat degN/degE\nr1 1 2 5\nend degN/degE\n");
    EXPECT_EQ(Out.str(), "");
    EXPECT_EQ(testsupport::ReadFile(File), "old");
}
