#include "TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using MapPtr = std::unique_ptr<TMap>;

// Map of Cols x Rows cells of size Res covering [West, West + Cols * Res] in X and
// [0, Rows * Res] in Y; the values run row by row from the northern row.
MapPtr MakeMap(double Res, long Cols, long Rows, const std::vector<double>& Values,
               double NoData = -9999.0, double West = 0.0) {
    TAxis XAxis(Res);
    for (long I = 0; I < Cols; ++I)
        XAxis.AddPoint(new TPoint(West + (I + 0.5) * Res, 0.0));
    TAxis YAxis(Res);
    for (long J = 0; J < Rows; ++J)
        YAxis.AddPoint(new TPoint(West, (Rows - J - 0.5) * Res));
    MapPtr Map(new TMap(&XAxis, &YAxis));
    Map->SetNoDataValue(NoData);
    for (long J = 0; J < Rows; ++J)
        for (long I = 0; I < Cols; ++I)
            Map->SetPoint(I, J, Values.at(J * Cols + I));
    return Map;
}

std::vector<double> Cells(const TMap* Map) {
    std::vector<double> Values;
    for (long J = 0; J < Map->GetYDim(); ++J)
        for (long I = 0; I < Map->GetXDim(); ++I)
            Values.push_back(Map->GetPointVal(I, J));
    return Values;
}

std::string Message(char* Text) {
    return Text;
}

template <typename TCall> std::string ThrownMessage(TCall&& Call) {
    try {
        Call();
    } catch (char* Text) {
        return Message(Text);
    }
    return "(nothing thrown)";
}

// Owns the maps of a returned list.
std::vector<MapPtr> Own(const std::vector<TMap*>& Maps) {
    std::vector<MapPtr> Owned;
    for (TMap* Map : Maps)
        Owned.emplace_back(Map);
    return Owned;
}

const double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

class MapToolsArithmeticTest : public ::testing::Test {
protected:
    MapPtr Coarse = MakeMap(1.0, 2, 1, {10, 20});
    MapPtr Fine = MakeMap(0.5, 4, 2, {1, 2, 3, 4, 5, 6, 7, -9999});
};

// ---- Failures ---------------------------------------------------------------------------

TEST_F(MapToolsArithmeticTest, FailuresReportTheirMessages) {
    MapPtr Wide = MakeMap(1.0, 3, 1, {1, 2, 3});
    MapPtr Tall = MakeMap(1.0, 2, 2, {1, 2, 3, 4});
    MapPtr Big = MakeMap(1.0, 3, 2, {1, 2, 3, 4, 5, 6});
    TMap* C = Coarse.get();
    struct Case {
        const char* Name;
        std::function<void()> Call;
        std::string Expected;
    } Cases[] = {
        {"Divide finer divisor", [&] { delete TMapTools::Divide(C, Fine.get()); },
         "Divisor must be of equal of coarser resolution than the dividend in "
         "TMapTools::Divide"},
        {"Subtract both differ", [&] { delete TMapTools::Subtract(C, Big.get()); },
         "X dimensions do not match in TMapTools::Subtract"},
        {"Subtract rows differ", [&] { delete TMapTools::Subtract(C, Tall.get()); },
         "Y dimensions do not match in TMapTools::Subtract"},
        {"Sum of one map", [&] { delete TMapTools::Sum({C}); },
         "Must have more than 2 maps to sum in TMapTools::Sum"},
        {"Sum of none", [&] { delete TMapTools::Sum({}); },
         "Must have more than 2 maps to sum in TMapTools::Sum"},
        {"Sum third map wider",
         [&] {
             delete TMapTools::Sum({C, C, Wide.get()});
         },
         "X-dimension of maps are inconsistent in TMapTools::Sum"},
        {"Sum taller",
         [&] {
             delete TMapTools::Sum({C, Tall.get()});
         },
         "Y-dimension of maps are inconsistent in TMapTools::Sum"},
        {"DataCounts of none", [&] { delete TMapTools::DataCounts({}); },
         "Map list is empty in TMapTools::DataCounts"},
        {"DataCounts wider",
         [&] {
             delete TMapTools::DataCounts({C, Wide.get()});
         },
         "X-dimension of maps are inconsistent in TMapTools::DataCounts"},
        {"DataCounts taller",
         [&] {
             delete TMapTools::DataCounts({C, Tall.get()});
         },
         "Y-dimension of maps are inconsistent in TMapTools::DataCounts"},
        {"Average of one map", [&] { delete TMapTools::Average({C}); },
         "Must have more than 2 maps to sum in TMapTools::Sum"},
        {"MovingAverage window 1",
         [&] {
             Own(TMapTools::MovingAverage({C, C}, 1));
         },
         "Must have more than 2 maps to sum in TMapTools::Sum"},
        {"MovingAverage window 0", [&] { Own(TMapTools::MovingAverage({}, 0)); },
         "Must have more than 2 maps to sum in TMapTools::Sum"},
        {"MovingAverage window -3",
         [&] {
             Own(TMapTools::MovingAverage({C, C}, -3));
         },
         "Must have more than 2 maps to sum in TMapTools::Sum"},
        {"MovingAverage bad window",
         [&] {
             Own(TMapTools::MovingAverage({C, C, Tall.get()}, 2));
         },
         "Y-dimension of maps are inconsistent in TMapTools::Sum"},
    };
    for (const Case& Each : Cases)
        EXPECT_EQ(ThrownMessage(Each.Call), Each.Expected) << Each.Name;
}

// The last column of the shifted map lies beyond the coarse map; its cells are no-data.
TEST_F(MapToolsArithmeticTest, TwoMapOperationsFailWhereTheOtherMapDoesNotReach) {
    MapPtr Shifted = MakeMap(0.5, 4, 2, {1, 1, 1, -9999, 1, 1, 1, -9999}, -9999.0, 0.5);
    const std::string Expected = "Ordinate is out of range in TAxis::GetIndex";
    EXPECT_EQ(ThrownMessage([&] { delete TMapTools::Add(Coarse.get(), Shifted.get()); }), Expected);
    EXPECT_EQ(ThrownMessage([&] { delete TMapTools::Multiply(Shifted.get(), Coarse.get()); }),
              Expected);
    EXPECT_EQ(ThrownMessage([&] { delete TMapTools::Divide(Shifted.get(), Coarse.get()); }),
              Expected);
}

// ---- Two maps ---------------------------------------------------------------------------

TEST_F(MapToolsArithmeticTest, AddAndMultiplyWorkOnTheFinerGridInEitherOrder) {
    const std::vector<double> Sums = {11, 12, 23, 24, 15, 16, 27, -9999};
    const std::vector<double> Products = {10, 20, 60, 80, 50, 60, 140, -9999};
    for (bool Swap : {false, true}) {
        TMap* A = Swap ? Fine.get() : Coarse.get();
        TMap* B = Swap ? Coarse.get() : Fine.get();
        MapPtr Sum(TMapTools::Add(A, B));
        MapPtr Product(TMapTools::Multiply(A, B));
        EXPECT_EQ(Cells(Sum.get()), Sums) << "swap " << Swap;
        EXPECT_EQ(Cells(Product.get()), Products) << "swap " << Swap;
        EXPECT_EQ(Sum->GetResolution(), 0.5) << "swap " << Swap;
        EXPECT_EQ(Sum->GetXAxis()->GetPoint(3)->GetX(), 1.75) << "swap " << Swap;
    }
}

// With equal resolutions the first map is the base and gives the no-data value.
TEST_F(MapToolsArithmeticTest, EqualResolutionsUseTheFirstMapsGridAndNoData) {
    MapPtr First = MakeMap(1.0, 2, 1, {1, -1}, -1.0);
    MapPtr Second = MakeMap(1.0, 2, 1, {-9999, 5}, -9999.0);
    MapPtr Sum(TMapTools::Add(First.get(), Second.get()));
    EXPECT_EQ(Sum->GetNoDataValue(), -1.0);
    EXPECT_EQ(Cells(Sum.get()), std::vector<double>({-1, -1}));
    MapPtr Product(TMapTools::Multiply(Second.get(), First.get()));
    EXPECT_EQ(Product->GetNoDataValue(), -9999.0);
    EXPECT_EQ(Cells(Product.get()), std::vector<double>({-9999, -9999}));
}

TEST_F(MapToolsArithmeticTest, DivideLiesOnTheDividendAndHasNoZeroTest) {
    MapPtr Dividend = MakeMap(0.5, 4, 2, {3, 0, 4, -5, -3, 8, 8, 6}, -5.0);
    MapPtr Divisor = MakeMap(1.0, 2, 1, {0, 2});
    MapPtr Quotient(TMapTools::Divide(Dividend.get(), Divisor.get()));
    EXPECT_EQ(Quotient->GetNoDataValue(), -5.0);
    EXPECT_EQ(Quotient->GetResolution(), 0.5);
    std::vector<double> Got = Cells(Quotient.get());
    EXPECT_TRUE(std::isnan(Got[1]));
    Got[1] = 0.0;
    EXPECT_EQ(Got, std::vector<double>({Inf, 0, 2, -5, -Inf, Inf, 4, 3}));
    // A divisor of equal resolution is accepted; its no-data cells give the dividend's.
    MapPtr Holes = MakeMap(0.5, 4, 2, {1, 1, -9999, 1, 1, 1, 1, 2});
    MapPtr Equal(TMapTools::Divide(Dividend.get(), Holes.get()));
    EXPECT_EQ(Cells(Equal.get()), std::vector<double>({3, 0, -5, -5, -3, 8, 8, 3}));
}

// Cells are paired by index, whatever the axes; the result lies on the minuend's.
TEST_F(MapToolsArithmeticTest, SubtractPairsCellsByIndex) {
    MapPtr Minuend = MakeMap(1.0, 2, 1, {10, -7}, -7.0);
    MapPtr Subtrahend = MakeMap(0.25, 2, 1, {4, 1}, -9999.0, 50.0);
    MapPtr Difference(TMapTools::Subtract(Minuend.get(), Subtrahend.get()));
    EXPECT_EQ(Cells(Difference.get()), std::vector<double>({6, -7}));
    EXPECT_EQ(Difference->GetNoDataValue(), -7.0);
    EXPECT_EQ(Difference->GetXAxis()->GetPoint(1)->GetX(), 1.5);
    MapPtr Back(TMapTools::Subtract(Subtrahend.get(), Minuend.get()));
    EXPECT_EQ(Cells(Back.get()), std::vector<double>({-6, -9999}));
}

// ---- One map and a number ----------------------------------------------------------------

// Regression: no-data cells were tested against -9999.0 instead of the map's own no-data
// value by Multiply, and kept as the input's no-data value by Divide.
TEST_F(MapToolsArithmeticTest, NumberOperationsWriteTheResultsNoDataForInputNoData) {
    MapPtr Map = MakeMap(1.0, 3, 1, {-1, -9999, 4}, -1.0);
    MapPtr Product(TMapTools::Multiply(Map.get(), 2.0));
    MapPtr Quotient(TMapTools::Divide(Map.get(), 2.0));
    EXPECT_EQ(Cells(Product.get()), std::vector<double>({-9999, -19998, 8}));
    EXPECT_EQ(Cells(Quotient.get()), std::vector<double>({-9999, -4999.5, 2}));
    EXPECT_EQ(Product->GetNoDataValue(), -9999.0);
    EXPECT_EQ(Quotient->GetNoDataValue(), -9999.0);
    MapPtr ByZero(TMapTools::Divide(Map.get(), 0.0));
    EXPECT_EQ(Cells(ByZero.get()), std::vector<double>({-9999, -Inf, Inf}));
}

// Regression: RoundContents rounded through a 32-bit integer and truncated negatives.
TEST_F(MapToolsArithmeticTest, RoundContentsRoundsHalvesAwayFromZero) {
    const double Big = 2147483648.0; // 2^31
    const std::vector<double> In = {2.5,
                                    2.4999,
                                    -2.5,
                                    -2.7,
                                    -2.4,
                                    -9999,
                                    Big + 0.5,
                                    -Big - 0.5,
                                    1e300,
                                    -Inf,
                                    0.49999999999999994};
    const std::vector<double> Out = {3, 2, -3, -3, -2, -9999, Big + 1, -Big - 1, 1e300, -Inf, 0};
    MapPtr Map = MakeMap(1.0, static_cast<long>(In.size()), 1, In);
    MapPtr Rounded(TMapTools::RoundContents(Map.get()));
    EXPECT_EQ(Cells(Rounded.get()), Out);
    MapPtr WithNaN = MakeMap(1.0, 2, 1, {NaN, -0.5}, -0.5);
    MapPtr RoundedNaN(TMapTools::RoundContents(WithNaN.get()));
    EXPECT_TRUE(std::isnan(RoundedNaN->GetPointVal(0, 0)));
    EXPECT_EQ(RoundedNaN->GetPointVal(1, 0), -9999.0) << "input no-data stays no-data";
}

// ---- Lists of maps -----------------------------------------------------------------------

// Regression: Sum wrote the no-data value of the map that had the no-data cell.
TEST_F(MapToolsArithmeticTest, SumWritesItsOwnNoDataWhereAnyMapHasNone) {
    MapPtr A = MakeMap(1.0, 3, 1, {1, 1, -9999});
    MapPtr B = MakeMap(1.0, 3, 1, {4, -5, 3}, -5.0);
    MapPtr C = MakeMap(1.0, 3, 1, {2, 2, 2});
    MapPtr Total(TMapTools::Sum({A.get(), B.get(), C.get()}));
    EXPECT_EQ(Cells(Total.get()), std::vector<double>({7, -9999, -9999}));
    EXPECT_EQ(Total->GetNoDataValue(), -9999.0);
    MapPtr Two(TMapTools::Sum({A.get(), C.get()}));
    EXPECT_EQ(Cells(Two.get()), std::vector<double>({3, 3, -9999}));
}

TEST_F(MapToolsArithmeticTest, DataCountsCountsTheMapsWithData) {
    MapPtr A = MakeMap(1.0, 3, 1, {1, NaN, -9999});
    MapPtr B = MakeMap(1.0, 3, 1, {-5, -9999, -5}, -5.0);
    MapPtr One(TMapTools::DataCounts({A.get()}));
    EXPECT_EQ(Cells(One.get()), std::vector<double>({1, 1, 0}));
    MapPtr Two(TMapTools::DataCounts({A.get(), B.get()}));
    EXPECT_EQ(Cells(Two.get()), std::vector<double>({1, 2, 0}));
}

// Regression: where the first map with a no-data cell had a no-data value other than
// -9999.0, the average was that value divided by a count.
TEST_F(MapToolsArithmeticTest, AverageIsTheMeanWhereEveryMapHasData) {
    MapPtr A = MakeMap(1.0, 3, 1, {2, -9999, 1});
    MapPtr B = MakeMap(1.0, 3, 1, {4, 6, -4}, -4.0);
    MapPtr Mean(TMapTools::Average({A.get(), B.get()}));
    EXPECT_EQ(Cells(Mean.get()), std::vector<double>({3, -9999, -9999}));
    EXPECT_EQ(Mean->GetNoDataValue(), -9999.0);
}

TEST_F(MapToolsArithmeticTest, MovingAverageAveragesEachWindowFromItsStart) {
    std::vector<MapPtr> Series;
    std::vector<TMap*> Maps;
    for (double V : {1.0, 2.0, 3.0, 4.0, 5.0}) {
        Series.push_back(MakeMap(1.0, 1, 1, {V * 3}));
        Maps.push_back(Series.back().get());
    }
    std::vector<MapPtr> Three = Own(TMapTools::MovingAverage(Maps, 3));
    ASSERT_EQ(Three.size(), 3u);
    for (size_t K = 0; K < Three.size(); ++K)
        EXPECT_EQ(Three[K]->GetPointVal(0, 0), 3.0 * (K + 2)) << "window " << K;
    EXPECT_EQ(Own(TMapTools::MovingAverage(Maps, 5)).size(), 1u);
    EXPECT_TRUE(TMapTools::MovingAverage(Maps, 6).empty());
    EXPECT_TRUE(TMapTools::MovingAverage({}, 1).empty());
}

// Regression: the average paired the sum and the counts by position, which failed on maps
// with an unevenly spaced point axis (their interval axis steps evenly from the first point,
// so the last centre here lies beyond it).
TEST_F(MapToolsArithmeticTest, AveragePairsCellsByIndexOnAnyAxes) {
    TAxis XAxis(1.0);
    for (double X : {0.5, 1.5, 10.0})
        XAxis.AddPoint(new TPoint(X, 0.0));
    TAxis YAxis(1.0);
    YAxis.AddPoint(new TPoint(0.0, 0.5));
    MapPtr A(new TMap(&XAxis, &YAxis));
    MapPtr B(new TMap(&XAxis, &YAxis));
    for (long I = 0; I < 3; ++I) {
        A->SetPoint(I, 0, I);
        B->SetPoint(I, 0, 3 * I);
    }
    MapPtr Mean(TMapTools::Average({A.get(), B.get()}));
    EXPECT_EQ(Cells(Mean.get()), std::vector<double>({0, 2, 4}));
}
