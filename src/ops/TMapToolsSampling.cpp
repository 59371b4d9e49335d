#include "TMapTools.h"

#include "MapToolsInternal.h"
#include "TVectorTools.h"

#include <cmath>
#include <map>
#include <memory>
#include <vector>

using namespace veldgrid::ops::detail;

// ---------------------------------------------------------------------------------------
// Sampling at points and by value

namespace {

/// Runs the cleanup when a failure unwinds past it, unless dismissed first.
template <typename TCleanup> class TOnFailure {
public:
    explicit TOnFailure(TCleanup Cleanup) : MbrCleanup(std::move(Cleanup)) {}
    ~TOnFailure() {
        if (MbrBlnArmed)
            MbrCleanup();
    }
    TOnFailure(const TOnFailure&) = delete;
    TOnFailure& operator=(const TOnFailure&) = delete;
    void Dismiss() { MbrBlnArmed = false; }

private:
    TCleanup MbrCleanup;
    bool MbrBlnArmed = true;
};

void DeletePoints(std::map<double, TMapPoint*>& PointSet) {
    for (auto& Entry : PointSet)
        delete Entry.second;
}

} // namespace

std::map<double, double> TMapTools::FetchMapValues(const TMap* Map,
                                                   std::map<double, TMapPoint*> PointSet) {
    RequireMap(Map, "Map is not set in TMapTools::FetchMapValues");
    std::map<double, double> Values;
    for (const auto& Entry : PointSet)
        Values.emplace_hint(Values.end(), Entry.first, Map->GetPointVal(Entry.second));
    return Values;
}

std::vector<std::map<double, double>>
TMapTools::FetchMapValues(std::vector<TMap*> Maps,
                          std::vector<std::map<double, TMapPoint*>> PointSets) {
    if (PointSets.size() < Maps.size())
        TError::Throw(
            "Number of point sets is less than number of maps in TMapTools::FetchMapValues");
    std::vector<std::map<double, double>> Values;
    Values.reserve(Maps.size());
    for (size_t I = 0; I < Maps.size(); ++I)
        Values.push_back(FetchMapValues(Maps[I], std::move(PointSets[I])));
    return Values;
}

// ---------------------------------------------------------------------------------------

std::map<double, TMapPoint*> TMapTools::GetFirstValues(const TMap* Map,
                                                       std::vector<double> Excluded) {
    RequireMap(Map, "Map is not set in TMapTools::GetFirstValues");
    std::map<double, TMapPoint*> Firsts;
    TOnFailure Guard([&Firsts] { DeletePoints(Firsts); });
    // A run of equal values is looked at once; cells of the no-data value before any other
    // value count as such a run.
    double Previous = Map->GetNoDataValue();
    ForEachCellByColumn(Map, [&](long LngX, long LngY) {
        const double Value = Map->GetPointVal(LngX, LngY);
        if (Value == Previous)
            return;
        Previous = Value;
        // NaN has no place among keys ordered by exact comparison.
        if (IsNoData(Map, Value) || std::isnan(Value) || Firsts.count(Value) != 0 ||
            TVectorTools::HasValue(Excluded, Value))
            return;
        std::unique_ptr<TMapPoint> First(Map->GetPoint(LngX, LngY));
        Firsts.emplace(Value, First.get());
        First.release();
    });
    Guard.Dismiss();
    return Firsts;
}

std::vector<std::map<double, TMapPoint*>> TMapTools::GetFirstValues(std::vector<TMap*> Maps,
                                                                    std::vector<double> Excluded) {
    std::vector<std::map<double, TMapPoint*>> Firsts;
    // Reserved up front, so that storing a finished set cannot fail and lose its points.
    Firsts.reserve(Maps.size());
    TOnFailure Guard([&Firsts] {
        for (auto& PointSet : Firsts)
            DeletePoints(PointSet);
    });
    for (TMap* Map : Maps)
        Firsts.push_back(GetFirstValues(Map, Excluded));
    Guard.Dismiss();
    return Firsts;
}

// ---------------------------------------------------------------------------------------

// Visited column by column, which shows in the order of the values of each class.
std::map<double, std::vector<double>> TMapTools::GetValuesOverlay(const TMap* ValueMap,
                                                                  const TMap* ClassMap,
                                                                  std::vector<double> Excluded) {
    CheckSameSize(ValueMap, ClassMap, "Map X-dimensions do not match",
                  "Map Y-Dimensions do not match");
    std::map<double, std::vector<double>> Classes;
    const TSeriesReader Reader({ValueMap, ClassMap});
    ForEachCellByColumn(ValueMap, [&](long LngX, long LngY) {
        const double Class = Reader.At(1, LngX, LngY);
        // NaN has no place among keys ordered by exact comparison.
        if (std::isnan(Class) || TVectorTools::HasValue(Excluded, Class))
            return;
        Classes[Class].push_back(Reader.At(0, LngX, LngY));
    });
    return Classes;
}

std::vector<double> TMapTools::GetValuesVector(std::vector<TMap*> Maps, long LngX, long LngY,
                                               int Start, int End) {
    if (Start < 0 || static_cast<size_t>(Start) >= Maps.size())
        TError::Throw("Start map number is out of range in TMapTools::GetValuesVector");
    if (End < 0 || static_cast<size_t>(End) >= Maps.size())
        TError::Throw("End map number is out of range in TMapTools::GetValuesVector");
    if (Start >= End)
        TError::Throw("Stat map number must be less than end map number");
    std::vector<double> Values;
    Values.reserve(static_cast<size_t>(End - Start) + 1);
    // The run's own first map places the cell: maps outside the run are never read.
    for (int Number = Start; Number <= End; ++Number)
        Values.push_back(ValueAtPlace(Maps[Start], Maps[Number], LngX, LngY));
    return Values;
}
