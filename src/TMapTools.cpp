#include "TMapTools.h"

#include <algorithm>

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

// ---------------------------------------------------------------------------------------
// Thresholds, masks, replacement and counts

// ---------------------------------------------------------------------------------------
// Sampling at points and by value

// ---------------------------------------------------------------------------------------
// Windows and placement

namespace {

/// The first and the last edge of a map in one direction (interval points 0 and the
/// dimension), which may run either way.
struct TEdges {
    double First;
    double Last;
    double Lo() const { return std::min(First, Last); }
    double Hi() const { return std::max(First, Last); }
};

bool HasAxes(const TMap* Map) {
    return Map->GetXAxisInterval() && Map->GetYAxisInterval();
}

TEdges EdgesOf(const TMap* Map, char Axis) {
    if (Axis == 'X') {
        const TAxis* Intervals = Map->GetXAxisInterval();
        return {Intervals->GetPoint(0)->GetX(), Intervals->GetPoint(Map->GetXDim())->GetX()};
    }
    const TAxis* Intervals = Map->GetYAxisInterval();
    return {Intervals->GetPoint(0)->GetY(), Intervals->GetPoint(Map->GetYDim())->GetY()};
}

/// First and last index of the centres on the point axis that lie within the extent;
/// false when none does.
bool FindCentresWithin(const TAxis* Centres, char Axis, TEdges Extent, long& First, long& Last) {
    First = Last = -1;
    for (long I = 0; I < Centres->GetSize(); ++I) {
        const TPoint* Centre = Centres->GetPoint(I);
        const double Ordinate = Axis == 'X' ? Centre->GetX() : Centre->GetY();
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

} // namespace

std::unique_ptr<TMap> TMapTools::ExtractWindow(const TMap* Map, long North, long South, long West,
                                               long East) {
    const std::unique_ptr<TAxis> XAxis(Map->GetXAxis()->GetSegment(West, East));
    const std::unique_ptr<TAxis> YAxis(Map->GetYAxis()->GetSegment(North, South));
    std::unique_ptr<TMap> Result(new TMap(XAxis.get(), YAxis.get()));
    ForEachCellByColumn(Result.get(), [&](long LngX, long LngY) {
        Result->SetPoint(LngX, LngY, Map->GetPointVal(West + LngX, North + LngY));
    });
    return Result;
}

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
    if (!HasAxes(A) || !HasAxes(B))
        TError::Throw("Map has no axes in TMapTools::Intersection");
    long NorthA, SouthA, WestA, EastA, NorthB, SouthB, WestB, EastB;
    if (!FindCentresWithin(A->GetXAxis(), 'X', EdgesOf(B, 'X'), WestA, EastA) ||
        !FindCentresWithin(A->GetYAxis(), 'Y', EdgesOf(B, 'Y'), NorthA, SouthA) ||
        !FindCentresWithin(B->GetXAxis(), 'X', EdgesOf(A, 'X'), WestB, EastB) ||
        !FindCentresWithin(B->GetYAxis(), 'Y', EdgesOf(A, 'Y'), NorthB, SouthB))
        TError::Throw("Maps do not intersect in TMapTools::Intersection");
    std::unique_ptr<TMap> ResultA = ExtractWindow(A, NorthA, SouthA, WestA, EastA);
    std::unique_ptr<TMap> ResultB = ExtractWindow(B, NorthB, SouthB, WestB, EastB);
    OA = ResultA.release();
    OB = ResultB.release();
}

// The first edges are the western and, in the system orientation, the northern ones.
void TMapTools::Insert(TMap* Destination, const TMap* InsertMap) {
    if (!HasAxes(Destination) || !HasAxes(InsertMap))
        TError::Throw("Map has no axes in TMapTools::Insert");
    const TOverrun X = FindOverrun(EdgesOf(Destination, 'X'), EdgesOf(InsertMap, 'X'));
    const TOverrun Y = FindOverrun(EdgesOf(Destination, 'Y'), EdgesOf(InsertMap, 'Y'));
    if (X.BeyondFirst || Y.BeyondFirst)
        TError::Throw("Insert map's NW corner is outside of the destination map in "
                      "TMapTools::Insert");
    if (X.BeyondLast || Y.BeyondLast)
        TError::Throw("Insert map's SE corner is outside of the destination map in "
                      "TMapTools::Insert");
    // The target of every column and row is found before any cell is written, so a failed
    // lookup leaves the destination as it was.
    std::vector<long> Columns, Rows;
    for (long LngX = 0; LngX < InsertMap->GetXDim(); ++LngX)
        Columns.push_back(
            Destination->GetIndex(InsertMap->GetXAxis()->GetPoint(LngX)->GetX(), 'X'));
    for (long LngY = 0; LngY < InsertMap->GetYDim(); ++LngY)
        Rows.push_back(Destination->GetIndex(InsertMap->GetYAxis()->GetPoint(LngY)->GetY(), 'Y'));
    ForEachCell(InsertMap, [&](long LngX, long LngY) {
        Destination->SetPoint(Columns[LngX], Rows[LngY], InsertMap->GetPointVal(LngX, LngY));
    });
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
    for (long LngX = West; LngX <= East; ++LngX)
        for (long LngY = North; LngY <= South; ++LngY)
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
    ForEachCellByColumn(Map, [&](long LngX, long LngY) {
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
