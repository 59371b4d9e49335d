#ifndef VELDGRID_TMAP_H
#define VELDGRID_TMAP_H

#include "TAxis.h"
#include "TError.h"
#include "TMapPoint.h"
#include "TPoint.h"

#include <memory>
#include <string>
#include <vector>

/// A grid of `MbrLngXDim` columns by `MbrLngYDim` rows of doubles, placed in the plane by
/// four axes, with a no-data value and a free-text metadata string.
///
/// Orientation: rows and columns are kept in the order their source lists them, and the
/// axes say where each lies. In the system orientation, which maps read from ARC/INFO grids
/// always have, row 0 is the northernmost row and column 0 the westernmost column; the Y
/// axes descend from north to south and the X axes ascend from west to east, Y interval
/// point 0 is the northern edge and point `MbrLngYDim` the southern edge (the "yllcorner").
/// A map read from a VELDAN grid keeps the file's order: its row 0 is the file's first row,
/// the southernmost one in a file that lists its rows south to north (its Y axes then
/// ascend). `TMapTools::NorthUp` gives any map in the system orientation; the operations
/// over several maps pair their cells by place (see `TMapTools`).
/// The two axes of a direction are always replaced together. A map owns its rows and axes
/// and is never copied.
class TMap {
public:
    /// The no-data value of a new map, and the one written into ARC/INFO grids that the
    /// command converts.
    static constexpr double DefaultNoData = -9999.0;

    /// Empty map: no rows, no axes, no-data value `DefaultNoData`.
    explicit TMap(double Resolution);
    /// Map of the given size with every cell `DefaultNoData` and no axes.
    TMap(double Resolution, long LngXDim, long LngYDim);
    /// Map on copies of the two point axes (which stay the caller's); every cell
    /// `DefaultNoData`.
    TMap(const TAxis* XAxis, const TAxis* YAxis);
    ~TMap();

    TMap(const TMap&) = delete;
    TMap& operator=(const TMap&) = delete;

    void Init(double Resolution, long LngXDim, long LngYDim, double Value);
    /// Sets every cell to `Value`; the no-data value is unchanged.
    void InitValues(double Value);
    /// Appends a row below the last one; the first row fixes the number of columns.
    void AddRow(std::vector<double> Row);

    double GetResolution() const { return MbrDblResolution; }
    long GetXDim() const { return MbrLngXDim; }
    long GetYDim() const { return MbrLngYDim; }
    TAxis* GetXAxis() const { return MbrPtrXAxis.get(); }
    TAxis* GetYAxis() const { return MbrPtrYAxis.get(); }
    TAxis* GetXAxisInterval() const { return MbrPtrXAxisInterval.get(); }
    TAxis* GetYAxisInterval() const { return MbrPtrYAxisInterval.get(); }
    const std::string& GetMetadata() const { return MbrStgMetadata; }
    void SetMetadata(std::string Metadata) { MbrStgMetadata = std::move(Metadata); }
    double GetNoDataValue() const { return MbrDblNoData; }
    void SetNoDataValue(double NoData) { MbrDblNoData = NoData; }

    /// Value of column `LngX` in row `LngY`, checked against the dimensions.
    double GetPointVal(long LngX, long LngY) const {
        if (LngX < 0 || LngX >= MbrLngXDim)
            TError::Throw("X-ordinate is out of range in TMap::GetPointVal");
        if (LngY < 0 || LngY >= MbrLngYDim)
            TError::Throw("Y-ordinate is out of range in TMap::GetPointVal");
        return MbrVecValues[LngY][LngX];
    }
    /// Stores the value without a check: the caller keeps the indexes inside the grid.
    void SetPoint(long LngX, long LngY, double Value) { MbrVecValues[LngY][LngX] = Value; }

    /// Copy of row `Index`.
    std::vector<double> GetRow(long Index) const;
    /// Direct read access to row `Index` (no check), for writers that stream whole rows.
    const std::vector<double>& RowValues(long Index) const { return MbrVecValues[Index]; }

    /// New point (caller owns) at the centre of the cell.
    TPoint* GetCoordinates(long LngX, long LngY) const;
    /// New point (caller owns) at the centre of the cell, carrying its value.
    TMapPoint* GetPoint(long LngX, long LngY) const;

    /// Column (`'X'`) or row (any other character) whose interval holds the ordinate.
    long GetIndex(double Ordinate, char Axis) const;
    /// Value of the cell that holds the point.
    double GetPointVal(const TPoint* Point) const;
    /// New point (caller owns) at the given position, carrying the value of its cell.
    TMapPoint* GetPoint(const TPoint* Point) const;
    /// Stores the value in the cell that holds the point.
    void SetPoint(const TPoint* Point, double Value);
    /// `GetPointVal` of each point, in order.
    std::vector<double> GetPointValues(const std::vector<TPoint*>& Points) const;

    /// Each setter copies its argument (which stays the caller's), derives the other axis
    /// of the direction from it, and leaves the map unchanged when it fails.
    void SetXAxis(const TAxis* XAxis);
    void SetYAxis(const TAxis* YAxis);
    void SetXAxisInterval(const TAxis* XAxisInterval);
    void SetYAxisInterval(const TAxis* YAxisInterval);

private:
    /// Column and row of the cell that holds the point, unchecked against the dimensions.
    void Locate(const TPoint* Point, long& LngX, long& LngY) const;
    void AssertXAxes() const;
    void AssertYAxes() const;

    double MbrDblResolution;
    long MbrLngXDim = 0;
    long MbrLngYDim = 0;
    std::vector<std::vector<double>> MbrVecValues;
    std::unique_ptr<TAxis> MbrPtrXAxis;
    std::unique_ptr<TAxis> MbrPtrYAxis;
    std::unique_ptr<TAxis> MbrPtrXAxisInterval;
    std::unique_ptr<TAxis> MbrPtrYAxisInterval;
    std::string MbrStgMetadata;
    double MbrDblNoData = DefaultNoData;
};

#endif
