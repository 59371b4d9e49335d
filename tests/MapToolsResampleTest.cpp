#include "TAxis.h"
#include "TMap.h"
#include "TMapTools.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using TEdges = std::vector<double>;
const TEdges Up4 = {0, 1, 2, 3, 4};
const TEdges Down4 = {4, 3, 2, 1, 0};
const TEdges Down3 = {3, 2, 1, 0};

/// The message of the `char*` failure that `Run` raises, or "" when it raises none.
std::string FailureOf(const std::function<void()>& Run) {
    try {
        Run();
    } catch (const char* Message) {
        return Message;
    }
    return "";
}

std::unique_ptr<TAxis> EdgeAxis(char Axis, const TEdges& Ordinates, double Resolution) {
    std::unique_ptr<TAxis> Result(new TAxis(Resolution));
    for (const double V : Ordinates)
        Result->AddPoint(Axis == 'X' ? new TPoint(V, 0.0) : new TPoint(0.0, V));
    return Result;
}

/// Map on the given cell edges whose cell (LngX, LngY) with centre (X, Y) holds
/// Value(LngX, LngY, X, Y).
std::unique_ptr<TMap> MakeMap(double Resolution, const TEdges& XEdges, const TEdges& YEdges,
                              const std::function<double(long, long, double, double)>& Value) {
    std::unique_ptr<TMap> Map(new TMap(Resolution, XEdges.size() - 1, YEdges.size() - 1));
    Map->SetXAxisInterval(EdgeAxis('X', XEdges, Resolution).get());
    Map->SetYAxisInterval(EdgeAxis('Y', YEdges, Resolution).get());
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Map->GetXDim(); ++LngX) {
            std::unique_ptr<TPoint> Centre(Map->GetCoordinates(LngX, LngY));
            Map->SetPoint(LngX, LngY, Value(LngX, LngY, Centre->GetX(), Centre->GetY()));
        }
    return Map;
}

double ByIndex(long LngX, long LngY, double, double) {
    return LngX + 10.0 * LngY;
}
double Plane(double X, double Y) {
    return 2.0 * X + 3.0 * Y + 1.0;
}
double OnPlane(long, long, double X, double Y) {
    return Plane(X, Y);
}

/// The first and last edges of the map in both directions are those given.
void ExpectSpan(const TMap* Map, const TEdges& XEdges, const TEdges& YEdges, const char* Case) {
    EXPECT_DOUBLE_EQ(Map->GetXAxisInterval()->GetPoint(0)->GetX(), XEdges.front()) << Case;
    EXPECT_DOUBLE_EQ(Map->GetXAxisInterval()->GetPoint(Map->GetXDim())->GetX(), XEdges.back())
        << Case;
    EXPECT_DOUBLE_EQ(Map->GetYAxisInterval()->GetPoint(0)->GetY(), YEdges.front()) << Case;
    EXPECT_DOUBLE_EQ(Map->GetYAxisInterval()->GetPoint(Map->GetYDim())->GetY(), YEdges.back())
        << Case;
}

long CountCells(const TMap* Map, double Value) {
    long Count = 0;
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Map->GetXDim(); ++LngX)
            Count += Map->GetPointVal(LngX, LngY) == Value;
    return Count;
}

/// Every cell of the result holds the value of the source cell under its centre.
void ExpectCoversSource(const TMap* Source, const TMap* Result, const char* Case) {
    for (long LngY = 0; LngY < Result->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Result->GetXDim(); ++LngX) {
            std::unique_ptr<TPoint> Centre(Result->GetCoordinates(LngX, LngY));
            EXPECT_EQ(Result->GetPointVal(LngX, LngY), Source->GetPointVal(Centre.get()))
                << Case << " at cell " << LngX << "," << LngY;
        }
}

} // namespace

// ---------------------------------------------------------------------------------------

class BilinearFormulaTest : public ::testing::Test {};

TEST_F(BilinearFormulaTest, TenNumbersOnTheUnitSquare) {
    struct TCase {
        const char* Name;
        double x, x1, x2, y, y1, y2, Expected;
    };
    // Corners 1 at (x1, y1), 2 at (x2, y1), 3 at (x1, y2), 4 at (x2, y2).
    const TCase Cases[] = {
        {"centre", 0.5, 0, 1, 0.5, 0, 1, 2.5},      {"Q11 corner", 0, 0, 1, 0, 0, 1, 1},
        {"Q22 corner", 1, 0, 1, 1, 0, 1, 4},        {"quarter", 0.25, 0, 1, 0.75, 0, 1, 2.75},
        {"extrapolated east", 2, 0, 1, 0, 0, 1, 3}, {"x1 > x2", 0.25, 1, 0, 0, 0, 1, 1.75},
        {"y1 > y2", 0, 0, 1, 0.25, 1, 0, 2.5},
    };
    for (const TCase& C : Cases)
        EXPECT_DOUBLE_EQ(
            TMapTools::BilinearInterpolate(1, 2, 3, 4, C.x, C.x1, C.x2, C.y, C.y1, C.y2),
            C.Expected)
            << C.Name;
}

TEST_F(BilinearFormulaTest, FivePointsIgnoreTheFourthPosition) {
    const TMapPoint Q11(0, 0, 1), Q21(1, 0, 2), Q12(0, 1, 3);
    for (const double Far : {1.0, -50.0, 1e6}) {
        const TMapPoint Q22(Far, -Far, 4);
        TMapPoint Target(0.5, 0.5, 99);
        TMapTools::BilinearInterpolate(&Q11, &Q21, &Q12, &Q22, &Target);
        EXPECT_DOUBLE_EQ(Target.GetValue(), 2.5) << "fourth point at " << Far;
        EXPECT_EQ(Target.GetY(), 0.5) << "fourth point at " << Far;
    }
}

// ---------------------------------------------------------------------------------------

class DownscaleTest : public ::testing::Test {};

TEST_F(DownscaleTest, RejectsArgumentsThatGiveNoGrid) {
    std::unique_ptr<TMap> Source = MakeMap(1.0, Up4, Down3, ByIndex);
    TMap Bare(1.0, 2, 2);
    struct TCase {
        const char* Name;
        const TMap* Map;
        double Resolution;
        const char* Message;
    };
    const TCase Cases[] = {
        {"zero", Source.get(), 0.0, "New resolution cannot be <= 0.0 in TMapTools::Downscale"},
        {"negative", Source.get(), -1.0, "New resolution cannot be <= 0.0 in TMapTools::Downscale"},
        {"NaN", Source.get(), std::numeric_limits<double>::quiet_NaN(),
         "New resolution cannot be <= 0.0 in TMapTools::Downscale"},
        {"tiny", Source.get(), 1e-300, "New resolution is too small in TMapTools::Downscale"},
        {"no axes", &Bare, 0.5, "Map has no interval axes in TMapTools::Downscale"},
        // No whole cell fits: the axis setter refuses an axis without points.
        {"beyond the extent", Source.get(), 5.0, "Index is out of range in TAxis::GetPoint"},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(FailureOf([&] { delete TMapTools::Downscale(C.Map, C.Resolution); }), C.Message)
            << C.Name;
}

TEST_F(DownscaleTest, EmptyGridOverTheExtentInTheSourceDirections) {
    struct TCase {
        const char* Name;
        TEdges XEdges, YEdges;
        double Resolution;
        long XDim, YDim;
        TEdges XSpan, YSpan;
    };
    const TCase Cases[] = {
        {"Y descending", Up4, Down3, 0.5, 8, 6, Up4, Down3},
        {"Y ascending", Up4, Up4, 0.5, 8, 8, Up4, Up4},
        {"X descending", Down4, Down4, 0.5, 8, 8, Down4, Down4},
        // One centre has no direction: its edges ascend, over the same cell.
        {"coarser", Up4, Down3, 3.0, 1, 1, {0, 3}, {0, 3}},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Source = MakeMap(1.0, C.XEdges, C.YEdges, ByIndex);
        Source->SetNoDataValue(-1.0);
        Source->SetMetadata("header");
        std::unique_ptr<TMap> Result(TMapTools::Downscale(Source.get(), C.Resolution));
        ASSERT_EQ(Result->GetXDim(), C.XDim) << C.Name;
        ASSERT_EQ(Result->GetYDim(), C.YDim) << C.Name;
        EXPECT_EQ(Result->GetResolution(), C.Resolution) << C.Name;
        EXPECT_EQ(CountCells(Result.get(), -9999.0), C.XDim * C.YDim) << C.Name;
        EXPECT_EQ(Result->GetNoDataValue(), -9999.0) << C.Name;
        EXPECT_EQ(Result->GetMetadata(), "") << C.Name;
        ExpectSpan(Result.get(), C.XSpan, C.YSpan, C.Name);
    }
}

TEST_F(DownscaleTest, RegressionRoundingErrorDoesNotLoseACell) {
    // 0.3 / 0.1 is 2.9999999999999996 in doubles.
    std::unique_ptr<TMap> Source = MakeMap(0.3, {10.0, 10.3}, {5.3, 5.0}, ByIndex);
    std::unique_ptr<TMap> Result(TMapTools::Downscale(Source.get(), 0.1));
    EXPECT_EQ(Result->GetXDim(), 3);
    EXPECT_EQ(Result->GetYDim(), 3);
}

// ---------------------------------------------------------------------------------------

class SubdivideTest : public ::testing::Test {};

TEST_F(SubdivideTest, RejectsFactorBelowOneAndMapWithoutAxes) {
    std::unique_ptr<TMap> Source = MakeMap(1.0, Up4, Down3, ByIndex);
    for (const int Factor : {0, -3})
        EXPECT_EQ(FailureOf([&] { delete TMapTools::Subdivide(Source.get(), Factor); }),
                  "Factor cannot be < 1 in TMapTools::Subdivide")
            << "factor " << Factor;
    TMap Bare(1.0, 2, 2);
    EXPECT_EQ(FailureOf([&] { delete TMapTools::Subdivide(&Bare, 2); }),
              "Map has no interval axes in TMapTools::Subdivide");
}

TEST_F(SubdivideTest, RepeatsEveryCellOverItsBlock) {
    // 1 2 / 3 4, the cell holding 4 marked as no-data.
    std::unique_ptr<TMap> Source = MakeMap(
        1.0, {0, 1, 2}, {0, 1, 2}, [](long X, long Y, double, double) { return 1 + X + 2 * Y; });
    Source->SetNoDataValue(4.0);
    Source->SetMetadata("header");
    std::unique_ptr<TMap> Result(TMapTools::Subdivide(Source.get(), 2));
    ASSERT_EQ(Result->GetXDim(), 4);
    ASSERT_EQ(Result->GetYDim(), 4);
    EXPECT_EQ(Result->GetResolution(), 0.5);
    const double Expected[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
    for (long LngY = 0; LngY < 4; ++LngY)
        for (long LngX = 0; LngX < 4; ++LngX)
            EXPECT_EQ(Result->GetPointVal(LngX, LngY), Expected[LngY][LngX])
                << "cell " << LngX << "," << LngY;
    EXPECT_EQ(Result->GetNoDataValue(), -9999.0);
    EXPECT_EQ(Result->GetMetadata(), "");
    EXPECT_DOUBLE_EQ(Result->GetYAxisInterval()->GetPoint(1)->GetY(), 0.5);
}

TEST_F(SubdivideTest, RegressionDescendingYStaysOverTheSource) {
    struct TCase {
        const char* Name;
        TEdges XEdges, YEdges;
        int Factor;
    };
    const TCase Cases[] = {
        {"Y descending", Up4, Down3, 2},
        {"Y ascending", Up4, {0, 1, 2}, 3},
        {"X descending", {4, 3, 2}, Down4, 2},
        {"factor 1", Up4, Down3, 1},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Source = MakeMap(1.0, C.XEdges, C.YEdges, ByIndex);
        std::unique_ptr<TMap> Result(TMapTools::Subdivide(Source.get(), C.Factor));
        ASSERT_EQ(Result->GetXDim(), Source->GetXDim() * C.Factor) << C.Name;
        ASSERT_EQ(Result->GetYDim(), Source->GetYDim() * C.Factor) << C.Name;
        ExpectSpan(Result.get(), C.XEdges, C.YEdges, C.Name);
        ExpectCoversSource(Source.get(), Result.get(), C.Name);
    }
}

// ---------------------------------------------------------------------------------------

class BilinearInterpolateMapTest : public ::testing::Test {};

TEST_F(BilinearInterpolateMapTest, RejectsResolutionNotAboveZero) {
    std::unique_ptr<TMap> Source = MakeMap(1.0, Up4, Down4, OnPlane);
    for (const double R : {0.0, -1.0})
        EXPECT_EQ(FailureOf([&] { delete TMapTools::BilinearInterpolate(Source.get(), R); }),
                  "New resolution cannot be <= 0.0 in TMapTools::BilinearInterpolate")
            << "resolution " << R;
    // A NaN passes the first test and is refused where the grid is built.
    EXPECT_EQ(FailureOf([&] {
                  delete TMapTools::BilinearInterpolate(Source.get(),
                                                        std::numeric_limits<double>::quiet_NaN());
              }),
              "New resolution cannot be <= 0.0 in TMapTools::Downscale");
}

TEST_F(BilinearInterpolateMapTest, ReportsCornersOutsideTheSource) {
    struct TCase {
        const char* Name;
        TEdges XEdges, YEdges;
        const char* Message;
    };
    // Uneven edges move cell centres so that a sample's neighbour falls off the grid.
    const TCase Cases[] = {
        {"wide first column",
         {0, 3, 3.5, 3.75, 4},
         Down4,
         "LngGetX1 is out of range in TMapTools::BilinearInterpolate"},
        {"wide last column",
         {0, 0.5, 1, 1.5, 3},
         Down4,
         "LngGetX2 is out of range in TMapTools::BilinearInterpolate"},
        {"tall first row",
         Up4,
         {4, 0.8, 0.6, 0.4, 0},
         "LngGetY1 is out of range in TMapTools::BilinearInterpolate"},
        {"two rows", Up4, {2, 1, 0}, "LngGetY2 is out of range in TMapTools::BilinearInterpolate"},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Source = MakeMap(1.0, C.XEdges, C.YEdges, ByIndex);
        EXPECT_EQ(FailureOf([&] { delete TMapTools::BilinearInterpolate(Source.get(), 0.5); }),
                  C.Message)
            << C.Name;
    }
}

TEST_F(BilinearInterpolateMapTest, TooNarrowSourceGivesNoSample) {
    std::unique_ptr<TMap> Source = MakeMap(1.0, {0, 1, 2}, Down4, OnPlane);
    Source->SetNoDataValue(-1.0);
    std::unique_ptr<TMap> Result(TMapTools::BilinearInterpolate(Source.get(), 0.5));
    ASSERT_EQ(Result->GetXDim(), 4);
    EXPECT_EQ(CountCells(Result.get(), -9999.0), 4 * 8);
}

TEST_F(BilinearInterpolateMapTest, ReproducesAPlaneAtEverySample) {
    struct TCase {
        const char* Name;
        TEdges XEdges, YEdges, YSamples;
    };
    const TCase Cases[] = {
        {"Y descending", Up4, Down4, {2.5, 2.0, 1.5, 1.0}},
        {"Y ascending", Up4, Up4, {1.0, 1.5, 2.0, 2.5, 3.0}},
        {"X descending", Down4, Down4, {2.5, 2.0, 1.5, 1.0}},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Source = MakeMap(1.0, C.XEdges, C.YEdges, OnPlane);
        std::unique_ptr<TMap> Result(TMapTools::BilinearInterpolate(Source.get(), 0.5));
        ASSERT_EQ(Result->GetXDim(), 8) << C.Name;
        ASSERT_EQ(Result->GetYDim(), 8) << C.Name;
        for (const double X : {1.0, 1.5, 2.0, 2.5})
            for (const double Y : C.YSamples) {
                const TPoint Sample(X, Y);
                EXPECT_EQ(Result->GetPointVal(&Sample), Plane(X, Y))
                    << C.Name << " at " << X << "," << Y;
            }
        // Every other cell is unsampled.
        EXPECT_EQ(CountCells(Result.get(), -9999.0), 64 - 4 * long(C.YSamples.size())) << C.Name;
    }
}

TEST_F(BilinearInterpolateMapTest, BlendsTheTwoCellsAroundTheSample) {
    // Values grow with the square of the column, so a wrong pair of columns shows; row 1,
    // centred on Y = 2.5, adds 1.
    std::unique_ptr<TMap> Source =
        MakeMap(1.0, Up4, Down4, [](long X, long Y, double, double) { return 10.0 * X * X + Y; });
    std::unique_ptr<TMap> Result(TMapTools::BilinearInterpolate(Source.get(), 0.25));
    struct TCase {
        const char* Name;
        double X, Y, Expected;
    };
    const TCase Cases[] = {
        {"centre of column 1", 1.5, 2.5, 11},
        {"centre of column 2", 2.5, 2.5, 41},
        {"eastern half of column 1", 1.75, 2.5, 1 + 10 + 0.25 * 30},
        {"western half of column 1", 1.25, 2.5, 1 + 0.75 * 10},
        {"between rows 1 and 2", 1.5, 2.25, 11.25},
    };
    for (const TCase& C : Cases) {
        const TPoint Sample(C.X, C.Y);
        EXPECT_DOUBLE_EQ(Result->GetPointVal(&Sample), C.Expected) << C.Name;
    }
}

TEST_F(BilinearInterpolateMapTest, RegressionNoDataCornersAndUnsampledCells) {
    std::unique_ptr<TMap> Source = MakeMap(1.0, Up4, Down4, OnPlane);
    Source->SetMetadata("header");
    Source->SetNoDataValue(-1.0);
    Source->SetPoint(0, 1, -1.0); // centre (0.5, 2.5)
    std::unique_ptr<TMap> Result(TMapTools::BilinearInterpolate(Source.get(), 0.5));
    EXPECT_EQ(Result->GetNoDataValue(), -9999.0);
    EXPECT_EQ(Result->GetMetadata(), "");
    EXPECT_EQ(CountCells(Result.get(), -1.0), 0);
    // Samples at X = 1, 1.5 take column 0 as a corner, those at Y = 2.5, 2 row 1: four
    // samples touch the no-data cell, even the one that gives it no weight.
    const TPoint Touching(1.5, 2.0), Clear(2.0, 2.0);
    EXPECT_EQ(Result->GetPointVal(&Touching), -9999.0);
    EXPECT_EQ(Result->GetPointVal(&Clear), Plane(2.0, 2.0));
    EXPECT_EQ(CountCells(Result.get(), -9999.0), 64 - 16 + 4);
}
