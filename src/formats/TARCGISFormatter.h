#ifndef VELDGRID_TARCGISFORMATTER_H
#define VELDGRID_TARCGISFORMATTER_H

#include "TMapGeometry.h"

#include <cstddef>
#include <ostream>
#include <vector>

class TAxis;

/// The text of ARC/INFO ASCII grids as the writer makes it, shared by the map writer
/// (`TARCGISFileTools`) and the converter that streams rows (`TVELDANConverter`), so that
/// both write every grid alike: the header from the interval axes, and the rows made in a
/// buffer, each value followed by a space and each row by a line feed. Internal to the
/// library.
class TARCGISFormatter {
public:
    /// Lossless writing: header numbers with 12 significant digits (the corners are sums
    /// whose rounding noise sits beyond the 12th digit), cell values with 15.
    static constexpr int HeaderPrecision = 12;
    static constexpr int CellPrecision = 15;
    /// The writer's message for a cell that is not a finite number.
    static const char* const NonFiniteCells;

    /// The numbers of the header lines.
    struct THeader {
        long Columns;
        long Rows;
        TMapGeometry::TCorner Corner;
        double CellSize;
        double NoData;
    };
    /// The header of a grid on the interval axes: the lower-left corner is the western and
    /// the southern edge (`TMapGeometry::LowerLeftCorner`).
    static THeader Header(const TAxis* XIntervals, const TAxis* YIntervals, double CellSize,
                          double NoData);
    /// The same from the X of the first and last X edge and the Y of the first and last Y
    /// edge (`TAxisTools::IntervalEnds`) of a grid of the given size.
    static THeader Header(TAxisTools::TEnds X, TAxisTools::TEnds Y, long Columns, long Rows,
                          double CellSize, double NoData);
    /// Refuses a header with a number that is not finite: no reader takes such a grid.
    static void RequireFinite(const THeader& Header);
    /// Writes the six header lines under the stream's precision.
    static void WriteHeader(const THeader& Header, std::ostream& Out);

    /// An empty buffer of rows, for values written with the precision (at most
    /// `TNumberText::MaxFormatPrecision`), as a stream in general notation and the classic
    /// locale writes them.
    explicit TARCGISFormatter(int Precision) : MbrPrecision(Precision) {}
    /// Appends the value and a space.
    void AddValue(double Value);
    /// Appends a plain decimal token of at most 15 digits as `AddValue` of its value
    /// would, from its text where that holds, and a space.
    void AddDecimalText(const char* First, const char* Last, double Value);
    /// Ends the row with a line feed.
    void EndRow();
    const char* Data() const { return MbrBuffer.data(); }
    size_t Size() const { return MbrSize; }
    void Clear() { MbrSize = 0; }

private:
    /// Makes room for one value and its space; returns where it goes.
    char* Room();

    int MbrPrecision;
    std::vector<char> MbrBuffer;
    size_t MbrSize = 0;
};

#endif
