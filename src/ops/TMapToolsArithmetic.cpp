#include "TMapTools.h"

#include "MapToolsInternal.h"

#include <cmath>

using namespace veldgrid::ops::detail;

// ---------------------------------------------------------------------------------------
// Cell-wise arithmetic

namespace {

// The cell functions of the operations on two maps: v of one map, w of the other.

double Plus(double V, double W) {
    return V + W;
}
double Minus(double V, double W) {
    return V - W;
}
double Times(double V, double W) {
    return V * W;
}
double Over(double V, double W) {
    return V / W;
}

} // namespace

TMap* TMapTools::Add(const TMap* First, const TMap* Second) {
    return CombineOnFiner(First, Second, Plus).release();
}

TMap* TMapTools::Subtract(const TMap* Minuend, const TMap* Subtrahend) {
    CheckSameSize(Minuend, Subtrahend, "X dimensions do not match in TMapTools::Subtract",
                  "Y dimensions do not match in TMapTools::Subtract");
    return CombineAtPlace(Minuend, Subtrahend, Minus).release();
}

TMap* TMapTools::Multiply(const TMap* Map, double Factor) {
    return MapCells(Map, Map,
                    [&](double V) { return IsNoData(Map, V) ? ResultNoData : Factor * V; })
        .release();
}

TMap* TMapTools::Multiply(const TMap* First, const TMap* Second) {
    return CombineOnFiner(First, Second, Times).release();
}

TMap* TMapTools::Divide(const TMap* Map, double Divisor) {
    return MapCells(Map, Map,
                    [&](double V) { return IsNoData(Map, V) ? ResultNoData : V / Divisor; })
        .release();
}

// A divisor cell of 0 gives an infinity, or a NaN for 0 / 0.
TMap* TMapTools::Divide(const TMap* Dividend, const TMap* Divisor) {
    if (Dividend->GetResolution() > Divisor->GetResolution())
        TError::Throw("Divisor must be of equal of coarser resolution than the dividend in "
                      "TMapTools::Divide");
    return CombineByPosition(Dividend, Divisor, Over).release();
}

// std::round works in double precision, so it also serves values beyond the range of a
// 32-bit integer, infinities and NaNs.
TMap* TMapTools::RoundContents(const TMap* Map) {
    return MapCells(Map, Map,
                    [&](double V) { return IsNoData(Map, V) ? ResultNoData : std::round(V); })
        .release();
}
