#ifndef VELDGRID_MAPTOOLSINTERNAL_H
#define VELDGRID_MAPTOOLSINTERNAL_H

// The machinery that the section files of `TMapTools` (TMapTools<Section>.cpp) share. Not
// installed. How an operation is built from it:
// - unary, one map to a map on its grid: `MapCells(Map, Map, Value)`; `IsNoData` marks the
//   input's no-data cells, `ResultNoData` those of the result.
// - binary, two maps paired by position (they may differ in resolution): `CombineOnFiner`
//   or `CombineByPosition` with a `double(double, double)` cell function.
// - same-place pair, two maps of one size: `CheckSameSize`, then `CombineAtPlace`, or
//   `FillFromSeries(Result, {A, B}, Reduce)` when the cell rule needs more than v and w.
// - list reduction, a list of maps to one map: `ReduceList(Maps, Checks, Reduce)` with a
//   `TListChecks` holding the operation's messages and a reduction of `TCellValues`.
// - series operation reading maps at other cells too (windows, neighbourhoods): a
//   `TSeriesReader`, its `Rows` per row and `At` elsewhere; `ValueAtPlace` for one cell.
// - series statistics, per cell over a list or map by map (`TSeriesStatistics`): the running
//   figures `TDataFigures` and `TTrendFigures`, fed in list order, so both agree bit for bit.
// Cells are visited with `ForEachCell` (storage order); `ForEachCellByColumn` only where
// the order shows in the result. Results are built by `MakeResultOnAxes` (no-data -9999.0)
// or `MakeResultSizedOn` (the base map's no-data value) and handed over with `release()`
// (lists through `ReleaseAll`) once nothing can fail.
// Test rows go into tests/ops/MapTools<Section>Test.cpp: one row per message in its
// `FailuresCarryTheirMessages` table, the cell rules in its table of cases, a series
// operation one row in `SeriesPairCellsByPlaceWhateverOrderTheMapsListThem`.

#include "TAxis.h"
#include "TError.h"
#include "TMap.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace veldgrid::ops::detail {

// ---------------------------------------------------------------------------------------
// Checks, places and results

/// The no-data value of a map built on axes, which the results of most operations keep.
inline constexpr double ResultNoData = TMap::DefaultNoData;

/// Hands the maps over to the caller as raw pointers, once nothing can fail any more.
std::vector<TMap*> ReleaseAll(std::vector<std::unique_ptr<TMap>> Owned);

/// Throws the message for a null map. Guards the one-map forms that a call with an empty
/// braced list (`{}`) reaches instead of the list forms.
void RequireMap(const TMap* Map, const char* Message);

/// Whether the value is a no-data cell of the map: exactly its no-data value.
inline bool IsNoData(const TMap* Map, double Value) {
    return Value == Map->GetNoDataValue();
}

/// Throws the X message when the column counts differ, else the Y message when the row
/// counts differ.
void CheckSameSize(const TMap* First, const TMap* Other, const char* XMessage,
                   const char* YMessage);

/// `CheckSameSize` of every map after the first against the first, in list order.
void CheckSameSizes(const std::vector<TMap*>& Maps, const char* XMessage, const char* YMessage);

// Directions are named by a character: `'X'` for X, any other character for Y, as
// `TMap::GetIndex` takes them.

/// The ordinate of the point along X or Y.
inline double OrdinateOf(const TPoint* Point, char Axis) {
    return Axis == 'X' ? Point->GetX() : Point->GetY();
}

/// The map's point axis (cell centres) in X or Y; null when it has none.
inline const TAxis* CentreAxisOf(const TMap* Map, char Axis) {
    return Axis == 'X' ? Map->GetXAxis() : Map->GetYAxis();
}

/// The map's interval axis (cell edges) in X or Y; null when it has none.
inline const TAxis* EdgeAxisOf(const TMap* Map, char Axis) {
    return Axis == 'X' ? Map->GetXAxisInterval() : Map->GetYAxisInterval();
}

/// The first and the last edge of a map in one direction (interval points 0 and the
/// dimension), which may run either way.
struct TEdges {
    double First;
    double Last;
    bool Ascends() const { return Last > First; }
    double Lo() const { return std::min(First, Last); }
    double Hi() const { return std::max(First, Last); }
};

/// The edges of the map in X or Y; throws the message when the map has no interval axis there.
TEdges EdgesOf(const TMap* Map, char Axis, const char* NoAxesMessage);

/// The ordinates of the centres on the map's point axis in X or Y; empty when the map has
/// no such axis.
std::vector<double> CentresOf(const TMap* Map, char Axis);

/// For each centre of the point axis, the index of the other map's column (`'X'`) or row
/// whose interval holds it: the lookup by position that every cell of that column or row
/// would make, made once.
std::vector<long> IndexesOnto(const TAxis* Centres, const TMap* Other, char Axis);

/// Whether the order is 0, 1, 2, ...
bool IsIdentity(const std::vector<long>& Order);

/// The indexes of the ordinates from the smallest to the largest, equal ones in list order;
/// empty when one of them is a NaN, which has no place in that order.
std::vector<long> AscendingOrder(const std::vector<double>& Ordinates);

/// Calls Visit(LngX, LngY) for every cell, rows in the outer loop: the storage order.
template <typename TVisit> void ForEachCell(const TMap* Map, TVisit&& Visit) {
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    for (long LngY = 0; LngY < YDim; ++LngY)
        for (long LngX = 0; LngX < XDim; ++LngX)
            Visit(LngX, LngY);
}

/// Calls Visit(LngX, LngY) for every cell, columns in the outer loop. Only for results in
/// which that order shows (a listing by column, the first cell of each value, values
/// grouped in the order met): it reads a row-major grid across the rows, at a cost.
template <typename TVisit> void ForEachCellByColumn(const TMap* Map, TVisit&& Visit) {
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    for (long LngX = 0; LngX < XDim; ++LngX)
        for (long LngY = 0; LngY < YDim; ++LngY)
            Visit(LngX, LngY);
}

/// New map on copies of the input's point axes: same grid, every cell and the no-data
/// value -9999.0, empty metadata.
std::unique_ptr<TMap> MakeResultOnAxes(const TMap* Input);

/// New map of the base map's resolution and size on copies of its point axes, with the
/// base map's no-data value in every cell and as its no-data value.
std::unique_ptr<TMap> MakeResultSizedOn(const TMap* Base);

/// New map on the axes of `Grid` whose cell (LngX, LngY) is Value(v), v being that cell of
/// `Source`, a map of the same size.
template <typename TValue>
std::unique_ptr<TMap> MapCells(const TMap* Grid, const TMap* Source, TValue&& Value) {
    std::unique_ptr<TMap> Result = MakeResultOnAxes(Grid);
    for (long LngY = 0; LngY < Grid->GetYDim(); ++LngY) {
        const std::vector<double>& Row = Source->RowValues(LngY);
        for (long LngX = 0; LngX < Grid->GetXDim(); ++LngX)
            Result->SetPoint(LngX, LngY, Value(Row[LngX]));
    }
    return Result;
}

// ---------------------------------------------------------------------------------------
// Pairing the cells of a series of maps by place
//
// The operations over several maps of one size pair each cell of the first map with the
// cell at the same place in every other map. A map whose point axes hold the first map's
// centres, in the same or any other order (rows listed south to north, columns east to
// west), is read through a column and a row mapping worked out once per call. Any other
// map (another extent or resolution, no axes) is read at the same column and row.

/// Where the cells of the first map of a series lie in another map of it: cell (x, y) of
/// the first map is cell (Column(x), Row(y)) of the other. An empty table stands for the
/// same column (row) number.
struct TPlacement {
    std::vector<long> Columns;
    std::vector<long> Rows;
    long Column(long LngX) const { return Columns.empty() ? LngX : Columns[LngX]; }
    long Row(long LngY) const { return Rows.empty() ? LngY : Rows[LngY]; }
};

/// What pairing by place needs of the first map of a series: its resolution and the
/// ordinates of its centres (none where it has no point axis). A series fed one map at a
/// time keeps these instead of the first map.
struct TSeriesPlaces {
    double Resolution;
    std::vector<double> X;
    std::vector<double> Y;
};

/// The places of the first map of a series.
TSeriesPlaces PlacesOf(const TMap* First);

/// The placement of the other map's cells onto the first map's: by place when its point
/// axes hold the first map's centres in another order, else by index.
TPlacement PlaceOnto(const TMap* First, const TMap* Other);
/// `PlaceOnto` from the places of the first map.
TPlacement PlaceOnto(const TSeriesPlaces& First, const TMap* Other);

/// The maps of a series, which have the first map's size, read at the places of the first
/// map's cells. `Rows` gives each map's cells at the places of one row of the first map, in
/// its column order, so that the operations read every map with a plain loop over the
/// columns: a map whose rows alone lie in another order is read in place through its row
/// mapping, one whose columns do is copied, row by row, into a buffer of its own.
class TSeriesReader {
public:
    explicit TSeriesReader(std::vector<const TMap*> Maps);

    const TMap* Map(size_t I) const { return MbrMaps[I]; }

    /// For each map, its cells at the places of the first map's row `LngY`; the pointers
    /// hold until the next call.
    const std::vector<const double*>& Rows(long LngY);

    /// The value of map I at the place of the first map's cell (LngX, LngY), which lies on
    /// the first map: the mapped indexes lie inside map I by construction, so the read is
    /// not checked.
    double At(size_t I, long LngX, long LngY) const {
        const TPlacement& Placement = MbrPlacements[I];
        return MbrMaps[I]->RowValues(Placement.Row(LngY))[Placement.Column(LngX)];
    }

private:
    std::vector<const TMap*> MbrMaps;
    std::vector<TPlacement> MbrPlacements;
    std::vector<std::vector<double>> MbrBuffers;
    std::vector<const double*> MbrRows;
};

/// The value of the other map at the place of the first map's cell (LngX, LngY), read at
/// the same column and row when the other map is paired by index. The mapping is worked out
/// only when the centres there differ.
double ValueAtPlace(const TMap* First, const TMap* Other, long LngX, long LngY);

// ---------------------------------------------------------------------------------------
// Operations over a list of maps
//
// A cell-wise operation over a list of maps is a reduction: a checked list, a result on
// the first map's axes, and a function from the values of the maps at one place to the
// result's cell, given as `TCellValues`.

/// The values of the maps of a series at one place, map by map in list order.
class TCellValues {
public:
    TCellValues(const double* const* Rows, const double* NoData, size_t Count, long Column)
        : MbrRows(Rows), MbrNoData(NoData), MbrCount(Count), MbrColumn(Column) {}
    size_t Count() const { return MbrCount; }
    /// The value of map I.
    double operator[](size_t I) const { return MbrRows[I][MbrColumn]; }
    /// Whether the value of map I is that map's no-data value.
    bool IsNoData(size_t I) const { return (*this)[I] == MbrNoData[I]; }

private:
    const double* const* MbrRows;
    const double* MbrNoData;
    size_t MbrCount;
    long MbrColumn;
};

/// Sets every cell of the result, which has the first map's size, to Reduce(the values of
/// the maps at its place), row by row; the maps have the first map's size.
template <typename TReduce>
void FillFromSeries(TMap* Result, std::vector<const TMap*> Maps, const TReduce& Reduce) {
    std::vector<double> NoData;
    for (const TMap* Map : Maps)
        NoData.push_back(Map->GetNoDataValue());
    TSeriesReader Reader(std::move(Maps));
    const long XDim = Result->GetXDim();
    for (long LngY = 0; LngY < Result->GetYDim(); ++LngY) {
        const double* const* Rows = Reader.Rows(LngY).data();
        for (long LngX = 0; LngX < XDim; ++LngX)
            Result->SetPoint(LngX, LngY,
                             Reduce(TCellValues(Rows, NoData.data(), NoData.size(), LngX)));
    }
}

/// What a reduction checks before anything is built, in this order: at least `Least` maps
/// (else `TooFew`), then the column and the row count of every map against the first's.
struct TListChecks {
    size_t Least;
    const char* TooFew;
    const char* XMessage;
    const char* YMessage;
};

/// New map on the first map's axes (no-data value -9999.0) whose every cell is Reduce(the
/// values of the maps at its place), after the checks.
template <typename TReduce>
std::unique_ptr<TMap> ReduceList(const std::vector<TMap*>& Maps, const TListChecks& Checks,
                                 const TReduce& Reduce) {
    if (Maps.size() < Checks.Least)
        TError::Throw(Checks.TooFew);
    CheckSameSizes(Maps, Checks.XMessage, Checks.YMessage);
    std::unique_ptr<TMap> Result = MakeResultOnAxes(Maps[0]);
    FillFromSeries(Result.get(), std::vector<const TMap*>(Maps.begin(), Maps.end()), Reduce);
    return Result;
}

// ---------------------------------------------------------------------------------------
// Running figures of one cell of a series
//
// The list operations and `TSeriesStatistics`, which is fed one map at a time, update the
// same figures with the same values in the same order, so that they agree bit for bit (the
// build keeps the compiler from fusing a multiply and an add).

/// The count and the total of the data values of a cell: the total starts from the first
/// value and adds the others in order, as `Sum` adds.
struct TDataFigures {
    double Count = 0.0;
    double Total = 0.0;
    void Add(double Value) {
        Total = Count == 0.0 ? Value : Total + Value;
        Count += 1.0;
    }
    /// The mean of the values; -9999.0 without any.
    double Mean() const { return Count == 0.0 ? ResultNoData : Total / Count; }
};

/// The least-squares line through the points (K, V) of a cell, fed one point at a time.
///
/// The textbook sums (n Skv - Sk Sv over n Skk - Sk Sk) subtract products that grow with
/// the square of the values, so a slope small against the values' offset (0.01 a map on
/// values near 300) would lose its digits to cancellation. Here V is taken about a shifted
/// origin, the cell's first value (V - V0 is exact for values within a factor 2 of each
/// other), and the means of K and of V - V0 and the sums of the squared and of the crossed
/// deviations from them are updated as Welford's algorithm updates a variance: no large
/// figure is ever subtracted from another. The slope's relative error stays near n eps / |r|,
/// r being the correlation of K and V, whatever the offset.
struct TTrendFigures {
    double Count = 0.0;
    double Origin = 0.0;
    double MeanK = 0.0;
    double MeanV = 0.0;
    double SumKK = 0.0;
    double SumKV = 0.0;

    /// Adds the point when V is finite: NaN and infinities are gaps, as no-data values are.
    void AddFinite(double K, double V) {
        if (!std::isfinite(V))
            return;
        if (Count == 0.0)
            Origin = V;
        const double W = V - Origin;
        Count += 1.0;
        const double DK = K - MeanK;
        MeanK += DK / Count;
        MeanV += (W - MeanV) / Count;
        SumKK += DK * (K - MeanK);
        SumKV += DK * (W - MeanV);
    }
    /// The slope of V against K; -9999.0 from fewer than `MinCount` points.
    double Slope(long MinCount) const {
        return Count < static_cast<double>(MinCount) ? ResultNoData : SumKV / SumKK;
    }
};

// ---------------------------------------------------------------------------------------
// Two maps cell by cell; Op(v, w) combines a value v of one map with a value w of the other.

/// Result sized on the base map: the base's no-data value where v (the base cell) or w (the
/// cell of the other map that holds the base cell's centre) is no-data, else Op(v, w).
/// Every column's and every row's centre is looked up, so a base map that the other does not
/// cover fails with the lookup's message.
template <typename TOp>
std::unique_ptr<TMap> CombineByPosition(const TMap* Base, const TMap* Other, TOp Op) {
    std::unique_ptr<TMap> Result = MakeResultSizedOn(Base);
    // A map without cells looks nothing up.
    if (Base->GetXDim() == 0 || Base->GetYDim() == 0)
        return Result;
    // The cell of the other map that holds a base cell's centre depends on the column and
    // the row alone, so each is looked up once.
    const std::vector<long> Columns = IndexesOnto(Base->GetXAxis(), Other, 'X');
    const std::vector<long> Rows = IndexesOnto(Base->GetYAxis(), Other, 'Y');
    ForEachCell(Base, [&](long LngX, long LngY) {
        const double V = Base->GetPointVal(LngX, LngY);
        const double W = Other->GetPointVal(Columns[LngX], Rows[LngY]);
        const bool NoData = IsNoData(Base, V) || IsNoData(Other, W);
        Result->SetPoint(LngX, LngY, NoData ? Base->GetNoDataValue() : Op(V, W));
    });
    return Result;
}

/// `CombineByPosition` on the finer of the two maps (the first when equally fine).
template <typename TOp>
std::unique_ptr<TMap> CombineOnFiner(const TMap* First, const TMap* Second, TOp Op) {
    if (First->GetResolution() <= Second->GetResolution())
        return CombineByPosition(First, Second, Op);
    return CombineByPosition(Second, First, Op);
}

/// As `CombineByPosition`, but on the axes of the base map (with its no-data value) and with
/// w taken from the cell at the same place of the other map, which has the same size.
template <typename TOp>
std::unique_ptr<TMap> CombineAtPlace(const TMap* Base, const TMap* Other, TOp Op) {
    std::unique_ptr<TMap> Result = MakeResultOnAxes(Base);
    const double NoData = Base->GetNoDataValue();
    Result->SetNoDataValue(NoData);
    FillFromSeries(Result.get(), {Base, Other}, [&](const TCellValues& Cell) {
        return Cell.IsNoData(0) || Cell.IsNoData(1) ? NoData : Op(Cell[0], Cell[1]);
    });
    return Result;
}

} // namespace veldgrid::ops::detail

#endif
