#ifndef VELDGRID_TMAPPOINT_H
#define VELDGRID_TMAPPOINT_H

#include "TPoint.h"

/// A position that carries the value of a map cell.
class TMapPoint : public TPoint {
public:
    TMapPoint(double X, double Y, double Value = 0.0) : TPoint(X, Y), MbrDblValue(Value) {}

    double GetValue() const { return MbrDblValue; }
    void SetValue(double Value) { MbrDblValue = Value; }

    /// New `TMapPoint` with the same position and value; the caller owns it.
    TMapPoint* Clone() const override;

protected:
    TMapPoint(const TMapPoint&) = default;

    double MbrDblValue;
};

#endif
