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

} // namespace

TMapGeometry::TOrientation TMapGeometry::Orientation(const TMap* Map) {
    RequireIntervalAxes(Map, "Map is not set in TMapGeometry::Orientation",
                        "Map has no interval axes in TMapGeometry::Orientation");
    return Orientation(Map->GetXAxisInterval(), Map->GetYAxisInterval());
}

TMapGeometry::TOrientation TMapGeometry::Orientation(const TAxis* XIntervals,
                                                     const TAxis* YIntervals) {
    // North-up maps (those read from grids) have ascending X and descending Y axes.
    const long XDim = XIntervals->GetSize() - 1;
    const long YDim = YIntervals->GetSize() - 1;
    return {XIntervals->GetPoint(XDim)->GetX() < XIntervals->GetPoint(0)->GetX(),
            YIntervals->GetPoint(YDim)->GetY() > YIntervals->GetPoint(0)->GetY()};
}

TMapGeometry::TCorner TMapGeometry::LowerLeftCorner(const TMap* Map) {
    RequireIntervalAxes(Map, "Map is not set in TMapGeometry::LowerLeftCorner",
                        "Map has no interval axes in TMapGeometry::LowerLeftCorner");
    return LowerLeftCorner(Map->GetXAxisInterval(), Map->GetYAxisInterval());
}

TMapGeometry::TCorner TMapGeometry::LowerLeftCorner(const TAxis* XIntervals,
                                                    const TAxis* YIntervals) {
    const TOrientation Turned = Orientation(XIntervals, YIntervals);
    const long XDim = XIntervals->GetSize() - 1;
    const long YDim = YIntervals->GetSize() - 1;
    return {XIntervals->GetPoint(Turned.ColumnsEastToWest ? XDim : 0)->GetX(),
            YIntervals->GetPoint(Turned.RowsSouthToNorth ? 0 : YDim)->GetY()};
}
