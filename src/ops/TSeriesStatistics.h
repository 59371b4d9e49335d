#ifndef VELDGRID_TSERIESSTATISTICS_H
#define VELDGRID_TSERIESSTATISTICS_H

#include "TMap.h"

#include <memory>

/// Sums, counts, means and trends of a series of maps fed one map at a time, so that a series
/// need never be held in memory: each cell keeps only its running figures (a few doubles),
/// whatever the number of maps. Each result is, bit for bit, what the list operation of
/// `TMapTools` of the same name gives for the maps added so far, in the order added:
/// `Sum`, `DataCounts`, `DataAverage` and `Trend` (with this object's minimum count).
///
/// The first map added fixes the grid: every later map must have its number of columns and
/// rows, and its cells are paired with the first map's by place as the list operations pair
/// them (a map listing its rows south to north or its columns east to west lines up with a
/// north-up one; a map on other centres is paired by column and row number). The maps stay
/// the caller's and are not kept: one may be deleted as soon as it has been added. A failed
/// call changes nothing.
///
/// A result asked for with too few maps throws what the list operation throws for a list
/// that short, under this class's name: `Sum` and `DataAverage` need two maps, `DataCounts`
/// and `Trend` one and two. Results are new maps on copies of the first map's point axes,
/// with the no-data value -9999.0, which the caller owns.
class TSeriesStatistics {
public:
    /// An empty series whose `Trend` needs data in at least `MinCount` maps (2 or more).
    explicit TSeriesStatistics(long MinCount = 2);
    ~TSeriesStatistics();

    TSeriesStatistics(const TSeriesStatistics&) = delete;
    TSeriesStatistics& operator=(const TSeriesStatistics&) = delete;

    /// Adds the next map of the series (which stays the caller's).
    void Add(const TMap* Map);

    /// New map (caller owns): the sum of the maps, -9999.0 where one of them has no data.
    TMap* Sum() const;
    /// New map (caller owns): in how many maps each cell holds data.
    TMap* DataCounts() const;
    /// New map (caller owns): the mean of the maps that have data in each cell, -9999.0
    /// where none has.
    TMap* DataAverage() const;
    /// New map (caller owns): the least-squares slope of each cell's finite data values
    /// against the number of their map (0 for the first added), -9999.0 where fewer than
    /// the minimum count of maps hold such a value.
    TMap* Trend() const;

private:
    class TRunning;

    /// Throws the message when fewer than `Least` maps have been added.
    void RequireMaps(long Least, const char* Message) const;

    long MbrMinCount;
    long MbrMaps = 0;
    std::unique_ptr<TRunning> MbrRunning;
};

#endif
