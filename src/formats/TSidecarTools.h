#ifndef VELDGRID_TSIDECARTOOLS_H
#define VELDGRID_TSIDECARTOOLS_H

#include <ostream>
#include <string>
#include <utility>
#include <vector>

class TMap;

/// What GIS tools are told about a map beside its cells, shared by every program that hands
/// maps to them (the GDAL driver, the sidecar files of converted grids), so that they all
/// use the same names.
///
/// The sidecar files of an ARC/INFO ASCII grid lie where GDAL looks for them: the
/// coordinate system in a ".prj" file and the metadata in GDAL's auxiliary ".aux.xml" file.
class TSidecarTools {
public:
    /// The metadata items of the map, as (name, value) pairs in a fixed order:
    /// "VELDAN_HEADER", the header text of the source grid, which is the map's metadata
    /// string without the line feed that opens it and the one that closes it.
    static std::vector<std::pair<std::string, std::string>> MetadataItems(const TMap* Map);
    /// The same for a map of this metadata string (a grid read row by row has no map).
    static std::vector<std::pair<std::string, std::string>>
    MetadataItems(const std::string& Metadata);
    /// The metadata string of a map whose "VELDAN_HEADER" is this header text: the text
    /// between an opening and a closing line feed, or one line feed for no text (a grid
    /// without header lines). What a writer of VELDAN grids takes as the metadata of a
    /// raster that carries the item.
    static std::string MetadataOfHeader(const std::string& Header);

    /// The name of the grid's projection file: the grid's name with its extension replaced
    /// by ".prj" ("out.asc" gives "out.prj"), or ".prj" added to a name without one.
    ///
    /// The extension of a file name is, by the rule of `std::filesystem::path`, the last dot
    /// of its last component and what follows it, unless that dot is the component's first
    /// character: ".grid" has none (".grid.prj"), "a.b.asc" has ".asc", "out." has ".".
    /// GDAL finds a grid's projection file by the same rule.
    static std::string ProjectionFileName(const std::string& GridFileName);
    /// The name of the grid's auxiliary metadata file: the grid's name and ".aux.xml".
    static std::string AuxiliaryFileName(const std::string& GridFileName);

    /// The coordinate system of VELDAN grids, whose coordinates are degrees east and
    /// north: WGS 84 geographic, as one line of ESRI WKT and a line feed.
    static std::string ProjectionText();
    /// GDAL's auxiliary dataset XML holding the map's metadata items. Characters XML
    /// cannot hold (control characters other than tab and line feed, and bytes that are not
    /// UTF-8) are each written as U+FFFD, so that every reader still takes the file.
    static std::string AuxiliaryText(const TMap* Map);

    /// Writes `ProjectionText` to the stream, or to the named file (replaced only when
    /// complete, as `TSafeFile` replaces files).
    static void WriteProjectionFile(std::ostream& Out);
    static void WriteProjectionFile(const std::string& FileName);
    /// Writes `AuxiliaryText` of the map to the stream, or to the named file (replaced only
    /// when complete).
    static void WriteAuxiliaryFile(const TMap* Map, std::ostream& Out);
    static void WriteAuxiliaryFile(const TMap* Map, const std::string& FileName);

    /// Whether sidecar files (and a temporary file to take the grid's place) go beside the
    /// named grid: they do beside a regular file or a new name, not where the name leads to
    /// an open descriptor (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N), whatever
    /// that descriptor leads to, nor beside a FIFO or a device.
    static bool HasPlaceBeside(const std::string& GridFileName);

    /// Writes the map as a GIS-ready grid: the named ARC/INFO ASCII grid (written
    /// losslessly, as `TARCGISFileTools` writes named files) with its projection and
    /// auxiliary files beside it, as one set: all three are written aside and complete
    /// before any takes its place, the grid last, so that after a failure every file of
    /// the set is as it was. A grid written in place, where there is no place beside it
    /// (`HasPlaceBeside`), gets no sidecar files.
    static void WriteGISGrid(const TMap* Map, const std::string& GridFileName);
};

#endif
