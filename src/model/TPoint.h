#ifndef VELDGRID_TPOINT_H
#define VELDGRID_TPOINT_H

/// A position in the plane: X runs west to east, Y south to north (degrees east and north
/// for the grids this library reads). Points are held and destroyed through `TPoint*`.
class TPoint {
public:
    TPoint(double X, double Y) : MbrDblX(X), MbrDblY(Y) {}
    virtual ~TPoint() = default;

    double GetX() const { return MbrDblX; }
    double GetY() const { return MbrDblY; }

    /// New point with the same position (and, in derived classes, the same payload);
    /// the caller owns it.
    virtual TPoint* Clone() const;

    /// Euclidean distance to the other point.
    double Distance(const TPoint* Other) const;

protected:
    TPoint(const TPoint&) = default;
    TPoint& operator=(const TPoint&) = default;

    double MbrDblX;
    double MbrDblY;
};

#endif
