#include "TMapTools.h"

#include "MapToolsInternal.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

using namespace veldgrid::ops::detail;

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
