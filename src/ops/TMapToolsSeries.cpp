#include "TMapTools.h"

#include "MapToolsInternal.h"

#include <memory>
#include <vector>

using namespace veldgrid::ops::detail;

// ---------------------------------------------------------------------------------------
// Operations over a series of maps
//
// Sums, counts and means over a list of maps of one size: each is a `ReduceList`, which
// pairs the cells by place, with the operation's checks and its reduction of one place.

namespace {

/// The sum of the values in list order, starting from the first one; -9999.0 where a map
/// has no data.
double SumOf(const TCellValues& Cell) {
    if (Cell.IsNoData(0))
        return ResultNoData;
    double Total = Cell[0];
    for (size_t I = 1; I < Cell.Count(); ++I) {
        if (Cell.IsNoData(I))
            return ResultNoData;
        Total += Cell[I];
    }
    return Total;
}

const TListChecks SumChecks = {2, "Must have more than 2 maps to sum in TMapTools::Sum",
                               "X-dimension of maps are inconsistent in TMapTools::Sum",
                               "Y-dimension of maps are inconsistent in TMapTools::Sum"};

} // namespace

// The terms are added in list order, starting from the first map's value.
TMap* TMapTools::Sum(std::vector<TMap*> Maps) {
    return ReduceList(Maps, SumChecks, SumOf).release();
}

TMap* TMapTools::DataCounts(std::vector<TMap*> Maps) {
    const TListChecks Checks = {1, "Map list is empty in TMapTools::DataCounts",
                                "X-dimension of maps are inconsistent in TMapTools::DataCounts",
                                "Y-dimension of maps are inconsistent in TMapTools::DataCounts"};
    return ReduceList(Maps, Checks,
                      [](const TCellValues& Cell) {
                          double Count = 0.0;
                          for (size_t I = 0; I < Cell.Count(); ++I)
                              if (!Cell.IsNoData(I))
                                  Count += 1.0;
                          return Count;
                      })
        .release();
}

// The data values are added in list order, starting from the first of them, as `Sum` adds
// them: where every map has data the result is `Average`'s, bit for bit.
TMap* TMapTools::DataAverage(std::vector<TMap*> Maps) {
    const TListChecks Checks = {2, "Must have at least 2 maps to average in TMapTools::DataAverage",
                                "X-dimension of maps are inconsistent in TMapTools::DataAverage",
                                "Y-dimension of maps are inconsistent in TMapTools::DataAverage"};
    return ReduceList(Maps, Checks,
                      [](const TCellValues& Cell) {
                          TDataFigures Figures;
                          for (size_t I = 0; I < Cell.Count(); ++I)
                              if (!Cell.IsNoData(I))
                                  Figures.Add(Cell[I]);
                          return Figures.Mean();
                      })
        .release();
}

// The `Sum` divided by the number of maps, which is the count of data values wherever the
// sum is not no-data; a sum that happens to be -9999.0 is no-data as well. The checks and
// their messages are `Sum`'s.
TMap* TMapTools::Average(std::vector<TMap*> Maps) {
    return ReduceList(Maps, SumChecks,
                      [](const TCellValues& Cell) {
                          const double Total = SumOf(Cell);
                          return Total == ResultNoData ? ResultNoData
                                                       : Total / static_cast<double>(Cell.Count());
                      })
        .release();
}

// Window k averages maps k to k + Window - 1, each window on its own first map's grid. A
// window longer than the list gives no windows; a window of fewer than two maps cannot be
// averaged. Every window is summed anew: a running sum would round differently.
std::vector<TMap*> TMapTools::MovingAverage(std::vector<TMap*> Maps, int Window) {
    const long Count = static_cast<long>(Maps.size());
    if (Window > Count)
        return {};
    if (Window < 2)
        TError::Throw("Must have more than 2 maps to sum in TMapTools::Sum");
    std::vector<std::unique_ptr<TMap>> Averages;
    Averages.reserve(Count - Window + 1);
    for (long Start = 0; Start + Window <= Count; ++Start) {
        const auto First = Maps.begin() + Start;
        Averages.emplace_back(Average(std::vector<TMap*>(First, First + Window)));
    }
    return ReleaseAll(std::move(Averages));
}

// Map k of the list is at k, whether or not the maps before it hold data. The figures are
// `TSeriesStatistics`'s, fed in the same order.
TMap* TMapTools::Trend(std::vector<TMap*> Maps, long MinCount) {
    if (MinCount < 2)
        TError::Throw("Minimum count must be at least 2 in TMapTools::Trend");
    const TListChecks Checks = {2, "Must have at least 2 maps for a trend in TMapTools::Trend",
                                "X-dimension of maps are inconsistent in TMapTools::Trend",
                                "Y-dimension of maps are inconsistent in TMapTools::Trend"};
    return ReduceList(Maps, Checks,
                      [MinCount](const TCellValues& Cell) {
                          TTrendFigures Figures;
                          for (size_t I = 0; I < Cell.Count(); ++I)
                              if (!Cell.IsNoData(I))
                                  Figures.AddFinite(static_cast<double>(I), Cell[I]);
                          return Figures.Slope(MinCount);
                      })
        .release();
}
