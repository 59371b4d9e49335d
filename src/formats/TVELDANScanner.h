#ifndef VELDGRID_TVELDANSCANNER_H
#define VELDGRID_TVELDANSCANNER_H

#include "TAxis.h"
#include "TError.h"
#include "TReadOptions.h"

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <vector>

/// The lines of a VELDAN grid as the reader takes them apart, shared by the map reader
/// (`TVELDANFileTools`) and the converter that streams rows (`TVELDANConverter`), so that
/// both read every grid alike. Internal to the library; failures carry the reader's
/// messages.
///
/// Tokens of axis and data lines are runs of characters other than the space, where a
/// minus sign always begins a new token (as if every "-" were replaced by " -" and the
/// line split at spaces; a tab is no separator).
class TVELDANScanner {
public:
    /// The marker that the axis line and the closing line hold.
    static const char* const Marker;

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

private:
    /// The label of a data line; throws for an empty line.
    static const char* FirstToken(const char* First, const char* End);
    static double LabelCoordinate(const char* Label, const char* LabelEnd, bool Strict);
};

#endif
