#ifndef VELDGRID_TVELDANREADER_H
#define VELDGRID_TVELDANREADER_H

#include "TMapGeometry.h"
#include "TReadOptions.h"

#include <cmath>
#include <istream>
#include <memory>
#include <string>
#include <vector>

class TMap;

/// Reads a VELDAN grid a row at a time, in memory that does not grow with the number of
/// cells (16 bytes a row). Opening reads the header and the axis line and finds where each
/// data line starts and its Y coordinate, converting no cell; each row is parsed when it is
/// asked for. The grid reads as `TVELDANFileTools::LoadVELDANFile` reads it, with the same
/// messages for the same faults: those of the header, the axis line, the Y coordinates and
/// the width of the first row when the reader opens, those of any other row when that row
/// is read (where a grid has several faults, the one reported may differ). A fault of the
/// text is thrown as a `TReadFault`, which says where it lies. A reader reads one row at a
/// time: threads share one only under a lock.
class TVELDANReader {
public:
    /// How the grid is read: as the map reader reads it under `Read`, and, with
    /// `MarkNoData`, the cells equal to `NoData` (any NaN, for a NaN) read as the grid's
    /// no-data value, as `veldconv --nodata` writes them.
    struct TOptions {
        TReadOptions Read;
        bool MarkNoData = false;
        double NoData = 0.0;
        /// Whether a cell of this value is read as no-data under these options.
        bool Marks(double Value) const {
            return MarkNoData && (std::isnan(NoData) ? std::isnan(Value) : Value == NoData);
        }
    };

    /// Opens the named file, read as text (a carriage return before a line feed belongs to
    /// the line end), by default or as the options say. Failures as for `LoadVELDANFile` of
    /// the file.
    explicit TVELDANReader(const std::string& FileName);
    TVELDANReader(const std::string& FileName, const TOptions& Options);
    /// Reads the grid from the stream's current position; `TextLineEnds` as for
    /// `LoadVELDANFile`. The stream must be seekable and outlive the reader.
    TVELDANReader(std::istream& In, bool TextLineEnds);
    TVELDANReader(std::istream& In, bool TextLineEnds, const TOptions& Options);
    ~TVELDANReader();
    TVELDANReader(const TVELDANReader&) = delete;
    TVELDANReader& operator=(const TVELDANReader&) = delete;

    /// The metadata that the map reader gives the map: the header lines.
    const std::string& Metadata() const;
    long Columns() const;
    long Rows() const;
    /// The X coordinate of each column and the Y coordinate of each row, in file order.
    const std::vector<double>& XCoordinates() const;
    const std::vector<double>& YCoordinates() const;
    /// The cell size: the distance between the first two X coordinates.
    double Resolution() const;
    /// The value of the cells without data: that of a map read from the file, -9999.
    double NoDataValue() const;
    /// Which way the rows and columns of the file run against north-up, and the western and
    /// southern edge, as `TMapGeometry` gives them for the map read from the file.
    TMapGeometry::TOrientation Orientation() const;
    TMapGeometry::TCorner LowerLeftCorner() const;

    /// Parses data line `Row` (0 the first of the file) into `Values`, room for `Columns()`
    /// values, in the order of the file. After a failure the values are unspecified and the
    /// reader reads on.
    void ReadRow(long Row, double* Values);
    /// Parses row `Line` of the grid north-up (0 the northernmost) into `Values`, west to
    /// east: the row as the ARC/INFO writer writes it.
    void ReadNorthUpRow(long Line, double* Values);

    /// Reads the whole grid into a new map, as `TVELDANFileTools::LoadVELDANFile` reads it
    /// from the stream or the named file, with the cells that the options mark given the
    /// map's no-data value; a fault of the text is thrown as a `TReadFault`. The caller owns
    /// the map. For a source read once (standard input) or a grid wanted whole.
    static TMap* LoadMap(std::istream& In, bool TextLineEnds, const TOptions& Options);
    static TMap* LoadMap(const std::string& FileName, const TOptions& Options);

private:
    struct TImpl;
    std::unique_ptr<TImpl> MbrImpl;
};

#endif
