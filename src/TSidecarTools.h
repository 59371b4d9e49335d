#ifndef VELDGRID_TSIDECARTOOLS_H
#define VELDGRID_TSIDECARTOOLS_H

#include <string>
#include <utility>
#include <vector>

class TMap;

/// What GIS tools are told about a map beside its cells, shared by every program that hands
/// maps to them (the GDAL driver, the sidecar files of converted grids), so that they all
/// use the same names.
class TSidecarTools {
public:
    /// The metadata items of the map, as (name, value) pairs in a fixed order:
    /// "VELDAN_HEADER", the header text of the source grid, which is the map's metadata
    /// string without the line feed that opens it and the one that closes it.
    static std::vector<std::pair<std::string, std::string>> MetadataItems(const TMap* Map);
};

#endif
