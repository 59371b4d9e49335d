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

    // ---- Thresholds, masks, replacement and counts ---------------------------------

    // ---- Sampling at points and by value -------------------------------------------

    // ---- Windows and placement -----------------------------------------------------
    // A cell window is given by its north row, south row, west column and east column, in
    // this order, each inclusive. Rows and columns are indexes: row 0 is the first row of
    // the map (the northernmost in the system orientation).

    /// New map (caller owns) of the cells from the one holding `P1` to the one holding `P2`,
    /// both included, given in any order; built on segments of the map's point axes, so
    /// its no-data value is -9999.0 and its metadata empty.
    static TMap* Extract(const TMap* Map, const TPoint* P1, const TPoint* P2);

    /// Sets `OA` to a new map of the cells of `A` whose centres lie within the extent of `B`,
    /// and `OB` to a new map of the cells of `B` whose centres lie within the extent of `A`;
    /// the caller owns both, whichever way the axes of either map run. Throws (setting neither)
    /// when one of them would hold no cell: extents that are apart or only touch.
    static void Intersection(const TMap* A, const TMap* B, TMap*& OA, TMap*& OB);

    /// Copies every cell of `InsertMap`, no-data cells included, into the cell of
    /// `Destination` that holds its centre; the last copied wins where several centres
    /// share a cell. An insert map reaching beyond the destination is refused before any
    /// cell is copied, whatever the direction of either map's axes.
    static void Insert(TMap* Destination, const TMap* InsertMap);

    /// Sets every cell of the window to `Value`; a window not wholly on the grid is
    /// refused before any cell is written.
    static void FillBlock(TMap* Map, double Value, long North, long South, long West, long East);

    /// Widens the window by `Margin` cells on every side, clamped to the grid.
    static void BufferIndices(const TMap* Map, long Margin, long& North, long& South, long& West,
                              long& East);

    /// Sets the window to the smallest one that holds every cell exactly equal to `Value`;
    /// to 0, 0, 0, 0 when no cell is.
    static void FindPatchExtent(const TMap* Map, double Value, long& North, long& South, long& West,
                                long& East);

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

    /// New map on segments of the map's point axes holding the cells of the window (north
    /// row, south row, west column, east column, inclusive), read column by column.
    static std::unique_ptr<TMap> ExtractWindow(const TMap* Map, long North, long South, long West,
                                               long East);
};

#endif
