#include "TMapTools.h"
#include "TSeriesStatistics.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class SeriesStatisticsTest : public ::testing::Test {};

TEST_F(SeriesStatisticsTest, FailuresCarryTheirMessages) {
    MapPtr Map = UnitMap({{1, 2}}), Wide = UnitMap({{1, 2, 3}}), Tall = UnitMap({{1, 2}, {3, 4}});
    TSeriesStatistics None, One;
    One.Add(Map.get());
    const std::string Add = " of maps are inconsistent in TSeriesStatistics::Add";
    ExpectFailures({
        {"minimum count 1", [] { TSeriesStatistics Series(1); },
         "Minimum count must be at least 2 in TSeriesStatistics::TSeriesStatistics"},
        {"no map", [&] { One.Add(nullptr); }, "Map is not set in TSeriesStatistics::Add"},
        {"wider", [&] { One.Add(Wide.get()); }, "X-dimension" + Add},
        {"taller", [&] { One.Add(Tall.get()); }, "Y-dimension" + Add},
        {"Sum of one map", [&] { delete One.Sum(); },
         "Must have more than 2 maps to sum in TSeriesStatistics::Sum"},
        {"DataCounts of none", [&] { delete None.DataCounts(); },
         "Map list is empty in TSeriesStatistics::DataCounts"},
        {"DataAverage of one map", [&] { delete One.DataAverage(); },
         "Must have at least 2 maps to average in TSeriesStatistics::DataAverage"},
        {"Trend of one map", [&] { delete One.Trend(); },
         "Must have at least 2 maps for a trend in TSeriesStatistics::Trend"},
    });
    // The refused maps changed nothing.
    EXPECT_TRUE(HasRows(MapPtr(One.DataCounts()).get(), {{1, 1}}));
}

// Maps in every order of listing, one on another grid (paired by index), with NaN and
// infinite cells; each map added is a copy deleted at once.
TEST_F(SeriesStatisticsTest, ResultsHaveTheBitsOfTheListOperations) {
    auto Series = RandomSeries(140, {3, 0, 1, 2, 0, 3, 2, 1});
    Series[5] = RandomMap(150, 13, 9, 0.25, -7.125, 1.125, true, false);
    for (size_t K = 0; K < Series.size(); ++K)
        AddNonFinite(Series[K].get(), static_cast<unsigned>(K));
    const std::vector<TMap*> Maps = Raw(Series);
    TSeriesStatistics Statistics(3);
    for (size_t K = 0; K < Maps.size(); ++K) {
        Statistics.Add(Reversed(Maps[K], false, false).get());
        const std::vector<TMap*> Added(Maps.begin(), Maps.begin() + K + 1);
        const auto Expect = [&](const char* Name, TMap* Found, TMap* Expected) {
            const MapPtr Streamed(Found), Listed(Expected);
            EXPECT_EQ(Fingerprint(Streamed.get()), Fingerprint(Listed.get()))
                << Name << " of " << K + 1 << " maps";
        };
        Expect("DataCounts", Statistics.DataCounts(), TMapTools::DataCounts(Added));
        if (K == 0)
            continue;
        Expect("Sum", Statistics.Sum(), TMapTools::Sum(Added));
        Expect("DataAverage", Statistics.DataAverage(), TMapTools::DataAverage(Added));
        Expect("Trend", Statistics.Trend(), TMapTools::Trend(Added, 3));
    }
}

} // namespace
