#ifndef VELDGRID_TVELDANSCANNER_H
#define VELDGRID_TVELDANSCANNER_H

#include "TARCGISFormatter.h"
#include "TAxis.h"
#include "TError.h"
#include "TVELDANFileTools.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

/// The lines of a VELDAN grid as the reader takes them apart, shared by the map reader
/// (`TVELDANFileTools`), the converter that streams rows (`TVELDANConverter`) and the reader
/// of rows on demand (`TVELDANReader`), so that all of them read every grid alike. Internal to the
/// library; failures carry the reader's messages.
///
/// Tokens of axis and data lines are runs of characters other than the space, where a
/// minus sign always begins a new token (as if every "-" were replaced by " -" and the
/// line split at spaces; a tab is no separator).
class TVELDANScanner {
public:
    using TReadOptions = TVELDANFileTools::TReadOptions;

    /// The marker that the axis line and the closing line hold.
    static const char* const Marker;
    /// The map reader's messages for a data line of another width than the first one, and
    /// for a first data line of another width than the axis line (the map's X axis does not
    /// fit its rows).
    static const char* const RowWidthDiffers;
    static const char* const FirstRowWidthDiffers;

    /// Reads the next line; throws when the input has ended or cannot be read. In text mode
    /// one carriage return before the line feed belongs to the line end. Returns the number
    /// of bytes the line took in the input, line feed included.
    static size_t ReadLine(std::istream& In, std::string& Line, bool TextMode);
    static bool IsMarkerLine(const std::string& Line);
    /// Reads the header lines, up to the first marker line (the axis line, left in
    /// `AxisLine`), and returns the metadata they make; `Consumed` grows by the bytes read.
    static std::string ReadHeader(std::istream& In, bool TextMode, std::string& AxisLine,
                                  size_t& Consumed);

    /// The X coordinates of an axis line (with n tokens, the 2nd up to the (n-2)th), checked
    /// as the options say.
    static std::vector<double> ReadXCoordinates(const std::string& Line,
                                                const TReadOptions& Options);
    /// The cell size: the distance between the first two X coordinates (never 0).
    static double Resolution(const std::vector<double>& X);
    /// Refuses, in a strict read, Y coordinates that are not spaced by the cell size of the
    /// X coordinates (in either direction).
    static void RequireEvenRows(const std::vector<double>& Y, const std::vector<double>& X,
                                const TReadOptions& Options);
    /// What a first pass over a grid finds without converting a cell: the metadata, the X
    /// coordinates, the Y coordinate of each data line, where each data line starts (and,
    /// last, where the closing line starts), in bytes from where the pass began, and how many
    /// values the first data line holds.
    struct TLayout {
        std::string Metadata;
        std::vector<double> X;
        std::vector<double> Y;
        std::vector<std::uint64_t> Offsets;
        size_t FirstRowValues = 0;
    };
    /// The first pass, from the stream's current position to the closing line, with the
    /// checks of the map reader that need no cell: header, axis line, Y coordinates.
    static TLayout FindRows(std::istream& In, bool TextMode, const TReadOptions& Options);
    /// The ARC/INFO header and the orientation of the map that the map reader makes of the
    /// grid (its interval axes, worked out without making them).
    static TARCGISFormatter::THeader GridHeader(const TLayout& Layout, double NoData,
                                                TARCGISFileTools::TOrientation& Orientation);

    /// The point axes of a grid: column centres along the first row, row centres along the
    /// first column.
    static std::unique_ptr<TAxis> XAxis(const std::vector<double>& X, double FirstY,
                                        double Resolution);
    static std::unique_ptr<TAxis> YAxis(const std::vector<double>& Y, double FirstX,
                                        double Resolution);

    static const char* SkipSpaces(const char* P, const char* End);
    /// End of the token that starts at `First` (not a space).
    static const char* TokenEnd(const char* First, const char* End);

    /// A value token of a data line: its text, its value as `atof` reads it, and whether
    /// it is a plain decimal of up to 15 digits ("[+-]digits[.digits]", read whole by
    /// `TNumberText::ParseShortDecimal`).
    struct TToken {
        const char* First;
        const char* Last;
        double Value;
        bool Plain;
    };
    /// Reads the token at `First` into `Token`; a strict read refuses a token that is not
    /// entirely a number.
    static void ReadToken(const char* First, const char* End, TToken& Token, bool Strict);

    /// Scans the data line [First, End): a label, the row's values, its Y coordinate. Calls
    /// `Cell(const TToken&)` for each value, in order, and returns the Y coordinate. A line
    /// of one token has no values, and that token is its Y coordinate.
    template <typename TCell>
    static double ScanDataLine(const char* First, const char* End, bool Strict, TCell Cell) {
        const char* const Label = FirstToken(First, End);
        const char* const LabelEnd = TokenEnd(Label, End);
        TToken Pending;
        bool HasPending = false;
        for (const char* P = SkipSpaces(LabelEnd, End); P != End; P = SkipSpaces(P, End)) {
            if (HasPending)
                Cell(Pending);
            ReadToken(P, End, Pending, Strict);
            HasPending = true;
            P = Pending.Last;
        }
        return HasPending ? Pending.Value : LabelCoordinate(Label, LabelEnd, Strict);
    }
    /// The Y coordinate of the data line, as `ScanDataLine` gives it, without reading the
    /// values before it.
    static double RowCoordinate(const char* First, const char* End, bool Strict);
    /// The number of values that `ScanDataLine` finds in the data line, without reading
    /// them.
    static size_t CountValues(const char* First, const char* End);

private:
    /// The label of a data line; throws for an empty line.
    static const char* FirstToken(const char* First, const char* End);
    static double LabelCoordinate(const char* Label, const char* LabelEnd, bool Strict);
};

#endif
