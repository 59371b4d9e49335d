#include "TSeriesStatistics.h"

#include "MapToolsInternal.h"

#include <memory>
#include <vector>

using namespace veldgrid::ops::detail;

/// What the series keeps: the running figures of every cell, row by row, and what the
/// pairing and the results need of the first map (its places and copies of its point axes,
/// null where it has none).
class TSeriesStatistics::TRunning {
public:
    struct TCell {
        TDataFigures Data;
        TTrendFigures Trend;
    };

    explicit TRunning(const TMap* First)
        : MbrPlaces(PlacesOf(First)), MbrXDim(First->GetXDim()), MbrYDim(First->GetYDim()),
          MbrXAxis(First->GetXAxis() ? First->GetXAxis()->Clone() : nullptr),
          MbrYAxis(First->GetYAxis() ? First->GetYAxis()->Clone() : nullptr),
          MbrCells(static_cast<size_t>(MbrXDim) * static_cast<size_t>(MbrYDim)) {}

    /// Throws when the map cannot be paired with the first one: another number of columns
    /// or rows.
    void CheckSize(const TMap* Map) const {
        if (Map->GetXDim() != MbrXDim)
            TError::Throw("X-dimension of maps are inconsistent in TSeriesStatistics::Add");
        if (Map->GetYDim() != MbrYDim)
            TError::Throw("Y-dimension of maps are inconsistent in TSeriesStatistics::Add");
    }

    /// Feeds the data cells of map number `K`, each to the figures of the first map's cell at
    /// its place. Cannot fail.
    void Accumulate(const TMap* Map, const TPlacement& Placement, double K) {
        const double NoData = Map->GetNoDataValue();
        TCell* Cell = MbrCells.data();
        for (long LngY = 0; LngY < MbrYDim; ++LngY) {
            const std::vector<double>& Row = Map->RowValues(Placement.Row(LngY));
            for (long LngX = 0; LngX < MbrXDim; ++LngX, ++Cell) {
                const double V = Row[Placement.Column(LngX)];
                if (V == NoData)
                    continue;
                Cell->Data.Add(V);
                Cell->Trend.AddFinite(K, V);
            }
        }
    }

    const TSeriesPlaces& Places() const { return MbrPlaces; }

    /// New map on copies of the first map's point axes (no-data value -9999.0) whose every
    /// cell is Value(its figures).
    template <typename TValue> TMap* Result(const TValue& Value) const {
        std::unique_ptr<TMap> Map(new TMap(MbrXAxis.get(), MbrYAxis.get()));
        const TCell* Cell = MbrCells.data();
        for (long LngY = 0; LngY < MbrYDim; ++LngY)
            for (long LngX = 0; LngX < MbrXDim; ++LngX, ++Cell)
                Map->SetPoint(LngX, LngY, Value(*Cell));
        return Map.release();
    }

private:
    TSeriesPlaces MbrPlaces;
    long MbrXDim;
    long MbrYDim;
    std::unique_ptr<TAxis> MbrXAxis;
    std::unique_ptr<TAxis> MbrYAxis;
    std::vector<TCell> MbrCells;
};

TSeriesStatistics::TSeriesStatistics(long MinCount) : MbrMinCount(MinCount) {
    if (MinCount < 2)
        TError::Throw("Minimum count must be at least 2 in TSeriesStatistics::TSeriesStatistics");
}

TSeriesStatistics::~TSeriesStatistics() = default;

// Whatever can fail (the checks, the placement, the first map's figures) comes before the
// figures change.
void TSeriesStatistics::Add(const TMap* Map) {
    RequireMap(Map, "Map is not set in TSeriesStatistics::Add");
    std::unique_ptr<TRunning> First;
    TPlacement Placement;
    if (MbrRunning) {
        MbrRunning->CheckSize(Map);
        Placement = PlaceOnto(MbrRunning->Places(), Map);
    } else {
        First.reset(new TRunning(Map));
    }
    TRunning& Running = MbrRunning ? *MbrRunning : *First;
    Running.Accumulate(Map, Placement, static_cast<double>(MbrMaps));
    if (First)
        MbrRunning = std::move(First);
    ++MbrMaps;
}

void TSeriesStatistics::RequireMaps(long Least, const char* Message) const {
    if (MbrMaps < Least)
        TError::Throw(Message);
}

// Where every map holds data the total is `TMapTools::Sum`'s: the same values added in the
// same order.
TMap* TSeriesStatistics::Sum() const {
    RequireMaps(2, "Must have more than 2 maps to sum in TSeriesStatistics::Sum");
    const double Maps = static_cast<double>(MbrMaps);
    return MbrRunning->Result([Maps](const TRunning::TCell& Cell) {
        return Cell.Data.Count == Maps ? Cell.Data.Total : ResultNoData;
    });
}

TMap* TSeriesStatistics::DataCounts() const {
    RequireMaps(1, "Map list is empty in TSeriesStatistics::DataCounts");
    return MbrRunning->Result([](const TRunning::TCell& Cell) { return Cell.Data.Count; });
}

TMap* TSeriesStatistics::DataAverage() const {
    RequireMaps(2, "Must have at least 2 maps to average in TSeriesStatistics::DataAverage");
    return MbrRunning->Result([](const TRunning::TCell& Cell) { return Cell.Data.Mean(); });
}

TMap* TSeriesStatistics::Trend() const {
    RequireMaps(2, "Must have at least 2 maps for a trend in TSeriesStatistics::Trend");
    const long MinCount = MbrMinCount;
    return MbrRunning->Result(
        [MinCount](const TRunning::TCell& Cell) { return Cell.Trend.Slope(MinCount); });
}
