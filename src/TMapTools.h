#ifndef VELDGRID_TMAPTOOLS_H
#define VELDGRID_TMAPTOOLS_H

#include "TMap.h"

#include <map>
#include <memory>
#include <ostream>
#include <vector>

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

    /// For each key of the point set, the value of the map's cell that holds the point (the
    /// point's own value is ignored). The points stay the caller's.
    static std::map<double, double> FetchMapValues(TMap* Map,
                                                   std::map<double, TMapPoint*> PointSet);
    /// Entry i is `FetchMapValues` of map i with point set i; surplus point sets are ignored.
    static std::vector<std::map<double, double>>
    FetchMapValues(std::vector<TMap*> Maps, std::vector<std::map<double, TMapPoint*>> PointSets);

    /// For each distinct cell value not excluded, a new point (caller owns) at the centre of
    /// the first cell holding it, columns outer. No-data and NaN cells are left out.
    static std::map<double, TMapPoint*> GetFirstValues(TMap* Map, std::vector<double> Excluded);
    /// `GetFirstValues` of each map in order; the caller owns every point returned.
    static std::vector<std::map<double, TMapPoint*>> GetFirstValues(std::vector<TMap*> Maps,
                                                                    std::vector<double> Excluded);

    /// The value map's cells grouped by the class map's value at the same cell, in visiting
    /// order (columns outer); excluded and NaN class values are left out.
    static std::map<double, std::vector<double>> GetValuesOverlay(TMap* ValueMap, TMap* ClassMap,
                                                                  std::vector<double> Excluded);

    /// The value at (LngX, LngY) of maps Start to End inclusive, in list order; Start < End.
    static std::vector<double> GetValuesVector(std::vector<TMap*> Maps, long LngX, long LngY,
                                               int Start, int End);

    // ---- Windows and placement -----------------------------------------------------

    // ---- Value gradients over map series -------------------------------------------

    /// New list of new maps (the caller owns each) on the first map's grid: map k holds, per
    /// cell, the least-squares slope of the values of maps k to k + WindowSize against the
    /// map number (NaN with fewer than two usable values), or -9999.0 where map k holds 0.
    static std::vector<TMap*> ValueGradients(std::vector<TMap*> Maps, int WindowSize);
    /// The first non-zero value (lowest row) of the highest column of the cell's clipped
    /// 3 x 3 block that has one; 0.0 when the whole block is zero.
    static double FindNonzeroNeighbourVal(TMap* Map, long LngX, long LngY);

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

    // ---- Helpers of the value gradients ----------------------------------------------------

    /// Least-squares slope at one cell over a window of maps whose map numbers are
    /// `Numbers`: zeros except in the last map are filled from the neighbourhood, no-data
    /// values are left out.
    static double WindowGradient(const std::vector<TMap*>& Window,
                                 const std::vector<double>& Numbers, long LngX, long LngY);
};

#endif
