#include "TAxis.h"

#include "TError.h"

#include <algorithm>
#include <cmath>

namespace {

/// The component of a point that an axis of the given direction varies in.
double Component(const TPoint* Point, char Axis) {
    return Axis == 'X' ? Point->GetX() : Point->GetY();
}

} // namespace

TAxis::TAxis(double Resolution, long Size) : MbrDblResolution(Resolution) {
    MbrVecPoints.resize(Size > 0 ? static_cast<size_t>(Size) : 0);
}

void TAxis::AddPoint(TPoint* Point) {
    // Owned from the start, so that the point is released when storing it fails.
    std::unique_ptr<TPoint> Owned(Point);
    if (!Owned)
        TError::Throw("Point is not set in TAxis::AddPoint");
    MbrVecPoints.push_back(std::move(Owned));
    ForgetOrder();
}

void TAxis::SetPoint(long Index, TPoint* Point) {
    // The axis takes the point over even when the index is refused.
    std::unique_ptr<TPoint> Owned(Point);
    if (Index < 0 || Index >= GetSize())
        TError::Throw("Index is out of range in TAxis::SetPoint");
    if (!Owned)
        TError::Throw("Point is not set in TAxis::SetPoint");
    MbrVecPoints[Index] = std::move(Owned);
    ForgetOrder();
}

void TAxis::ForgetOrder() {
    MbrOrderX.store(TOrder::Unknown, std::memory_order_relaxed);
    MbrOrderY.store(TOrder::Unknown, std::memory_order_relaxed);
}

bool TAxis::HasEmptySlots() const {
    return std::any_of(MbrVecPoints.begin(), MbrVecPoints.end(),
                       [](const std::unique_ptr<TPoint>& Point) { return !Point; });
}

TPoint* TAxis::GetPoint(long Index) const {
    if (Index < 0 || Index >= GetSize())
        TError::Throw("Index is out of range in TAxis::GetPoint");
    return MbrVecPoints[Index].get();
}

// ---------------------------------------------------------------------------------------

TAxis::TOrder TAxis::Order(char Axis) const {
    std::atomic<TOrder>& Cached = Axis == 'X' ? MbrOrderX : MbrOrderY;
    const TOrder Known = Cached.load(std::memory_order_relaxed);
    if (Known != TOrder::Unknown)
        return Known;
    bool Ascending = true;
    bool Descending = true;
    for (size_t I = 0; I < MbrVecPoints.size(); ++I) {
        if (!MbrVecPoints[I] || std::isnan(Component(MbrVecPoints[I].get(), Axis))) {
            Ascending = Descending = false;
            break;
        }
        if (I == 0)
            continue;
        const double Previous = Component(MbrVecPoints[I - 1].get(), Axis);
        const double Current = Component(MbrVecPoints[I].get(), Axis);
        Ascending = Ascending && Previous <= Current;
        Descending = Descending && Previous >= Current;
    }
    const TOrder Found = Ascending    ? TOrder::Ascending
                         : Descending ? TOrder::Descending
                                      : TOrder::Unordered;
    Cached.store(Found, std::memory_order_relaxed);
    return Found;
}

// First segment i with lo_i <= Ordinate < hi_i, or -1. On a monotone axis at most one
// non-empty segment can hold the ordinate, so a binary search finds the one that a scan in
// index order would.
long TAxis::FindSegment(double Ordinate, char Axis) const {
    const long Size = GetSize();
    const TOrder Direction = Order(Axis);
    if (Direction == TOrder::Ascending || Direction == TOrder::Descending) {
        // The segment ends at the first point beyond the ordinate in the axis's direction.
        const auto Beyond = std::partition_point(
            MbrVecPoints.begin(), MbrVecPoints.end(), [&](const std::unique_ptr<TPoint>& P) {
                const double V = Component(P.get(), Axis);
                return Direction == TOrder::Ascending ? V <= Ordinate : V > Ordinate;
            });
        const long I = static_cast<long>(Beyond - MbrVecPoints.begin()) - 1;
        return I >= 0 && I < Size - 1 ? I : -1;
    }
    for (long I = 0; I + 1 < Size; ++I) {
        if (!MbrVecPoints[I] || !MbrVecPoints[I + 1])
            continue;
        const double A = Component(MbrVecPoints[I].get(), Axis);
        const double B = Component(MbrVecPoints[I + 1].get(), Axis);
        if (std::min(A, B) <= Ordinate && Ordinate < std::max(A, B))
            return I;
    }
    return -1;
}

// The first non-empty segment whose upper end is the ordinate, or -1.
long TAxis::FindSegmentEndingAt(double Ordinate, char Axis) const {
    for (long I = 0; I + 1 < GetSize(); ++I) {
        if (!MbrVecPoints[I] || !MbrVecPoints[I + 1])
            continue;
        const double A = Component(MbrVecPoints[I].get(), Axis);
        const double B = Component(MbrVecPoints[I + 1].get(), Axis);
        if (std::min(A, B) < Ordinate && Ordinate == std::max(A, B))
            return I;
    }
    return -1;
}

long TAxis::GetIndex(double Ordinate, char Axis) const {
    const char* const OutOfRange = "Ordinate is out of range in TAxis::GetIndex";
    const long Size = GetSize();
    if (Size < 2 || !MbrVecPoints.front() || !MbrVecPoints.back())
        TError::Throw(OutOfRange);
    const double First = Component(MbrVecPoints.front().get(), Axis);
    const double Last = Component(MbrVecPoints.back().get(), Axis);
    const double Lo = std::min(First, Last);
    const double Hi = std::max(First, Last);
    if (std::isnan(Ordinate) || Ordinate < Lo || Ordinate > Hi)
        TError::Throw(OutOfRange);
    long Index = FindSegment(Ordinate, Axis);
    if (Index < 0 && Ordinate == Hi)
        Index = FindSegmentEndingAt(Ordinate, Axis);
    if (Index < 0)
        TError::Throw(OutOfRange);
    return Index;
}

// ---------------------------------------------------------------------------------------

TAxis* TAxis::GetSegment(long Start, long End) const {
    if (Start < 0 || Start >= GetSize())
        TError::Throw("Start index is out of range in TAxis::GetSegment");
    if (End < 0 || End >= GetSize())
        TError::Throw("End index is out of range in TAxis::GetSegment");
    if (Start > End)
        TError::Throw("Start index is greater than end index in TAxis::GetSegment");
    std::unique_ptr<TAxis> Segment(new TAxis(MbrDblResolution));
    Segment->MbrVecPoints.reserve(End - Start + 1);
    for (long I = Start; I <= End; ++I)
        Segment->MbrVecPoints.emplace_back(MbrVecPoints[I] ? MbrVecPoints[I]->Clone() : nullptr);
    return Segment.release();
}

TAxis* TAxis::GetSegment(const TPoint* Start, const TPoint* End, char Axis) const {
    const long StartIndex = GetIndex(Component(Start, Axis), Axis);
    const long EndIndex = GetIndex(Component(End, Axis), Axis);
    return GetSegment(StartIndex, EndIndex);
}

TAxis* TAxis::Clone() const {
    std::unique_ptr<TAxis> Copy(new TAxis(MbrDblResolution));
    Copy->MbrVecPoints.reserve(MbrVecPoints.size());
    for (const auto& Point : MbrVecPoints)
        Copy->MbrVecPoints.emplace_back(Point ? Point->Clone() : nullptr);
    return Copy.release();
}
