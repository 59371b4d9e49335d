#ifndef VELDGRID_TMAPTOOLS_H
#define VELDGRID_TMAPTOOLS_H

#include "TMap.h"

#include <memory>
#include <ostream>

/// Stateless operations on maps. Operations that build maps return new ones that the
/// caller owns; the maps passed in stay the caller's and are only read, except by `Insert`
/// and `FillBlock`, which write into the map they are given.
class TMapTools {
public:
    // ---- Flat and CSV output --------------------------------------------------------------

    /// Writes one line per row, row 0 first, each value followed by the separator. Numbers
    /// follow the stream's own precision and flags.
    static void WriteFlatFile(TMap* Map, std::ostream& Out, char Separator);
    /// Writes one line "X,Y,value" per cell, column by column, from the point axes.
    static void WriteCSVFile(TMap* Map, std::ostream& Out);

    // ---- Cell-wise arithmetic and aggregation --------------------------------------

    // ---- Resampling ----------------------------------------------------------------
    //
    // Maps built here are new, owned by the caller, with empty metadata and the no-data
    // value -9999.0; the source map is only read. Every axis built here runs in the
    // direction of the source's axis of that direction (an interval axis ascends when its
    // last edge is greater than its first), except that the edges of a single cell ascend.

    /// Bilinear value at (x, y) from the values Q11 at (x1, y1), Q21 at (x2, y1), Q12 at
    /// (x1, y2) and Q22 at (x2, y2); extrapolates outside the rectangle. Either order of
    /// x1, x2 and of y1, y2 works; x1 == x2 or y1 == y2 gives IEEE infinities or NaN.
    static double BilinearInterpolate(double Q11, double Q21, double Q12, double Q22, double x,
                                      double x1, double x2, double y, double y1, double y2);

    /// Stores in `Target` the bilinear value at its position from the corners Q11 at (x1, y1),
    /// Q21 at (x2, y1), Q12 at (x1, y2) and Q22 at (x2, y2): x1 and y1 come from Q11, x2 from
    /// Q21 and y2 from Q12; Q22's position is not read. The points stay the caller's.
    static void BilinearInterpolate(const TMapPoint* Q11, const TMapPoint* Q21,
                                    const TMapPoint* Q12, const TMapPoint* Q22, TMapPoint* Target);

    /// New map (caller owns) over the source's extent at the new resolution whose sampled cells
    /// hold the bilinear interpolation of the source's cell centres; cells left unsampled (a
    /// border of about one source cell) and cells whose four source corners include a no-data
    /// cell hold -9999.0.
    static TMap* BilinearInterpolate(const TMap* Map, double NewResolution);

    /// New map (caller owns) of the new resolution starting at the source's first edges, with
    /// as many whole cells as fit in the source's extent; every cell holds -9999.0.
    static TMap* Downscale(const TMap* Map, double NewResolution);

    /// New map (caller owns) at the source resolution divided by `Factor`, each source cell
    /// repeated over a block of `Factor` x `Factor` cells covering it.
    static TMap* Subdivide(const TMap* Map, int Factor);

    // ---- Thresholds, masks, replacement and counts ---------------------------------

    // ---- Sampling at points and by value -------------------------------------------

    // ---- Windows and placement -----------------------------------------------------

    // ---- Value gradients over map series -------------------------------------------

private:
    friend class TARCGISFileTools;

    /// `WriteFlatFile` that can also write the rows or the columns in reverse order.
    static void WriteFlatFile(const TMap* Map, std::ostream& Out, char Separator, bool ReverseRows,
                              bool ReverseColumns);

    // ---- Helpers shared by the grid operations ---------------------------------------------

    /// Whether the value is a no-data cell of the map: exactly its no-data value.
    static bool IsNoData(const TMap* Map, double Value) { return Value == Map->GetNoDataValue(); }

    /// Calls Visit(LngX, LngY) for every cell, rows in the outer loop.
    template <typename TVisit> static void ForEachCell(const TMap* Map, TVisit&& Visit) {
        const long XDim = Map->GetXDim();
        const long YDim = Map->GetYDim();
        for (long LngY = 0; LngY < YDim; ++LngY)
            for (long LngX = 0; LngX < XDim; ++LngX)
                Visit(LngX, LngY);
    }

    /// Calls Visit(LngX, LngY) for every cell, columns in the outer loop, for operations
    /// whose result depends on the order in which the cells are met.
    template <typename TVisit> static void ForEachCellByColumn(const TMap* Map, TVisit&& Visit) {
        const long XDim = Map->GetXDim();
        const long YDim = Map->GetYDim();
        for (long LngX = 0; LngX < XDim; ++LngX)
            for (long LngY = 0; LngY < YDim; ++LngY)
                Visit(LngX, LngY);
    }

    /// New map on copies of the input's point axes: same grid, every cell and the no-data
    /// value -9999.0, empty metadata.
    static std::unique_ptr<TMap> MakeResultOnAxes(const TMap* Input);

    /// New map of the base map's resolution and size on copies of its point axes, with the
    /// base map's no-data value in every cell and as its no-data value.
    static std::unique_ptr<TMap> MakeResultSizedOn(const TMap* Base);
};

#endif
