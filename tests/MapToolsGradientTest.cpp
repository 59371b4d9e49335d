#include "TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

/// The message of the `char*` the call throws, or a marker when it throws nothing.
template <typename TCall> std::string ThrownMessage(TCall&& Call) {
    try {
        Call();
    } catch (char* Message) {
        return Message;
    }
    return "<nothing thrown>";
}

/// Map from its rows (row 0 northernmost) whose north-western cell centre is (X0, YDim - 0.5)
/// times the resolution.
std::unique_ptr<TMap> MakeMap(const std::vector<std::vector<double>>& Rows, double NoData = -9999.0,
                              double Resolution = 1.0, double X0 = 0.5) {
    std::unique_ptr<TMap> Map(new TMap(Resolution));
    for (const auto& Row : Rows)
        Map->AddRow(Row);
    TAxis XAxis(Resolution), YAxis(Resolution);
    for (long LngX = 0; LngX < Map->GetXDim(); ++LngX)
        XAxis.AddPoint(new TPoint(X0 + LngX * Resolution, 0.0));
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        YAxis.AddPoint(new TPoint(0.0, (Map->GetYDim() - LngY - 0.5) * Resolution));
    Map->SetXAxis(&XAxis);
    Map->SetYAxis(&YAxis);
    Map->SetNoDataValue(NoData);
    return Map;
}

/// 3 x 3 map holding `Centre` in the middle and `Around` in every other cell.
std::unique_ptr<TMap> Block(double Centre, double Around = 0.0, double NoData = -9999.0) {
    return MakeMap({{Around, Around, Around}, {Around, Centre, Around}, {Around, Around, Around}},
                   NoData);
}

/// Owns a series of maps and hands out the plain list the operations take.
struct TSeries {
    std::vector<std::unique_ptr<TMap>> Owned;
    std::vector<TMap*> List;
    TSeries& Add(std::unique_ptr<TMap> Map) {
        List.push_back(Map.get());
        Owned.push_back(std::move(Map));
        return *this;
    }
};

/// Takes ownership of the maps an operation returned.
std::vector<std::unique_ptr<TMap>> Adopt(const std::vector<TMap*>& Maps) {
    return std::vector<std::unique_ptr<TMap>>(Maps.begin(), Maps.end());
}

class MapToolsGradientTest : public ::testing::Test {
protected:
    /// Series of one-cell maps holding the given values.
    static TSeries OneCell(const std::vector<double>& Values, double NoData = -9999.0) {
        TSeries Series;
        for (double Value : Values)
            Series.Add(MakeMap({{Value}}, NoData));
        return Series;
    }
    /// Value of cell (LngX, LngY) in each result, in order.
    static std::vector<double> Slopes(const std::vector<TMap*>& Results, long LngX = 0,
                                      long LngY = 0) {
        std::vector<double> Values;
        for (const auto& Map : Adopt(Results))
            Values.push_back(Map->GetPointVal(LngX, LngY));
        return Values;
    }
};

// ---- Failures ---------------------------------------------------------------------------

TEST_F(MapToolsGradientTest, FailuresNameTheOperation) {
    const char* TooLarge = "Window size must be < number of maps in TMapTools::ValueGradients";
    const char* TooSmall = "Window size must be > 0 in TMapTools::ValueGradients";
    const char* Dimensions = "Map dimensions do not match in TMapTools::ValueGradients";
    const char* X = "X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal";
    const char* Y = "Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal";
    TSeries Four = OneCell({1, 2, 3, 4});
    TSeries Wider = OneCell({1, 2});
    Wider.Add(MakeMap({{1, 2}}));
    TSeries Taller = OneCell({1});
    Taller.Add(MakeMap({{1}, {2}}));
    auto Map = Block(1);
    struct {
        const char* Name;
        std::function<void()> Call;
        const char* Message;
    } Cases[] = {
        {"window = number of maps", [&] { Adopt(TMapTools::ValueGradients(Four.List, 4)); },
         TooLarge},
        {"empty list", [&] { Adopt(TMapTools::ValueGradients({}, 0)); }, TooLarge},
        {"window before dimensions", [&] { Adopt(TMapTools::ValueGradients(Wider.List, 3)); },
         TooLarge},
        {"zero window", [&] { Adopt(TMapTools::ValueGradients(Four.List, 0)); }, TooSmall},
        {"negative window, empty list", [&] { Adopt(TMapTools::ValueGradients({}, -1)); },
         TooSmall},
        {"small window before dimensions", [&] { Adopt(TMapTools::ValueGradients(Wider.List, 0)); },
         TooSmall},
        {"X dimension differs", [&] { Adopt(TMapTools::ValueGradients(Wider.List, 1)); },
         Dimensions},
        {"Y dimension differs", [&] { Adopt(TMapTools::ValueGradients(Taller.List, 1)); },
         Dimensions},
        {"column -1, row too", [&] { TMapTools::FindNonzeroNeighbourVal(Map.get(), -1, -1); }, X},
        {"column = XDim", [&] { TMapTools::FindNonzeroNeighbourVal(Map.get(), 3, 1); }, X},
        {"row = YDim", [&] { TMapTools::FindNonzeroNeighbourVal(Map.get(), 1, 3); }, Y},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(ThrownMessage(Case.Call), Case.Message) << Case.Name;
}

// ---- Neighbour search -------------------------------------------------------------------

TEST_F(MapToolsGradientTest, NeighbourSearchTakesTheLastColumnWithAValue) {
    // Middle column 5; right-hand column 7 above 9: 7 wins.
    auto Map = MakeMap({{0, 0, 0}, {0, 0, 7}, {0, 5, 9}});
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Map.get(), 1, 1), 7.0);
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Map.get(), 0, 1), 5.0) << "block clipped";
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Map.get(), 0, 0), 0.0) << "corner: four cells";
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Block(0).get(), 1, 1), 0.0);
    EXPECT_TRUE(std::isnan(TMapTools::FindNonzeroNeighbourVal(Block(NAN).get(), 1, 1)));
}

// ---- Gradients --------------------------------------------------------------------------

TEST_F(MapToolsGradientTest, GradientsOfKnownSeries) {
    struct {
        const char* Name;
        std::vector<double> Values;
        int WindowSize;
        std::vector<double> Expected;
    } Cases[] = {
        {"linear, window 1", {1, 2, 3, 4}, 1, {1, 1, 1}},
        {"linear, window 3", {1, 2, 3, 4}, 3, {1}},
        {"window k covers maps k to k + w", {1, 2, 4, 8}, 1, {1, 2, 4}},
        {"least squares", {1, 3, 2, 5, 4}, 2, {0.5, 1, 1}},
        {"zero in the last map is kept", {1, 2, 0}, 2, {-0.5}},
        {"zero in the first map gives no data", {0, 2, 3}, 1, {-9999, 1}},
    };
    for (const auto& Case : Cases) {
        TSeries Series = OneCell(Case.Values);
        EXPECT_EQ(Slopes(TMapTools::ValueGradients(Series.List, Case.WindowSize)), Case.Expected)
            << Case.Name;
    }
}

TEST_F(MapToolsGradientTest, ZerosAreFilledFromTheNeighbourhood) {
    // Values 1, 0, 3, 4 at the centre; map 1 is all zero, or holds a 2 in its corner.
    TSeries AllZero;
    AllZero.Add(Block(1)).Add(Block(0)).Add(Block(3)).Add(Block(4));
    EXPECT_EQ(Slopes(TMapTools::ValueGradients(AllZero.List, 3), 1, 1), (std::vector<double>{1.2}));
    TSeries WithTwo;
    WithTwo.Add(Block(1))
        .Add(MakeMap({{0, 0, 0}, {0, 0, 0}, {2, 0, 0}}))
        .Add(Block(3))
        .Add(Block(4));
    EXPECT_EQ(Slopes(TMapTools::ValueGradients(WithTwo.List, 3), 1, 1), (std::vector<double>{1}));
    // A zero filled with its map's no-data value is left out: (0, 1), (2, 3).
    TSeries Gap;
    Gap.Add(Block(1, 0, -5)).Add(Block(0, -5, -5)).Add(Block(3, 0, -5));
    EXPECT_EQ(Slopes(TMapTools::ValueGradients(Gap.List, 2), 1, 1), (std::vector<double>{1}));
}

TEST_F(MapToolsGradientTest, NoDataValuesAreLeftOut) {
    // Each map's own no-data value counts: -1 is no data in maps 0 to 2, a value in map 3.
    TSeries Series = OneCell({1, -1, 3}, -1);
    Series.Add(MakeMap({{-1}}));
    EXPECT_EQ(Slopes(TMapTools::ValueGradients(Series.List, 2)), (std::vector<double>{1, -4}));
    const std::vector<double> Single = Slopes(TMapTools::ValueGradients(Series.List, 1));
    ASSERT_EQ(Single.size(), 3u);
    EXPECT_TRUE(std::isnan(Single[0])) << "one usable value";
    EXPECT_EQ(Single[2], -4.0);
}

TEST_F(MapToolsGradientTest, ResultsLieOnTheFirstMapsGrid) {
    TSeries Series;
    Series.Add(MakeMap({{1, 2}}, -1, 0.5, 10.25)).Add(MakeMap({{2, 4}}, -2, 2.0, -100));
    auto Results = Adopt(TMapTools::ValueGradients(Series.List, 1));
    ASSERT_EQ(Results.size(), 1u);
    EXPECT_EQ(Results[0]->GetResolution(), 0.5);
    EXPECT_EQ(Results[0]->GetXAxis()->GetPoint(1)->GetX(), 10.75);
    EXPECT_EQ(Results[0]->GetNoDataValue(), -9999.0);
    EXPECT_EQ(Results[0]->GetMetadata(), "");
    EXPECT_EQ(Results[0]->GetPointVal(1, 0), 2.0);
}

} // namespace
