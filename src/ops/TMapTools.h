#ifndef VELDGRID_TMAPTOOLS_H
#define VELDGRID_TMAPTOOLS_H

#include "TMap.h"

#include <map>
#include <ostream>
#include <string>
#include <vector>

/// Stateless operations on maps. Operations that build maps return new ones that the
/// caller owns; the maps passed in stay the caller's and are only read, except by `Insert`
/// and `FillBlock`, which write into the map they are given. Lists of maps are taken as
/// `std::vector<TMap*>`, the type callers hold (a vector of `TMap*` does not convert to one
/// of `const TMap*`); they are only read too. Each section below has its own source file,
/// TMapTools<Section>.cpp.
class TMapTools {
public:
    // ---- Flat and CSV output --------------------------------------------------------------

    /// Writes one line per row, row 0 first, each value followed by the separator. Numbers
    /// follow the stream's own precision and flags.
    static void WriteFlatFile(const TMap* Map, std::ostream& Out, char Separator);
    /// Writes one line "X,Y,value" per cell, column by column, from the point axes.
    static void WriteCSVFile(const TMap* Map, std::ostream& Out);

    // ---- Cell-wise arithmetic ------------------------------------------------------
    // These and the operations over a series each return a new map (or a list of new maps)
    // that the caller owns. Where an input cell is no-data, the result cell (other than
    // a count) is no-data too, marked with the result's own no-data value. `Add`, `Multiply`
    // and `Divide` of two maps pair the cells by position (so the maps may differ in
    // resolution).
    //
    // The operations on maps of one size (`Subtract`, `Sum`, `DataCounts`, `Average`,
    // `DataAverage`, `MovingAverage`, `Trend`, `Mask`, `GetValuesOverlay`, `GetValuesVector`,
    // `ValueGradients`, and `TSeriesStatistics`) pair each cell of the first map with the
    // cell at the same place in the others: a map whose point axes hold the first map's cell
    // centres (each within a millionth of the first map's resolution, the resolutions too),
    // in whatever order, is read through that order, so maps that list their rows south to
    // north or their columns east to west line up with north-up ones. A map whose axes hold
    // other centres (another extent or resolution) or that has no axes is paired by column
    // and row number.

    /// New map (caller owns) on the finer grid: the sum of the two maps cell by cell.
    static TMap* Add(const TMap* First, const TMap* Second);
    /// New map (caller owns) on the minuend's grid: minuend minus subtrahend cell by cell.
    static TMap* Subtract(const TMap* Minuend, const TMap* Subtrahend);
    /// New map (caller owns) on the map's grid: every data cell times the factor.
    static TMap* Multiply(const TMap* Map, double Factor);
    /// New map (caller owns) on the finer grid: the product of the two maps cell by cell.
    static TMap* Multiply(const TMap* First, const TMap* Second);
    /// New map (caller owns) on the map's grid: every data cell divided by the divisor.
    static TMap* Divide(const TMap* Map, double Divisor);
    /// New map (caller owns) on the dividend's grid; the divisor must be as coarse or coarser.
    static TMap* Divide(const TMap* Dividend, const TMap* Divisor);
    /// New map (caller owns): every data cell rounded to a whole number, halves away from 0.
    static TMap* RoundContents(const TMap* Map);

    // ---- Operations over a series of maps ------------------------------------------

    /// New map (caller owns) on the first map's grid: the sum of two or more maps.
    static TMap* Sum(std::vector<TMap*> Maps);
    /// New map (caller owns) on the first map's grid: in how many maps each cell holds data.
    static TMap* DataCounts(std::vector<TMap*> Maps);
    /// New map (caller owns) on the first map's grid: the mean of two or more maps, no-data
    /// wherever one of them has no data.
    static TMap* Average(std::vector<TMap*> Maps);
    /// New map (caller owns) on the first map's grid: in each cell the mean of those of two or
    /// more maps that have data there, no-data (-9999.0) where none has.
    static TMap* DataAverage(std::vector<TMap*> Maps);
    /// New maps (caller owns each): the `Average` of every run of `Window` consecutive maps.
    static std::vector<TMap*> MovingAverage(std::vector<TMap*> Maps, int Window);
    /// New map (caller owns) on the first map's grid: in each cell the least-squares slope of
    /// the cell's values against the map's position k in the list (0, 1, ..., n - 1), in value
    /// units per map, over the maps whose cell holds data (not that map's no-data value, and
    /// finite); -9999.0 where fewer than `MinCount` maps do. Zeros are values like any other.
    /// Needs two maps or more and `MinCount` >= 2. `TSeriesStatistics::Trend` gives the same
    /// bits from maps fed one at a time.
    static TMap* Trend(std::vector<TMap*> Maps, long MinCount);

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

    /// New map (caller owns) whose cell is the mean of the data cells (those that are not the
    /// map's no-data value) of one `Factor` x `Factor` block of the map's cells, blocks counted
    /// from the map's first column and row; -9999.0 where a block holds no data. A NaN cell
    /// is a value: it makes its block's mean NaN. The result starts at the map's first edges,
    /// has `Factor` times its resolution, axes running in its directions and ceil(dimension /
    /// `Factor`) cells each way: a last partial block averages the cells it holds (its cell
    /// reaches beyond the map's extent). Needs `Factor` >= 1.
    static TMap* BlockMean(const TMap* Map, int Factor);

    /// New map (caller owns) of the new resolution over the map's first edges, with
    /// floor(extent / `NewResolution` + 1e-9) cells each way and axes running in the map's
    /// directions. Each cell holds the bilinear interpolation at its centre of the four
    /// source cell centres around it; a centre in the outer half of an edge cell (beyond the
    /// outermost source centres) takes the outermost centre's ordinate, so no cell along the
    /// edges is lost. Corners of zero weight and corners holding the map's no-data value are
    /// left out and the weights of the others scaled to sum to 1; the cell is -9999.0 only
    /// where every corner with weight holds no data. A NaN corner with weight gives NaN.
    /// Needs `NewResolution` > 0 and not above the map's extent.
    static TMap* ResampleBilinear(const TMap* Map, double NewResolution);

    // ---- Thresholds, masks, replacement and counts ---------------------------------
    // The maps built here lie on the grid of the (first) input with the no-data value
    // -9999.0; the input's no-data value is compared and replaced like any other value,
    // except where an operation's own rule (`Indicator`, `ReplaceNonFinite`) says otherwise.

    /// New map (caller owns): the cells at or above the threshold, 0.0 elsewhere.
    static TMap* Threshold(const TMap* Map, double ThresholdValue);
    /// New maps (caller owns each): the one-map `Threshold` of every map, in order.
    static std::vector<TMap*> Threshold(std::vector<TMap*> Maps, double ThresholdValue);
    /// New map (caller owns): the replacement in the cells at or above the threshold.
    static TMap* ThresholdReplace(const TMap* Map, double ThresholdValue, double Replacement);
    /// New map (caller owns) on the template's grid holding the value map's cells, with the
    /// masked value replaced.
    static TMap* Mask(const TMap* Template, const TMap* Values, double MaskedValue,
                      double Replacement);
    /// New map (caller owns): each cell's value looked up in the table, `Other` for values
    /// (and NaNs) that are not keys of it.
    static TMap* ReplaceValue(const TMap* Map, std::map<double, double> Table, double Other);
    /// How many cells hold each distinct value, in ascending order of value; NaN cells are
    /// left out.
    static std::map<double, long> CountValues(const TMap* Map);
    /// How many cells hold exactly the value.
    static long CountValues(const TMap* Map, double Value);
    /// New map (caller owns): 1.0 where `v Comparison Value` holds, 0.0 where it does not,
    /// -9999.0 where v is the map's no-data value or NaN. `Comparison` is one of "<", "<=",
    /// ">", ">=", "==", "!=". Infinities compare as the numbers they are.
    static TMap* Indicator(const TMap* Map, const std::string& Comparison, double Value);
    /// New map (caller owns) on the map's grid with its no-data value: NaN and infinite
    /// cells become `Value`, every other cell (no-data ones too) is copied. `Value` = the
    /// map's no-data value turns them into no-data (the NaN cells of `ValueGradients`, say).
    static TMap* ReplaceNonFinite(const TMap* Map, double Value);

    // ---- Sampling at points and by value -------------------------------------------

    /// For each key of the point set, the value of the map's cell that holds the point (the
    /// point's own value is ignored). The points stay the caller's.
    static std::map<double, double> FetchMapValues(const TMap* Map,
                                                   std::map<double, TMapPoint*> PointSet);
    /// Entry i is `FetchMapValues` of map i with point set i; surplus point sets are ignored.
    static std::vector<std::map<double, double>>
    FetchMapValues(std::vector<TMap*> Maps, std::vector<std::map<double, TMapPoint*>> PointSets);

    /// For each distinct cell value not excluded, a new point (caller owns) at the centre of
    /// the first cell holding it, columns outer. No-data and NaN cells are left out.
    static std::map<double, TMapPoint*> GetFirstValues(const TMap* Map,
                                                       std::vector<double> Excluded);
    /// `GetFirstValues` of each map in order; the caller owns every point returned.
    static std::vector<std::map<double, TMapPoint*>> GetFirstValues(std::vector<TMap*> Maps,
                                                                    std::vector<double> Excluded);

    /// The value map's cells grouped by the class map's value at the same cell, in visiting
    /// order (columns outer); excluded and NaN class values are left out.
    static std::map<double, std::vector<double>>
    GetValuesOverlay(const TMap* ValueMap, const TMap* ClassMap, std::vector<double> Excluded);

    /// The value at the place of map Start's cell (LngX, LngY) of maps Start to End
    /// inclusive, in list order; Start < End. Maps outside the run are not read. A map
    /// listed in another order than map Start has its axes matched on every call.
    static std::vector<double> GetValuesVector(std::vector<TMap*> Maps, long LngX, long LngY,
                                               int Start, int End);

    /// The value (no-data and NaN as they are) of the cell holding the point (X, Y), cells
    /// taken half-open as GDAL and rasterio index points: a point on the edge between two
    /// cells belongs to the cell east of it and to the cell south of it, whatever order the
    /// map lists its rows and columns in. A point on or beyond the map's eastern or southern
    /// boundary, or beyond its western or northern one, is refused.
    static double ValueAt(const TMap* Map, double X, double Y);

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
    /// when one of them would hold no cell: extents that are apart or only touch, or a map so
    /// coarse that none of its cell centres lies within the other's extent.
    static void Intersection(const TMap* A, const TMap* B, TMap*& OA, TMap*& OB);

    /// Copies every cell of `InsertMap`, no-data cells included, into the cell of
    /// `Destination` that holds its centre; the last copied wins where several centres
    /// share a cell. An insert map reaching beyond the destination is refused before any
    /// cell is copied, whatever the direction of either map's axes.
    static void Insert(TMap* Destination, const TMap* InsertMap);

    /// New map (caller owns) holding the map's cells, its no-data value and its metadata,
    /// with rows north to south and columns west to east, on the same cell centres; the axes
    /// of a reordered direction are built from its centres. A map already in that order is
    /// copied as it is.
    static TMap* NorthUp(const TMap* Map);

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

    /// New list of new maps (the caller owns each) on the first map's grid: map k holds, per
    /// cell, the least-squares slope of the values of maps k to k + WindowSize against the
    /// map number (NaN with fewer than two usable values), or -9999.0 where map k holds 0.
    static std::vector<TMap*> ValueGradients(std::vector<TMap*> Maps, int WindowSize);
    /// The first non-zero value (lowest row) of the highest column of the cell's clipped
    /// 3 x 3 block that has one; 0.0 when the whole block is zero.
    static double FindNonzeroNeighbourVal(const TMap* Map, long LngX, long LngY);
};

#endif
