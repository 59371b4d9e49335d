#ifndef VELDGRID_TVELDANFILETOOLS_H
#define VELDGRID_TVELDANFILETOOLS_H

#include "TReadOptions.h"

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

class TMap;

/// Reader of the VELDAN text grid format: free header lines, an axis line holding the
/// column X coordinates, one data line per row (values, then the row's Y coordinate) and a
/// closing line. The axis and closing lines carry the marker "degN/degE".
class TVELDANFileTools {
public:
    /// How strictly a grid is read (the name under which the options were first offered).
    using TReadOptions = ::TReadOptions;

    /// Reads a grid from the stream's current position, exactly as the stream delivers it,
    /// and leaves the stream just after the closing line. The caller owns the new map.
    static TMap* LoadVELDANFile(std::istream& In);
    /// Reads a grid from the stream's current position; with `TextLineEnds` a carriage
    /// return before a line feed belongs to the line end, as for a named file (for streams
    /// over files opened in binary mode, such as a decompressing one). The caller owns the
    /// new map.
    static TMap* LoadVELDANFile(std::istream& In, bool TextLineEnds);
    /// Reads the named file as text (a carriage return before a line feed belongs to the
    /// line end). The caller owns the new map.
    static TMap* LoadVELDANFile(std::string FileName);
    /// The stream and file forms above, read as the options say.
    static TMap* LoadVELDANFile(std::istream& In, bool TextLineEnds, const TReadOptions& Options);
    static TMap* LoadVELDANFile(std::string FileName, const TReadOptions& Options);

    /// What the first bytes of a file tell of it. `Yes`: text header lines (at most 256),
    /// an axis line (the marker, at least five tokens, the 2nd and 3rd of them numbers) and
    /// the start of a data line (a label and at least one more token; no token of a data line
    /// is read, so no cell value decides). `No`: binary bytes (a NUL), text of another
    /// layout, or more header lines. `TooShort`: the bytes end before this can be told; an
    /// axis line of a wide grid runs to hundreds of kilobytes, so a caller may read more
    /// bytes and ask again (at the end of a file, `TooShort` means `No`).
    enum class THeaderMatch { No, Yes, TooShort };
    static THeaderMatch MatchVELDANHeader(const char* Bytes, size_t Size);
    /// Whether the first bytes of a file begin a VELDAN grid (`MatchVELDANHeader` gives
    /// `Yes`). Cheap: a few passes over the bytes, and no copy of them.
    static bool IsVELDANHeader(const char* Bytes, size_t Size);
    /// Whether the first bytes of a file, all that a caller reads to tell (`AllOfFile`: the
    /// whole file), begin a VELDAN grid: as `IsVELDANHeader` says, and, where the file goes
    /// on past the bytes, also when they end after the axis line's first five tokens, or in
    /// an unfinished line after the header lines that begins as the axis line of a wide grid
    /// does (a label, then X coordinates only, at least two, running one way).
    static bool IsVELDANHeader(const char* Bytes, size_t Size, bool AllOfFile);

    /// Writes the map as a VELDAN grid (with `TVELDANWriter`): the metadata as header
    /// lines, the X axis's centres, then each row in the map's row order with its Y centre.
    /// A map whose point axes are as the reader builds them (the X axis's points on row 0's
    /// Y centre, the Y axis's on column 0's X centre, the resolution the distance of the
    /// first two X centres, the no-data value -9999.0) reads back as the same map, cell for
    /// cell bit for bit, with the same metadata where it has the reader's form. A map that
    /// is not set or has no axes, a cell or Y centre that is not finite, and whatever the
    /// writer refuses in the header and the X axis are refused before anything is written.
    static void WriteVELDANFile(const TMap* Map, std::ostream& Out);
    /// Writes the map to the named file, which is replaced only when complete (as
    /// `TSafeFile` replaces files) and not touched when the map is refused.
    static void WriteVELDANFile(const TMap* Map, const std::string& FileName);
};

#endif
