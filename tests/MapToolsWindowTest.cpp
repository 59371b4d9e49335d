#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

/// The value of column `LngX`, row `LngY` in every test map.
double CellValue(long LngX, long LngY) {
    return 100.0 * LngX + LngY;
}

enum class TYAxis { Ascending, Descending };

const char* Name(TYAxis Y) {
    return Y == TYAxis::Ascending ? "ascending" : "descending";
}

/// Map of `Columns` x `Rows` cells of size `Res` whose south-west corner is (X0, Y0). An
/// ascending map is built on point axes with row 0 southernmost; a descending one is read
/// from an ARC/INFO grid, with row 0 northernmost.
std::unique_ptr<TMap> MakeMap(TYAxis Y, double X0, double Y0, double Res, long Columns, long Rows) {
    if (Y == TYAxis::Descending) {
        std::ostringstream Grid;
        Grid << "ncols " << Columns << "\nnrows " << Rows << "\nxllcorner " << X0 << "\nyllcorner "
             << Y0 << "\ncellsize " << Res << "\nNODATA_value -9999\n";
        for (long LngY = 0; LngY < Rows; ++LngY) {
            for (long LngX = 0; LngX < Columns; ++LngX)
                Grid << CellValue(LngX, LngY) << ' ';
            Grid << '\n';
        }
        std::istringstream In(Grid.str());
        return std::unique_ptr<TMap>(TARCGISFileTools::LoadARCGISFile(In));
    }
    TAxis XAxis(Res), YAxis(Res);
    for (long LngX = 0; LngX < Columns; ++LngX)
        XAxis.AddPoint(new TPoint(X0 + Res * (LngX + 0.5), Y0));
    for (long LngY = 0; LngY < Rows; ++LngY)
        YAxis.AddPoint(new TPoint(X0, Y0 + Res * (LngY + 0.5)));
    std::unique_ptr<TMap> Map(new TMap(&XAxis, &YAxis));
    for (long LngY = 0; LngY < Rows; ++LngY)
        for (long LngX = 0; LngX < Columns; ++LngX)
            Map->SetPoint(LngX, LngY, CellValue(LngX, LngY));
    return Map;
}

/// Lower and upper end of the map's edges in one direction.
std::pair<double, double> Extent(const TMap* Map, char Axis) {
    const TAxis* Edges = Axis == 'X' ? Map->GetXAxisInterval() : Map->GetYAxisInterval();
    const long Last = Edges->GetSize() - 1;
    const double First = Axis == 'X' ? Edges->GetPoint(0)->GetX() : Edges->GetPoint(0)->GetY();
    const double End = Axis == 'X' ? Edges->GetPoint(Last)->GetX() : Edges->GetPoint(Last)->GetY();
    return {std::min(First, End), std::max(First, End)};
}

std::vector<std::vector<double>> Snapshot(const TMap* Map) {
    std::vector<std::vector<double>> Rows;
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        Rows.push_back(Map->GetRow(LngY));
    return Rows;
}

/// The message thrown by the call, or "" when it returns.
std::string ThrownMessage(const std::function<void()>& Call) {
    try {
        Call();
    } catch (char* Message) {
        return Message;
    }
    return "";
}

/// Every cell of the result holds the value of the source cell under its centre.
void ExpectCellsFromSource(const TMap* Result, const TMap* Source, const std::string& Case) {
    for (long LngY = 0; LngY < Result->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Result->GetXDim(); ++LngX) {
            std::unique_ptr<TPoint> Centre(Result->GetCoordinates(LngX, LngY));
            EXPECT_EQ(Result->GetPointVal(LngX, LngY), Source->GetPointVal(Centre.get()))
                << Case << ": cell (" << LngX << ", " << LngY << ")";
        }
}

class MapToolsWindowTest : public ::testing::Test {};

} // namespace

// ---- Extract --------------------------------------------------------------------------

TEST_F(MapToolsWindowTest, ExtractFailsForAPointOutsideTheMap) {
    std::unique_ptr<TMap> Map = MakeMap(TYAxis::Descending, 0, 0, 1, 4, 3);
    const TPoint Inside(0.5, 0.5), West(-0.001, 1), North(1, 3.001);
    EXPECT_EQ(ThrownMessage([&] { delete TMapTools::Extract(Map.get(), &Inside, &West); }),
              "Ordinate is out of range in TAxis::GetIndex");
    EXPECT_EQ(ThrownMessage([&] { delete TMapTools::Extract(Map.get(), &North, &Inside); }),
              "Ordinate is out of range in TAxis::GetIndex");
}

TEST_F(MapToolsWindowTest, ExtractTakesTheCellsBetweenTwoPoints) {
    struct TCase {
        const char* Name;
        TYAxis Y;
        TPoint P1, P2;
        long West, North, Columns, Rows;
    };
    // Edges X 0 to 4, Y 0 to 3, resolution 1. A descending map's row 0 lies at Y 2..3, an
    // ascending one's at Y 0..1.
    const TCase Cases[] = {
        {"descending", TYAxis::Descending, {0.5, 2.5}, {2.5, 0.5}, 0, 0, 3, 3},
        {"descending, points swapped", TYAxis::Descending, {2.5, 0.5}, {0.5, 2.5}, 0, 0, 3, 3},
        {"ascending", TYAxis::Ascending, {0.5, 2.5}, {2.5, 0.5}, 0, 0, 3, 3},
        {"descending, one cell", TYAxis::Descending, {1.2, 1.2}, {1.8, 1.9}, 1, 1, 1, 1},
        {"descending, upper ends", TYAxis::Descending, {4, 3}, {3.5, 1.5}, 3, 0, 1, 2},
        {"ascending, upper ends", TYAxis::Ascending, {4, 3}, {2.5, 1.5}, 2, 1, 2, 2},
        {"descending, lower ends", TYAxis::Descending, {0, 0}, {1.5, 0.5}, 0, 2, 2, 1},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Map = MakeMap(C.Y, 0, 0, 1, 4, 3);
        Map->SetNoDataValue(-1.0);
        Map->SetMetadata("source");
        std::unique_ptr<TMap> Window(TMapTools::Extract(Map.get(), &C.P1, &C.P2));
        ASSERT_EQ(Window->GetXDim(), C.Columns) << C.Name;
        ASSERT_EQ(Window->GetYDim(), C.Rows) << C.Name;
        for (long LngY = 0; LngY < C.Rows; ++LngY)
            for (long LngX = 0; LngX < C.Columns; ++LngX)
                EXPECT_EQ(Window->GetPointVal(LngX, LngY), CellValue(C.West + LngX, C.North + LngY))
                    << C.Name << ": cell (" << LngX << ", " << LngY << ")";
        ExpectCellsFromSource(Window.get(), Map.get(), C.Name);
        EXPECT_EQ(Window->GetResolution(), 1.0) << C.Name;
        EXPECT_EQ(Window->GetNoDataValue(), -9999.0) << C.Name;
        EXPECT_EQ(Window->GetMetadata(), "") << C.Name;
    }
}

// ---- Intersection ---------------------------------------------------------------------

TEST_F(MapToolsWindowTest, IntersectionFailsWhenACellHasNoCentreInTheOtherMap) {
    struct TCase {
        const char* Name;
        double BX0, BY0, BRes;
    };
    // A lies over [0, 10] x [0, 10] in cells of 1; B has 10 x 10 cells of size BRes.
    const TCase Cases[] = {
        {"apart in X", 20, 0, 1},
        {"apart in Y", 0, -20, 1},
        {"touching in X", 10, 0, 1},
        {"touching in Y", 0, 10, 1},
        {"touching at a corner", -10, -10, 1},
        {"overlapping, no centre of B within A", 9.5, 9.5, 10},
    };
    for (TYAxis Y : {TYAxis::Ascending, TYAxis::Descending})
        for (const TCase& C : Cases) {
            std::unique_ptr<TMap> A = MakeMap(Y, 0, 0, 1, 10, 10);
            std::unique_ptr<TMap> B = MakeMap(Y, C.BX0, C.BY0, C.BRes, 10, 10);
            TMap* OA = nullptr;
            TMap* OB = nullptr;
            EXPECT_EQ(ThrownMessage([&] { TMapTools::Intersection(A.get(), B.get(), OA, OB); }),
                      "Maps do not intersect in TMapTools::Intersection")
                << C.Name << ", " << Name(Y);
            EXPECT_TRUE(OA == nullptr && OB == nullptr) << C.Name;
        }
}

TEST_F(MapToolsWindowTest, IntersectionAndInsertRefuseMapsWithoutAxes) {
    std::unique_ptr<TMap> A = MakeMap(TYAxis::Ascending, 0, 0, 1, 10, 10);
    TMap Bare(1.0, 2, 2);
    TMap* OA = nullptr;
    TMap* OB = nullptr;
    EXPECT_EQ(ThrownMessage([&] { TMapTools::Intersection(A.get(), &Bare, OA, OB); }),
              "Map has no axes in TMapTools::Intersection");
    EXPECT_EQ(ThrownMessage([&] { TMapTools::Insert(A.get(), &Bare); }),
              "Map has no axes in TMapTools::Insert");
}

TEST_F(MapToolsWindowTest, RegressionIntersectionKeepsTheWholeOverlapInEveryOrientation) {
    // A over [0, 10] x [0, 10] and B over [5, 15] x [5, 15] share [5, 10] x [5, 10].
    for (TYAxis YA : {TYAxis::Ascending, TYAxis::Descending})
        for (TYAxis YB : {TYAxis::Ascending, TYAxis::Descending}) {
            const std::string Case = std::string("A ") + Name(YA) + ", B " + Name(YB);
            std::unique_ptr<TMap> A = MakeMap(YA, 0, 0, 1, 10, 10);
            std::unique_ptr<TMap> B = MakeMap(YB, 5, 5, 1, 10, 10);
            TMap* RawA = nullptr;
            TMap* RawB = nullptr;
            TMapTools::Intersection(A.get(), B.get(), RawA, RawB);
            std::unique_ptr<TMap> OA(RawA), OB(RawB);
            for (const TMap* Out : {OA.get(), OB.get()}) {
                ASSERT_EQ(Out->GetXDim(), 5) << Case;
                ASSERT_EQ(Out->GetYDim(), 5) << Case;
                EXPECT_EQ(Extent(Out, 'X'), std::make_pair(5.0, 10.0)) << Case;
                EXPECT_EQ(Extent(Out, 'Y'), std::make_pair(5.0, 10.0)) << Case;
            }
            ExpectCellsFromSource(OA.get(), A.get(), Case + ", OA");
            ExpectCellsFromSource(OB.get(), B.get(), Case + ", OB");
        }
}

TEST_F(MapToolsWindowTest, IntersectionOfDifferentResolutionsKeepsCentresWithin) {
    // B's cells of size 2 have their centres at 6, 8, 10, ...: 6 and 8 lie inside A, and 10
    // on A's edge, which counts as within (the edge belongs to A's last cell).
    std::unique_ptr<TMap> A = MakeMap(TYAxis::Descending, 0, 0, 1, 10, 10);
    std::unique_ptr<TMap> B = MakeMap(TYAxis::Descending, 5, 5, 2, 5, 5);
    TMap* RawA = nullptr;
    TMap* RawB = nullptr;
    TMapTools::Intersection(A.get(), B.get(), RawA, RawB);
    std::unique_ptr<TMap> OA(RawA), OB(RawB);
    EXPECT_EQ(Extent(OA.get(), 'X'), std::make_pair(5.0, 10.0));
    EXPECT_EQ(Extent(OA.get(), 'Y'), std::make_pair(5.0, 10.0));
    EXPECT_EQ(OB->GetXDim(), 3);
    EXPECT_EQ(OB->GetYDim(), 3);
    EXPECT_EQ(Extent(OB.get(), 'X'), std::make_pair(5.0, 11.0));
    EXPECT_EQ(Extent(OB.get(), 'Y'), std::make_pair(5.0, 11.0));
    ExpectCellsFromSource(OA.get(), A.get(), "OA");
    ExpectCellsFromSource(OB.get(), B.get(), "OB");
}

// ---- Insert ---------------------------------------------------------------------------

TEST_F(MapToolsWindowTest, RegressionInsertRefusesOverrunsBeforeCopying) {
    const std::string NW =
        "Insert map's NW corner is outside of the destination map in TMapTools::Insert";
    const std::string SE =
        "Insert map's SE corner is outside of the destination map in TMapTools::Insert";
    struct TCase {
        const char* Name;
        TYAxis YD, YS;
        double SX0, SY0;
        long Columns, Rows;
        std::string Expected;
    };
    // The destination lies over [0, 10] x [0, 10]; its first Y edge is the northern one
    // when its Y axis descends and the southern one when it ascends.
    const TCase Cases[] = {
        {"west", TYAxis::Descending, TYAxis::Descending, -1, 2, 5, 2, NW},
        {"north of descending", TYAxis::Descending, TYAxis::Descending, 2, 9, 2, 2, NW},
        {"north of descending, insert ascending", TYAxis::Descending, TYAxis::Ascending, 2, 9, 2, 2,
         NW},
        {"east", TYAxis::Descending, TYAxis::Descending, 9, 2, 2, 2, SE},
        {"south of descending", TYAxis::Descending, TYAxis::Descending, 2, -1, 2, 2, SE},
        {"south of ascending", TYAxis::Ascending, TYAxis::Ascending, 2, -1, 2, 2, NW},
        {"north of ascending", TYAxis::Ascending, TYAxis::Descending, 2, 9, 2, 2, SE},
        {"west and south of descending", TYAxis::Descending, TYAxis::Ascending, -1, -1, 2, 2, NW},
        {"around the destination", TYAxis::Descending, TYAxis::Descending, -1, -1, 12, 12, NW},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> D = MakeMap(C.YD, 0, 0, 1, 10, 10);
        std::unique_ptr<TMap> S = MakeMap(C.YS, C.SX0, C.SY0, 1, C.Columns, C.Rows);
        S->InitValues(-5.0);
        const auto Before = Snapshot(D.get());
        EXPECT_EQ(ThrownMessage([&] { TMapTools::Insert(D.get(), S.get()); }), C.Expected)
            << C.Name;
        EXPECT_EQ(Snapshot(D.get()), Before) << C.Name;
    }
}

TEST_F(MapToolsWindowTest, RegressionInsertCopiesAMapInsideInEveryOrientation) {
    struct TCase {
        const char* Name;
        double SX0, SY0;
        long Size;
    };
    const TCase Cases[] = {
        {"inside", 2, 2, 2},
        {"at the south-west corner", 0, 0, 3},
        {"at the north-east corner", 7, 7, 3},
        {"over the whole destination", 0, 0, 10},
    };
    for (TYAxis YD : {TYAxis::Ascending, TYAxis::Descending})
        for (TYAxis YS : {TYAxis::Ascending, TYAxis::Descending})
            for (const TCase& C : Cases) {
                const std::string Case =
                    std::string(C.Name) + ", D " + Name(YD) + ", S " + Name(YS);
                std::unique_ptr<TMap> D = MakeMap(YD, 0, 0, 1, 10, 10);
                D->InitValues(-1.0);
                std::unique_ptr<TMap> S = MakeMap(YS, C.SX0, C.SY0, 1, C.Size, C.Size);
                TMapTools::Insert(D.get(), S.get());
                long Copied = 0;
                for (long LngY = 0; LngY < 10; ++LngY)
                    for (long LngX = 0; LngX < 10; ++LngX) {
                        std::unique_ptr<TPoint> Centre(D->GetCoordinates(LngX, LngY));
                        const bool InS = Centre->GetX() > C.SX0 &&
                                         Centre->GetX() < C.SX0 + C.Size &&
                                         Centre->GetY() > C.SY0 && Centre->GetY() < C.SY0 + C.Size;
                        const double Expected = InS ? S->GetPointVal(Centre.get()) : -1.0;
                        Copied += InS;
                        EXPECT_EQ(D->GetPointVal(LngX, LngY), Expected)
                            << Case << ": cell (" << LngX << ", " << LngY << ")";
                    }
                EXPECT_EQ(Copied, C.Size * C.Size) << Case;
            }
}

TEST_F(MapToolsWindowTest, InsertOfAFinerMapKeepsTheLastCopiedCell) {
    // Four cells of size 0.5 over [2, 3] x [2, 3] fall into one destination cell; rows are
    // copied in the outer loop, so the last row's last column wins.
    std::unique_ptr<TMap> D = MakeMap(TYAxis::Descending, 0, 0, 1, 10, 10);
    std::unique_ptr<TMap> S = MakeMap(TYAxis::Ascending, 2, 2, 0.5, 2, 2);
    S->SetPoint(0, 0, -9999.0);
    const TPoint Target(2.5, 2.5);
    TMapTools::Insert(D.get(), S.get());
    EXPECT_EQ(D->GetPointVal(&Target), CellValue(1, 1));
    S->SetPoint(1, 1, -9999.0);
    TMapTools::Insert(D.get(), S.get());
    EXPECT_EQ(D->GetPointVal(&Target), -9999.0) << "no-data cells are copied too";
}

// ---- FillBlock ------------------------------------------------------------------------

TEST_F(MapToolsWindowTest, FillBlockRefusesWindowsOffTheGrid) {
    struct TCase {
        long North, South, West, East;
        std::string Expected;
    };
    // A map of 4 columns and 3 rows.
    const TCase Cases[] = {
        {2, 1, 0, 0, "Northern edge must be less than southern edge in TMapTools::FillBlock"},
        {0, 0, 2, 1, "Western edge must be less than eastern edge in TMapTools::FillBlock"},
        {-1, 0, 0, 0, "Northern ordinate is out of range in TMapTools::FillBlock"},
        {3, 3, 0, 0, "Northern ordinate is out of range in TMapTools::FillBlock"},
        {0, 3, 0, 0, "Southern ordinate is out of range in TMapTools::FillBlock"},
        {0, 0, -1, 0, "Western ordinate is out of range in TMapTools::FillBlock"},
        {0, 0, 4, 4, "Western ordinate is out of range in TMapTools::FillBlock"},
        {0, 0, 0, 4, "Eastern ordinate is out of range in TMapTools::FillBlock"},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Map = MakeMap(TYAxis::Descending, 0, 0, 1, 4, 3);
        const auto Before = Snapshot(Map.get());
        EXPECT_EQ(ThrownMessage([&] {
                      TMapTools::FillBlock(Map.get(), 7.0, C.North, C.South, C.West, C.East);
                  }),
                  C.Expected)
            << C.Expected;
        EXPECT_EQ(Snapshot(Map.get()), Before) << C.Expected;
    }
}

TEST_F(MapToolsWindowTest, FillBlockFillsExactlyTheWindow) {
    struct TCase {
        const char* Name;
        long North, South, West, East;
    };
    const TCase Cases[] = {
        {"one cell", 1, 1, 2, 2},
        {"a block", 0, 1, 1, 3},
        {"the whole map", 0, 2, 0, 3},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Map = MakeMap(TYAxis::Ascending, 0, 0, 1, 4, 3);
        TMapTools::FillBlock(Map.get(), 7.0, C.North, C.South, C.West, C.East);
        for (long LngY = 0; LngY < 3; ++LngY)
            for (long LngX = 0; LngX < 4; ++LngX) {
                const bool Inside =
                    LngY >= C.North && LngY <= C.South && LngX >= C.West && LngX <= C.East;
                EXPECT_EQ(Map->GetPointVal(LngX, LngY), Inside ? 7.0 : CellValue(LngX, LngY))
                    << C.Name << ": cell (" << LngX << ", " << LngY << ")";
            }
    }
}

// ---- BufferIndices and FindPatchExtent ------------------------------------------------

TEST_F(MapToolsWindowTest, BufferIndicesWidensTheWindowWithinTheGrid) {
    struct TCase {
        const char* Name;
        long Margin;
        long In[4];  // north, south, west, east
        long Out[4]; // north, south, west, east
    };
    // A map of 10 columns and 8 rows.
    const TCase Cases[] = {
        {"clamped east and south", 2, {1, 5, 3, 9}, {0, 7, 1, 9}},
        {"inside", 1, {3, 4, 4, 5}, {2, 5, 3, 6}},
        {"margin 0", 0, {3, 4, 4, 5}, {3, 4, 4, 5}},
        {"margin reaching the edges exactly", 2, {2, 5, 2, 7}, {0, 7, 0, 9}},
        {"margin wider than the map", 50, {3, 4, 4, 5}, {0, 7, 0, 9}},
    };
    std::unique_ptr<TMap> Map = MakeMap(TYAxis::Descending, 0, 0, 1, 10, 8);
    for (const TCase& C : Cases) {
        long N = C.In[0], S = C.In[1], W = C.In[2], E = C.In[3];
        TMapTools::BufferIndices(Map.get(), C.Margin, N, S, W, E);
        EXPECT_EQ(std::vector<long>({N, S, W, E}),
                  std::vector<long>(std::begin(C.Out), std::end(C.Out)))
            << C.Name;
    }
}

TEST_F(MapToolsWindowTest, FindPatchExtentGivesTheSmallestWindowOfTheValue) {
    struct TCase {
        const char* Name;
        std::vector<std::pair<long, long>> Cells; // (column, row) set to the value
        double Value;
        long Out[4]; // north, south, west, east
    };
    const TCase Cases[] = {
        {"two cells", {{2, 3}, {5, 1}}, 42.0, {1, 3, 2, 5}},
        {"one cell", {{4, 2}}, 42.0, {2, 2, 4, 4}},
        {"nowhere", {}, 42.0, {0, 0, 0, 0}},
        {"only in cell (0, 0)", {{0, 0}}, 42.0, {0, 0, 0, 0}},
        {"corners", {{0, 4}, {6, 0}}, 42.0, {0, 4, 0, 6}},
        {"NaN matches no cell", {{3, 3}}, NAN, {0, 0, 0, 0}},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Map = MakeMap(TYAxis::Descending, 0, 0, 1, 7, 5);
        for (const auto& Cell : C.Cells)
            Map->SetPoint(Cell.first, Cell.second, C.Value);
        long N = -1, S = -1, W = -1, E = -1;
        TMapTools::FindPatchExtent(Map.get(), C.Value, N, S, W, E);
        EXPECT_EQ(std::vector<long>({N, S, W, E}),
                  std::vector<long>(std::begin(C.Out), std::end(C.Out)))
            << C.Name;
    }
}
