#ifndef VELDGRID_TAXISTOOLS_H
#define VELDGRID_TAXISTOOLS_H

class TAxis;
class TPoint;

/// Conversions between point axes (cell centres) and interval axes (cell edges).
class TAxisTools {
public:
    /// New interval axis (caller owns) of one point more than the point axis: edges half a
    /// resolution either side of the centres, stepping by the resolution from the first
    /// point in the direction the axis runs. `Direction` is `'X'` for an X axis and any other
    /// character for a Y axis, as everywhere in the library, with one exception: the edges
    /// of a descending Y axis descend only with `'Y'`; with any other character they ascend
    /// from the first centre's upper edge.
    static TAxis* PointsToIntervals(const TAxis* Axis, char Direction);
    /// The ordinates, along the direction, of the first and the last point of the interval
    /// axis that `PointsToIntervals` makes from a point axis of `Size` points running from
    /// `First` to `Last`, found without making it (by the same running sums, bit for bit):
    /// what a grid's corner and orientation need, for grids of millions of rows.
    struct TEnds {
        double First;
        double Last;
    };
    static TEnds IntervalEnds(const TPoint& First, const TPoint& Last, long Size, double Resolution,
                              char Direction);

    /// New point axis (caller owns) of one point less: the midpoint of every segment.
    static TAxis* IntervalsToPoints(const TAxis* Axis, char Direction);
};

#endif
