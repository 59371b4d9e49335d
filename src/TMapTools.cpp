#include "TMapTools.h"

#include "TAxis.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

// ---------------------------------------------------------------------------------------
// Helpers shared by the grid operations

std::unique_ptr<TMap> TMapTools::MakeResultOnAxes(const TMap* Input) {
    return std::unique_ptr<TMap>(new TMap(Input->GetXAxis(), Input->GetYAxis()));
}

std::unique_ptr<TMap> TMapTools::MakeResultSizedOn(const TMap* Base) {
    std::unique_ptr<TMap> Result(new TMap(Base->GetResolution(), Base->GetXDim(), Base->GetYDim()));
    Result->SetNoDataValue(Base->GetNoDataValue());
    Result->InitValues(Base->GetNoDataValue());
    Result->SetXAxis(Base->GetXAxis());
    Result->SetYAxis(Base->GetYAxis());
    return Result;
}

// ---------------------------------------------------------------------------------------
// Flat and CSV output

void TMapTools::WriteFlatFile(TMap* Map, std::ostream& Out, char Separator) {
    WriteFlatFile(Map, Out, Separator, false, false);
}

void TMapTools::WriteFlatFile(const TMap* Map, std::ostream& Out, char Separator, bool ReverseRows,
                              bool ReverseColumns) {
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    for (long I = 0; I < YDim; ++I) {
        const std::vector<double>& Row = Map->RowValues(ReverseRows ? YDim - 1 - I : I);
        for (long J = 0; J < XDim; ++J)
            Out << Row[ReverseColumns ? XDim - 1 - J : J] << Separator;
        Out << std::endl;
    }
}

void TMapTools::WriteCSVFile(TMap* Map, std::ostream& Out) {
    ForEachCellByColumn(Map, [&](long LngX, long LngY) {
        std::unique_ptr<TMapPoint> Cell(Map->GetPoint(LngX, LngY));
        Out << Cell->GetX() << ',' << Cell->GetY() << ',' << Cell->GetValue() << std::endl;
    });
}

// ---------------------------------------------------------------------------------------
// Cell-wise arithmetic and aggregation

// ---------------------------------------------------------------------------------------
// Resampling

namespace {

/// First and last edge of a map in one direction: interval points 0 and the dimension.
struct TEdgeSpan {
    double First;
    double Last;
    bool Ascends() const { return Last > First; }
};

TEdgeSpan EdgeSpan(const TMap* Map, char Axis, const char* NoAxesMessage) {
    const TAxis* Edges = Axis == 'X' ? Map->GetXAxisInterval() : Map->GetYAxisInterval();
    if (!Edges)
        TError::Throw(NoAxesMessage);
    const TPoint* First = Edges->GetPoint(0);
    const TPoint* Last = Edges->GetPoint(Edges->GetSize() - 1);
    if (Axis == 'X')
        return {First->GetX(), Last->GetX()};
    return {First->GetY(), Last->GetY()};
}

/// +1 for a span that ascends, -1 for one that descends.
double StepSign(const TEdgeSpan& Span) {
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
std::vector<double> InterpolationSamples(const TEdgeSpan& Span, double S, double R,
                                         double UpperMargin, bool KeepFirst) {
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

void CheckInside(long Index, long Dim, const char* Message) {
    if (Index < 0 || Index >= Dim)
        TError::Throw(Message);
}

using TCorners = std::array<std::unique_ptr<TMapPoint>, 4>;

/// The four source cells (centre and value) whose centres enclose the sample, in the order
/// Q11, Q21, Q12, Q22 of the bilinear formula; fails when the sample or a corner lies outside
/// the source.
TCorners FindCorners(const TMap* Source, const TPoint& Sample, bool XAscends, bool YAscends) {
    const long IX = Source->GetIndex(Sample.GetX(), 'X');
    const long IY = Source->GetIndex(Sample.GetY(), 'Y');
    const std::unique_ptr<TPoint> Centre(Source->GetCoordinates(IX, IY));
    const long X1 = FirstNeighbour(XAscends, Sample.GetX(), Centre->GetX(), IX);
    const long Y1 = FirstNeighbour(YAscends, Sample.GetY(), Centre->GetY(), IY);
    CheckInside(X1, Source->GetXDim(),
                "LngGetX1 is out of range in TMapTools::BilinearInterpolate");
    CheckInside(X1 + 1, Source->GetXDim(),
                "LngGetX2 is out of range in TMapTools::BilinearInterpolate");
    CheckInside(Y1, Source->GetYDim(),
                "LngGetY1 is out of range in TMapTools::BilinearInterpolate");
    CheckInside(Y1 + 1, Source->GetYDim(),
                "LngGetY2 is out of range in TMapTools::BilinearInterpolate");
    TCorners Corners;
    Corners[0].reset(Source->GetPoint(X1, Y1));
    Corners[1].reset(Source->GetPoint(X1 + 1, Y1));
    Corners[2].reset(Source->GetPoint(X1, Y1 + 1));
    Corners[3].reset(Source->GetPoint(X1 + 1, Y1 + 1));
    return Corners;
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
// extent, X in the outer loop and Y in the inner one. Each sample is interpolated from the
// four source cell centres around it and stored in the result cell that holds it.
TMap* TMapTools::BilinearInterpolate(const TMap* Map, double NewResolution) {
    if (NewResolution <= 0.0)
        TError::Throw("New resolution cannot be <= 0.0 in TMapTools::BilinearInterpolate");
    std::unique_ptr<TMap> Result(Downscale(Map, NewResolution));
    const char* const NoAxes = "Map has no interval axes in TMapTools::BilinearInterpolate";
    const TEdgeSpan X = EdgeSpan(Result.get(), 'X', NoAxes);
    const TEdgeSpan Y = EdgeSpan(Result.get(), 'Y', NoAxes);
    const double S = Map->GetResolution();
    const std::vector<double> XSamples =
        InterpolationSamples(X, S, NewResolution, NewResolution, false);
    if (XSamples.empty())
        return Result.release();
    const std::vector<double> YSamples = InterpolationSamples(Y, S, NewResolution, 0.0, true);
    const bool XAscends = EdgeSpan(Map, 'X', NoAxes).Ascends();
    const bool YAscends = EdgeSpan(Map, 'Y', NoAxes).Ascends();
    for (const double SampleX : XSamples) {
        for (const double SampleY : YSamples) {
            const TPoint Sample(SampleX, SampleY);
            // Only the lookup matters: it fails when the sample lies outside the result.
            const std::unique_ptr<TMapPoint> InResult(Result->GetPoint(&Sample));
            const TCorners Q = FindCorners(Map, Sample, XAscends, YAscends);
            double Value = Result->GetNoDataValue();
            if (!IsNoData(Map, Q[0]->GetValue()) && !IsNoData(Map, Q[1]->GetValue()) &&
                !IsNoData(Map, Q[2]->GetValue()) && !IsNoData(Map, Q[3]->GetValue())) {
                TMapPoint Target(SampleX, SampleY);
                BilinearInterpolate(Q[0].get(), Q[1].get(), Q[2].get(), Q[3].get(), &Target);
                Value = Target.GetValue();
            }
            Result->SetPoint(&Sample, Value);
        }
    }
    return Result.release();
}

TMap* TMapTools::Downscale(const TMap* Map, double NewResolution) {
    if (!(NewResolution > 0.0))
        TError::Throw("New resolution cannot be <= 0.0 in TMapTools::Downscale");
    const char* const NoAxes = "Map has no interval axes in TMapTools::Downscale";
    const TEdgeSpan X = EdgeSpan(Map, 'X', NoAxes);
    const TEdgeSpan Y = EdgeSpan(Map, 'Y', NoAxes);
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
    const TEdgeSpan X = EdgeSpan(Map, 'X', NoAxes);
    const TEdgeSpan Y = EdgeSpan(Map, 'Y', NoAxes);
    const long K = Factor;
    // The interval axes hold one point more than the cells.
    const long Limit = (std::numeric_limits<long>::max() - 1) / K;
    if (Map->GetXDim() > Limit || Map->GetYDim() > Limit)
        TError::Throw("Factor is too large in TMapTools::Subdivide");
    const double NewResolution = Map->GetResolution() / K;
    const long XDim = K * Map->GetXDim();
    const long YDim = K * Map->GetYDim();
    std::unique_ptr<TMap> Result(new TMap(NewResolution, XDim, YDim));

    ForEachCellByColumn(Map, [&](long LngX, long LngY) {
        const double Value = Map->GetPointVal(LngX, LngY);
        for (long DX = 0; DX < K; ++DX)
            for (long DY = 0; DY < K; ++DY)
                Result->SetPoint(LngX * K + DX, LngY * K + DY, Value);
    });

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

// ---------------------------------------------------------------------------------------
// Sampling at points and by value

// ---------------------------------------------------------------------------------------
// Windows and placement

// ---------------------------------------------------------------------------------------
// Value gradients over map series
