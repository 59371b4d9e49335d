#include "TMapTools.h"

#include "MapToolsInternal.h"

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace veldgrid::ops::detail;

// ---------------------------------------------------------------------------------------
// Thresholds, masks, replacement and counts

TMap* TMapTools::Threshold(const TMap* Map, double ThresholdValue) {
    RequireMap(Map, "Map is not set in TMapTools::Threshold");
    return MapCells(Map, Map, [&](double V) { return V >= ThresholdValue ? V : 0.0; }).release();
}

std::vector<TMap*> TMapTools::Threshold(std::vector<TMap*> Maps, double ThresholdValue) {
    std::vector<std::unique_ptr<TMap>> Results;
    Results.reserve(Maps.size());
    for (TMap* Map : Maps)
        Results.emplace_back(Threshold(Map, ThresholdValue));
    return ReleaseAll(std::move(Results));
}

TMap* TMapTools::ThresholdReplace(const TMap* Map, double ThresholdValue, double Replacement) {
    return MapCells(Map, Map, [&](double V) { return V >= ThresholdValue ? Replacement : V; })
        .release();
}

TMap* TMapTools::Mask(const TMap* Template, const TMap* Values, double MaskedValue,
                      double Replacement) {
    CheckSameSize(Template, Values, "X dimensions do not match in TMapTools::Mask",
                  "Y dimensions do not match in TMapTools::Mask");
    std::unique_ptr<TMap> Result = MakeResultOnAxes(Template);
    FillFromSeries(Result.get(), {Template, Values}, [&](const TCellValues& Cell) {
        return Cell[1] == MaskedValue ? Replacement : Cell[1];
    });
    return Result.release();
}

// A NaN would be equivalent to every key of an ordered map, so it is never looked up.
TMap* TMapTools::ReplaceValue(const TMap* Map, std::map<double, double> Table, double Other) {
    return MapCells(Map, Map,
                    [&](double V) {
                        if (std::isnan(V))
                            return Other;
                        const auto Found = Table.find(V);
                        return Found == Table.end() ? Other : Found->second;
                    })
        .release();
}

namespace {

/// Whether a value v stands in a relation to a value w.
using TComparison = bool (*)(double V, double W);

/// The comparison written as in C++; throws for any other text.
TComparison ComparisonNamed(const std::string& Name) {
    static const std::map<std::string, TComparison> Comparisons = {
        {"<", [](double V, double W) { return V < W; }},
        {"<=", [](double V, double W) { return V <= W; }},
        {">", [](double V, double W) { return V > W; }},
        {">=", [](double V, double W) { return V >= W; }},
        {"==", [](double V, double W) { return V == W; }},
        {"!=", [](double V, double W) { return V != W; }}};
    const auto Found = Comparisons.find(Name);
    if (Found == Comparisons.end())
        TError::Throw("Comparison must be one of <, <=, >, >=, ==, != in TMapTools::Indicator");
    return Found->second;
}

} // namespace

TMap* TMapTools::Indicator(const TMap* Map, const std::string& Comparison, double Value) {
    const TComparison Holds = ComparisonNamed(Comparison);
    return MapCells(Map, Map,
                    [&](double V) {
                        if (IsNoData(Map, V) || std::isnan(V))
                            return ResultNoData;
                        return Holds(V, Value) ? 1.0 : 0.0;
                    })
        .release();
}

// The result is the map with its non-finite cells replaced, so its no-data cells keep
// their meaning: it takes the map's no-data value.
TMap* TMapTools::ReplaceNonFinite(const TMap* Map, double Value) {
    std::unique_ptr<TMap> Result =
        MapCells(Map, Map, [&](double V) { return std::isfinite(V) ? V : Value; });
    Result->SetNoDataValue(Map->GetNoDataValue());
    return Result.release();
}

// NaN cells are left out: as keys they would break the ordering of the histogram.
std::map<double, long> TMapTools::CountValues(const TMap* Map) {
    std::map<double, long> Histogram;
    ForEachCell(Map, [&](long LngX, long LngY) {
        const double V = Map->GetPointVal(LngX, LngY);
        if (!std::isnan(V))
            ++Histogram[V];
    });
    return Histogram;
}

long TMapTools::CountValues(const TMap* Map, double Value) {
    long Count = 0;
    ForEachCell(Map, [&](long LngX, long LngY) {
        if (Map->GetPointVal(LngX, LngY) == Value)
            ++Count;
    });
    return Count;
}
