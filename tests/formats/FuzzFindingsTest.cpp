// Inputs found by the fuzz targets under fuzz/, each kept as the regression test of the
// fault it showed. The same inputs sit in the seed corpora, so the fuzzers start from them.

#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TVELDANFileTools.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using testsupport::MessageOf;

namespace {

class FuzzFindingsTest : public ::testing::Test {
protected:
    static std::unique_ptr<TMap> ReadGrid(const std::string& Text) {
        std::istringstream In(Text);
        return std::unique_ptr<TMap>(TARCGISFileTools::LoadARCGISFile(In));
    }
};

} // namespace

// A negative cell size built Y edges rising from the top edge, so the writer turned the
// grid upside down and a write -> read round trip gave other cells; a cell size of 0
// stacked every edge on one line.
TEST_F(FuzzFindingsTest, ArcGridCellSizeMustBePositive) {
    const char* const Message =
        "Cell size must be greater than 0 in TARCGISFileTools::LoadARCGISFile";
    for (const char* CellSize : {"-0.25", "0", "-0"}) {
        const std::string Grid = std::string("ncols 2\nnrows 2\nxllcorner -11\nyllcorner 42\n") +
                                 "cellsize " + CellSize + "\nNODATA_value -9999\n1 2\n3 4\n";
        EXPECT_EQ(MessageOf([&] { ReadGrid(Grid); }), Message) << CellSize;
    }
}

// X coordinates of 1e308 and beyond gave a map whose first two X centres round to one
// number: no VELDAN file holds that map, so the writer refuses it before writing a byte.
TEST_F(FuzzFindingsTest, VeldanWriterRefusesCentresThatRoundToOne) {
    const std::string Grid("1e308x 1e3080 infp-2 inf lat degN/degE\nr 1e308 -1e616 4`.9e-inf324 1\n"
                           "r 2 3 4\0\0\0\0nd degN/degE\n",
                           93);
    std::istringstream In(Grid);
    std::unique_ptr<TMap> Map(TVELDANFileTools::LoadVELDANFile(In));
    std::ostringstream Out;
    EXPECT_EQ(MessageOf([&] { TVELDANFileTools::WriteVELDANFile(Map.get(), Out); }),
              "Resolution cannot be 0 in TVELDANWriter::WriteXAxis");
    EXPECT_EQ(Out.str(), "");
}
