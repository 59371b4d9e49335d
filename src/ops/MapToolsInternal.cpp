#include "MapToolsInternal.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace veldgrid::ops::detail {

// ---------------------------------------------------------------------------------------
// Checks, places and results

std::vector<TMap*> ReleaseAll(std::vector<std::unique_ptr<TMap>> Owned) {
    std::vector<TMap*> Maps(Owned.size());
    for (size_t I = 0; I < Owned.size(); ++I)
        Maps[I] = Owned[I].release();
    return Maps;
}

void RequireMap(const TMap* Map, const char* Message) {
    if (!Map)
        TError::Throw(Message);
}

void CheckSameSize(const TMap* First, const TMap* Other, const char* XMessage,
                   const char* YMessage) {
    if (Other->GetXDim() != First->GetXDim())
        TError::Throw(XMessage);
    if (Other->GetYDim() != First->GetYDim())
        TError::Throw(YMessage);
}

void CheckSameSizes(const std::vector<TMap*>& Maps, const char* XMessage, const char* YMessage) {
    for (size_t I = 1; I < Maps.size(); ++I)
        CheckSameSize(Maps[0], Maps[I], XMessage, YMessage);
}

TEdges EdgesOf(const TMap* Map, char Axis, const char* NoAxesMessage) {
    const TAxis* Edges = EdgeAxisOf(Map, Axis);
    if (!Edges)
        TError::Throw(NoAxesMessage);
    return {OrdinateOf(Edges->GetPoint(0), Axis),
            OrdinateOf(Edges->GetPoint(Edges->GetSize() - 1), Axis)};
}

std::vector<long> IndexesOnto(const TAxis* Centres, const TMap* Other, char Axis) {
    std::vector<long> Indexes(Centres->GetSize());
    for (long I = 0; I < Centres->GetSize(); ++I)
        Indexes[I] = Other->GetIndex(OrdinateOf(Centres->GetPoint(I), Axis), Axis);
    return Indexes;
}

bool IsIdentity(const std::vector<long>& Order) {
    for (size_t I = 0; I < Order.size(); ++I)
        if (Order[I] != static_cast<long>(I))
            return false;
    return true;
}

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

std::unique_ptr<TMap> MakeResultOnAxes(const TMap* Input) {
    return std::unique_ptr<TMap>(new TMap(Input->GetXAxis(), Input->GetYAxis()));
}

std::unique_ptr<TMap> MakeResultSizedOn(const TMap* Base) {
    std::unique_ptr<TMap> Result(new TMap(Base->GetResolution(), Base->GetXDim(), Base->GetYDim()));
    Result->SetNoDataValue(Base->GetNoDataValue());
    Result->InitValues(Base->GetNoDataValue());
    Result->SetXAxis(Base->GetXAxis());
    Result->SetYAxis(Base->GetYAxis());
    return Result;
}

// ---------------------------------------------------------------------------------------
// Pairing the cells of a series of maps by place

namespace {

/// Two centres, or two resolutions, this close relative to the first map's resolution are
/// taken for the same: far below any cell size, far above the rounding of a text file.
const double SamePlaceTolerance = 1e-6;

/// Whether the two values lie within the tolerance of each other; never for a NaN.
bool Near(double A, double B, double Tolerance) {
    return std::fabs(A - B) <= Tolerance;
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

} // namespace

std::vector<long> AscendingOrder(const std::vector<double>& Ordinates) {
    if (std::any_of(Ordinates.begin(), Ordinates.end(), [](double V) { return std::isnan(V); }))
        return {};
    std::vector<long> Order(Ordinates.size());
    std::iota(Order.begin(), Order.end(), 0L);
    std::stable_sort(Order.begin(), Order.end(),
                     [&](long A, long B) { return Ordinates[A] < Ordinates[B]; });
    return Order;
}

TSeriesPlaces PlacesOf(const TMap* First) {
    return {First->GetResolution(), CentresOf(First, 'X'), CentresOf(First, 'Y')};
}

TPlacement PlaceOnto(const TMap* First, const TMap* Other) {
    return Other == First ? TPlacement() : PlaceOnto(PlacesOf(First), Other);
}

TPlacement PlaceOnto(const TSeriesPlaces& First, const TMap* Other) {
    TPlacement Placement;
    const double Tolerance = SamePlaceTolerance * std::fabs(First.Resolution);
    if (!Near(First.Resolution, Other->GetResolution(), Tolerance))
        return Placement;
    const std::vector<double> OtherX = CentresOf(Other, 'X'), OtherY = CentresOf(Other, 'Y');
    if (SameCentres(First.X, OtherX, Tolerance) && SameCentres(First.Y, OtherY, Tolerance))
        return Placement;
    std::vector<long> Columns = MatchCentres(First.X, OtherX, Tolerance);
    std::vector<long> Rows = MatchCentres(First.Y, OtherY, Tolerance);
    if (Columns.empty() || Rows.empty())
        return Placement;
    if (!IsIdentity(Columns))
        Placement.Columns = std::move(Columns);
    if (!IsIdentity(Rows))
        Placement.Rows = std::move(Rows);
    return Placement;
}

TSeriesReader::TSeriesReader(std::vector<const TMap*> Maps)
    : MbrMaps(std::move(Maps)), MbrPlacements(MbrMaps.size()), MbrBuffers(MbrMaps.size()),
      MbrRows(MbrMaps.size()) {
    for (size_t I = 1; I < MbrMaps.size(); ++I) {
        MbrPlacements[I] = PlaceOnto(MbrMaps[0], MbrMaps[I]);
        if (!MbrPlacements[I].Columns.empty())
            MbrBuffers[I].resize(MbrMaps[0]->GetXDim());
    }
}

const std::vector<const double*>& TSeriesReader::Rows(long LngY) {
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

double ValueAtPlace(const TMap* First, const TMap* Other, long LngX, long LngY) {
    const bool OnFirst =
        LngX >= 0 && LngX < First->GetXDim() && LngY >= 0 && LngY < First->GetYDim();
    if (OnFirst && Other != First && !SameCentreAt(First, Other, LngX, LngY)) {
        const TPlacement Placement = PlaceOnto(First, Other);
        return Other->GetPointVal(Placement.Column(LngX), Placement.Row(LngY));
    }
    return Other->GetPointVal(LngX, LngY);
}

} // namespace veldgrid::ops::detail
