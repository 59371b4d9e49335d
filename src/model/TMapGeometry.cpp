#include "TMapGeometry.h"

#include "TAxis.h"
#include "TError.h"
#include "TMap.h"

namespace {

/// The interval axes of the map; the messages are the operation's.
void RequireIntervalAxes(const TMap* Map, const char* NotSet, const char* NoAxes) {
    if (!Map)
        TError::Throw(NotSet);
    if (!Map->GetXAxisInterval() || !Map->GetYAxisInterval())
        TError::Throw(NoAxes);
}

/// The ordinates, along the direction, of the first and the last edge of an interval axis.
TAxisTools::TEnds EndsOf(const TAxis* Intervals, char Direction) {
    const TPoint* First = Intervals->GetPoint(0);
    const TPoint* Last = Intervals->GetPoint(Intervals->GetSize() - 1);
    return Direction == 'X' ? TAxisTools::TEnds{First->GetX(), Last->GetX()}
                            : TAxisTools::TEnds{First->GetY(), Last->GetY()};
}

} // namespace

TMapGeometry::TOrientation TMapGeometry::Orientation(const TMap* Map) {
    RequireIntervalAxes(Map, "Map is not set in TMapGeometry::Orientation",
                        "Map has no interval axes in TMapGeometry::Orientation");
    return Orientation(Map->GetXAxisInterval(), Map->GetYAxisInterval());
}

TMapGeometry::TOrientation TMapGeometry::Orientation(const TAxis* XIntervals,
                                                     const TAxis* YIntervals) {
    return Orientation(EndsOf(XIntervals, 'X'), EndsOf(YIntervals, 'Y'));
}

TMapGeometry::TOrientation TMapGeometry::Orientation(TAxisTools::TEnds X, TAxisTools::TEnds Y) {
    // North-up maps (those read from grids) have ascending X and descending Y axes.
    return {X.Last<X.First, Y.Last> Y.First};
}

TMapGeometry::TCorner TMapGeometry::LowerLeftCorner(const TMap* Map) {
    RequireIntervalAxes(Map, "Map is not set in TMapGeometry::LowerLeftCorner",
                        "Map has no interval axes in TMapGeometry::LowerLeftCorner");
    return LowerLeftCorner(Map->GetXAxisInterval(), Map->GetYAxisInterval());
}

TMapGeometry::TCorner TMapGeometry::LowerLeftCorner(const TAxis* XIntervals,
                                                    const TAxis* YIntervals) {
    return LowerLeftCorner(EndsOf(XIntervals, 'X'), EndsOf(YIntervals, 'Y'));
}

TMapGeometry::TCorner TMapGeometry::LowerLeftCorner(TAxisTools::TEnds X, TAxisTools::TEnds Y) {
    // The western and the southern edge.
    const TOrientation Turned = Orientation(X, Y);
    return {Turned.ColumnsEastToWest ? X.Last : X.First,
            Turned.RowsSouthToNorth ? Y.First : Y.Last};
}
