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
