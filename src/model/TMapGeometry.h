#ifndef VELDGRID_TMAPGEOMETRY_H
#define VELDGRID_TMAPGEOMETRY_H

#include "TAxisTools.h"

class TAxis;
class TMap;

/// Where a map lies against the north-up order in which grids are written and shown (rows
/// north to south, columns west to east): which way its interval axes run, and its
/// lower-left corner. Shared by the writers and the GDAL driver, so that every program
/// places a map alike.
class TMapGeometry {
public:
    /// Which way a map's interval axes run against the north-up order.
    struct TOrientation {
        bool ColumnsEastToWest;
        bool RowsSouthToNorth;
    };
    /// A corner of a grid: an X edge and a Y edge.
    struct TCorner {
        double X;
        double Y;
    };

    /// The orientation of the map, which must have interval axes.
    static TOrientation Orientation(const TMap* Map);
    /// The orientation of a map's X and Y interval axes.
    static TOrientation Orientation(const TAxis* XIntervals, const TAxis* YIntervals);
    /// The same from the X of the first and the last X edge and the Y of the first and the
    /// last Y edge (`TAxisTools::IntervalEnds`), for grids not held as maps.
    static TOrientation Orientation(TAxisTools::TEnds X, TAxisTools::TEnds Y);

    /// The lower-left corner (the "xllcorner" and "yllcorner" of a grid): the western and
    /// the southern edge of the map, which must have interval axes.
    static TCorner LowerLeftCorner(const TMap* Map);
    /// The lower-left corner of a map's X and Y interval axes, or of their ends.
    static TCorner LowerLeftCorner(const TAxis* XIntervals, const TAxis* YIntervals);
    static TCorner LowerLeftCorner(TAxisTools::TEnds X, TAxisTools::TEnds Y);
};

#endif
