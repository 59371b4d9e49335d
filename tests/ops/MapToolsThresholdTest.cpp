#include "TMapTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

using namespace testsupport;

namespace {

class MapToolsThresholdTest : public ::testing::Test {
protected:
    MapPtr Steps = UnitMap({{1, 5}, {5, 7}}, -5.0);
    MapPtr Holes = UnitMap({{-9999, NaN, 3}});
};

TEST_F(MapToolsThresholdTest, FailuresCarryTheirMessages) {
    MapPtr Wide = UnitMap({{0, 0, 0}, {0, 0, 0}}), Tall = UnitMap({{0, 0}, {0, 0}, {0, 0}});
    ExpectFailures({
        {"wider", [&] { delete TMapTools::Mask(Steps.get(), Wide.get(), 1, 2); },
         "X dimensions do not match in TMapTools::Mask"},
        {"taller", [&] { delete TMapTools::Mask(Steps.get(), Tall.get(), 1, 2); },
         "Y dimensions do not match in TMapTools::Mask"},
        {"Indicator, unknown comparison",
         [&] { delete TMapTools::Indicator(Steps.get(), "=<", 1); },
         "Comparison must be one of <, <=, >, >=, ==, != in TMapTools::Indicator"},
        // An empty braced list reaches the one-map form.
        {"empty braced list", [] { delete TMapTools::Threshold({}, 1.0); },
         "Map is not set in TMapTools::Threshold"},
    });
}

// The input's no-data value is compared and replaced like any other value.
TEST_F(MapToolsThresholdTest, CellRulesOfEveryOperation) {
    const struct {
        const char* Name;
        TMap* Result;
        TRows Expected;
    } Cases[] = {
        {"Threshold", TMapTools::Threshold(Steps.get(), 5), {{0, 5}, {5, 7}}},
        {"ThresholdReplace", TMapTools::ThresholdReplace(Steps.get(), 5, 9), {{1, 9}, {9, 9}}},
        {"Mask", TMapTools::Mask(Holes.get(), UnitMap({{5, 2, 5}}).get(), 5, 0), {{0, 2, 0}}},
        {"ReplaceValue",
         TMapTools::ReplaceValue(Steps.get(), {{5, 50}, {7, 7}}, -1),
         {{-1, 50}, {50, 7}}},
        {"Threshold of no-data", TMapTools::Threshold(Holes.get(), -100), {{0, 0, 3}}},
        {"ThresholdReplace of no-data",
         TMapTools::ThresholdReplace(Holes.get(), -100, 1),
         {{-9999, NaN, 1}}},
    };
    for (const auto& Case : Cases) {
        MapPtr Result(Case.Result);
        EXPECT_TRUE(HasRows(Result.get(), Case.Expected)) << Case.Name;
        EXPECT_EQ(Result->GetNoDataValue(), -9999.0) << Case.Name;
    }
}

// The template gives the grid and takes no part in the values; NaN never equals the
// masked value.
TEST_F(MapToolsThresholdTest, MaskLiesOnTheTemplateWithTheValueMapsCells) {
    MapPtr Template = MakeMap({{NaN, NaN}}, 1.0, 100.5, 0.5, true, -3.0);
    MapPtr Masked(TMapTools::Mask(Template.get(), UnitMap({{NaN, -3}}, -3.0).get(), NaN, 8));
    EXPECT_TRUE(HasRows(Masked.get(), {{NaN, -3}}));
    EXPECT_EQ(Masked->GetXAxis()->GetPoint(1)->GetX(), 101.5);
}

/// Whether `V Comparison W` holds.
bool Holds(double V, const std::string& Comparison, double W) {
    const std::map<std::string, bool> Outcomes = {{"<", V < W},   {"<=", V <= W}, {">", V > W},
                                                  {">=", V >= W}, {"==", V == W}, {"!=", V != W}};
    return Outcomes.at(Comparison);
}

// Random maps in every order of rows and columns, with no-data, NaN and infinite cells.
TEST_F(MapToolsThresholdTest, IndicatorAndReplaceNonFiniteFollowTheirCellRules) {
    for (int Order = 0; Order < 4; ++Order) {
        MapPtr Map = RandomMap(110 + Order, 11, 7, 0.5, 3.25, 9.75, Order & 2, !(Order & 1),
                               Order == 3 ? 7.0 : -9999.0);
        AddNonFinite(Map.get(), Order);
        Map->SetPoint(4, 3, 7.0); // a value equal to the no-data value of order 3
        const double Value = Map->GetPointVal(5, 5);
        for (const std::string Comparison : {"<", "<=", ">", ">=", "==", "!="}) {
            TRows Expected = RowsOf(Map.get());
            ForEachCellOf(Map.get(), [&](long X, long Y, double V) {
                const bool Gap = V == Map->GetNoDataValue() || std::isnan(V);
                Expected[Y][X] = Gap ? -9999.0 : Holds(V, Comparison, Value) ? 1.0 : 0.0;
            });
            MapPtr Result(TMapTools::Indicator(Map.get(), Comparison, Value));
            EXPECT_TRUE(HasRows(Result.get(), Expected)) << Comparison << ", order " << Order;
            EXPECT_EQ(EdgeSpan(Result.get()), EdgeSpan(Map.get())) << "order " << Order;
        }
        TRows Replaced = RowsOf(Map.get());
        ForEachCellOf(Map.get(), [&](long X, long Y, double V) {
            Replaced[Y][X] = std::isfinite(V) ? V : -2.5;
        });
        MapPtr Result(TMapTools::ReplaceNonFinite(Map.get(), -2.5));
        EXPECT_TRUE(HasRows(Result.get(), Replaced)) << "order " << Order;
        EXPECT_EQ(Result->GetNoDataValue(), Map->GetNoDataValue()) << "order " << Order;
        EXPECT_EQ(EdgeSpan(Result.get()), EdgeSpan(Map.get())) << "order " << Order;
    }
}

TEST_F(MapToolsThresholdTest, ThresholdOfAListKeepsItsOrder) {
    auto Results = Own(TMapTools::Threshold({Steps.get(), Holes.get()}, 5));
    ASSERT_EQ(Results.size(), 2u);
    EXPECT_TRUE(HasRows(Results[1].get(), {{0, 0, 0}}));
}

// Regression: a NaN cell looked up in the table matched its first key.
TEST_F(MapToolsThresholdTest, RegressionReplaceValueWritesTheOtherValueForNaN) {
    MapPtr Replaced(TMapTools::ReplaceValue(Holes.get(), {{-9999, 1}, {3, 2}}, 6));
    EXPECT_TRUE(HasRows(Replaced.get(), {{1, 6, 2}}));
}

TEST_F(MapToolsThresholdTest, CountsAreExactAndLeaveOutNaN) {
    MapPtr Mixed = UnitMap({{7, NaN, -9999}, {7, 0.5, -9999}}, -5.0);
    EXPECT_EQ(TMapTools::CountValues(Mixed.get()),
              (std::map<double, long>{{-9999, 2}, {0.5, 1}, {7, 2}}));
    EXPECT_EQ(TMapTools::CountValues(Steps.get(), 5), 2);
    EXPECT_EQ(TMapTools::CountValues(Steps.get(), 5.000001), 0);
    EXPECT_EQ(TMapTools::CountValues(Holes.get(), NaN), 0);
}

TEST_F(MapToolsThresholdTest, OutputsOnRandomMapsKeepTheirRecordedBits) {
    // Recorded from the first implementation: any changed bit of a cell or axis point shows.
    const MapPtr North = RandomMap(1, 23, 17, 0.3, 10.15, 5.05, false, true);
    const MapPtr Up = RandomMap(2, 19, 21, 0.25, -3.125, -2.125, false, false);
    const MapPtr West = RandomMap(3, 17, 15, 0.7, 100.35, 40.35, true, true, -1.0);
    const MapPtr Other = RandomMap(4, 23, 17, 0.5, 0.25, 0.25, false, false);
    // Thresholds and keys that cells hold exactly.
    const double A = North->GetPointVal(3, 4), B = West->GetPointVal(5, 6);
    const double C = West->GetPointVal(1, 2), D = Other->GetPointVal(7, 8);
    const auto Series = RandomSeries(50, {0, 1, 2, 3});
    const std::vector<TMap*> S = Raw(Series);
    const double Masked = S[1]->GetPointVal(4, 5);
    ExpectRecorded({
        {"Threshold north-up", [&] { return TMapTools::Threshold(North.get(), A); },
         0x1e0816e5e91e70c0},
        {"Threshold X descending", [&] { return TMapTools::Threshold(West.get(), B); },
         0xc55aa62047cb545c},
        {"ThresholdReplace Y ascending",
         [&] { return TMapTools::ThresholdReplace(Up.get(), 0.01, 7.25); }, 0x65510f4a02f3738a},
        {"ThresholdReplace X descending",
         [&] { return TMapTools::ThresholdReplace(West.get(), B, -0.3); }, 0x42b5c073035cab1e},
        {"Mask", [&] { return TMapTools::Mask(North.get(), Other.get(), D, 0.1); },
         0xf359144ce5a24f71},
        {"ReplaceValue",
         [&] {
             return TMapTools::ReplaceValue(West.get(), {{B, 1.5}, {C, -2}, {-1, 3}}, 0.3);
         },
         0xf02a7e84f65d77d5},
        {"Mask rows reversed", [&] { return TMapTools::Mask(S[0], S[1], Masked, 0.1); },
         0xadee1fa9ecb7bad2},
        {"Mask columns reversed", [&] { return TMapTools::Mask(S[3], S[2], 0.0, -2.5); },
         0xf19a398f9e807068},
        {"Mask of no-data", [&] { return TMapTools::Mask(S[2], S[0], -9999.0, 7.0); },
         0xe36f87c3611e61d8},
    });
}

} // namespace
