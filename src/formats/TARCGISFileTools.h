#ifndef VELDGRID_TARCGISFILETOOLS_H
#define VELDGRID_TARCGISFILETOOLS_H

#include "TMapGeometry.h"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

class TMap;

/// Reader and writer of ARC/INFO ASCII grids: six header lines ("ncols", "nrows",
/// "xllcorner", "yllcorner", "cellsize", "NODATA_value") and the rows, northernmost first.
class TARCGISFileTools {
public:
    /// Reads a grid from the stream's current position. The caller owns the new map, whose
    /// Y axes descend (row 0 is the northernmost row).
    static TMap* LoadARCGISFile(std::istream& In);
    /// Reads the named grid file. The caller owns the new map.
    static TMap* LoadARCGISFile(std::string FileName);

    /// Writes the map under the stream's own precision and flags. Rows go out north to
    /// south and columns west to east, whatever the direction of the map's axes.
    static void WriteARCGISFile(TMap* Map, std::ostream& Out);
    /// Writes the map losslessly (cell values with 15 significant digits, header numbers
    /// with 12) to a new file beside the named one, which takes the named file's place once
    /// it is complete (`TSafeFile`): a failed write leaves the named file as it was.
    static void WriteARCGISFile(TMap* Map, std::string FileName);
    /// Writes the map to the stream exactly as the named-file form writes it (cell values
    /// with 15 significant digits, header numbers with 12), for files written as part of a
    /// set and for standard output. The stream's precision is left as it was.
    static void WriteLosslessARCGISFile(TMap* Map, std::ostream& Out);

    /// Writes map i to file name i, in list order.
    static void WriteFileList(std::vector<TMap*> Maps, std::vector<std::string> FileNames);
    /// Reads the named files in order. The caller owns the new maps.
    static std::vector<TMap*> LoadFileList(std::vector<std::string> FileNames);

    /// The map's geometry, kept in the model (`TMapGeometry`); these names stay for the
    /// programs that learnt it here. The functions report failures under this class's name.
    using TOrientation = TMapGeometry::TOrientation;
    using TCorner = TMapGeometry::TCorner;
    /// `TMapGeometry::Orientation` of the map, which must have interval axes.
    static TOrientation Orientation(const TMap* Map);
    /// `TMapGeometry::LowerLeftCorner` of the map, written as "xllcorner" and "yllcorner".
    static TCorner LowerLeftCorner(const TMap* Map);

private:
    static void WriteHeader(const TMap* Map, std::ostream& Out);
    static void WriteBody(const TMap* Map, std::ostream& Out);
    static void WriteLossless(const TMap* Map, std::ostream& Out);
};

#endif
