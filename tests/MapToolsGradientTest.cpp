#include "TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
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

/// Map from its rows (row 0 northernmost) on point axes starting at (X0, Y0) for the
/// north-western cell centre.
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
    void Add(std::unique_ptr<TMap> Map) {
        List.push_back(Map.get());
        Owned.push_back(std::move(Map));
    }
};

/// Takes ownership of the maps an operation returned.
std::vector<std::unique_ptr<TMap>> Adopt(const std::vector<TMap*>& Maps) {
    return std::vector<std::unique_ptr<TMap>>(Maps.begin(), Maps.end());
}

class MapToolsGradientTest : public ::testing::Test {
protected:
    /// Series of one-cell maps holding the given values.
    static TSeries OneCellSeries(const std::vector<double>& Values, double NoData = -9999.0) {
        TSeries Series;
        for (double Value : Values)
            Series.Add(MakeMap({{Value}}, NoData));
        return Series;
    }
    /// Slopes of the one-cell results, in order.
    static std::vector<double> Slopes(const std::vector<TMap*>& Results) {
        std::vector<double> Values;
        for (const auto& Map : Adopt(Results))
            Values.push_back(Map->GetPointVal(0, 0));
        return Values;
    }
};

// ---- Failures ---------------------------------------------------------------------------

TEST_F(MapToolsGradientTest, WindowAndDimensionChecksComeFirst) {
    const char* TooLarge = "Window size must be < number of maps in TMapTools::ValueGradients";
    const char* TooSmall = "Window size must be > 0 in TMapTools::ValueGradients";
    const char* Dimensions = "Map dimensions do not match in TMapTools::ValueGradients";
    TSeries Four = OneCellSeries({1, 2, 3, 4});
    TSeries Mixed = OneCellSeries({1, 2});
    Mixed.Add(MakeMap({{1, 2}}));
    TSeries Taller = OneCellSeries({1});
    Taller.Add(MakeMap({{1}, {2}}));
    struct {
        const char* Name;
        std::vector<TMap*> Maps;
        int WindowSize;
        const char* Message;
    } Cases[] = {
        {"window = number of maps", Four.List, 4, TooLarge},
        {"empty list", {}, 0, TooLarge},
        {"window too large before dimensions", Mixed.List, 3, TooLarge},
        {"zero window", Four.List, 0, TooSmall},
        {"negative window", Four.List, -2, TooSmall},
        {"negative window on empty list", {}, -1, TooSmall},
        {"small window before dimensions", Mixed.List, 0, TooSmall},
        {"X dimension differs", Mixed.List, 1, Dimensions},
        {"Y dimension differs", Taller.List, 1, Dimensions},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(
            ThrownMessage([&] { Adopt(TMapTools::ValueGradients(Case.Maps, Case.WindowSize)); }),
            Case.Message)
            << Case.Name;
}

TEST_F(MapToolsGradientTest, NeighbourSearchChecksTheCell) {
    auto Map = Block(1);
    const char* X = "X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal";
    const char* Y = "Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal";
    struct {
        const char* Name;
        long LngX, LngY;
        const char* Message;
    } Cases[] = {
        {"column -1", -1, 1, X}, {"column = XDim", 3, 1, X}, {"both outside", -1, -1, X},
        {"row -1", 1, -1, Y},    {"row = YDim", 1, 3, Y},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(ThrownMessage(
                      [&] { TMapTools::FindNonzeroNeighbourVal(Map.get(), Case.LngX, Case.LngY); }),
                  Case.Message)
            << Case.Name;
}

// ---- Neighbour search -------------------------------------------------------------------

TEST_F(MapToolsGradientTest, NeighbourSearchTakesTheLastColumnWithAValue) {
    // Middle column 5 (row 2), right-hand column 7 (row 1) and 9 (row 2): 7 wins.
    auto Map = MakeMap({{0, 0, 0}, {0, 0, 7}, {0, 5, 9}});
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Map.get(), 1, 1), 7.0);
    // At column 0 the block ends at column 1.
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Map.get(), 0, 1), 5.0);
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Block(0).get(), 1, 1), 0.0);
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Block(-3).get(), 1, 1), -3.0);
    EXPECT_TRUE(std::isnan(TMapTools::FindNonzeroNeighbourVal(Block(NAN).get(), 1, 1)));
}

TEST_F(MapToolsGradientTest, NeighbourSearchAtACornerSeesFourCells) {
    auto Far = MakeMap({{0, 0, 0}, {0, 0, 0}, {0, 0, 6}});
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Far.get(), 0, 0), 0.0);
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Far.get(), 2, 2), 6.0);
    auto Near = MakeMap({{0, 0, 0}, {0, 4, 0}, {0, 0, 0}});
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Near.get(), 0, 0), 4.0);
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Near.get(), 2, 2), 4.0);
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
        TSeries Series = OneCellSeries(Case.Values);
        EXPECT_EQ(Slopes(TMapTools::ValueGradients(Series.List, Case.WindowSize)), Case.Expected)
            << Case.Name;
    }
}

TEST_F(MapToolsGradientTest, ZerosAreFilledFromTheNeighbourhood) {
    // Values 1, 0, 3, 4 at the centre cell.
    TSeries AllZero;
    AllZero.Add(Block(1));
    AllZero.Add(Block(0));
    AllZero.Add(Block(3));
    AllZero.Add(Block(4));
    auto Kept = Adopt(TMapTools::ValueGradients(AllZero.List, 3));
    ASSERT_EQ(Kept.size(), 1u);
    EXPECT_DOUBLE_EQ(Kept[0]->GetPointVal(1, 1), 1.2);

    TSeries WithTwo;
    WithTwo.Add(Block(1));
    WithTwo.Add(MakeMap({{0, 0, 0}, {0, 0, 0}, {2, 0, 0}}));
    WithTwo.Add(Block(3));
    WithTwo.Add(Block(4));
    auto Filled = Adopt(TMapTools::ValueGradients(WithTwo.List, 3));
    ASSERT_EQ(Filled.size(), 1u);
    EXPECT_DOUBLE_EQ(Filled[0]->GetPointVal(1, 1), 1.0);
    // Cells where the first map holds 0 stay no data.
    EXPECT_EQ(Filled[0]->GetPointVal(0, 0), -9999.0);
}

TEST_F(MapToolsGradientTest, NoDataValuesAreLeftOut) {
    // Each map's own no-data value counts: -1 is no data in maps 0 to 2, a value in map 3.
    TSeries Series;
    Series.Add(MakeMap({{1}}, -1));
    Series.Add(MakeMap({{-1}}, -1));
    Series.Add(MakeMap({{3}}, -1));
    Series.Add(MakeMap({{-1}}, -9999));
    EXPECT_EQ(Slopes(TMapTools::ValueGradients(Series.List, 2)), (std::vector<double>{1, -4}));

    const std::vector<double> Single = Slopes(TMapTools::ValueGradients(Series.List, 1));
    ASSERT_EQ(Single.size(), 3u);
    EXPECT_TRUE(std::isnan(Single[0])) << "one usable value";
    EXPECT_TRUE(std::isnan(Single[1])) << "one usable value";
    EXPECT_EQ(Single[2], -4.0);

    // A zero filled in with a no-data value of its map is left out too.
    TSeries Filled;
    Filled.Add(Block(1, 0, -5));
    Filled.Add(Block(0, -5, -5));
    Filled.Add(Block(3, 0, -5));
    auto Result = Adopt(TMapTools::ValueGradients(Filled.List, 2));
    EXPECT_EQ(Result[0]->GetPointVal(1, 1), 1.0);
}

TEST_F(MapToolsGradientTest, ResultsLieOnTheFirstMapsGrid) {
    TSeries Series;
    Series.Add(MakeMap({{1, 2}}, -1, 0.5, 10.25));
    Series.Add(MakeMap({{2, 4}}, -2, 2.0, -100));
    auto Results = Adopt(TMapTools::ValueGradients(Series.List, 1));
    ASSERT_EQ(Results.size(), 1u);
    const TMap& Result = *Results[0];
    EXPECT_EQ(Result.GetResolution(), 0.5);
    ASSERT_EQ(Result.GetXDim(), 2);
    ASSERT_EQ(Result.GetYDim(), 1);
    EXPECT_EQ(Result.GetXAxis()->GetPoint(1)->GetX(), 10.75);
    EXPECT_NE(Result.GetXAxis(), Series.List[0]->GetXAxis());
    EXPECT_EQ(Result.GetNoDataValue(), -9999.0);
    EXPECT_EQ(Result.GetMetadata(), "");
    EXPECT_EQ(Result.GetPointVal(0, 0), 1.0);
    EXPECT_EQ(Result.GetPointVal(1, 0), 2.0);
}

} // namespace
