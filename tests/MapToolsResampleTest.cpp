#include "TAxis.h"
#include "TMap.h"
#include "TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

/// The message of the `char*` failure that `Run` raises, or "" when it raises none.
std::string FailureOf(const std::function<void()>& Run) {
    try {
        Run();
    } catch (const char* Message) {
        return Message;
    }
    return "";
}

/// Axis of the given ordinates along X (`'X'`) or Y; the other ordinate is 0.
std::unique_ptr<TAxis> Edges(char Axis, const std::vector<double>& Ordinates, double Resolution) {
    std::unique_ptr<TAxis> Result(new TAxis(Resolution));
    for (const double V : Ordinates)
        Result->AddPoint(Axis == 'X' ? new TPoint(V, 0.0) : new TPoint(0.0, V));
    return Result;
}

/// Map on the given cell edges whose cell (LngX, LngY) holds Value(LngX, LngY).
std::unique_ptr<TMap> MakeMap(double Resolution, const std::vector<double>& XEdges,
                              const std::vector<double>& YEdges,
                              const std::function<double(long, long)>& Value) {
    const long XDim = static_cast<long>(XEdges.size()) - 1;
    const long YDim = static_cast<long>(YEdges.size()) - 1;
    std::unique_ptr<TMap> Map(new TMap(Resolution, XDim, YDim));
    Map->SetXAxisInterval(Edges('X', XEdges, Resolution).get());
    Map->SetYAxisInterval(Edges('Y', YEdges, Resolution).get());
    for (long LngY = 0; LngY < YDim; ++LngY)
        for (long LngX = 0; LngX < XDim; ++LngX)
            Map->SetPoint(LngX, LngY, Value(LngX, LngY));
    return Map;
}

/// Map whose cells hold the value of a function of their centre.
std::unique_ptr<TMap> MakeField(double Resolution, const std::vector<double>& XEdges,
                                const std::vector<double>& YEdges,
                                const std::function<double(double, double)>& Field) {
    std::unique_ptr<TMap> Map = MakeMap(Resolution, XEdges, YEdges, [](long, long) { return 0.0; });
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Map->GetXDim(); ++LngX) {
            std::unique_ptr<TPoint> Centre(Map->GetCoordinates(LngX, LngY));
            Map->SetPoint(LngX, LngY, Field(Centre->GetX(), Centre->GetY()));
        }
    return Map;
}

double FirstX(const TMap* Map) {
    return Map->GetXAxisInterval()->GetPoint(0)->GetX();
}
double LastX(const TMap* Map) {
    return Map->GetXAxisInterval()->GetPoint(Map->GetXDim())->GetX();
}
double FirstY(const TMap* Map) {
    return Map->GetYAxisInterval()->GetPoint(0)->GetY();
}
double LastY(const TMap* Map) {
    return Map->GetYAxisInterval()->GetPoint(Map->GetYDim())->GetY();
}

long CountCells(const TMap* Map, double Value) {
    long Count = 0;
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Map->GetXDim(); ++LngX)
            Count += Map->GetPointVal(LngX, LngY) == Value;
    return Count;
}

/// Every cell centre of the result lies in the source cell whose value it holds.
void ExpectCoversSource(const TMap* Source, const TMap* Result, const std::string& Case) {
    for (long LngY = 0; LngY < Result->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Result->GetXDim(); ++LngX) {
            std::unique_ptr<TPoint> Centre(Result->GetCoordinates(LngX, LngY));
            EXPECT_EQ(Result->GetPointVal(LngX, LngY), Source->GetPointVal(Centre.get()))
                << Case << " at cell " << LngX << "," << LngY;
        }
}

const std::vector<double> Ascending4 = {0, 1, 2, 3, 4};
const std::vector<double> Descending4 = {4, 3, 2, 1, 0};

} // namespace

// ---------------------------------------------------------------------------------------

class BilinearFormulaTest : public ::testing::Test {};

TEST_F(BilinearFormulaTest, DegenerateCornersGiveIEEEResults) {
    EXPECT_FALSE(std::isfinite(TMapTools::BilinearInterpolate(1, 2, 3, 4, 0.5, 1, 1, 0.5, 0, 1)));
    EXPECT_TRUE(std::isnan(TMapTools::BilinearInterpolate(0, 0, 0, 0, 0.5, 0, 1, 0.5, 1, 1)));
}

TEST_F(BilinearFormulaTest, TenNumbersOnTheUnitSquare) {
    struct TCase {
        const char* Name;
        double x, x1, x2, y, y1, y2, Expected;
    };
    // Corners 1 at (x1, y1), 2 at (x2, y1), 3 at (x1, y2), 4 at (x2, y2).
    const TCase Cases[] = {
        {"centre", 0.5, 0, 1, 0.5, 0, 1, 2.5},
        {"Q11 corner", 0, 0, 1, 0, 0, 1, 1},
        {"Q21 corner", 1, 0, 1, 0, 0, 1, 2},
        {"Q12 corner", 0, 0, 1, 1, 0, 1, 3},
        {"Q22 corner", 1, 0, 1, 1, 0, 1, 4},
        {"quarter", 0.25, 0, 1, 0.75, 0, 1, 1 + 0.25 * 1 + 0.75 * 2},
        {"extrapolated east", 2, 0, 1, 0, 0, 1, 3},
        {"x1 > x2", 0.25, 1, 0, 0, 0, 1, 1.75},
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
        EXPECT_EQ(Target.GetX(), 0.5);
        EXPECT_EQ(Target.GetY(), 0.5);
    }
}

// ---------------------------------------------------------------------------------------

class DownscaleTest : public ::testing::Test {
protected:
    std::unique_ptr<TMap> Source =
        MakeMap(1.0, Ascending4, {3, 2, 1, 0}, [](long X, long Y) { return X + 10.0 * Y; });
};

TEST_F(DownscaleTest, RejectsResolutionNotAboveZero) {
    for (const double R : {0.0, -1.0, NaN})
        EXPECT_EQ(FailureOf([&] { delete TMapTools::Downscale(Source.get(), R); }),
                  "New resolution cannot be <= 0.0 in TMapTools::Downscale")
            << "resolution " << R;
}

TEST_F(DownscaleTest, RejectsCountsBeyondLong) {
    EXPECT_EQ(FailureOf([&] { delete TMapTools::Downscale(Source.get(), 1e-300); }),
              "New resolution is too small in TMapTools::Downscale");
}

TEST_F(DownscaleTest, RejectsMapWithoutAxes) {
    TMap Bare(1.0, 2, 2);
    EXPECT_EQ(FailureOf([&] { delete TMapTools::Downscale(&Bare, 0.5); }),
              "Map has no interval axes in TMapTools::Downscale");
}

TEST_F(DownscaleTest, ResolutionBeyondTheExtentLeavesNoCellToPlace) {
    // Zero columns: the axis setter refuses an axis without points.
    EXPECT_EQ(FailureOf([&] { delete TMapTools::Downscale(Source.get(), 5.0); }),
              "Index is out of range in TAxis::GetPoint");
}

TEST_F(DownscaleTest, HalvesTheCellSizeOverTheSameExtent) {
    Source->SetMetadata("header");
    Source->SetNoDataValue(-1.0);
    std::unique_ptr<TMap> Result(TMapTools::Downscale(Source.get(), 0.5));
    ASSERT_EQ(Result->GetXDim(), 8);
    ASSERT_EQ(Result->GetYDim(), 6);
    EXPECT_EQ(Result->GetResolution(), 0.5);
    EXPECT_EQ(CountCells(Result.get(), -9999.0), 48);
    EXPECT_EQ(Result->GetNoDataValue(), -9999.0);
    EXPECT_EQ(Result->GetMetadata(), "");
    EXPECT_DOUBLE_EQ(FirstX(Result.get()), 0.0);
    EXPECT_DOUBLE_EQ(LastX(Result.get()), 4.0);
    EXPECT_DOUBLE_EQ(FirstY(Result.get()), 3.0);
    EXPECT_DOUBLE_EQ(LastY(Result.get()), 0.0);
    EXPECT_DOUBLE_EQ(Result->GetYAxis()->GetPoint(0)->GetY(), 2.75);
}

TEST_F(DownscaleTest, FollowsTheDirectionOfTheSourceAxes) {
    struct TCase {
        const char* Name;
        std::vector<double> XEdges, YEdges;
    };
    const TCase Cases[] = {
        {"Y descending", Ascending4, Descending4},
        {"Y ascending", Ascending4, Ascending4},
        {"X descending", Descending4, Descending4},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Map = MakeMap(1.0, C.XEdges, C.YEdges, [](long, long) { return 0; });
        std::unique_ptr<TMap> Result(TMapTools::Downscale(Map.get(), 0.5));
        ASSERT_EQ(Result->GetXDim(), 8) << C.Name;
        ASSERT_EQ(Result->GetYDim(), 8) << C.Name;
        EXPECT_DOUBLE_EQ(FirstX(Result.get()), C.XEdges.front()) << C.Name;
        EXPECT_DOUBLE_EQ(LastX(Result.get()), C.XEdges.back()) << C.Name;
        EXPECT_DOUBLE_EQ(FirstY(Result.get()), C.YEdges.front()) << C.Name;
        EXPECT_DOUBLE_EQ(LastY(Result.get()), C.YEdges.back()) << C.Name;
    }
}

TEST_F(DownscaleTest, CoarserResolutionKeepsWholeCellsOnly) {
    std::unique_ptr<TMap> Result(TMapTools::Downscale(Source.get(), 3.0));
    EXPECT_EQ(Result->GetXDim(), 1);
    EXPECT_EQ(Result->GetYDim(), 1);
    EXPECT_DOUBLE_EQ(FirstX(Result.get()), 0.0);
    EXPECT_DOUBLE_EQ(LastX(Result.get()), 3.0);
}

TEST_F(DownscaleTest, RegressionRoundingErrorDoesNotLoseACell) {
    // 0.3 / 0.1 is 2.9999999999999996 in doubles.
    std::unique_ptr<TMap> Map =
        MakeMap(0.3, {10.0, 10.3}, {5.3, 5.0}, [](long, long) { return 1; });
    std::unique_ptr<TMap> Result(TMapTools::Downscale(Map.get(), 0.1));
    EXPECT_EQ(Result->GetXDim(), 3);
    EXPECT_EQ(Result->GetYDim(), 3);
}

// ---------------------------------------------------------------------------------------

class SubdivideTest : public ::testing::Test {
protected:
    // 1 2
    // 3 4
    std::unique_ptr<TMap> Source =
        MakeMap(1.0, {0, 1, 2}, {0, 1, 2}, [](long X, long Y) { return 1.0 + X + 2.0 * Y; });
};

TEST_F(SubdivideTest, RejectsFactorBelowOne) {
    for (const int Factor : {0, -3})
        EXPECT_EQ(FailureOf([&] { delete TMapTools::Subdivide(Source.get(), Factor); }),
                  "Factor cannot be < 1 in TMapTools::Subdivide")
            << "factor " << Factor;
}

TEST_F(SubdivideTest, RejectsMapWithoutAxes) {
    TMap Bare(1.0, 2, 2);
    EXPECT_EQ(FailureOf([&] { delete TMapTools::Subdivide(&Bare, 2); }),
              "Map has no interval axes in TMapTools::Subdivide");
}

TEST_F(SubdivideTest, RepeatsEveryCellOverItsBlock) {
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
    // The source's no-data cell is copied as a value; the result has its own no-data value.
    EXPECT_EQ(Result->GetNoDataValue(), -9999.0);
    EXPECT_EQ(Result->GetMetadata(), "");
    for (long I = 0; I <= 4; ++I) {
        EXPECT_DOUBLE_EQ(Result->GetXAxisInterval()->GetPoint(I)->GetX(), 0.5 * I);
        EXPECT_DOUBLE_EQ(Result->GetYAxisInterval()->GetPoint(I)->GetY(), 0.5 * I);
    }
}

TEST_F(SubdivideTest, RegressionDescendingYStaysOverTheSource) {
    struct TCase {
        const char* Name;
        std::vector<double> XEdges, YEdges;
        int Factor;
    };
    const TCase Cases[] = {
        {"Y descending", Ascending4, {3, 2, 1, 0}, 2},
        {"Y ascending", Ascending4, {0, 1, 2}, 3},
        {"X descending", {4, 3, 2}, Descending4, 2},
        {"factor 1", Ascending4, {3, 2, 1, 0}, 1},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Map =
            MakeMap(1.0, C.XEdges, C.YEdges, [](long X, long Y) { return X + 10.0 * Y; });
        std::unique_ptr<TMap> Result(TMapTools::Subdivide(Map.get(), C.Factor));
        ASSERT_EQ(Result->GetXDim(), Map->GetXDim() * C.Factor) << C.Name;
        ASSERT_EQ(Result->GetYDim(), Map->GetYDim() * C.Factor) << C.Name;
        EXPECT_DOUBLE_EQ(FirstX(Result.get()), C.XEdges.front()) << C.Name;
        EXPECT_DOUBLE_EQ(LastX(Result.get()), C.XEdges.back()) << C.Name;
        EXPECT_DOUBLE_EQ(FirstY(Result.get()), C.YEdges.front()) << C.Name;
        EXPECT_DOUBLE_EQ(LastY(Result.get()), C.YEdges.back()) << C.Name;
        ExpectCoversSource(Map.get(), Result.get(), C.Name);
    }
}

// ---------------------------------------------------------------------------------------

class BilinearInterpolateMapTest : public ::testing::Test {
protected:
    static double Plane(double X, double Y) { return 2.0 * X + 3.0 * Y + 1.0; }

    /// Interpolation of the plane over a 4 x 4 source of resolution 1 at resolution 0.5.
    static void ExpectPlaneReproduced(const std::vector<double>& XEdges,
                                      const std::vector<double>& YEdges,
                                      const std::vector<double>& YSamples, const char* Case) {
        std::unique_ptr<TMap> Source = MakeField(1.0, XEdges, YEdges, Plane);
        std::unique_ptr<TMap> Result(TMapTools::BilinearInterpolate(Source.get(), 0.5));
        ASSERT_EQ(Result->GetXDim(), 8) << Case;
        ASSERT_EQ(Result->GetYDim(), 8) << Case;
        for (const double X : {1.0, 1.5, 2.0, 2.5})
            for (const double Y : YSamples) {
                const TPoint Sample(X, Y);
                EXPECT_EQ(Result->GetPointVal(&Sample), Plane(X, Y))
                    << Case << " at " << X << "," << Y;
            }
        EXPECT_EQ(CountCells(Result.get(), -9999.0), 64 - 4 * long(YSamples.size())) << Case;
    }
};

TEST_F(BilinearInterpolateMapTest, RejectsResolutionNotAboveZero) {
    std::unique_ptr<TMap> Source = MakeField(1.0, Ascending4, Descending4, Plane);
    for (const double R : {0.0, -1.0})
        EXPECT_EQ(FailureOf([&] { delete TMapTools::BilinearInterpolate(Source.get(), R); }),
                  "New resolution cannot be <= 0.0 in TMapTools::BilinearInterpolate")
            << "resolution " << R;
    // A NaN passes the first test and is refused where the grid is built.
    EXPECT_EQ(FailureOf([&] { delete TMapTools::BilinearInterpolate(Source.get(), NaN); }),
              "New resolution cannot be <= 0.0 in TMapTools::Downscale");
}

TEST_F(BilinearInterpolateMapTest, ReportsCornersOutsideTheSource) {
    struct TCase {
        const char* Name;
        std::vector<double> XEdges, YEdges;
        const char* Message;
    };
    // Uneven edges move cell centres so that a sample's neighbour falls off the grid.
    const TCase Cases[] = {
        {"wide first column",
         {0, 3, 3.5, 3.75, 4},
         Descending4,
         "LngGetX1 is out of range in TMapTools::BilinearInterpolate"},
        {"wide last column",
         {0, 0.5, 1, 1.5, 3},
         Descending4,
         "LngGetX2 is out of range in TMapTools::BilinearInterpolate"},
        {"tall first row",
         Ascending4,
         {4, 0.8, 0.6, 0.4, 0},
         "LngGetY1 is out of range in TMapTools::BilinearInterpolate"},
        {"two rows",
         Ascending4,
         {2, 1, 0},
         "LngGetY2 is out of range in TMapTools::BilinearInterpolate"},
    };
    for (const TCase& C : Cases) {
        std::unique_ptr<TMap> Source =
            MakeMap(1.0, C.XEdges, C.YEdges, [](long, long) { return 1; });
        EXPECT_EQ(FailureOf([&] { delete TMapTools::BilinearInterpolate(Source.get(), 0.5); }),
                  C.Message)
            << C.Name;
    }
}

TEST_F(BilinearInterpolateMapTest, TooNarrowSourceGivesNoSample) {
    std::unique_ptr<TMap> Source = MakeField(1.0, {0, 1, 2}, Descending4, Plane);
    Source->SetNoDataValue(-1.0);
    std::unique_ptr<TMap> Result(TMapTools::BilinearInterpolate(Source.get(), 0.5));
    ASSERT_EQ(Result->GetXDim(), 4);
    EXPECT_EQ(CountCells(Result.get(), -9999.0), 4 * 8);
}

TEST_F(BilinearInterpolateMapTest, ReproducesAPlaneAtEverySample) {
    ExpectPlaneReproduced(Ascending4, Descending4, {2.5, 2.0, 1.5, 1.0}, "Y descending");
    ExpectPlaneReproduced(Ascending4, Ascending4, {1.0, 1.5, 2.0, 2.5, 3.0}, "Y ascending");
    ExpectPlaneReproduced(Descending4, Descending4, {2.5, 2.0, 1.5, 1.0}, "X descending");
}

TEST_F(BilinearInterpolateMapTest, BlendsTheTwoCellsAroundTheSample) {
    // Values grow with the square of the column, so a wrong pair of columns shows.
    std::unique_ptr<TMap> Source =
        MakeMap(1.0, Ascending4, Descending4, [](long X, long Y) { return 10.0 * X * X + Y; });
    Source->SetMetadata("header");
    std::unique_ptr<TMap> Result(TMapTools::BilinearInterpolate(Source.get(), 0.25));
    EXPECT_EQ(Result->GetMetadata(), "");
    struct TCase {
        const char* Name;
        double X, Y, Expected;
    };
    // Row 1 has its centre at Y = 2.5 and adds 1 to every value.
    const TCase Cases[] = {
        {"on the centre of column 1", 1.5, 2.5, 11},
        {"on the centre of column 2", 2.5, 2.5, 41},
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
    std::unique_ptr<TMap> Source = MakeField(1.0, Ascending4, Descending4, Plane);
    Source->SetNoDataValue(-1.0);
    Source->SetPoint(0, 1, -1.0); // centre (0.5, 2.5)
    std::unique_ptr<TMap> Result(TMapTools::BilinearInterpolate(Source.get(), 0.5));
    EXPECT_EQ(Result->GetNoDataValue(), -9999.0);
    EXPECT_EQ(CountCells(Result.get(), -1.0), 0);
    // Samples at X = 1, 1.5 take column 0 as a corner, those at Y = 2.5, 2 row 1: four
    // samples touch the no-data cell, even the one that gives it no weight.
    const TPoint Touching(1.5, 2.0), Clear(2.0, 2.0);
    EXPECT_EQ(Result->GetPointVal(&Touching), -9999.0);
    EXPECT_EQ(Result->GetPointVal(&Clear), Plane(2.0, 2.0));
    EXPECT_EQ(CountCells(Result.get(), -9999.0), 64 - 16 + 4);
}
