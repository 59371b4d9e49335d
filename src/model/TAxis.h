#ifndef VELDGRID_TAXIS_H
#define VELDGRID_TAXIS_H

#include "TPoint.h"

#include <atomic>
#include <memory>
#include <vector>

/// An ordered list of points along one direction of a grid, with the grid's cell size.
///
/// A point axis holds cell centres, an interval axis cell edges (one point more). The axis
/// does not know its direction: operations that need it take `'X'` for X and any other
/// character for Y. The axis owns its points.
class TAxis {
public:
    /// Empty axis.
    explicit TAxis(double Resolution) : MbrDblResolution(Resolution) {}
    /// Axis of `Size` empty slots, to be filled with `SetPoint` before any other use.
    TAxis(double Resolution, long Size);

    TAxis(const TAxis&) = delete;
    TAxis& operator=(const TAxis&) = delete;

    /// Appends the point; the axis takes ownership. A null point is refused.
    void AddPoint(TPoint* Point);
    long GetSize() const { return static_cast<long>(MbrVecPoints.size()); }
    double GetResolution() const { return MbrDblResolution; }

    /// Index i of the segment [point i, point i+1) that holds the ordinate. Segments are
    /// closed at their numerically lower end; the upper end of the whole axis belongs to the
    /// segment that touches it.
    long GetIndex(double Ordinate, char Axis) const;

    /// Replaces the point at `Index` (releasing the old one); the axis takes ownership, also
    /// of a point it refuses for an index out of range (that point is destroyed). A null
    /// point is refused.
    void SetPoint(long Index, TPoint* Point);
    /// The stored point itself; the axis keeps ownership.
    TPoint* GetPoint(long Index) const;

    /// New axis (caller owns) holding clones of points `Start` to `End` inclusive.
    TAxis* GetSegment(long Start, long End) const;
    /// New axis (caller owns) between the segments that hold the two points.
    TAxis* GetSegment(const TPoint* Start, const TPoint* End, char Axis) const;

    /// New axis (caller owns) with a clone of every point.
    TAxis* Clone() const;

    /// Whether a slot made by `TAxis(Resolution, Size)` is still without its point.
    bool HasEmptySlots() const;

private:
    /// Direction of the stored ordinates: not yet known, ascending or descending (both
    /// allowing equal neighbours), or neither (or holding a NaN).
    enum class TOrder { Unknown, Ascending, Descending, Unordered };

    TOrder Order(char Axis) const;
    void ForgetOrder();
    long FindSegment(double Ordinate, char Axis) const;
    long FindSegmentEndingAt(double Ordinate, char Axis) const;

    double MbrDblResolution;
    std::vector<std::unique_ptr<TPoint>> MbrVecPoints;
    // Points never move once stored, so the order of each component is worked out once
    // and forgotten whenever a slot changes. Atomic, so that lookups from several threads
    // on an axis nobody changes stay safe.
    mutable std::atomic<TOrder> MbrOrderX{TOrder::Unknown};
    mutable std::atomic<TOrder> MbrOrderY{TOrder::Unknown};
};

#endif
