#ifndef VELDGRID_TPOINTTOOLS_H
#define VELDGRID_TPOINTTOOLS_H

#include "TPoint.h"

#include <vector>

/// Stateless geometry on 2-D points. The points passed in stay the caller's and are only
/// read; every point returned is new and owned by the caller.
class TPointTools {
public:
    /// New point (caller owns) at the mean of the points; NaN ordinates for an empty list.
    static TPoint* FindCentroid(std::vector<TPoint*> Points);

    /// Pseudo-angle in [0, 360) of the vector from `P2` to `P1`: 0 along +X, 90 along +Y,
    /// 180 along -X, 270 along -Y, growing with the true counter-clockwise angle. Two equal
    /// points give 0.
    static double Theta(const TPoint* P1, const TPoint* P2);

    /// Area of the triangle spanned by the three points, from its side lengths; 0.0 for
    /// three points on one line.
    static double Heron(const TPoint* P, const TPoint* Q, const TPoint* R);

    /// New point (caller owns) of the greater X and the greater Y of the two; on a tie (or
    /// a NaN) the first point's ordinate.
    static TPoint* Max(const TPoint* P1, const TPoint* P2);
    /// New point (caller owns) of the smaller X and the smaller Y of the two; on a tie (or
    /// a NaN) the first point's ordinate.
    static TPoint* Min(const TPoint* P1, const TPoint* P2);

    /// Area of the convex polygon whose vertices are listed in order around it, closed
    /// (last vertex repeating the first) or open; 0.0 for an empty list.
    static double FindConvexPolygonArea(std::vector<TPoint*> Points);

    /// Corners of the convex hull of the points, each once, counter-clockwise, as new
    /// clones (a `TMapPoint` stays a `TMapPoint`) that the caller owns. Points inside the
    /// hull or on an edge between two corners and repeated points are left out; fewer than
    /// three distinct points give one clone of each.
    static std::vector<TPoint*> FindConvexHull(std::vector<TPoint*> Points);
};

#endif
