// Inputs found by the fuzz targets under fuzz/, each kept as the regression test of the
// fault it showed. The same inputs sit in the seed corpora, so the fuzzers start from them.

#include "TARCGISFileTools.h"
#include "TMap.h"

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
