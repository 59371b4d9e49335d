#include "TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using MapPtr = std::unique_ptr<TMap>;

// Map of Cols x Rows unit cells placed with its south-west corner at (West, 0); the values
// run row by row from the northern row.
MapPtr MakeMap(long Cols, long Rows, const std::vector<double>& Values, double NoData = -9999.0,
               double West = 0.0) {
    TAxis XAxis(1.0);
    for (long I = 0; I < Cols; ++I)
        XAxis.AddPoint(new TPoint(West + I + 0.5, 0.0));
    TAxis YAxis(1.0);
    for (long J = 0; J < Rows; ++J)
        YAxis.AddPoint(new TPoint(West, Rows - J - 0.5));
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

// The cells match the expected values one by one, a NaN matching a NaN.
::testing::AssertionResult HasCells(const TMap* Map, const std::vector<double>& Expected) {
    const std::vector<double> Got = Cells(Map);
    if (Got.size() != Expected.size())
        return ::testing::AssertionFailure() << Got.size() << " cells";
    for (size_t I = 0; I < Got.size(); ++I)
        if (!(Got[I] == Expected[I] || (std::isnan(Got[I]) && std::isnan(Expected[I]))))
            return ::testing::AssertionFailure() << "cell " << I << " is " << Got[I];
    return ::testing::AssertionSuccess();
}

template <typename TCall> std::string ThrownMessage(TCall&& Call) {
    try {
        Call();
    } catch (char* Text) {
        return Text;
    }
    return "(nothing thrown)";
}

const double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

class MapToolsThresholdTest : public ::testing::Test {
protected:
    MapPtr Steps = MakeMap(2, 2, {1, 5, 5, 7}, -5.0);
    MapPtr Holes = MakeMap(3, 1, {-9999, NaN, 3});
};

// ---- Failures ---------------------------------------------------------------------------

TEST_F(MapToolsThresholdTest, MaskRefusesMapsOfAnotherSize) {
    MapPtr Wide = MakeMap(3, 3, std::vector<double>(9, 0.0));
    MapPtr Tall = MakeMap(2, 3, std::vector<double>(6, 0.0));
    EXPECT_EQ(ThrownMessage([&] { delete TMapTools::Mask(Steps.get(), Wide.get(), 1, 2); }),
              "X dimensions do not match in TMapTools::Mask");
    EXPECT_EQ(ThrownMessage([&] { delete TMapTools::Mask(Steps.get(), Tall.get(), 1, 2); }),
              "Y dimensions do not match in TMapTools::Mask");
}

// ---- Cell rules -------------------------------------------------------------------------

TEST_F(MapToolsThresholdTest, CellRulesOfEveryOperation) {
    struct Case {
        const char* Name;
        TMap* Result;
        std::vector<double> Expected;
    } Cases[] = {
        {"Threshold at 5", TMapTools::Threshold(Steps.get(), 5), {0, 5, 5, 7}},
        {"ThresholdReplace at 5", TMapTools::ThresholdReplace(Steps.get(), 5, 9), {1, 9, 9, 9}},
        {"Mask 5 by 0",
         TMapTools::Mask(Holes.get(), MakeMap(3, 1, {5, 2, 5}).get(), 5, 0),
         {0, 2, 0}},
        {"ReplaceValue",
         TMapTools::ReplaceValue(Steps.get(), {{5, 50}, {7, 7}}, -1),
         {-1, 50, 50, 7}},
        {"ReplaceValue empty table", TMapTools::ReplaceValue(Steps.get(), {}, 4), {4, 4, 4, 4}},
        {"Threshold of no-data", TMapTools::Threshold(Holes.get(), -100), {0, 0, 3}},
        {"ThresholdReplace of no-data",
         TMapTools::ThresholdReplace(Holes.get(), -100, 1),
         {-9999, NaN, 1}},
    };
    for (Case& Each : Cases) {
        MapPtr Result(Each.Result);
        EXPECT_TRUE(HasCells(Result.get(), Each.Expected)) << Each.Name;
        EXPECT_EQ(Result->GetNoDataValue(), -9999.0) << Each.Name;
    }
}

// The template gives the grid and takes no part in the values.
TEST_F(MapToolsThresholdTest, MaskLiesOnTheTemplateWithTheValueMapsCells) {
    MapPtr Template = MakeMap(2, 1, {NaN, NaN}, -3.0, 100.0);
    MapPtr Values = MakeMap(2, 1, {NaN, -3}, -3.0);
    MapPtr Masked(TMapTools::Mask(Template.get(), Values.get(), NaN, 8));
    EXPECT_TRUE(std::isnan(Masked->GetPointVal(0, 0))) << "NaN never equals the masked value";
    EXPECT_EQ(Masked->GetPointVal(1, 0), -3.0);
    EXPECT_EQ(Masked->GetXAxis()->GetPoint(1)->GetX(), 101.5);
    EXPECT_EQ(Masked->GetNoDataValue(), -9999.0);
}

TEST_F(MapToolsThresholdTest, ThresholdOfAListKeepsItsOrder) {
    EXPECT_TRUE(TMapTools::Threshold(std::vector<TMap*>(), 1).empty());
    std::vector<TMap*> Results = TMapTools::Threshold({Steps.get(), Holes.get()}, 5);
    ASSERT_EQ(Results.size(), 2u);
    MapPtr First(Results[0]), Second(Results[1]);
    EXPECT_EQ(Cells(First.get()), std::vector<double>({0, 5, 5, 7}));
    EXPECT_EQ(Cells(Second.get()), std::vector<double>({0, 0, 0}));
}

// Regression: a NaN cell looked up in the table matched its first key.
TEST_F(MapToolsThresholdTest, ReplaceValueWritesTheOtherValueForNaN) {
    MapPtr Replaced(TMapTools::ReplaceValue(Holes.get(), {{-9999, 1}, {3, 2}}, 6));
    EXPECT_EQ(Cells(Replaced.get()), std::vector<double>({1, 6, 2}));
}

// ---- Counts -----------------------------------------------------------------------------

TEST_F(MapToolsThresholdTest, HistogramIsAscendingAndLeavesOutNaN) {
    MapPtr Mixed = MakeMap(3, 2, {7, NaN, -9999, 7, 0.5, -9999}, -5.0);
    const std::map<double, long> Expected = {{-9999, 2}, {0.5, 1}, {7, 2}};
    EXPECT_EQ(TMapTools::CountValues(Mixed.get()), Expected);
    MapPtr Empty = MakeMap(2, 2, std::vector<double>(4, -9999));
    EXPECT_EQ(TMapTools::CountValues(Empty.get()), (std::map<double, long>{{-9999, 4}}));
}

TEST_F(MapToolsThresholdTest, CountValuesCountsExactMatches) {
    EXPECT_EQ(TMapTools::CountValues(Steps.get(), 5), 2);
    EXPECT_EQ(TMapTools::CountValues(Steps.get(), 5.000001), 0);
    EXPECT_EQ(TMapTools::CountValues(Holes.get(), NaN), 0);
}
