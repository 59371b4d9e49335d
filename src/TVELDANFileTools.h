#ifndef VELDGRID_TVELDANFILETOOLS_H
#define VELDGRID_TVELDANFILETOOLS_H

#include <istream>
#include <string>

class TMap;

/// Reader of the VELDAN text grid format: free header lines, an axis line holding the
/// column X coordinates, one data line per row (values, then the row's Y coordinate) and a
/// closing line. The axis and closing lines carry the marker "degN/degE".
class TVELDANFileTools {
public:
    /// Reads a grid from the stream's current position, exactly as the stream delivers it,
    /// and leaves the stream just after the closing line. The caller owns the new map.
    static TMap* LoadVELDANFile(std::istream& In);
    /// Reads the named file as text (a carriage return before a line feed belongs to the
    /// line end). The caller owns the new map.
    static TMap* LoadVELDANFile(std::string FileName);
};

#endif
