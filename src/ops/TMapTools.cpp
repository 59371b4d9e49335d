#include "TMapTools.h"

#include "TAxis.h"
#include "TNumberText.h"
#include "TVectorTools.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

// ---------------------------------------------------------------------------------------
// Helpers shared by the grid operations

namespace {

/// The no-data value of a map built on axes, which the results of most operations keep.
const double ResultNoData = -9999.0;

/// Hands the maps over to the caller as raw pointers, once nothing can fail any more.
std::vector<TMap*> ReleaseAll(std::vector<std::unique_ptr<TMap>> Owned) {
    std::vector<TMap*> Maps(Owned.size());
    for (size_t I = 0; I < Owned.size(); ++I)
        Maps[I] = Owned[I].release();
    return Maps;
}

/// Throws the message for a null map. Guards the one-map forms that a call with an empty
/// braced list (`{}`) reaches instead of the list forms.
void RequireMap(const TMap* Map, const char* Message) {
    if (!Map)
        TError::Throw(Message);
}

/// Whether the value is a no-data cell of the map: exactly its no-data value.
bool IsNoData(const TMap* Map, double Value) {
    return Value == Map->GetNoDataValue();
}

/// Throws the X message when the column counts differ, else the Y message when the row
/// counts differ.
void CheckSameSize(const TMap* First, const TMap* Other, const char* XMessage,
                   const char* YMessage) {
    if (Other->GetXDim() != First->GetXDim())
        TError::Throw(XMessage);
    if (Other->GetYDim() != First->GetYDim())
        TError::Throw(YMessage);
}

/// `CheckSameSize` of every map after the first against the first, in list order.
void CheckSameSizes(const std::vector<TMap*>& Maps, const char* XMessage, const char* YMessage) {
    for (size_t I = 1; I < Maps.size(); ++I)
        CheckSameSize(Maps[0], Maps[I], XMessage, YMessage);
}

// Directions are named by a character: `'X'` for X, any other character for Y, as
// `TMap::GetIndex` takes them.

/// The ordinate of the point along X or Y.
double OrdinateOf(const TPoint* Point, char Axis) {
    return Axis == 'X' ? Point->GetX() : Point->GetY();
}

/// The map's point axis (cell centres) in X or Y; null when it has none.
const TAxis* CentreAxisOf(const TMap* Map, char Axis) {
    return Axis == 'X' ? Map->GetXAxis() : Map->GetYAxis();
}

/// The map's interval axis (cell edges) in X or Y; null when it has none.
const TAxis* EdgeAxisOf(const TMap* Map, char Axis) {
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
TEdges EdgesOf(const TMap* Map, char Axis, const char* NoAxesMessage) {
    const TAxis* Edges = EdgeAxisOf(Map, Axis);
    if (!Edges)
        TError::Throw(NoAxesMessage);
    return {OrdinateOf(Edges->GetPoint(0), Axis),
            OrdinateOf(Edges->GetPoint(Edges->GetSize() - 1), Axis)};
}

/// For each centre of the point axis, the index of the other map's column (`'X'`) or row
/// whose interval holds it: the lookup by position that every cell of that column or row
/// would make, made once.
std::vector<long> IndexesOnto(const TAxis* Centres, const TMap* Other, char Axis) {
    std::vector<long> Indexes(Centres->GetSize());
    for (long I = 0; I < Centres->GetSize(); ++I)
        Indexes[I] = Other->GetIndex(OrdinateOf(Centres->GetPoint(I), Axis), Axis);
    return Indexes;
}

/// Whether the order is 0, 1, 2, ...
bool IsIdentity(const std::vector<long>& Order) {
    for (size_t I = 0; I < Order.size(); ++I)
        if (Order[I] != static_cast<long>(I))
            return false;
    return true;
}

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
std::unique_ptr<TMap> MakeResultOnAxes(const TMap* Input) {
    return std::unique_ptr<TMap>(new TMap(Input->GetXAxis(), Input->GetYAxis()));
}

/// New map of the base map's resolution and size on copies of its point axes, with the
/// base map's no-data value in every cell and as its no-data value.
std::unique_ptr<TMap> MakeResultSizedOn(const TMap* Base) {
    std::unique_ptr<TMap> Result(new TMap(Base->GetResolution(), Base->GetXDim(), Base->GetYDim()));
    Result->SetNoDataValue(Base->GetNoDataValue());
    Result->InitValues(Base->GetNoDataValue());
    Result->SetXAxis(Base->GetXAxis());
    Result->SetYAxis(Base->GetYAxis());
    return Result;
}

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

} // namespace

// ---------------------------------------------------------------------------------------
// Pairing the cells of a series of maps by place
//
// The operations over several maps of one size pair each cell of the first map with the
// cell at the same place in every other map. A map whose point axes hold the first map's
// centres, in the same or any other order (rows listed south to north, columns east to
// west), is read through a column and a row mapping worked out once per call. Any other
// map (another extent or resolution, no axes) is read at the same column and row.

namespace {

/// Two centres, or two resolutions, this close relative to the first map's resolution are
/// taken for the same: far below any cell size, far above the rounding of a text file.
const double SamePlaceTolerance = 1e-6;

/// Whether the two values lie within the tolerance of each other; never for a NaN.
bool Near(double A, double B, double Tolerance) {
    return std::fabs(A - B) <= Tolerance;
}

/// The ordinates of the centres on the map's point axis in X or Y; empty when the map has
/// no such axis.
std::vector<double> CentresOf(const TMap* Map, char Axis) {
    const TAxis* Centres = CentreAxisOf(Map, Axis);
    std::vector<double> Ordinates;
    if (!Centres)
        return Ordinates;
    Ordinates.reserve(Centres->GetSize());
    for (long I = 0; I < Centres->GetSize(); ++I)
        Ordinates.push_back(OrdinateOf(Centres->GetPoint(I), Axis));
    return Ordinates;
}

/// Whether the two lists hold the same centres in the same order.
bool SameCentres(const std::vector<double>& A, const std::vector<double>& B, double Tolerance) {
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); ++I)
        if (!Near(A[I], B[I], Tolerance))
            return false;
    return true;
}

/// The indexes of the ordinates from the smallest to the largest, equal ones in list order;
/// empty when one of them is a NaN, which has no place in that order.
std::vector<long> AscendingOrder(const std::vector<double>& Ordinates) {
    if (std::any_of(Ordinates.begin(), Ordinates.end(), [](double V) { return std::isnan(V); }))
        return {};
    std::vector<long> Order(Ordinates.size());
    std::iota(Order.begin(), Order.end(), 0L);
    std::stable_sort(Order.begin(), Order.end(),
                     [&](long A, long B) { return Ordinates[A] < Ordinates[B]; });
    return Order;
}

/// For each of the first centres, the index of the other centre at the same place: the
/// k-th smallest of one list is matched with the k-th smallest of the other. Empty when the
/// lists do not hold the same centres.
std::vector<long> MatchCentres(const std::vector<double>& First, const std::vector<double>& Other,
                               double Tolerance) {
    const std::vector<long> FirstOrder = AscendingOrder(First);
    const std::vector<long> OtherOrder = AscendingOrder(Other);
    if (FirstOrder.empty() || FirstOrder.size() != OtherOrder.size())
        return {};
    std::vector<long> Match(First.size());
    for (size_t K = 0; K < FirstOrder.size(); ++K) {
        if (!Near(First[FirstOrder[K]], Other[OtherOrder[K]], Tolerance))
            return {};
        Match[FirstOrder[K]] = OtherOrder[K];
    }
    return Match;
}

/// Where the cells of the first map of a series lie in another map of it: cell (x, y) of
/// the first map is cell (Column(x), Row(y)) of the other. An empty table stands for the
/// same column (row) number.
struct TPlacement {
    std::vector<long> Columns;
    std::vector<long> Rows;
    long Column(long LngX) const { return Columns.empty() ? LngX : Columns[LngX]; }
    long Row(long LngY) const { return Rows.empty() ? LngY : Rows[LngY]; }
};

/// The placement of the other map's cells onto the first map's: by place when its point
/// axes hold the first map's centres in another order, else by index.
TPlacement PlaceOnto(const TMap* First, const TMap* Other) {
    TPlacement Placement;
    const double Tolerance = SamePlaceTolerance * std::fabs(First->GetResolution());
    if (Other == First || !Near(First->GetResolution(), Other->GetResolution(), Tolerance))
        return Placement;
    const std::vector<double> X = CentresOf(First, 'X'), OtherX = CentresOf(Other, 'X');
    const std::vector<double> Y = CentresOf(First, 'Y'), OtherY = CentresOf(Other, 'Y');
    if (SameCentres(X, OtherX, Tolerance) && SameCentres(Y, OtherY, Tolerance))
        return Placement;
    std::vector<long> Columns = MatchCentres(X, OtherX, Tolerance);
    std::vector<long> Rows = MatchCentres(Y, OtherY, Tolerance);
    if (Columns.empty() || Rows.empty())
        return Placement;
    if (!IsIdentity(Columns))
        Placement.Columns = std::move(Columns);
    if (!IsIdentity(Rows))
        Placement.Rows = std::move(Rows);
    return Placement;
}

/// The maps of a series, which have the first map's size, read at the places of the first
/// map's cells. `Rows` gives each map's cells at the places of one row of the first map, in
/// its column order, so that the operations read every map with a plain loop over the
/// columns: a map whose rows alone lie in another order is read in place through its row
/// mapping, one whose columns do is copied, row by row, into a buffer of its own.
class TSeriesReader {
public:
    explicit TSeriesReader(std::vector<const TMap*> Maps)
        : MbrMaps(std::move(Maps)), MbrPlacements(MbrMaps.size()), MbrBuffers(MbrMaps.size()),
          MbrRows(MbrMaps.size()) {
        for (size_t I = 1; I < MbrMaps.size(); ++I) {
            MbrPlacements[I] = PlaceOnto(MbrMaps[0], MbrMaps[I]);
            if (!MbrPlacements[I].Columns.empty())
                MbrBuffers[I].resize(MbrMaps[0]->GetXDim());
        }
    }

    const TMap* Map(size_t I) const { return MbrMaps[I]; }

    /// For each map, its cells at the places of the first map's row `LngY`; the pointers
    /// hold until the next call.
    const std::vector<const double*>& Rows(long LngY) {
        for (size_t I = 0; I < MbrMaps.size(); ++I) {
            const TPlacement& Placement = MbrPlacements[I];
            const double* Row = MbrMaps[I]->RowValues(Placement.Row(LngY)).data();
            if (!Placement.Columns.empty()) {
                std::vector<double>& Buffer = MbrBuffers[I];
                for (size_t J = 0; J < Buffer.size(); ++J)
                    Buffer[J] = Row[Placement.Columns[J]];
                Row = Buffer.data();
            }
            MbrRows[I] = Row;
        }
        return MbrRows;
    }

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

/// Whether the centres of the column and the row are the same in both maps, so that the
/// cell at that column and row of the other map is at the place of the first map's.
bool SameCentreAt(const TMap* First, const TMap* Other, long LngX, long LngY) {
    const TAxis *X = First->GetXAxis(), *Y = First->GetYAxis();
    const TAxis *OtherX = Other->GetXAxis(), *OtherY = Other->GetYAxis();
    if (!X || !Y || !OtherX || !OtherY || LngX >= OtherX->GetSize() || LngY >= OtherY->GetSize())
        return false;
    const double Tolerance = SamePlaceTolerance * std::fabs(First->GetResolution());
    return Near(First->GetResolution(), Other->GetResolution(), Tolerance) &&
           Near(X->GetPoint(LngX)->GetX(), OtherX->GetPoint(LngX)->GetX(), Tolerance) &&
           Near(Y->GetPoint(LngY)->GetY(), OtherY->GetPoint(LngY)->GetY(), Tolerance);
}

/// The value of the other map at the place of the first map's cell (LngX, LngY), read at
/// the same column and row when the other map is paired by index. The mapping is worked out
/// only when the centres there differ.
double ValueAtPlace(const TMap* First, const TMap* Other, long LngX, long LngY) {
    const bool OnFirst =
        LngX >= 0 && LngX < First->GetXDim() && LngY >= 0 && LngY < First->GetYDim();
    if (OnFirst && Other != First && !SameCentreAt(First, Other, LngX, LngY)) {
        const TPlacement Placement = PlaceOnto(First, Other);
        return Other->GetPointVal(Placement.Column(LngX), Placement.Row(LngY));
    }
    return Other->GetPointVal(LngX, LngY);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Operations over a list of maps
//
// A cell-wise operation over a list of maps is a reduction: a checked list, a result on
// the first map's axes, and a function from the values of the maps at one place to the
// result's cell, given as `TCellValues`.

namespace {

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

// ---------------------------------------------------------------------------------------
// Flat and CSV output

namespace {

/// Size of the buffer in which rows of the flat layout are made: a row longer than it is
/// written in pieces.
const size_t FlatBufferSize = size_t(1) << 17;

/// One row of the flat layout through the stream's operator<<, for stream settings that
/// the fast path does not reproduce.
template <typename TValueAt>
void WritePlainRow(std::ostream& Out, long XDim, TValueAt ValueAt, char Separator) {
    for (long J = 0; J < XDim; ++J)
        Out << ValueAt(J) << Separator;
    Out << std::endl;
}

/// The same characters as `WritePlainRow`, made in the buffer and written in one call per
/// buffer-full; the line feed goes with the last piece, and the flush stays.
template <typename TValueAt>
void WriteFastRow(std::ostream& Out, long XDim, TValueAt ValueAt, char Separator,
                  std::vector<char>& Buffer) {
    Buffer.resize(FlatBufferSize);
    const int Precision = static_cast<int>(Out.precision());
    char* const Start = Buffer.data();
    char* const Limit = Start + Buffer.size() - (TNumberText::MaxFormatLength + 2);
    char* End = Start;
    for (long J = 0; J < XDim; ++J) {
        if (End > Limit) {
            Out.write(Start, End - Start);
            End = Start;
        }
        End = TNumberText::Format(End, ValueAt(J), Precision);
        *End++ = Separator;
    }
    *End++ = '\n';
    Out.write(Start, End - Start);
    Out.flush();
}

} // namespace

void TMapTools::WriteFlatFile(const TMap* Map, std::ostream& Out, char Separator) {
    const long XDim = Map->GetXDim();
    std::vector<char> Buffer;
    for (long I = 0; I < Map->GetYDim(); ++I) {
        const std::vector<double>& Row = Map->RowValues(I);
        const auto ValueAt = [&](long J) { return Row[J]; };
        // Checked for every row: a field width set by the caller is spent after one value.
        if (TNumberText::CanFormatFor(Out))
            WriteFastRow(Out, XDim, ValueAt, Separator, Buffer);
        else
            WritePlainRow(Out, XDim, ValueAt, Separator);
    }
}

void TMapTools::WriteCSVFile(const TMap* Map, std::ostream& Out) {
    ForEachCellByColumn(Map, [&](long LngX, long LngY) {
        std::unique_ptr<TMapPoint> Cell(Map->GetPoint(LngX, LngY));
        Out << Cell->GetX() << ',' << Cell->GetY() << ',' << Cell->GetValue() << std::endl;
    });
}

// ---------------------------------------------------------------------------------------
// Cell-wise arithmetic and aggregation

namespace {

/// Combines a value v of one map with a value w of another into a result cell.
using TCellOp = double (*)(double V, double W);

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

/// Result sized on the base map: the base's no-data value where v (the base cell) or w (the
/// cell of the other map that holds the base cell's centre) is no-data, else Op(v, w).
/// Every column's and every row's centre is looked up, so a base map that the other does not
/// cover fails with the lookup's message.
std::unique_ptr<TMap> CombineByPosition(const TMap* Base, const TMap* Other, TCellOp Op) {
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
std::unique_ptr<TMap> CombineOnFiner(const TMap* First, const TMap* Second, TCellOp Op) {
    if (First->GetResolution() <= Second->GetResolution())
        return CombineByPosition(First, Second, Op);
    return CombineByPosition(Second, First, Op);
}

/// As `CombineByPosition`, but on the axes of the base map (with its no-data value) and with
/// w taken from the cell at the same place of the other map, which has the same size.
std::unique_ptr<TMap> CombineAtPlace(const TMap* Base, const TMap* Other, TCellOp Op) {
    std::unique_ptr<TMap> Result = MakeResultOnAxes(Base);
    const double NoData = Base->GetNoDataValue();
    Result->SetNoDataValue(NoData);
    FillFromSeries(Result.get(), {Base, Other}, [&](const TCellValues& Cell) {
        return Cell.IsNoData(0) || Cell.IsNoData(1) ? NoData : Op(Cell[0], Cell[1]);
    });
    return Result;
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
                          double Total = 0.0;
                          double Count = 0.0;
                          for (size_t I = 0; I < Cell.Count(); ++I) {
                              if (Cell.IsNoData(I))
                                  continue;
                              Total = Count == 0.0 ? Cell[I] : Total + Cell[I];
                              Count += 1.0;
                          }
                          return Count == 0.0 ? ResultNoData : Total / Count;
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

// std::round works in double precision, so it also serves values beyond the range of a
// 32-bit integer, infinities and NaNs.
TMap* TMapTools::RoundContents(const TMap* Map) {
    return MapCells(Map, Map,
                    [&](double V) { return IsNoData(Map, V) ? ResultNoData : std::round(V); })
        .release();
}

// ---------------------------------------------------------------------------------------
// Resampling

namespace {

/// +1 for a span that ascends, -1 for one that descends.
double StepSign(const TEdges& Span) {
    return Span.Ascends() ? 1.0 : -1.0;
}

/// New axis of `Count` points varying in X (`'X'`) or in Y (any other character), starting at
/// `Start`, each the previous one moved by `Step` (running sums); the other ordinate of every
/// point is `Across`.
std::unique_ptr<TAxis> SteppedAxis(double Resolution, long Count, char Axis, double Start,
                                   double Step, double Across) {
    std::unique_ptr<TAxis> Result(new TAxis(Resolution, Count));
    double Along = Start;
    for (long I = 0; I < Count; ++I, Along += Step)
        Result->SetPoint(I, Axis == 'X' ? new TPoint(Along, Across) : new TPoint(Across, Along));
    return Result;
}

/// Whole cells of the new resolution in an extent: the quotient truncated toward zero, except
/// that a quotient within 1e-9 (relative) of a whole number counts as that number, so that a
/// rounding error in the division does not lose a cell.
long DownscaledCount(double Extent, double NewResolution) {
    const double Quotient = Extent / NewResolution;
    const double Nearest = std::round(Quotient);
    const double Count = std::fabs(Quotient - Nearest) <= 1e-9 * std::fabs(Quotient)
                             ? Nearest
                             : std::trunc(Quotient);
    // 2^digits is the first whole number a long cannot hold; a NaN fails this test too.
    if (!(std::fabs(Count) < std::ldexp(1.0, std::numeric_limits<long>::digits)))
        TError::Throw("New resolution is too small in TMapTools::Downscale");
    return static_cast<long>(Count);
}

/// Sample ordinates from `Start`, each the previous one plus `Step` (running sums), while they
/// stay on the near side of `Bound`. With `KeepFirst` the first sample is taken even beyond its
/// bound (the range is tested only after a sample). Stops early should the step no longer move
/// the ordinate.
std::vector<double> SampleOrdinates(double Start, double Step, double Bound, bool KeepFirst) {
    const auto Inside = [&](double V) { return Step > 0.0 ? V <= Bound : V >= Bound; };
    std::vector<double> Samples;
    if (!KeepFirst && !Inside(Start))
        return Samples;
    double V = Start;
    do {
        Samples.push_back(V);
        const double Next = V + Step;
        if (Next == V)
            break;
        V = Next;
    } while (Inside(V));
    return Samples;
}

/// Samples of one direction of the map-wide interpolation over the result's edges at source
/// resolution S and new resolution R. Ascending: from First + S up to Last - S - UpperMargin;
/// descending: from First - S - R down to Last + S. Both keep about one source cell clear of
/// the edges, so that every sample has source cells on both sides.
std::vector<double> InterpolationSamples(const TEdges& Span, double S, double R, double UpperMargin,
                                         bool KeepFirst) {
    if (Span.Ascends())
        return SampleOrdinates(Span.First + S, R, Span.Last - S - UpperMargin, KeepFirst);
    return SampleOrdinates(Span.First - S - R, -R, Span.Last + S, KeepFirst);
}

/// The first of the two neighbouring cells, along one direction, whose centres enclose the
/// ordinate: the cell `Index` that holds it and the one before it, or that cell and the next.
long FirstNeighbour(bool Ascends, double Ordinate, double Centre, long Index) {
    if (Ascends)
        return Centre >= Ordinate ? Index - 1 : Index;
    return Ordinate > Centre ? Index - 1 : Index;
}

/// Where the samples of one column (or row) lie, worked out once for all of them: the
/// result's column (row) that holds them, the first of the two source columns (rows) whose
/// centres enclose them and those two centres. A failed lookup or check is kept with its
/// place among the steps of one sample, to be thrown in the order sampling meets it.
struct TSamplePlace {
    long Cell = 0;
    long First = 0;
    double FirstCentre = 0.0;
    double NextCentre = 0.0;
    const char* Failure = nullptr;
    int Step = 0;
};

/// The place of one sample ordinate along X (`'X'`) or Y. The steps of a sample are, in
/// order: the result's column, its row, the source's column, its row, then the checks of the
/// two neighbouring columns and of the two neighbouring rows.
TSamplePlace PlaceSample(double Ordinate, const TMap* Result, const TMap* Source, char Axis,
                         bool Ascends) {
    const bool IsX = Axis == 'X';
    TSamplePlace Place;
    int Step = IsX ? 0 : 1;
    try {
        Place.Cell = Result->GetIndex(Ordinate, Axis);
        Step += 2;
        const long Index = Source->GetIndex(Ordinate, Axis);
        const TAxis* Centres = CentreAxisOf(Source, Axis);
        const auto CentreOf = [&](long I) { return OrdinateOf(Centres->GetPoint(I), Axis); };
        Place.First = FirstNeighbour(Ascends, Ordinate, CentreOf(Index), Index);
        const long Dim = IsX ? Source->GetXDim() : Source->GetYDim();
        Step = IsX ? 4 : 6;
        if (Place.First < 0 || Place.First >= Dim)
            TError::Throw(IsX ? "LngGetX1 is out of range in TMapTools::BilinearInterpolate"
                              : "LngGetY1 is out of range in TMapTools::BilinearInterpolate");
        ++Step;
        if (Place.First + 1 >= Dim)
            TError::Throw(IsX ? "LngGetX2 is out of range in TMapTools::BilinearInterpolate"
                              : "LngGetY2 is out of range in TMapTools::BilinearInterpolate");
        Place.FirstCentre = CentreOf(Place.First);
        Place.NextCentre = CentreOf(Place.First + 1);
    } catch (char* Message) {
        Place.Failure = Message;
        Place.Step = Step;
    }
    return Place;
}

std::vector<TSamplePlace> PlaceSamples(const std::vector<double>& Ordinates, const TMap* Result,
                                       const TMap* Source, char Axis, bool Ascends) {
    std::vector<TSamplePlace> Places;
    Places.reserve(Ordinates.size());
    for (const double Ordinate : Ordinates)
        Places.push_back(PlaceSample(Ordinate, Result, Source, Axis, Ascends));
    return Places;
}

/// Throws the failure that sampling X outer and Y inner, each sample taking its steps in
/// order, meets first: when the first column fails, the earlier failing step of the first
/// sample (its column's, or its row's); else the first failing row's, met on the first
/// column; else the first failing column's.
void ThrowFirstFailure(const std::vector<TSamplePlace>& Columns,
                       const std::vector<TSamplePlace>& Rows) {
    const auto FirstFailed = [](const std::vector<TSamplePlace>& Places) {
        return std::find_if(Places.begin(), Places.end(),
                            [](const TSamplePlace& P) { return P.Failure != nullptr; });
    };
    const auto Column = FirstFailed(Columns);
    const auto Row = FirstFailed(Rows);
    if (Column == Columns.end() && Row == Rows.end())
        return;
    if (Column == Columns.begin())
        TError::Throw(Row == Rows.begin() && Row->Step < Column->Step ? Row->Failure
                                                                      : Column->Failure);
    TError::Throw(Row != Rows.end() ? Row->Failure : Column->Failure);
}

} // namespace

double TMapTools::BilinearInterpolate(double Q11, double Q21, double Q12, double Q22, double x,
                                      double x1, double x2, double y, double y1, double y2) {
    const double Area = (x2 - x1) * (y2 - y1);
    return Q11 / Area * (x2 - x) * (y2 - y) + Q21 / Area * (x - x1) * (y2 - y) +
           Q12 / Area * (x2 - x) * (y - y1) + Q22 / Area * (x - x1) * (y - y1);
}

void TMapTools::BilinearInterpolate(const TMapPoint* Q11, const TMapPoint* Q21,
                                    const TMapPoint* Q12, const TMapPoint* Q22, TMapPoint* Target) {
    Target->SetValue(BilinearInterpolate(Q11->GetValue(), Q21->GetValue(), Q12->GetValue(),
                                         Q22->GetValue(), Target->GetX(), Q11->GetX(), Q21->GetX(),
                                         Target->GetY(), Q11->GetY(), Q12->GetY()));
}

// Samples lie on the edges of the result's cells, about one source cell inside the source's
// extent. Each sample is interpolated from the four source cell centres around it and stored
// in the result cell that holds it. What a sample looks up depends on its column or on its
// row alone, so each is worked out once; the cells are then visited row by row.
TMap* TMapTools::BilinearInterpolate(const TMap* Map, double NewResolution) {
    if (NewResolution <= 0.0)
        TError::Throw("New resolution cannot be <= 0.0 in TMapTools::BilinearInterpolate");
    std::unique_ptr<TMap> Result(Downscale(Map, NewResolution));
    const char* const NoAxes = "Map has no interval axes in TMapTools::BilinearInterpolate";
    const TEdges X = EdgesOf(Result.get(), 'X', NoAxes);
    const TEdges Y = EdgesOf(Result.get(), 'Y', NoAxes);
    const double S = Map->GetResolution();
    const std::vector<double> XSamples =
        InterpolationSamples(X, S, NewResolution, NewResolution, false);
    if (XSamples.empty())
        return Result.release();
    const std::vector<double> YSamples = InterpolationSamples(Y, S, NewResolution, 0.0, true);
    const bool XAscends = EdgesOf(Map, 'X', NoAxes).Ascends();
    const bool YAscends = EdgesOf(Map, 'Y', NoAxes).Ascends();
    const std::vector<TSamplePlace> Columns =
        PlaceSamples(XSamples, Result.get(), Map, 'X', XAscends);
    const std::vector<TSamplePlace> Rows = PlaceSamples(YSamples, Result.get(), Map, 'Y', YAscends);
    ThrowFirstFailure(Columns, Rows);
    for (size_t J = 0; J < Rows.size(); ++J) {
        const TSamplePlace& Row = Rows[J];
        const std::vector<double>& Upper = Map->RowValues(Row.First);
        const std::vector<double>& Lower = Map->RowValues(Row.First + 1);
        for (size_t I = 0; I < Columns.size(); ++I) {
            const TSamplePlace& Column = Columns[I];
            const long X1 = Column.First;
            const double Q11 = Upper[X1], Q21 = Upper[X1 + 1], Q12 = Lower[X1], Q22 = Lower[X1 + 1];
            double Value = Result->GetNoDataValue();
            if (!IsNoData(Map, Q11) && !IsNoData(Map, Q21) && !IsNoData(Map, Q12) &&
                !IsNoData(Map, Q22))
                Value = BilinearInterpolate(Q11, Q21, Q12, Q22, XSamples[I], Column.FirstCentre,
                                            Column.NextCentre, YSamples[J], Row.FirstCentre,
                                            Row.NextCentre);
            Result->SetPoint(Column.Cell, Row.Cell, Value);
        }
    }
    return Result.release();
}

TMap* TMapTools::Downscale(const TMap* Map, double NewResolution) {
    if (!(NewResolution > 0.0))
        TError::Throw("New resolution cannot be <= 0.0 in TMapTools::Downscale");
    const char* const NoAxes = "Map has no interval axes in TMapTools::Downscale";
    const TEdges X = EdgesOf(Map, 'X', NoAxes);
    const TEdges Y = EdgesOf(Map, 'Y', NoAxes);
    const double S = Map->GetResolution();
    const long XDim = DownscaledCount(S * Map->GetXDim(), NewResolution);
    const long YDim = DownscaledCount(S * Map->GetYDim(), NewResolution);
    std::unique_ptr<TMap> Result(new TMap(NewResolution, XDim, YDim));

    // Cell centres half a new cell inside the first edges, stepping away from them.
    const double H = NewResolution * 0.5;
    const double XSign = StepSign(X);
    const double YSign = StepSign(Y);
    const std::unique_ptr<TAxis> XAxis =
        SteppedAxis(NewResolution, XDim, 'X', X.First + XSign * H, XSign * NewResolution, Y.First);
    const std::unique_ptr<TAxis> YAxis =
        SteppedAxis(NewResolution, YDim, 'Y', Y.First + YSign * H, YSign * NewResolution, X.First);
    Result->SetXAxis(XAxis.get());
    Result->SetYAxis(YAxis.get());
    return Result.release();
}

TMap* TMapTools::Subdivide(const TMap* Map, int Factor) {
    if (Factor < 1)
        TError::Throw("Factor cannot be < 1 in TMapTools::Subdivide");
    const char* const NoAxes = "Map has no interval axes in TMapTools::Subdivide";
    const TEdges X = EdgesOf(Map, 'X', NoAxes);
    const TEdges Y = EdgesOf(Map, 'Y', NoAxes);
    const long K = Factor;
    // The interval axes hold one point more than the cells.
    const long Limit = (std::numeric_limits<long>::max() - 1) / K;
    if (Map->GetXDim() > Limit || Map->GetYDim() > Limit)
        TError::Throw("Factor is too large in TMapTools::Subdivide");
    const double NewResolution = Map->GetResolution() / K;
    const long XDim = K * Map->GetXDim();
    const long YDim = K * Map->GetYDim();
    std::unique_ptr<TMap> Result(new TMap(NewResolution, XDim, YDim));

    // Each source row gives K result rows, each source cell K neighbouring cells of them.
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY) {
        const std::vector<double>& Row = Map->RowValues(LngY);
        for (long DY = 0; DY < K; ++DY)
            for (long LngX = 0; LngX < XDim; ++LngX)
                Result->SetPoint(LngX, LngY * K + DY, Row[LngX / K]);
    }

    // Edges from the source's first edges, stepping in the direction of the source's axes.
    const std::unique_ptr<TAxis> XEdges =
        SteppedAxis(NewResolution, XDim + 1, 'X', X.First, StepSign(X) * NewResolution, Y.First);
    const std::unique_ptr<TAxis> YEdges =
        SteppedAxis(NewResolution, YDim + 1, 'Y', Y.First, StepSign(Y) * NewResolution, X.First);
    Result->SetXAxisInterval(XEdges.get());
    Result->SetYAxisInterval(YEdges.get());
    return Result.release();
}

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

// ---------------------------------------------------------------------------------------
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
// Windows and placement

namespace {

bool HasAxes(const TMap* Map) {
    return Map->GetXAxisInterval() && Map->GetYAxisInterval();
}

/// First and last index of the centres on the point axis that lie within the extent;
/// false when none does.
bool FindCentresWithin(const TAxis* Centres, char Axis, TEdges Extent, long& First, long& Last) {
    First = Last = -1;
    for (long I = 0; I < Centres->GetSize(); ++I) {
        const double Ordinate = OrdinateOf(Centres->GetPoint(I), Axis);
        if (Extent.Lo() <= Ordinate && Ordinate <= Extent.Hi()) {
            if (First < 0)
                First = I;
            Last = I;
        }
    }
    return First >= 0;
}

/// Whether the inserted extent reaches beyond the destination's first or last edge,
/// judged in the direction in which the destination's axis runs.
struct TOverrun {
    bool BeyondFirst;
    bool BeyondLast;
};

TOverrun FindOverrun(TEdges Destination, TEdges Inserted) {
    if (Destination.First <= Destination.Last)
        return {Inserted.Lo() < Destination.First, Inserted.Hi() > Destination.Last};
    return {Inserted.Hi() > Destination.First, Inserted.Lo() < Destination.Last};
}

/// New map on segments of the map's point axes holding the cells of the window (north row,
/// south row, west column, east column, inclusive).
std::unique_ptr<TMap> ExtractWindow(const TMap* Map, long North, long South, long West, long East) {
    const std::unique_ptr<TAxis> XAxis(Map->GetXAxis()->GetSegment(West, East));
    const std::unique_ptr<TAxis> YAxis(Map->GetYAxis()->GetSegment(North, South));
    std::unique_ptr<TMap> Result(new TMap(XAxis.get(), YAxis.get()));
    for (long LngY = 0; LngY < Result->GetYDim(); ++LngY) {
        const std::vector<double>& Row = Map->RowValues(North + LngY);
        for (long LngX = 0; LngX < Result->GetXDim(); ++LngX)
            Result->SetPoint(LngX, LngY, Row[West + LngX]);
    }
    return Result;
}

} // namespace

TMap* TMapTools::Extract(const TMap* Map, const TPoint* P1, const TPoint* P2) {
    // An ordinate on the upper end of an axis falls in the edge cell there.
    const long Column1 = Map->GetIndex(P1->GetX(), 'X');
    const long Row1 = Map->GetIndex(P1->GetY(), 'Y');
    const long Column2 = Map->GetIndex(P2->GetX(), 'X');
    const long Row2 = Map->GetIndex(P2->GetY(), 'Y');
    return ExtractWindow(Map, std::min(Row1, Row2), std::max(Row1, Row2),
                         std::min(Column1, Column2), std::max(Column1, Column2))
        .release();
}

// ---------------------------------------------------------------------------------------

// Each map keeps the cells whose centres lie within the other's extent, so two maps on one
// grid give two windows over exactly their common area. Extents are compared through
// their lower and upper ends, which makes the direction of either map's axes irrelevant.
void TMapTools::Intersection(const TMap* A, const TMap* B, TMap*& OA, TMap*& OB) {
    const char* const NoAxes = "Map has no axes in TMapTools::Intersection";
    if (!HasAxes(A) || !HasAxes(B))
        TError::Throw(NoAxes);
    long NorthA, SouthA, WestA, EastA, NorthB, SouthB, WestB, EastB;
    if (!FindCentresWithin(A->GetXAxis(), 'X', EdgesOf(B, 'X', NoAxes), WestA, EastA) ||
        !FindCentresWithin(A->GetYAxis(), 'Y', EdgesOf(B, 'Y', NoAxes), NorthA, SouthA) ||
        !FindCentresWithin(B->GetXAxis(), 'X', EdgesOf(A, 'X', NoAxes), WestB, EastB) ||
        !FindCentresWithin(B->GetYAxis(), 'Y', EdgesOf(A, 'Y', NoAxes), NorthB, SouthB))
        TError::Throw("Maps do not intersect in TMapTools::Intersection");
    std::unique_ptr<TMap> ResultA = ExtractWindow(A, NorthA, SouthA, WestA, EastA);
    std::unique_ptr<TMap> ResultB = ExtractWindow(B, NorthB, SouthB, WestB, EastB);
    OA = ResultA.release();
    OB = ResultB.release();
}

// The first edges are the western and, in the system orientation, the northern ones.
void TMapTools::Insert(TMap* Destination, const TMap* InsertMap) {
    const char* const NoAxes = "Map has no axes in TMapTools::Insert";
    if (!HasAxes(Destination) || !HasAxes(InsertMap))
        TError::Throw(NoAxes);
    const TOverrun X =
        FindOverrun(EdgesOf(Destination, 'X', NoAxes), EdgesOf(InsertMap, 'X', NoAxes));
    const TOverrun Y =
        FindOverrun(EdgesOf(Destination, 'Y', NoAxes), EdgesOf(InsertMap, 'Y', NoAxes));
    if (X.BeyondFirst || Y.BeyondFirst)
        TError::Throw("Insert map's NW corner is outside of the destination map in "
                      "TMapTools::Insert");
    if (X.BeyondLast || Y.BeyondLast)
        TError::Throw("Insert map's SE corner is outside of the destination map in "
                      "TMapTools::Insert");
    // The target of every column and row is found before any cell is written, so a failed
    // lookup leaves the destination as it was.
    const std::vector<long> Columns = IndexesOnto(InsertMap->GetXAxis(), Destination, 'X');
    const std::vector<long> Rows = IndexesOnto(InsertMap->GetYAxis(), Destination, 'Y');
    ForEachCell(InsertMap, [&](long LngX, long LngY) {
        Destination->SetPoint(Columns[LngX], Rows[LngY], InsertMap->GetPointVal(LngX, LngY));
    });
}

// ---------------------------------------------------------------------------------------

namespace {

/// The indexes of the centres in the order of the system orientation: X ascending (west to
/// east), Y descending (north to south); equal centres keep their order, and an axis
/// holding a NaN keeps its own order.
std::vector<long> NorthUpOrder(const TAxis* Centres, char Axis) {
    std::vector<double> Ordinates;
    for (long I = 0; I < Centres->GetSize(); ++I) {
        const double Ordinate = OrdinateOf(Centres->GetPoint(I), Axis);
        Ordinates.push_back(Axis == 'X' ? Ordinate : -Ordinate);
    }
    std::vector<long> Order = AscendingOrder(Ordinates);
    if (Order.empty() && !Ordinates.empty()) {
        Order.resize(Ordinates.size());
        std::iota(Order.begin(), Order.end(), 0L);
    }
    return Order;
}

/// New axis of clones of the points, in the order given.
std::unique_ptr<TAxis> Reordered(const TAxis* Axis, const std::vector<long>& Order) {
    std::unique_ptr<TAxis> Result(new TAxis(Axis->GetResolution()));
    for (long I : Order)
        Result->AddPoint(Axis->GetPoint(I)->Clone());
    return Result;
}

bool SamePoints(const TAxis* A, const TAxis* B) {
    if (A->GetSize() != B->GetSize())
        return false;
    for (long I = 0; I < A->GetSize(); ++I)
        if (A->GetPoint(I)->GetX() != B->GetPoint(I)->GetX() ||
            A->GetPoint(I)->GetY() != B->GetPoint(I)->GetY())
            return false;
    return true;
}

/// A map's two axes of a direction are one derived from the other. The result, made on the
/// source's point axes, gets the source's edges in the directions it keeps in their order
/// where those edges were the ones given (a map read from a grid header), so that such a
/// direction is copied exactly.
void KeepSourceEdges(TMap* Result, const TMap* Source, bool KeepX, bool KeepY) {
    if (KeepX && !SamePoints(Result->GetXAxisInterval(), Source->GetXAxisInterval()))
        Result->SetXAxisInterval(Source->GetXAxisInterval());
    if (KeepY && !SamePoints(Result->GetYAxisInterval(), Source->GetYAxisInterval()))
        Result->SetYAxisInterval(Source->GetYAxisInterval());
}

} // namespace

TMap* TMapTools::NorthUp(const TMap* Map) {
    RequireMap(Map, "Map is not set in TMapTools::NorthUp");
    if (!HasAxes(Map))
        TError::Throw("Map has no axes in TMapTools::NorthUp");
    const std::vector<long> Columns = NorthUpOrder(Map->GetXAxis(), 'X');
    const std::vector<long> Rows = NorthUpOrder(Map->GetYAxis(), 'Y');
    const std::unique_ptr<TAxis> XAxis = Reordered(Map->GetXAxis(), Columns);
    const std::unique_ptr<TAxis> YAxis = Reordered(Map->GetYAxis(), Rows);
    std::unique_ptr<TMap> Result(new TMap(XAxis.get(), YAxis.get()));
    KeepSourceEdges(Result.get(), Map, IsIdentity(Columns), IsIdentity(Rows));
    Result->SetNoDataValue(Map->GetNoDataValue());
    Result->SetMetadata(Map->GetMetadata());
    ForEachCell(Result.get(), [&](long LngX, long LngY) {
        Result->SetPoint(LngX, LngY, Map->GetPointVal(Columns[LngX], Rows[LngY]));
    });
    return Result.release();
}

// ---------------------------------------------------------------------------------------

void TMapTools::FillBlock(TMap* Map, double Value, long North, long South, long West, long East) {
    if (North > South)
        TError::Throw("Northern edge must be less than southern edge in TMapTools::FillBlock");
    if (West > East)
        TError::Throw("Western edge must be less than eastern edge in TMapTools::FillBlock");
    if (North < 0 || North >= Map->GetYDim())
        TError::Throw("Northern ordinate is out of range in TMapTools::FillBlock");
    if (South < 0 || South >= Map->GetYDim())
        TError::Throw("Southern ordinate is out of range in TMapTools::FillBlock");
    if (West < 0 || West >= Map->GetXDim())
        TError::Throw("Western ordinate is out of range in TMapTools::FillBlock");
    if (East < 0 || East >= Map->GetXDim())
        TError::Throw("Eastern ordinate is out of range in TMapTools::FillBlock");
    for (long LngY = North; LngY <= South; ++LngY)
        for (long LngX = West; LngX <= East; ++LngX)
            Map->SetPoint(LngX, LngY, Value);
}

void TMapTools::BufferIndices(const TMap* Map, long Margin, long& North, long& South, long& West,
                              long& East) {
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    West = West > Margin ? West - Margin : 0;
    East = East < XDim - Margin - 1 ? East + Margin : XDim - 1;
    North = North > Margin ? North - Margin : 0;
    South = South < YDim - Margin - 1 ? South + Margin : YDim - 1;
}

void TMapTools::FindPatchExtent(const TMap* Map, double Value, long& North, long& South, long& West,
                                long& East) {
    long N = Map->GetYDim() - 1, S = 0, W = Map->GetXDim() - 1, E = 0;
    bool Found = false;
    ForEachCell(Map, [&](long LngX, long LngY) {
        if (!(Map->GetPointVal(LngX, LngY) == Value))
            return;
        Found = true;
        W = std::min(W, LngX);
        E = std::max(E, LngX);
        N = std::min(N, LngY);
        S = std::max(S, LngY);
    });
    if (!Found)
        N = S = W = E = 0;
    North = N;
    South = S;
    West = W;
    East = E;
}

// ---------------------------------------------------------------------------------------
// Value gradients over map series

namespace {

/// `FindNonzeroNeighbourVal` over the cells that ValueAt(X, Y) gives on a grid of the size.
template <typename TValueAt>
double NonzeroNeighbour(const TValueAt& ValueAt, long XDim, long YDim, long LngX, long LngY) {
    const long LastX = std::min(LngX + 1, XDim - 1);
    const long LastY = std::min(LngY + 1, YDim - 1);
    // Every column of the block is scanned: the last column holding a non-zero value wins,
    // with the topmost such value of that column.
    double Found = 0.0;
    for (long X = std::max(LngX - 1, 0L); X <= LastX; ++X)
        for (long Y = std::max(LngY - 1, 0L); Y <= LastY; ++Y) {
            const double Value = ValueAt(X, Y);
            if (Value != 0.0) {
                Found = Value;
                break;
            }
        }
    return Found;
}

/// The least-squares slopes of one window of a series: maps Start to Start + WindowSize,
/// read at the places of the first map's cells. The lists of usable map numbers and values
/// are kept from cell to cell, so that a cell allocates nothing.
class TWindowSlope {
public:
    TWindowSlope(const TSeriesReader& Reader, int Start, int WindowSize)
        : MbrReader(Reader), MbrStart(Start),
          MbrNumbers(TVectorTools::VectorSeries(Start, Start + WindowSize, 1.0)) {
        MbrUsedNumbers.reserve(MbrNumbers.size());
        MbrUsedValues.reserve(MbrNumbers.size());
    }

    /// The slope at the cell (LngX, LngY), whose row of every map `Rows` holds: zeros except
    /// in the last map are filled from the neighbourhood, no-data values are left out. The
    /// values are those `GetValuesVector` gives for the window.
    double At(const std::vector<const double*>& Rows, long LngX, long LngY) {
        const TMap* First = MbrReader.Map(0);
        MbrUsedNumbers.clear();
        MbrUsedValues.clear();
        for (size_t L = 0; L < MbrNumbers.size(); ++L) {
            const size_t I = MbrStart + L;
            double Value = Rows[I][LngX];
            // Zeros are taken for gaps and filled from the neighbourhood, except in the last map.
            if (Value == 0.0 && L + 1 < MbrNumbers.size())
                Value = NonzeroNeighbour([&](long X, long Y) { return MbrReader.At(I, X, Y); },
                                         First->GetXDim(), First->GetYDim(), LngX, LngY);
            if (!IsNoData(MbrReader.Map(I), Value)) {
                MbrUsedNumbers.push_back(MbrNumbers[L]);
                MbrUsedValues.push_back(Value);
            }
        }
        return TVectorTools::Gradient(MbrUsedNumbers, MbrUsedValues);
    }

private:
    const TSeriesReader& MbrReader;
    size_t MbrStart;
    std::vector<double> MbrNumbers;
    std::vector<double> MbrUsedNumbers;
    std::vector<double> MbrUsedValues;
};

/// New map on the first map's axes holding the slopes of the window from `Start`; where the
/// window's first map holds 0 the cell stays no-data.
std::unique_ptr<TMap> WindowGradients(TSeriesReader& Reader, int Start, int WindowSize) {
    std::unique_ptr<TMap> Gradient = MakeResultOnAxes(Reader.Map(0));
    TWindowSlope Slope(Reader, Start, WindowSize);
    for (long LngY = 0; LngY < Gradient->GetYDim(); ++LngY) {
        const std::vector<const double*>& Rows = Reader.Rows(LngY);
        for (long LngX = 0; LngX < Gradient->GetXDim(); ++LngX)
            if (Rows[Start][LngX] != 0.0)
                Gradient->SetPoint(LngX, LngY, Slope.At(Rows, LngX, LngY));
    }
    return Gradient;
}

} // namespace

// Every map is read at the place of the first map's cell, so the zero test, the window's
// values and the neighbourhoods that fill zeros all follow the first map's rows and columns.
std::vector<TMap*> TMapTools::ValueGradients(std::vector<TMap*> Maps, int WindowSize) {
    if (WindowSize >= 0 && static_cast<size_t>(WindowSize) >= Maps.size())
        TError::Throw("Window size must be < number of maps in TMapTools::ValueGradients");
    if (WindowSize < 1)
        TError::Throw("Window size must be > 0 in TMapTools::ValueGradients");
    const char* const Dimensions = "Map dimensions do not match in TMapTools::ValueGradients";
    CheckSameSizes(Maps, Dimensions, Dimensions);
    TSeriesReader Reader(std::vector<const TMap*>(Maps.begin(), Maps.end()));
    const int Windows = static_cast<int>(Maps.size()) - WindowSize;
    std::vector<std::unique_ptr<TMap>> Gradients;
    for (int Start = 0; Start < Windows; ++Start)
        Gradients.push_back(WindowGradients(Reader, Start, WindowSize));
    return ReleaseAll(std::move(Gradients));
}

double TMapTools::FindNonzeroNeighbourVal(const TMap* Map, long LngX, long LngY) {
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    if (LngX < 0 || LngX >= XDim)
        TError::Throw("X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal");
    if (LngY < 0 || LngY >= YDim)
        TError::Throw("Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal");
    return NonzeroNeighbour([Map](long X, long Y) { return Map->GetPointVal(X, Y); }, XDim, YDim,
                            LngX, LngY);
}
