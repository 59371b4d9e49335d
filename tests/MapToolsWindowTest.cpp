#include "TMapTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

using MapPtr = std::unique_ptr<TMap>;
using TWindow = std::vector<long>; // north, south, west, east
enum class TY { Up, Down };

std::string Name(TY Y) {
    return Y == TY::Up ? "ascending" : "descending";
}

/// Map of `Columns` x `Rows` cells of size `Res` whose south-west corner is (X0, Y0), cell
/// (c, r) holding 100 c + r. A descending map is read from an ARC/INFO grid, row 0
/// northernmost; an ascending one lies on point axes, row 0 southernmost.
MapPtr MakeMap(TY Y, double X0, double Y0, double Res, long Columns, long Rows) {
    TRows Cells(Rows, std::vector<double>(Columns));
    for (long Row = 0; Row < Rows; ++Row)
        for (long Column = 0; Column < Columns; ++Column)
            Cells[Row][Column] = 100.0 * Column + Row;
    if (Y == TY::Down)
        return ReadGrid(Cells, Res, X0, Y0);
    return testsupport::MakeMap(Cells, Res, X0 + Res / 2, Y0 + Res / 2, false);
}

/// West, east, south and north end of the map's edges.
std::vector<double> Extent(const TMap* Map) {
    const TAxis* X = Map->GetXAxisInterval();
    const TAxis* Y = Map->GetYAxisInterval();
    const double X0 = X->GetPoint(0)->GetX(), X1 = X->GetPoint(Map->GetXDim())->GetX();
    const double Y0 = Y->GetPoint(0)->GetY(), Y1 = Y->GetPoint(Map->GetYDim())->GetY();
    return {std::min(X0, X1), std::max(X0, X1), std::min(Y0, Y1), std::max(Y0, Y1)};
}

/// `Intersection` with its results owned.
std::pair<MapPtr, MapPtr> Intersect(const TMap* A, const TMap* B) {
    TMap *OA = nullptr, *OB = nullptr;
    TMapTools::Intersection(A, B, OA, OB);
    return {MapPtr(OA), MapPtr(OB)};
}

class MapToolsWindowTest : public ::testing::Test {};

TEST_F(MapToolsWindowTest, FailuresCarryTheirMessagesAndWriteNothing) {
    MapPtr Map = MakeMap(TY::Down, 0, 0, 1, 4, 3);
    const TRows Before = RowsOf(Map.get());
    const TPoint Inside(0.5, 0.5), West(-0.001, 1), North(1, 3.001);
    const auto Fill = [&Map](TWindow W) {
        return [&Map, W] { TMapTools::FillBlock(Map.get(), 7.0, W[0], W[1], W[2], W[3]); };
    };
    const std::string Lookup = "Ordinate is out of range in TAxis::GetIndex";
    const std::string Range = " ordinate is out of range in TMapTools::FillBlock";
    ExpectFailures({
        {"Extract west", [&] { delete TMapTools::Extract(Map.get(), &Inside, &West); }, Lookup},
        {"Extract north", [&] { delete TMapTools::Extract(Map.get(), &North, &Inside); }, Lookup},
        {"north below south", Fill({2, 1, 0, 0}),
         "Northern edge must be less than southern edge in TMapTools::FillBlock"},
        {"west beyond east", Fill({0, 0, 2, 1}),
         "Western edge must be less than eastern edge in TMapTools::FillBlock"},
        {"north -1", Fill({-1, 0, 0, 0}), "Northern" + Range},
        {"south = YDim", Fill({0, 3, 0, 0}), "Southern" + Range},
        {"west -1", Fill({0, 0, -1, 0}), "Western" + Range},
        {"west = XDim", Fill({0, 0, 4, 4}), "Western" + Range},
        {"east = XDim", Fill({0, 0, 0, 4}), "Eastern" + Range},
    });
    EXPECT_EQ(RowsOf(Map.get()), Before);
}

// Edges X 0 to 4, Y 0 to 3: a descending map's row 0 lies at Y 2..3, an ascending one's
// at Y 0..1. A corner on the upper end of an axis takes the edge cell there.
TEST_F(MapToolsWindowTest, ExtractTakesTheCellsBetweenTwoPoints) {
    const struct {
        const char* Name;
        TY Y;
        TPoint P1, P2;
        double First;
        long Columns, Rows;
    } Cases[] = {
        {"descending", TY::Down, {0.5, 2.5}, {2.5, 0.5}, 0, 3, 3},
        {"descending, points swapped", TY::Down, {2.5, 0.5}, {0.5, 2.5}, 0, 3, 3},
        {"ascending", TY::Up, {0.5, 2.5}, {2.5, 0.5}, 0, 3, 3},
        {"descending, upper ends", TY::Down, {4, 3}, {3.5, 1.5}, 300, 1, 2},
        {"ascending, upper ends", TY::Up, {4, 3}, {2.5, 1.5}, 201, 2, 2},
        {"descending, lower ends", TY::Down, {0, 0}, {1.5, 0.5}, 2, 2, 1},
    };
    for (const auto& C : Cases) {
        MapPtr Map = MakeMap(C.Y, 0, 0, 1, 4, 3);
        Map->SetNoDataValue(-1.0);
        MapPtr Window(TMapTools::Extract(Map.get(), &C.P1, &C.P2));
        ASSERT_EQ(Window->GetXDim(), C.Columns) << C.Name;
        ASSERT_EQ(Window->GetYDim(), C.Rows) << C.Name;
        EXPECT_EQ(Window->GetPointVal(0, 0), C.First) << C.Name;
        EXPECT_TRUE(CellsComeFrom(Window.get(), Map.get())) << C.Name;
        EXPECT_EQ(Window->GetNoDataValue(), -9999.0) << C.Name;
    }
}

// Regression: Intersection mistook the edges of maps whose Y axis descends.
TEST_F(MapToolsWindowTest, RegressionIntersectionKeepsTheWholeOverlapInEveryOrientation) {
    // A over [0, 10] x [0, 10] and B over [5, 15] x [5, 15] share [5, 10] x [5, 10].
    for (TY YA : {TY::Up, TY::Down})
        for (TY YB : {TY::Up, TY::Down}) {
            const std::string Case = "A " + Name(YA) + ", B " + Name(YB);
            MapPtr A = MakeMap(YA, 0, 0, 1, 10, 10), B = MakeMap(YB, 5, 5, 1, 10, 10);
            const auto Out = Intersect(A.get(), B.get());
            for (const TMap* Part : {Out.first.get(), Out.second.get()}) {
                EXPECT_EQ(Part->GetXDim() * Part->GetYDim(), 25) << Case;
                EXPECT_EQ(Extent(Part), std::vector<double>({5, 10, 5, 10})) << Case;
            }
            EXPECT_TRUE(CellsComeFrom(Out.first.get(), A.get())) << Case;
            EXPECT_TRUE(CellsComeFrom(Out.second.get(), B.get())) << Case;
        }
    // B's cells of size 2 are centred on 6, 8 and 10 within A: 10 lies on A's edge.
    MapPtr A = MakeMap(TY::Down, 0, 0, 1, 10, 10), B = MakeMap(TY::Down, 5, 5, 2, 5, 5);
    EXPECT_EQ(Extent(Intersect(A.get(), B.get()).second.get()),
              std::vector<double>({5, 11, 5, 11}));
}

// Regression: maps whose extents only touch gave empty windows.
TEST_F(MapToolsWindowTest, RegressionIntersectionFailsWhereNoCentreLiesInTheOtherMap) {
    const struct {
        const char* Name;
        double X0, Y0, Res;
    } Cases[] = {
        {"apart in X", 20, 0, 1},
        {"touching in Y", 0, 10, 1},
        {"touching at a corner", -10, -10, 1},
        {"overlapping, no centre of B within A", 9.5, 9.5, 10},
    };
    for (TY Y : {TY::Up, TY::Down})
        for (const auto& C : Cases) {
            MapPtr A = MakeMap(Y, 0, 0, 1, 10, 10), B = MakeMap(Y, C.X0, C.Y0, C.Res, 10, 10);
            EXPECT_EQ(MessageOf([&] { Intersect(A.get(), B.get()); }),
                      "Maps do not intersect in TMapTools::Intersection")
                << C.Name << ", " << Name(Y);
        }
}

// Regression: both operations read the axes of a map that had none.
TEST_F(MapToolsWindowTest, RegressionIntersectionAndInsertRefuseMapsWithoutAxes) {
    MapPtr A = MakeMap(TY::Up, 0, 0, 1, 10, 10);
    TMap Bare(1.0, 2, 2);
    EXPECT_EQ(MessageOf([&] { Intersect(A.get(), &Bare); }),
              "Map has no axes in TMapTools::Intersection");
    EXPECT_EQ(MessageOf([&] { TMapTools::Insert(A.get(), &Bare); }),
              "Map has no axes in TMapTools::Insert");
}

// Regression: Insert compared the Y edges as if every Y axis ascended, and copied cells
// before it found an overrun. The destination lies over [0, 10] x [0, 10]; its first Y edge
// is the northern one when its Y axis descends, the southern one when it ascends.
TEST_F(MapToolsWindowTest, RegressionInsertRefusesOverrunsBeforeCopying) {
    const std::string Outside = " corner is outside of the destination map in TMapTools::Insert";
    const std::string NW = "Insert map's NW" + Outside, SE = "Insert map's SE" + Outside;
    const struct {
        const char* Name;
        TY YD, YS;
        double X0, Y0;
        long Size;
        std::string Expected;
    } Cases[] = {
        {"west", TY::Down, TY::Down, -1, 2, 2, NW},
        {"north of descending", TY::Down, TY::Up, 2, 9, 2, NW},
        {"east", TY::Down, TY::Down, 9, 2, 2, SE},
        {"south of descending", TY::Down, TY::Down, 2, -1, 2, SE},
        {"south of ascending", TY::Up, TY::Up, 2, -1, 2, NW},
        {"north of ascending", TY::Up, TY::Down, 2, 9, 2, SE},
        {"around the destination", TY::Down, TY::Down, -1, -1, 12, NW},
    };
    for (const auto& C : Cases) {
        MapPtr D = MakeMap(C.YD, 0, 0, 1, 10, 10), S = MakeMap(C.YS, C.X0, C.Y0, 1, C.Size, C.Size);
        const TRows Before = RowsOf(D.get());
        EXPECT_EQ(MessageOf([&] { TMapTools::Insert(D.get(), S.get()); }), C.Expected) << C.Name;
        EXPECT_EQ(RowsOf(D.get()), Before) << C.Name;
    }
}

// No-data cells are copied like any other.
TEST_F(MapToolsWindowTest, RegressionInsertCopiesAMapInsideInEveryOrientation) {
    const struct {
        double X0, Y0;
        long Size;
    } Cases[] = {{2, 2, 2}, {0, 0, 3}, {7, 7, 3}, {0, 0, 10}};
    for (TY YD : {TY::Up, TY::Down})
        for (TY YS : {TY::Up, TY::Down})
            for (const auto& C : Cases) {
                const std::string Case = "D " + Name(YD) + ", S " + Name(YS) + " at " +
                                         std::to_string(C.X0) + " size " + std::to_string(C.Size);
                MapPtr D = MakeMap(YD, 0, 0, 1, 10, 10),
                       S = MakeMap(YS, C.X0, C.Y0, 1, C.Size, C.Size);
                D->InitValues(-1.0);
                S->SetPoint(0, 0, -9999.0);
                TMapTools::Insert(D.get(), S.get());
                const TPoint First(C.X0 + 0.5, C.Y0 + 0.5),
                    Last(C.X0 + C.Size - 0.5, C.Y0 + C.Size - 0.5);
                MapPtr Copied(TMapTools::Extract(D.get(), &First, &Last));
                EXPECT_TRUE(CellsComeFrom(Copied.get(), S.get())) << Case;
                EXPECT_EQ(CountCells(D.get(), -1.0), 100 - C.Size * C.Size) << Case;
            }
}

TEST_F(MapToolsWindowTest, FillBlockFillsExactlyTheWindow) {
    MapPtr Map = UnitMap(TRows(3, std::vector<double>(4, 0.0)));
    TMapTools::FillBlock(Map.get(), 7.0, 0, 1, 1, 3);
    EXPECT_TRUE(HasRows(Map.get(), {{0, 7, 7, 7}, {0, 7, 7, 7}, {0, 0, 0, 0}}));
    TMapTools::FillBlock(Map.get(), 5.0, 2, 2, 0, 0);
    EXPECT_EQ(CountCells(Map.get(), 5.0), 1);
    EXPECT_EQ(Map->GetPointVal(0, 2), 5.0);
}

TEST_F(MapToolsWindowTest, BufferIndicesWidensTheWindowWithinTheGrid) {
    const struct {
        const char* Name;
        long Margin;
        TWindow In, Out;
    } Cases[] = {
        {"clamped east and south", 2, {1, 5, 3, 9}, {0, 7, 1, 9}},
        {"inside", 1, {3, 4, 4, 5}, {2, 5, 3, 6}},
        {"reaching the edges exactly", 2, {2, 5, 2, 7}, {0, 7, 0, 9}},
        {"wider than the map", 50, {3, 4, 4, 5}, {0, 7, 0, 9}},
    };
    MapPtr Map = MakeMap(TY::Down, 0, 0, 1, 10, 8);
    for (const auto& C : Cases) {
        TWindow W = C.In;
        TMapTools::BufferIndices(Map.get(), C.Margin, W[0], W[1], W[2], W[3]);
        EXPECT_EQ(W, C.Out) << C.Name;
    }
}

TEST_F(MapToolsWindowTest, FindPatchExtentGivesTheSmallestWindowOfTheValue) {
    const struct {
        const char* Name;
        std::vector<std::pair<long, long>> Cells; // column, row set to the value
        double Value;
        TWindow Out;
    } Cases[] = {
        {"two cells", {{2, 3}, {5, 1}}, 42.0, {1, 3, 2, 5}},
        {"corners", {{0, 4}, {6, 0}}, 42.0, {0, 4, 0, 6}},
        {"nowhere", {}, 42.0, {0, 0, 0, 0}},
        {"NaN matches no cell", {{3, 3}}, NAN, {0, 0, 0, 0}},
    };
    for (const auto& C : Cases) {
        MapPtr Map = MakeMap(TY::Down, 0, 0, 1, 7, 5);
        for (const auto& Cell : C.Cells)
            Map->SetPoint(Cell.first, Cell.second, C.Value);
        TWindow W(4, -1);
        TMapTools::FindPatchExtent(Map.get(), C.Value, W[0], W[1], W[2], W[3]);
        EXPECT_EQ(W, C.Out) << C.Name;
    }
}

} // namespace
