#include "TMapTools.h"

#include "MapToolsInternal.h"
#include "TVectorTools.h"

#include <algorithm>
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

// ---------------------------------------------------------------------------------------

namespace {

/// The column (`'X'`) or row of the interval axis whose cell holds the ordinate, cells
/// closed on their western and their northern edge, whichever way the edges run; -1 when
/// none does (a NaN included). Y is searched negated, which makes every row's northern edge
/// its lower one, so that both directions take cells closed at their lower end.
long CellHalfOpen(const TAxis* Edges, char Axis, double Ordinate) {
    const double Sign = Axis == 'X' ? 1.0 : -1.0;
    const auto EdgeAt = [&](long I) { return Sign * OrdinateOf(Edges->GetPoint(I), Axis); };
    const long Cells = Edges->GetSize() - 1;
    const double First = EdgeAt(0), Last = EdgeAt(Cells), T = Sign * Ordinate;
    if (!(std::min(First, Last) <= T && T < std::max(First, Last)))
        return -1;
    // The cell is the last one whose first edge (in the order the edges run) lies on the
    // near side of T: at or below it when the edges ascend, above it when they descend.
    const bool Ascends = Last > First;
    long Lo = 0, Hi = Cells - 1;
    while (Lo < Hi) {
        const long Mid = Lo + (Hi - Lo + 1) / 2;
        if ((T >= EdgeAt(Mid)) == Ascends)
            Lo = Mid;
        else
            Hi = Mid - 1;
    }
    return Lo;
}

} // namespace

// The cell is found by a binary search of the edges in each direction.
double TMapTools::ValueAt(const TMap* Map, double X, double Y) {
    if (!Map->GetXAxisInterval() || !Map->GetYAxisInterval())
        TError::Throw("Map has no interval axes in TMapTools::ValueAt");
    const long Column = CellHalfOpen(Map->GetXAxisInterval(), 'X', X);
    const long Row = CellHalfOpen(Map->GetYAxisInterval(), 'Y', Y);
    if (Column < 0 || Row < 0 || Column >= Map->GetXDim() || Row >= Map->GetYDim())
        TError::Throw("Point is outside the map in TMapTools::ValueAt");
    return Map->RowValues(Row)[Column];
}
