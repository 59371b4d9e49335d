#ifndef VELDGRID_TREADOPTIONS_H
#define VELDGRID_TREADOPTIONS_H

/// How strictly a VELDAN grid is read (`TVELDANFileTools`, `TVELDANConverter`). By default
/// tokens are read as `atof` reads them ("abc" as 0, "5,5" as 5) and the coordinates are
/// taken as they are.
struct TReadOptions {
    /// Refuses a number token that is not entirely a number (as `strtod` reads one: "nan"
    /// and "inf" are numbers), X coordinates that are not evenly spaced, and Y coordinates
    /// that are not evenly spaced by the same cell size.
    bool Strict = false;
    /// How far, as a fraction of the cell size, a strictly read coordinate may lie from its
    /// place on the even spacing: the spacing runs from the first to the last X
    /// coordinate, and row i lies i cells from the first row.
    double SpacingTolerance = 0.01;
};

#endif
