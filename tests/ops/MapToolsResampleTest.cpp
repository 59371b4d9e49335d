#include "TMapTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

using namespace testsupport;

namespace {

using TEdges = std::vector<double>;
const TEdges Up4 = {0, 1, 2, 3, 4}, Down4 = {4, 3, 2, 1, 0}, Down3 = {3, 2, 1, 0};

double Plane(double X, double Y) {
    return 2.0 * X + 10.0 * Y + 1.0;
}

/// Map on the given cell edges (either direction) whose cell centred on (X, Y) holds
/// Value(X, Y).
MapPtr OnEdges(const TEdges& XEdges, const TEdges& YEdges,
               const std::function<double(double, double)>& Value = Plane,
               double Resolution = 1.0) {
    MapPtr Map(new TMap(Resolution, XEdges.size() - 1, YEdges.size() - 1));
    TAxis XAxis(Resolution), YAxis(Resolution);
    for (double X : XEdges)
        XAxis.AddPoint(new TPoint(X, 0.0));
    for (double Y : YEdges)
        YAxis.AddPoint(new TPoint(0.0, Y));
    Map->SetXAxisInterval(&XAxis);
    Map->SetYAxisInterval(&YAxis);
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Map->GetXDim(); ++LngX) {
            const std::unique_ptr<TPoint> Centre(Map->GetCoordinates(LngX, LngY));
            Map->SetPoint(LngX, LngY, Value(Centre->GetX(), Centre->GetY()));
        }
    return Map;
}

/// Value of the map's cell that holds (X, Y).
double At(const TMap* Map, double X, double Y) {
    const TPoint Point(X, Y);
    return Map->GetPointVal(&Point);
}

class MapToolsResampleTest : public ::testing::Test {};

TEST_F(MapToolsResampleTest, FailuresCarryTheirMessages) {
    const MapPtr Source = OnEdges(Up4, Down3);
    const TMap Bare(1.0, 2, 2);
    const auto Down = [](const TMap* M, double R) {
        return [=] { delete TMapTools::Downscale(M, R); };
    };
    const auto Sub = [](const TMap* M, int F) {
        return [=] { delete TMapTools::Subdivide(M, F); };
    };
    const auto Interpolate = [](const TMap* M, double R) {
        return [=] { delete TMapTools::BilinearInterpolate(M, R); };
    };
    const auto Blocks = [](const TMap* M, int F) {
        return [=] { delete TMapTools::BlockMean(M, F); };
    };
    const auto Resample = [](const TMap* M, double R) {
        return [=] { delete TMapTools::ResampleBilinear(M, R); };
    };
    const std::string Resampling = "New resolution ", In = " in TMapTools::ResampleBilinear";
    const std::string NotAbove = "New resolution cannot be <= 0.0 in TMapTools::Downscale";
    const std::string Corner = " is out of range in TMapTools::BilinearInterpolate";
    ExpectFailures({
        {"Downscale to 0", Down(Source.get(), 0.0), NotAbove},
        {"Downscale to NaN", Down(Source.get(), NaN), NotAbove},
        {"Downscale to 1e-300", Down(Source.get(), 1e-300),
         "New resolution is too small in TMapTools::Downscale"},
        {"Downscale without axes", Down(&Bare, 0.5),
         "Map has no interval axes in TMapTools::Downscale"},
        // No whole cell fits: the axis setter refuses an axis without points.
        {"Downscale beyond the extent", Down(Source.get(), 5.0),
         "Index is out of range in TAxis::GetPoint"},
        {"Subdivide by 0", Sub(Source.get(), 0), "Factor cannot be < 1 in TMapTools::Subdivide"},
        {"Subdivide without axes", Sub(&Bare, 2),
         "Map has no interval axes in TMapTools::Subdivide"},
        {"BlockMean by 0", Blocks(Source.get(), 0), "Factor cannot be < 1 in TMapTools::BlockMean"},
        {"BlockMean without axes", Blocks(&Bare, 2),
         "Map has no interval axes in TMapTools::BlockMean"},
        {"resample to 0", Resample(Source.get(), 0), Resampling + "must be > 0" + In},
        {"resample to NaN", Resample(Source.get(), NaN), Resampling + "must be > 0" + In},
        {"resample to 1e-300", Resample(Source.get(), 1e-300), Resampling + "is too small" + In},
        {"resample beyond the extent", Resample(Source.get(), 3.5),
         Resampling + "is larger than the map" + In},
        {"resample without axes", Resample(&Bare, 1), "Map has no interval axes" + In},
        {"interpolate to 0", Interpolate(Source.get(), 0.0),
         "New resolution cannot be <= 0.0 in TMapTools::BilinearInterpolate"},
        // A NaN passes the first test and is refused where the grid is built.
        {"interpolate to NaN", Interpolate(Source.get(), NaN), NotAbove},
        // Uneven edges move the cell centres so that a sample's neighbour falls off the grid.
        {"wide first column", Interpolate(OnEdges({0, 3, 3.5, 3.75, 4}, Down4).get(), 0.5),
         "LngGetX1" + Corner},
        {"wide last column", Interpolate(OnEdges({0, 0.5, 1, 1.5, 3}, Down4).get(), 0.5),
         "LngGetX2" + Corner},
        {"tall first row", Interpolate(OnEdges(Up4, {4, 0.8, 0.6, 0.4, 0}).get(), 0.5),
         "LngGetY1" + Corner},
        {"two rows", Interpolate(OnEdges(Up4, {2, 1, 0}).get(), 0.5), "LngGetY2" + Corner},
        // Samples are taken column by column: the first sample's column fails before any row,
        // a row before any later column.
        {"wide first column, tall first row",
         Interpolate(OnEdges({0, 3, 3.5, 3.75, 4}, {4, 0.8, 0.6, 0.4, 0}).get(), 0.5),
         "LngGetX1" + Corner},
        {"wide last column, tall first row",
         Interpolate(OnEdges({0, 0.5, 1, 1.5, 3}, {4, 0.8, 0.6, 0.4, 0}).get(), 0.5),
         "LngGetY1" + Corner},
    });
}

// Corner values 1 at (x1, y1), 2 at (x2, y1), 3 at (x1, y2), 4 at (x2, y2).
TEST_F(MapToolsResampleTest, BilinearFormulaOnTheUnitSquare) {
    const auto Q = [](double x, double x1, double x2, double y, double y1, double y2) {
        return TMapTools::BilinearInterpolate(1, 2, 3, 4, x, x1, x2, y, y1, y2);
    };
    EXPECT_DOUBLE_EQ(Q(0.25, 0, 1, 0.75, 0, 1), 2.75) << "inside";
    EXPECT_DOUBLE_EQ(Q(2, 0, 1, 0, 0, 1), 3) << "extrapolated east";
    EXPECT_DOUBLE_EQ(Q(0.25, 1, 0, 0, 0, 1), 1.75) << "x1 > x2";
    EXPECT_DOUBLE_EQ(Q(0, 0, 1, 0.25, 1, 0), 2.5) << "y1 > y2";
    // Bit for bit: each corner value is divided by the area first (the sum divided at the end
    // gives 0.26666666666666666).
    EXPECT_EQ(TMapTools::BilinearInterpolate(0.1, 0.2, 0.3, 0.4, 0.25, 0, 0.3, 0.35, 0.1, 0.7),
              0.2666666666666666);
    // Of five points, the fourth one's position is never read.
    const TMapPoint Q11(0, 0, 1), Q21(1, 0, 2), Q12(0, 1, 3), Q22(-50, 50, 4);
    TMapPoint Target(0.25, 0.75, 99);
    TMapTools::BilinearInterpolate(&Q11, &Q21, &Q12, &Q22, &Target);
    EXPECT_DOUBLE_EQ(Target.GetValue(), 2.75);
}

// Regression: Subdivide stepped the Y edges of a descending source upward, off the source.
// The new grids start at the source's first edges and step the way its axes run.
TEST_F(MapToolsResampleTest, RegressionDownscaleAndSubdivideStayOverTheSourceInEitherDirection) {
    const struct {
        const char* Name;
        TEdges XEdges, YEdges;
        int Factor;
    } Cases[] = {
        {"Y descending", Up4, Down3, 2},
        {"Y ascending", Up4, {0, 1, 2}, 3},
        {"X descending", {4, 3, 2}, Down4, 2},
        {"factor 1", Up4, Down3, 1},
    };
    for (const auto& C : Cases) {
        MapPtr Source = OnEdges(C.XEdges, C.YEdges);
        Source->SetNoDataValue(Source->GetPointVal(0, 0)); // copied like any value
        Source->SetMetadata("header");
        MapPtr Empty(TMapTools::Downscale(Source.get(), 1.0 / C.Factor));
        MapPtr Result(TMapTools::Subdivide(Source.get(), C.Factor));
        for (const TMap* New : {Empty.get(), Result.get()}) {
            ASSERT_EQ(New->GetXDim(), Source->GetXDim() * C.Factor) << C.Name;
            ASSERT_EQ(New->GetYDim(), Source->GetYDim() * C.Factor) << C.Name;
            for (size_t I = 0; I < 4; ++I)
                EXPECT_DOUBLE_EQ(EdgeSpan(New)[I], EdgeSpan(Source.get())[I])
                    << C.Name << " edge " << I;
            EXPECT_DOUBLE_EQ(New->GetResolution(), 1.0 / C.Factor) << C.Name;
            EXPECT_EQ(New->GetNoDataValue(), -9999.0) << C.Name;
            EXPECT_EQ(New->GetMetadata(), "") << C.Name;
        }
        EXPECT_EQ(CountCells(Empty.get(), -9999.0), Empty->GetXDim() * Empty->GetYDim()) << C.Name;
        // The points of each new axis lie on the source's first edge of the other direction.
        EXPECT_EQ(Empty->GetXAxis()->GetPoint(0)->GetY(), EdgeSpan(Source.get())[2]) << C.Name;
        EXPECT_EQ(Empty->GetYAxis()->GetPoint(0)->GetX(), EdgeSpan(Source.get())[0]) << C.Name;
        EXPECT_TRUE(CellsComeFrom(Result.get(), Source.get())) << C.Name;
    }
    // One centre has no direction: its edges ascend, over the same cell.
    MapPtr Coarser(TMapTools::Downscale(OnEdges(Up4, Down3).get(), 3.0));
    EXPECT_EQ(EdgeSpan(Coarser.get()), TEdges({0, 3, 0, 3}));
}

TEST_F(MapToolsResampleTest, RegressionDownscaleLosesNoCellToRounding) {
    // 0.3 / 0.1 is 2.9999999999999996 in doubles.
    MapPtr Result(TMapTools::Downscale(OnEdges({10.0, 10.3}, {5.3, 5.0}, Plane, 0.3).get(), 0.1));
    EXPECT_EQ(Result->GetXDim(), 3);
    EXPECT_EQ(Result->GetYDim(), 3);
}

// ---- Whole-map interpolation ------------------------------------------------------------

TEST_F(MapToolsResampleTest, InterpolationReproducesAPlaneAtEverySample) {
    const struct {
        const char* Name;
        TEdges XEdges, YEdges, YSamples;
    } Cases[] = {
        {"Y descending", Up4, Down4, {2.5, 2.0, 1.5, 1.0}},
        {"Y ascending", Up4, Up4, {1.0, 1.5, 2.0, 2.5, 3.0}},
        {"X descending", Down4, Down4, {2.5, 2.0, 1.5, 1.0}},
    };
    for (const auto& C : Cases) {
        MapPtr Result(TMapTools::BilinearInterpolate(OnEdges(C.XEdges, C.YEdges).get(), 0.5));
        ASSERT_EQ(Result->GetXDim(), 8) << C.Name;
        ASSERT_EQ(Result->GetYDim(), 8) << C.Name;
        for (double X : {1.0, 1.5, 2.0, 2.5})
            for (double Y : C.YSamples)
                EXPECT_EQ(At(Result.get(), X, Y), Plane(X, Y)) << C.Name << " " << X << "," << Y;
        // Every other cell is unsampled.
        EXPECT_EQ(CountCells(Result.get(), -9999.0), 64 - 4 * long(C.YSamples.size())) << C.Name;
    }
    // A source too narrow for a sample gives only unsampled cells.
    MapPtr Narrow(TMapTools::BilinearInterpolate(OnEdges({0, 1, 2}, Down4).get(), 0.5));
    EXPECT_EQ(CountCells(Narrow.get(), -9999.0), 4 * 8);
}

// Values grow with the square of the column, so a wrong pair of columns shows; row 1,
// centred on Y = 2.5, holds 1 more than row 2.
TEST_F(MapToolsResampleTest, InterpolationBlendsTheCellsAroundTheSample) {
    MapPtr Source = OnEdges(
        Up4, Down4, [](double X, double Y) { return 10.0 * (X - 0.5) * (X - 0.5) + 3.5 - Y; });
    MapPtr Result(TMapTools::BilinearInterpolate(Source.get(), 0.25));
    EXPECT_DOUBLE_EQ(At(Result.get(), 1.5, 2.5), 11) << "centre of column 1";
    EXPECT_DOUBLE_EQ(At(Result.get(), 2.5, 2.5), 41) << "centre of column 2";
    EXPECT_DOUBLE_EQ(At(Result.get(), 1.75, 2.5), 11 + 0.25 * 30) << "east of a centre";
    EXPECT_DOUBLE_EQ(At(Result.get(), 1.25, 2.5), 1 + 0.75 * 10) << "west of a centre";
    EXPECT_DOUBLE_EQ(At(Result.get(), 1.5, 2.25), 11.25) << "between rows";
}

TEST_F(MapToolsResampleTest, RegressionInterpolationMarksNoDataCornersAndUnsampledCells) {
    MapPtr Source = OnEdges(Up4, Down4);
    Source->SetNoDataValue(-1.0);
    Source->SetPoint(0, 1, -1.0); // centre (0.5, 2.5)
    MapPtr Result(TMapTools::BilinearInterpolate(Source.get(), 0.5));
    EXPECT_EQ(Result->GetNoDataValue(), -9999.0);
    EXPECT_EQ(CountCells(Result.get(), -1.0), 0);
    // Samples at X = 1, 1.5 take column 0 as a corner, those at Y = 2.5, 2 row 1: four
    // samples touch the no-data cell, even the one that gives it no weight.
    EXPECT_EQ(At(Result.get(), 1.5, 2.0), -9999.0);
    EXPECT_EQ(At(Result.get(), 2.0, 2.0), Plane(2.0, 2.0));
    EXPECT_EQ(CountCells(Result.get(), -9999.0), 64 - 16 + 4);
    // The sample at (2, 2) has its corners in columns and rows 1 and 2: any no-data one marks it.
    for (long Corner = 0; Corner < 4; ++Corner) {
        MapPtr Holed = OnEdges(Up4, Down4);
        Holed->SetPoint(1 + Corner % 2, 1 + Corner / 2, -9999.0);
        MapPtr Interpolated(TMapTools::BilinearInterpolate(Holed.get(), 0.5));
        EXPECT_EQ(At(Interpolated.get(), 2.0, 2.0), -9999.0) << "corner " << Corner;
    }
}

// ---- Block means and complete bilinear resampling -----------------------------------------

/// The mean of the data cells of each Factor x Factor block, blocks from cell (0, 0).
TRows BlockMeans(const TMap* Map, int Factor) {
    const long XDim = (Map->GetXDim() + Factor - 1) / Factor;
    TRows Sums((Map->GetYDim() + Factor - 1) / Factor, std::vector<double>(XDim, 0.0));
    TRows Counts = Sums;
    ForEachCellOf(Map, [&](long X, long Y, double V) {
        Sums[Y / Factor][X / Factor] += V != Map->GetNoDataValue() ? V : 0.0;
        Counts[Y / Factor][X / Factor] += V != Map->GetNoDataValue() ? 1.0 : 0.0;
    });
    for (size_t Y = 0; Y < Sums.size(); ++Y)
        for (long X = 0; X < XDim; ++X)
            Sums[Y][X] = Counts[Y][X] > 0 ? Sums[Y][X] / Counts[Y][X] : -9999.0;
    return Sums;
}

/// The source centres around ordinate T (either order) with their weights; beyond the
/// outermost centres, the outermost one alone.
using TAround = std::array<std::pair<long, double>, 2>;
TAround Around(const std::vector<double>& C, double T) {
    for (long I = 0; I + 1 < static_cast<long>(C.size()); ++I)
        if (std::min(C[I], C[I + 1]) <= T && T <= std::max(C[I], C[I + 1])) {
            const double W = (T - C[I]) / (C[I + 1] - C[I]);
            return {{{I, 1 - W}, {I + 1, W}}};
        }
    const long Outer = std::fabs(T - C.front()) < std::fabs(T - C.back()) ? 0 : C.size() - 1;
    return {{{Outer, 1.0}, {Outer, 0.0}}};
}

/// The bilinear resampling of the map from the formulas at the centres of the result's
/// cells (its grid is checked on its own: a corner of tiny weight holding an infinity would
/// show the last bit of a centre).
TRows Resampled(const TMap* Map, const TMap* Result) {
    std::vector<double> X, Y;
    for (long I = 0; I < Map->GetXDim(); ++I)
        X.push_back(Map->GetXAxis()->GetPoint(I)->GetX());
    for (long J = 0; J < Map->GetYDim(); ++J)
        Y.push_back(Map->GetYAxis()->GetPoint(J)->GetY());
    TRows Cells = RowsOf(Result);
    ForEachCellOf(Result, [&](long I, long J, double) {
        double Sum = 0, Weight = 0;
        for (const auto& [Row, WY] : Around(Y, Result->GetYAxis()->GetPoint(J)->GetY()))
            for (const auto& [Column, WX] : Around(X, Result->GetXAxis()->GetPoint(I)->GetX())) {
                const double Q = Map->GetPointVal(Column, Row);
                if (WX * WY > 0 && Q != Map->GetNoDataValue()) {
                    Sum += WX * WY * Q;
                    Weight += WX * WY;
                }
            }
        Cells[J][I] = Weight > 0 ? Sum / Weight : -9999.0;
    });
    return Cells;
}

// Random maps in every order of rows and columns, with no-data, NaN and infinite cells; the
// new grids start at the source's first edges and run its way.
TEST_F(MapToolsResampleTest, BlockMeanAndResampleBilinearFollowTheirFormulas) {
    for (int Order = 0; Order < 4; ++Order) {
        MapPtr Map = RandomMap(120 + Order, 11, 7, 0.5, 3.25, 9.75, Order & 2, !(Order & 1),
                               Order == 3 ? -1.0 : -9999.0);
        AddNonFinite(Map.get(), Order);
        const std::vector<double> Edges = EdgeSpan(Map.get());
        // From the first edges, whole new cells the source's way; floor(extent / R + 1e-9) of
        // them for the resampling.
        const auto ExpectGrid = [&](const TMap* Result, double R, bool Floor) {
            for (int I = 0; I < 4; I += 2) {
                const long Cells = I == 0 ? Result->GetXDim() : Result->GetYDim();
                const double Step = (Edges[I + 1] > Edges[I] ? R : -R) * Cells;
                EXPECT_EQ(EdgeSpan(Result)[I], Edges[I]) << R << ", order " << Order;
                EXPECT_NEAR(EdgeSpan(Result)[I + 1], Edges[I] + Step, 1e-12) << R;
                EXPECT_TRUE(!Floor || Cells == long(std::fabs(Edges[I + 1] - Edges[I]) / R + 1e-9))
                    << R;
            }
            EXPECT_EQ(Result->GetResolution(), R);
            EXPECT_EQ(Result->GetNoDataValue(), -9999.0);
        };
        for (int Factor : {1, 2, 3, 20}) {
            MapPtr Means(TMapTools::BlockMean(Map.get(), Factor));
            EXPECT_TRUE(HasRows(Means.get(), BlockMeans(Map.get(), Factor), 1e-12)) << Factor;
            ExpectGrid(Means.get(), 0.5 * Factor, false);
        }
        for (double R : {0.3, 0.5, 1.1, 3.5}) {
            MapPtr Result(TMapTools::ResampleBilinear(Map.get(), R));
            EXPECT_TRUE(HasRows(Result.get(), Resampled(Map.get(), Result.get()), 1e-12)) << R;
            ExpectGrid(Result.get(), R, true);
        }
    }
}

TEST_F(MapToolsResampleTest, OutputsOnRandomMapsKeepTheirRecordedBits) {
    // Recorded from the first implementation: any changed bit of a cell or axis point shows.
    const MapPtr North = RandomMap(1, 23, 17, 0.3, 10.15, 5.05, false, true);
    const MapPtr Up = RandomMap(2, 19, 21, 0.25, -3.125, -2.125, false, false);
    const MapPtr West = RandomMap(3, 17, 15, 0.7, 100.35, 40.35, true, true, -1.0);
    const auto Interpolate = [](const MapPtr& Map, double Resolution) {
        return [&Map, Resolution] { return TMapTools::BilinearInterpolate(Map.get(), Resolution); };
    };
    const auto Down = [](const MapPtr& Map, double Resolution) {
        return [&Map, Resolution] { return TMapTools::Downscale(Map.get(), Resolution); };
    };
    const auto Sub = [](const MapPtr& Map, int Factor) {
        return [&Map, Factor] { return TMapTools::Subdivide(Map.get(), Factor); };
    };
    ExpectRecorded({
        {"interpolate north-up", Interpolate(North, 0.1), 0x1ae53e208ff2f457},
        {"interpolate at twice the cell size", Interpolate(North, 0.6), 0xfa510dbae5f15ff6},
        {"interpolate Y ascending", Interpolate(Up, 0.1), 0x121a37b2f3154858},
        {"interpolate X descending", Interpolate(West, 0.3), 0x725ca8bca456e5de},
        {"Downscale north-up", Down(North, 0.07), 0x46c2c423a354f518},
        {"Downscale Y ascending", Down(Up, 0.1), 0x1589a2242be2cf69},
        {"Downscale X descending", Down(West, 0.45), 0x8f772c6f69386ee0},
        {"Subdivide north-up", Sub(North, 3), 0x4503a0c5368295ec},
        {"Subdivide Y ascending", Sub(Up, 2), 0xfd5b61dc3734a8cf},
        {"Subdivide X descending", Sub(West, 2), 0x8deb85cdf74fbd1f},
    });
}

} // namespace
