#include "TMapTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace testsupport;

namespace {

using TSeries = std::vector<std::unique_ptr<TMap>>;

/// 3 x 3 map holding `Centre` in the middle and `Around` in every other cell.
std::unique_ptr<TMap> Block(double Centre, double Around = 0.0, double NoData = -9999.0) {
    const std::vector<double> Ring(3, Around);
    return UnitMap({Ring, {Around, Centre, Around}, Ring}, NoData);
}

/// Series of one-cell maps holding the given values.
TSeries OneCell(const std::vector<double>& Values, double NoData = -9999.0) {
    TSeries Series;
    for (double Value : Values)
        Series.push_back(UnitMap({{Value}}, NoData));
    return Series;
}

/// Cell (LngX, LngY) of the gradients of the series over the window, in order.
std::vector<double> Slopes(const TSeries& Series, int WindowSize, long LngX = 0, long LngY = 0) {
    std::vector<double> Values;
    for (const auto& Map : Own(TMapTools::ValueGradients(Raw(Series), WindowSize)))
        Values.push_back(Map->GetPointVal(LngX, LngY));
    return Values;
}

class MapToolsGradientTest : public ::testing::Test {};

TEST_F(MapToolsGradientTest, FailuresCarryTheirMessages) {
    const std::string TooLarge =
        "Window size must be < number of maps in TMapTools::ValueGradients";
    const std::string TooSmall = "Window size must be > 0 in TMapTools::ValueGradients";
    const std::string Dimensions = "Map dimensions do not match in TMapTools::ValueGradients";
    const TSeries Four = OneCell({1, 2, 3, 4});
    TSeries Wider = OneCell({1, 2}), Taller = OneCell({1});
    Wider.push_back(UnitMap({{1, 2}}));
    Taller.push_back(UnitMap({{1}, {2}}));
    auto Map = Block(1);
    ExpectFailures({
        {"window = number of maps", [&] { Slopes(Four, 4); }, TooLarge},
        {"large window before dimensions", [&] { Slopes(Wider, 3); }, TooLarge},
        {"zero window", [&] { Slopes(Four, 0); }, TooSmall},
        {"negative window, empty list", [&] { Slopes(TSeries(), -1); }, TooSmall},
        {"small window before dimensions", [&] { Slopes(Wider, 0); }, TooSmall},
        {"X dimension differs", [&] { Slopes(Wider, 1); }, Dimensions},
        {"Y dimension differs", [&] { Slopes(Taller, 1); }, Dimensions},
        {"neighbour of column -1, row -1",
         [&] { TMapTools::FindNonzeroNeighbourVal(Map.get(), -1, -1); },
         "X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal"},
        {"neighbour of row = YDim", [&] { TMapTools::FindNonzeroNeighbourVal(Map.get(), 1, 3); },
         "Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal"},
    });
}

TEST_F(MapToolsGradientTest, NeighbourSearchTakesTheLastColumnWithAValue) {
    // Middle column 5; right-hand column 7 above 9: 7 wins.
    auto Map = UnitMap({{0, 0, 0}, {0, 0, 7}, {0, 5, 9}});
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Map.get(), 1, 1), 7.0);
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Map.get(), 0, 1), 5.0) << "block clipped";
    EXPECT_EQ(TMapTools::FindNonzeroNeighbourVal(Map.get(), 0, 0), 0.0) << "corner: four cells";
    EXPECT_TRUE(std::isnan(TMapTools::FindNonzeroNeighbourVal(Block(NAN).get(), 1, 1)));
}

// Gradient k covers maps k to k + window; a 0 in its first map gives no data.
TEST_F(MapToolsGradientTest, GradientsOfKnownSeries) {
    using V = std::vector<double>;
    EXPECT_EQ(Slopes(OneCell({1, 2, 3, 4}), 1), V({1, 1, 1})) << "linear, window 1";
    EXPECT_EQ(Slopes(OneCell({1, 2, 3, 4}), 3), V({1})) << "linear, window 3";
    EXPECT_EQ(Slopes(OneCell({1, 2, 4, 8}), 1), V({1, 2, 4})) << "window k covers maps k, k + 1";
    EXPECT_EQ(Slopes(OneCell({1, 3, 2, 5, 4}), 2), V({0.5, 1, 1})) << "least squares";
    EXPECT_EQ(Slopes(OneCell({1, 2, 0}), 2), V({-0.5})) << "zero in the last map is kept";
    EXPECT_EQ(Slopes(OneCell({0, 2, 3}), 1), V({-9999, 1})) << "zero in the first map";
}

TEST_F(MapToolsGradientTest, ZerosAreFilledFromTheNeighbourhood) {
    // Values 1, 0, 3, 4 at the centre; map 1 is all zero (the zero stays), or holds a 2 in
    // its corner (the zero becomes 2).
    TSeries Series;
    for (double Centre : {1, 0, 3, 4})
        Series.push_back(Block(Centre));
    EXPECT_EQ(Slopes(Series, 3, 1, 1), (std::vector<double>{1.2}));
    Series[1] = UnitMap({{0, 0, 0}, {0, 0, 0}, {2, 0, 0}});
    EXPECT_EQ(Slopes(Series, 3, 1, 1), (std::vector<double>{1}));
    // A zero filled with its map's no-data value is left out: (0, 1), (2, 3) count.
    TSeries Gap;
    Gap.push_back(Block(1, 0, -5));
    Gap.push_back(Block(0, -5, -5));
    Gap.push_back(Block(3, 0, -5));
    EXPECT_EQ(Slopes(Gap, 2, 1, 1), (std::vector<double>{1}));
    // A zero in the last map of a window stays, whatever surrounds it.
    TSeries Last;
    for (double Centre : {1, 2})
        Last.push_back(Block(Centre));
    Last.push_back(Block(0, 5));
    EXPECT_EQ(Slopes(Last, 2, 1, 1), (std::vector<double>{-0.5}));
}

TEST_F(MapToolsGradientTest, NoDataValuesAreLeftOut) {
    // Each map's own no-data value counts: -1 is no data in maps 0 to 2, a value in map 3.
    TSeries Series = OneCell({1, -1, 3}, -1);
    Series.push_back(UnitMap({{-1}}));
    EXPECT_EQ(Slopes(Series, 2), (std::vector<double>{1, -4}));
    const std::vector<double> Single = Slopes(Series, 1);
    EXPECT_TRUE(Single.size() == 3 && std::isnan(Single[0]) && Single[2] == -4.0)
        << "NaN from one usable value";
}

TEST_F(MapToolsGradientTest, ResultsLieOnTheFirstMapsGrid) {
    TSeries Series;
    Series.push_back(MakeMap({{1, 2}}, 0.5, 10.25, 0.25, true, -1));
    Series.push_back(MakeMap({{2, 4}}, 2.0, -100, 1, true, -2));
    auto Results = Own(TMapTools::ValueGradients(Raw(Series), 1));
    ASSERT_EQ(Results.size(), 1u);
    EXPECT_TRUE(HasRows(Results[0].get(), {{1, 2}}));
    EXPECT_EQ(Results[0]->GetXAxis()->GetPoint(1)->GetX(), 10.75);
    EXPECT_EQ(Results[0]->GetNoDataValue(), -9999.0);
}

// A series taken window by window, as a command streaming files takes it.
TEST_F(MapToolsGradientTest, OneWindowAtATimeGivesTheListsBits) {
    const auto Mixed = RandomSeries(60, {0, 1, 2, 3, 0, 3});
    const std::vector<TMap*> M = Raw(Mixed);
    for (int Window : {1, 2, 5}) {
        const auto All = Own(TMapTools::ValueGradients(M, Window));
        for (size_t K = 0; K < All.size(); ++K) {
            const std::vector<TMap*> Maps(M.begin() + K, M.begin() + K + Window + 1);
            const std::unique_ptr<TMap> One(
                TMapTools::ValueGradients(M[0], Maps, static_cast<int>(K)));
            EXPECT_EQ(Fingerprint(One.get()), Fingerprint(All[K].get())) << Window << " " << K;
        }
    }
    const TSeries Wider = OneCell({1, 2});
    const auto Wide = UnitMap({{1, 2}});
    ExpectFailures({
        {"window of one map", [&] { TMapTools::ValueGradients(M[0], {M[1]}, 1); },
         "Window size must be > 0 in TMapTools::ValueGradients"},
        {"no first map",
         [&] {
             TMapTools::ValueGradients(nullptr, {M[1], M[2]}, 1);
         },
         "Series start is not set in TMapTools::ValueGradients"},
        {"first map of another size", [&] { TMapTools::ValueGradients(Wide.get(), Raw(Wider), 1); },
         "Map dimensions do not match in TMapTools::ValueGradients"},
    });
}

TEST_F(MapToolsGradientTest, OutputsOnRandomMapsKeepTheirRecordedBits) {
    const auto Mixed = RandomSeries(60, {0, 1, 2, 3, 0, 3});
    const auto Turned = RandomSeries(70, {3, 1, 0, 2});
    const std::vector<TMap*> M = Raw(Mixed), T = Raw(Turned);
    const auto Gradients = [](const std::vector<TMap*>& S, int Window, size_t K) {
        return [&S, Window, K] { return Pick(TMapTools::ValueGradients(S, Window), K); };
    };
    ExpectRecorded({
        {"window 2, first", Gradients(M, 2, 0), 0x23aeaaaaffe84c1f},
        {"window 2, last", Gradients(M, 2, 3), 0x36f4c2c48dc620a2},
        {"window 1", Gradients(M, 1, 2), 0xd8a1d79f34145753},
        {"window 5", Gradients(M, 5, 0), 0x83900c7aa1aa1fd8},
        {"turned first map", Gradients(T, 3, 0), 0x22a10783a13f25e0},
        {"turned, window 1", Gradients(T, 1, 1), 0x128d3f9c3737a115},
    });
}

} // namespace
