#include "TMapTools.h"

#include "MapToolsInternal.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

using namespace veldgrid::ops::detail;

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

/// The map's edges in X and in Y, after the checks that open the operations building a new
/// grid: their argument (a resolution or a factor) valid (else `BadArgument`), then the map
/// with interval axes (else `NoAxes`).
std::pair<TEdges, TEdges> CheckedEdges(const TMap* Map, bool ArgumentValid, const char* BadArgument,
                                       const char* NoAxes) {
    if (!ArgumentValid)
        TError::Throw(BadArgument);
    return {EdgesOf(Map, 'X', NoAxes), EdgesOf(Map, 'Y', NoAxes)};
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
    const auto [X, Y] = CheckedEdges(Map, NewResolution > 0.0,
                                     "New resolution cannot be <= 0.0 in TMapTools::Downscale",
                                     "Map has no interval axes in TMapTools::Downscale");
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
    const auto [X, Y] =
        CheckedEdges(Map, Factor >= 1, "Factor cannot be < 1 in TMapTools::Subdivide",
                     "Map has no interval axes in TMapTools::Subdivide");
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

namespace {

/// Gives the result, whose resolution and size are set, the edges of its cells from the
/// source's first edges, stepping in the directions of the source's axes. Edge I is First
/// +- I * resolution, worked out anew for each edge, so that no rounding accumulates over a
/// long axis.
void SetEdgesFrom(TMap* Result, const TEdges& X, const TEdges& Y) {
    const double R = Result->GetResolution();
    TAxis XEdges(R), YEdges(R);
    for (long I = 0; I <= Result->GetXDim(); ++I)
        XEdges.AddPoint(new TPoint(X.First + StepSign(X) * (static_cast<double>(I) * R), Y.First));
    for (long J = 0; J <= Result->GetYDim(); ++J)
        YEdges.AddPoint(new TPoint(X.First, Y.First + StepSign(Y) * (static_cast<double>(J) * R)));
    Result->SetXAxisInterval(&XEdges);
    Result->SetYAxisInterval(&YEdges);
}

} // namespace

// The blocks of one row of blocks are summed together, reading the source row by row.
TMap* TMapTools::BlockMean(const TMap* Map, int Factor) {
    const auto [X, Y] =
        CheckedEdges(Map, Factor >= 1, "Factor cannot be < 1 in TMapTools::BlockMean",
                     "Map has no interval axes in TMapTools::BlockMean");
    const long K = Factor;
    const long XDim = Map->GetXDim() / K + (Map->GetXDim() % K != 0);
    const long YDim = Map->GetYDim() / K + (Map->GetYDim() % K != 0);
    std::unique_ptr<TMap> Result(new TMap(K * Map->GetResolution(), XDim, YDim));
    std::vector<TDataFigures> Blocks(XDim);
    for (long BlockY = 0; BlockY < YDim; ++BlockY) {
        std::fill(Blocks.begin(), Blocks.end(), TDataFigures());
        const long End = std::min(Map->GetYDim(), (BlockY + 1) * K);
        for (long LngY = BlockY * K; LngY < End; ++LngY) {
            const std::vector<double>& Row = Map->RowValues(LngY);
            for (long LngX = 0; LngX < Map->GetXDim(); ++LngX)
                if (!IsNoData(Map, Row[LngX]))
                    Blocks[LngX / K].Add(Row[LngX]);
        }
        for (long BlockX = 0; BlockX < XDim; ++BlockX)
            Result->SetPoint(BlockX, BlockY, Blocks[BlockX].Mean());
    }
    SetEdgesFrom(Result.get(), X, Y);
    return Result.release();
}

// ---------------------------------------------------------------------------------------

namespace {

/// The number of cells of the new resolution in an extent: floor(extent / resolution + 1e-9),
/// so that a quotient a rounding error leaves just below a whole number keeps its last cell.
long ResampledCount(double Extent, double NewResolution) {
    const double Count = std::floor(Extent / NewResolution + 1e-9);
    // 2^digits is the first whole number a long cannot hold.
    if (!(Count < std::ldexp(1.0, std::numeric_limits<long>::digits)))
        TError::Throw("New resolution is too small in TMapTools::ResampleBilinear");
    if (Count < 1.0)
        TError::Throw("New resolution is larger than the map in TMapTools::ResampleBilinear");
    return static_cast<long>(Count);
}

/// The source cells (columns or rows) that one result centre is interpolated from, and
/// their weights, which sum to 1.
struct TNeighbours {
    long First;
    long Second;
    double FirstWeight;
    double SecondWeight;
};

/// For each target ordinate, its neighbours among the source's centres, which run one way
/// (up or down): the two centres around it, weighted by nearness, or beyond the outermost
/// centres the outermost one alone (with weight 1).
std::vector<TNeighbours> NeighboursOf(const std::vector<double>& Targets,
                                      std::vector<double> Centres) {
    // Descending centres are searched negated, which is exact and makes them ascend.
    const double Sign = Centres.size() > 1 && Centres.back() < Centres.front() ? -1.0 : 1.0;
    for (double& Centre : Centres)
        Centre *= Sign;
    const long Last = static_cast<long>(Centres.size()) - 1;
    std::vector<TNeighbours> Neighbours;
    Neighbours.reserve(Targets.size());
    for (const double Target : Targets) {
        const double T = Sign * Target;
        const long Next = std::upper_bound(Centres.begin(), Centres.end(), T) - Centres.begin();
        if (Next == 0 || Next > Last) {
            const long Outermost = Next == 0 ? 0 : Last;
            Neighbours.push_back({Outermost, Outermost, 1.0, 0.0});
            continue;
        }
        const double W = (T - Centres[Next - 1]) / (Centres[Next] - Centres[Next - 1]);
        Neighbours.push_back({Next - 1, Next, 1.0 - W, W});
    }
    return Neighbours;
}

/// The weighted mean of the corners of one result cell that have weight and data; -9999.0
/// where none has both.
double Blend(const TMap* Map, const TNeighbours& Column, const TNeighbours& Row) {
    const long Columns[2] = {Column.First, Column.Second};
    const double ColumnWeights[2] = {Column.FirstWeight, Column.SecondWeight};
    const long Rows[2] = {Row.First, Row.Second};
    const double RowWeights[2] = {Row.FirstWeight, Row.SecondWeight};
    double Total = 0.0, Weights = 0.0;
    for (int J = 0; J < 2; ++J) {
        const std::vector<double>& Cells = Map->RowValues(Rows[J]);
        for (int I = 0; I < 2; ++I) {
            const double Weight = RowWeights[J] * ColumnWeights[I];
            const double Q = Cells[Columns[I]];
            if (Weight > 0.0 && !IsNoData(Map, Q)) {
                Total += Weight * Q;
                Weights += Weight;
            }
        }
    }
    return Weights > 0.0 ? Total / Weights : ResultNoData;
}

} // namespace

// The neighbours of a result cell depend on its column and on its row alone, so each is
// worked out once; the cells are then visited row by row.
TMap* TMapTools::ResampleBilinear(const TMap* Map, double NewResolution) {
    const auto [X, Y] = CheckedEdges(Map, NewResolution > 0.0,
                                     "New resolution must be > 0 in TMapTools::ResampleBilinear",
                                     "Map has no interval axes in TMapTools::ResampleBilinear");
    const long XDim = ResampledCount(X.Hi() - X.Lo(), NewResolution);
    const long YDim = ResampledCount(Y.Hi() - Y.Lo(), NewResolution);
    std::unique_ptr<TMap> Result(new TMap(NewResolution, XDim, YDim));
    SetEdgesFrom(Result.get(), X, Y);
    const std::vector<TNeighbours> Columns =
        NeighboursOf(CentresOf(Result.get(), 'X'), CentresOf(Map, 'X'));
    const std::vector<TNeighbours> Rows =
        NeighboursOf(CentresOf(Result.get(), 'Y'), CentresOf(Map, 'Y'));
    ForEachCell(Result.get(), [&](long LngX, long LngY) {
        Result->SetPoint(LngX, LngY, Blend(Map, Columns[LngX], Rows[LngY]));
    });
    return Result.release();
}
