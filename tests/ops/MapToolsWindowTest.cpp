#include "TMapTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace testsupport;

namespace {

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
    const std::vector<double> E = EdgeSpan(Map);
    return {std::min(E[0], E[1]), std::max(E[0], E[1]), std::min(E[2], E[3]), std::max(E[2], E[3])};
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

// Edges X 0 to 4, Y 0 to 3; a descending map's row 0 lies at the top, an ascending one's at
// the bottom. A corner on the upper end of an axis takes the edge cell there.
TEST_F(MapToolsWindowTest, ExtractTakesTheCellsBetweenTwoPoints) {
    const struct {
        const char* Name;
        TY Y;
        TPoint P1, P2;
        std::vector<double> Extent;
    } Cases[] = {
        {"descending", TY::Down, {0.5, 2.5}, {2.5, 0.5}, {0, 3, 0, 3}},
        {"ascending", TY::Up, {0.5, 2.5}, {2.5, 0.5}, {0, 3, 0, 3}},
        {"descending, upper ends", TY::Down, {4, 3}, {3.5, 1.5}, {3, 4, 1, 3}},
        {"ascending, upper ends", TY::Up, {4, 3}, {2.5, 1.5}, {2, 4, 1, 3}},
        {"descending, lower ends", TY::Down, {0, 0}, {1.5, 0.5}, {0, 2, 0, 1}},
    };
    for (const auto& C : Cases) {
        MapPtr Map = MakeMap(C.Y, 0, 0, 1, 4, 3);
        MapPtr Window(TMapTools::Extract(Map.get(), &C.P1, &C.P2));
        EXPECT_EQ(Extent(Window.get()), C.Extent) << C.Name;
        EXPECT_TRUE(CellsComeFrom(Window.get(), Map.get())) << C.Name;
    }
}

// Regression: Intersection mistook the edges of maps whose Y axis descends, and gave empty
// windows for extents that only touch. A lies over [0, 10] x [0, 10]; each map keeps its
// cells whose centres lie within the other's extent, its edges included.
TEST_F(MapToolsWindowTest, RegressionIntersectionKeepsTheWholeOverlapInEveryOrientation) {
    const struct {
        const char* Name;
        double X0, Y0, Res;         // B's south-west corner and cell size, 10 x 10 cells
        std::vector<double> OA, OB; // their extents, none when the maps do not intersect
    } Cases[] = {
        {"overlap", 5, 5, 1, {5, 10, 5, 10}, {5, 10, 5, 10}},
        {"coarser B, a centre on A's edge", 5, 5, 2, {5, 10, 5, 10}, {5, 11, 5, 11}},
        {"coarser B, a centre on A's low edge", -1, -1, 2, {0, 10, 0, 10}, {-1, 11, -1, 11}},
        {"apart in X", 20, 0, 1, {}, {}},
        {"touching in Y", 0, 10, 1, {}, {}},
        {"touching at a corner", -10, -10, 1, {}, {}},
        {"overlapping, no centre of B within A", 9.5, 9.5, 10, {}, {}},
    };
    for (TY YA : {TY::Up, TY::Down})
        for (TY YB : {TY::Up, TY::Down})
            for (const auto& C : Cases) {
                const std::string Case =
                    std::string(C.Name) + ", A " + Name(YA) + ", B " + Name(YB);
                MapPtr A = MakeMap(YA, 0, 0, 1, 10, 10), B = MakeMap(YB, C.X0, C.Y0, C.Res, 10, 10);
                if (C.OA.empty()) {
                    EXPECT_EQ(MessageOf([&] { Intersect(A.get(), B.get()); }),
                              "Maps do not intersect in TMapTools::Intersection")
                        << Case;
                    continue;
                }
                const auto Out = Intersect(A.get(), B.get());
                EXPECT_EQ(Extent(Out.first.get()), C.OA) << Case;
                EXPECT_EQ(Extent(Out.second.get()), C.OB) << Case;
                EXPECT_TRUE(CellsComeFrom(Out.first.get(), A.get())) << Case;
                EXPECT_TRUE(CellsComeFrom(Out.second.get(), B.get())) << Case;
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
TEST_F(MapToolsWindowTest, RegressionInsertCopiesAllOrNothingInEveryOrientation) {
    const std::string Outside = " corner is outside of the destination map in TMapTools::Insert";
    const std::string NW = "Insert map's NW" + Outside, SE = "Insert map's SE" + Outside;
    const struct {
        const char* Name;
        double X0, Y0; // the insert map's south-west corner
        long Size;
        std::string IfDown, IfUp; // the failure by the destination's Y axis, none if copied
    } Cases[] = {
        {"inside", 2, 2, 2, "", ""},
        {"at the south-west corner", 0, 0, 3, "", ""},
        {"at the north-east corner", 7, 7, 3, "", ""},
        {"over the whole destination", 0, 0, 10, "", ""},
        {"west", -1, 2, 2, NW, NW},
        {"east", 9, 2, 2, SE, SE},
        {"north", 2, 9, 2, NW, SE},
        {"south", 2, -1, 2, SE, NW},
        {"around the destination", -1, -1, 12, NW, NW},
    };
    for (TY YD : {TY::Up, TY::Down})
        for (TY YS : {TY::Up, TY::Down})
            for (const auto& C : Cases) {
                const std::string Case =
                    std::string(C.Name) + ", D " + Name(YD) + ", S " + Name(YS);
                MapPtr D = MakeMap(YD, 0, 0, 1, 10, 10),
                       S = MakeMap(YS, C.X0, C.Y0, 1, C.Size, C.Size);
                D->InitValues(-1.0);
                S->SetPoint(0, 0, -9999.0); // copied like any other value
                const std::string Expected = YD == TY::Down ? C.IfDown : C.IfUp;
                if (!Expected.empty()) {
                    EXPECT_EQ(MessageOf([&] { TMapTools::Insert(D.get(), S.get()); }), Expected)
                        << Case;
                    EXPECT_EQ(CountCells(D.get(), -1.0), 100) << Case;
                    continue;
                }
                TMapTools::Insert(D.get(), S.get());
                const TPoint First(C.X0 + 0.5, C.Y0 + 0.5);
                const TPoint Last(C.X0 + C.Size - 0.5, C.Y0 + C.Size - 0.5);
                MapPtr Copied(TMapTools::Extract(D.get(), &First, &Last));
                EXPECT_TRUE(CellsComeFrom(Copied.get(), S.get())) << Case;
                EXPECT_EQ(CountCells(D.get(), -1.0), 100 - C.Size * C.Size) << Case;
            }
}

// A filled window is found again as the patch of its value, and nothing else is filled.
TEST_F(MapToolsWindowTest, FindPatchExtentFindsAFilledBlockAndBufferIndicesWidensIt) {
    MapPtr Map = MakeMap(TY::Down, 0, 0, 1, 10, 8);
    const auto Patch = [&](double Value) {
        TWindow W(4, -1);
        TMapTools::FindPatchExtent(Map.get(), Value, W[0], W[1], W[2], W[3]);
        return W;
    };
    const auto Buffer = [&](long Margin, TWindow W) {
        TMapTools::BufferIndices(Map.get(), Margin, W[0], W[1], W[2], W[3]);
        return W;
    };
    EXPECT_EQ(Patch(-1), TWindow({0, 0, 0, 0})) << "nowhere";
    EXPECT_EQ(Patch(NaN), TWindow({0, 0, 0, 0})) << "NaN matches no cell";
    TMapTools::FillBlock(Map.get(), -1, 1, 3, 2, 5);
    EXPECT_EQ(Patch(-1), TWindow({1, 3, 2, 5}));
    EXPECT_EQ(CountCells(Map.get(), -1), 3 * 4);
    TMapTools::FillBlock(Map.get(), -1, 7, 7, 9, 9);
    EXPECT_EQ(Patch(-1), TWindow({1, 7, 2, 9})) << "south-east corner";
    EXPECT_EQ(Buffer(2, {1, 5, 3, 9}), TWindow({0, 7, 1, 9})) << "clamped";
    EXPECT_EQ(Buffer(1, {3, 4, 4, 5}), TWindow({2, 5, 3, 6})) << "inside";
    EXPECT_EQ(Buffer(50, {3, 4, 4, 5}), TWindow({0, 7, 0, 9})) << "wider than the map";
    EXPECT_EQ(Buffer(2, {2, 6, 2, 8}), TWindow({0, 7, 0, 9})) << "exactly one margin inside";
}

TEST_F(MapToolsWindowTest, OutputsOnRandomMapsKeepTheirRecordedBits) {
    // Recorded from the first implementation: any changed bit of a cell or axis point shows.
    const MapPtr North = RandomMap(1, 23, 17, 0.3, 10.15, 5.05, false, true);
    const MapPtr West = RandomMap(3, 17, 15, 0.7, 15.35, 4.35, true, true, -1.0);
    const TPoint P1(11.1, 1.3), P2(15, 4.5);
    const auto Part = [&](bool First) {
        return [&, First] {
            auto Both = Intersect(North.get(), West.get());
            return (First ? Both.first : Both.second).release();
        };
    };
    ExpectRecorded({
        {"Extract", [&] { return TMapTools::Extract(North.get(), &P1, &P2); }, 0xf710acb00c8c29d9},
        {"Extract X descending", [&] { return TMapTools::Extract(West.get(), &P2, &P1); },
         0xd5a3347cedb497e8},
        {"Intersection, first", Part(true), 0x7e509ccee6fbf957},
        {"Intersection, second", Part(false), 0x874d33b3c4f2ae24},
    });
}

// Each order in which a file may list its rows and columns gives the same north-up map.
TEST_F(MapToolsWindowTest, NorthUpListsRowsNorthToSouthAndColumnsWestToEast) {
    MapPtr Up = UnitMap({{1, 2, 3}, {4, 5, 6}}, -1.0);
    for (bool Rows : {false, true})
        for (bool Columns : {false, true}) {
            MapPtr Listed = Reversed(Up.get(), Rows, Columns);
            Listed->SetMetadata("\nmonthly\n");
            MapPtr Result(TMapTools::NorthUp(Listed.get()));
            const std::string Case = std::string(Rows ? "rows reversed" : "rows north-up") +
                                     (Columns ? ", columns reversed" : "");
            EXPECT_TRUE(HasRows(Result.get(), RowsOf(Up.get()))) << Case;
            EXPECT_EQ(EdgeSpan(Result.get()), EdgeSpan(Up.get())) << Case;
            EXPECT_EQ(Result->GetXAxis()->GetPoint(2)->GetX(), 2.5) << Case;
            EXPECT_EQ(Result->GetYAxis()->GetPoint(1)->GetY(), 0.5) << Case;
            EXPECT_EQ(Result->GetNoDataValue(), -1.0) << Case;
            EXPECT_EQ(Result->GetMetadata(), "\nmonthly\n") << Case;
        }
    // A grid read from its header keeps its edges and centres exactly.
    MapPtr Grid = ReadGrid({{1, 2}, {3, 4}}, 0.1, 0.3, 0.7);
    MapPtr Copy(TMapTools::NorthUp(Grid.get()));
    EXPECT_EQ(EdgeSpan(Copy.get()), EdgeSpan(Grid.get()));
    EXPECT_EQ(Copy->GetXAxis()->GetPoint(1)->GetX(), Grid->GetXAxis()->GetPoint(1)->GetX());
    EXPECT_EQ(Copy->GetYAxis()->GetPoint(1)->GetY(), Grid->GetYAxis()->GetPoint(1)->GetY());
    TMap Bare(1.0, 2, 2);
    ExpectFailures({
        {"no axes", [&] { delete TMapTools::NorthUp(&Bare); },
         "Map has no axes in TMapTools::NorthUp"},
        {"no map", [] { delete TMapTools::NorthUp(nullptr); },
         "Map is not set in TMapTools::NorthUp"},
    });
}

} // namespace
