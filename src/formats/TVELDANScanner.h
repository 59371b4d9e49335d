#ifndef VELDGRID_TVELDANSCANNER_H
#define VELDGRID_TVELDANSCANNER_H

#include "TARCGISFormatter.h"
#include "TAxis.h"
#include "TError.h"
#include "TReadOptions.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

class TMap;

/// The lines of a VELDAN grid as the reader takes them apart, shared by the map reader
/// (`TVELDANFileTools`, `TVELDANReader::LoadMap`), the converter that streams rows
/// (`TVELDANConverter`) and the reader of rows on demand (`TVELDANReader`), so that all of
/// them read every grid alike. Internal to the library; every fault of the text is thrown
/// as a `TReadFault` that places it, with the reader's message.
///
/// Tokens of axis and data lines are runs of characters other than the space, where a
/// minus sign always begins a new token (as if every "-" were replaced by " -" and the
/// line split at spaces; a tab is no separator).
class TVELDANScanner {
public:
    /// The marker that the axis line and the closing line hold.
    static const char* const Marker;
    /// The map reader's messages for a data line of another width than the first one, and
    /// for a first data line of another width than the axis line (the map's X axis does not
    /// fit its rows).
    static const char* const RowWidthDiffers;
    static const char* const FirstRowWidthDiffers;

    /// A line of the grid: its text [First, End) without the line end, and its number,
    /// counted from 1 from where the reading began.
    struct TLine {
        const char* First;
        const char* End;
        long Number;
    };

    /// Reads the lines of a grid one after the other, counting them and their bytes.
    class TLines {
    public:
        TLines(std::istream& In, bool TextMode) : MbrIn(In), MbrTextMode(TextMode) {}
        /// Reads the next line; throws when the input cannot be read, and when it has ended
        /// (a fault placed where it ends). In text mode one carriage return before the line
        /// feed belongs to the line end.
        TLine Next();
        /// The line read last.
        TLine Current() const;
        /// Bytes read so far, line ends included.
        std::uint64_t Consumed() const { return MbrConsumed; }

    private:
        std::istream& MbrIn;
        bool MbrTextMode;
        std::string MbrText;
        long MbrNumber = 0;
        std::uint64_t MbrConsumed = 0;
        bool MbrLineEnded = true; // the last line read ended with a line feed
    };

    static bool IsMarkerLine(const TLine& Line);
    /// Reads the header lines, up to the first marker line (the axis line, then
    /// `Lines.Current()`), and returns the metadata they make.
    static std::string ReadHeader(TLines& Lines);

    /// The X coordinates of an axis line (with n tokens, the 2nd up to the (n-2)th), checked
    /// as the options say, the first two never equal.
    static std::vector<double> ReadXCoordinates(const TLine& Line, const TReadOptions& Options);
    /// The cell size: the distance between the first two X coordinates.
    static double Resolution(const std::vector<double>& X);

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
    /// Reads the token at `First` in the line into `Token`; a strict read refuses a token
    /// that is not entirely a number.
    static void ReadToken(const char* First, const TLine& Line, TToken& Token, bool Strict);

    /// Scans a data line: a label, the row's values, its Y coordinate. Calls
    /// `Cell(const TToken&)` for each value, in order, and returns the Y coordinate. A line
    /// of one token has no values, and that token is its Y coordinate.
    template <typename TCell>
    static TToken ScanDataLine(const TLine& Line, bool Strict, TCell Cell) {
        const char* const Label = FirstToken(Line);
        const char* const LabelEnd = TokenEnd(Label, Line.End);
        TToken Pending;
        bool HasPending = false;
        for (const char* P = SkipSpaces(LabelEnd, Line.End); P != Line.End;
             P = SkipSpaces(P, Line.End)) {
            if (HasPending)
                Cell(Pending);
            ReadToken(P, Line, Pending, Strict);
            HasPending = true;
            P = Pending.Last;
        }
        return HasPending ? Pending : LabelCoordinate(Label, Line, Strict);
    }
    /// The Y coordinate of the data line, as `ScanDataLine` gives it, without reading the
    /// values before it.
    static TToken RowCoordinate(const TLine& Line, bool Strict);
    /// The number of values that `ScanDataLine` finds in the data line, without reading
    /// them.
    static size_t CountValues(const char* First, const char* End);

    /// Throws the fault at the token that starts at `Token` in the line (at its end, or at
    /// a space, an empty token), with the hint, or else the hint that names the trap the
    /// token falls into (a tab inside it, a negative exponent cut off by its minus sign).
    [[noreturn]] static void Fault(const char* Message, const TLine& Line, const char* Token,
                                   std::string Hint = "");
    /// Throws the fault of a data line that holds another number of values than `Columns`:
    /// at a token that falls into a trap, or else at the first value beyond the columns, or
    /// at the Y coordinate of a line short of values.
    [[noreturn]] static void WidthFault(const char* Message, const TLine& Line, size_t Columns);

    /// The data lines of a grid as they are read, and the checks that need more than one of
    /// them: that there are rows, that in a strict read each row lies at its place, spaced
    /// by the cell size of the columns, and that the first row is as wide as the axis line.
    class TRows {
    public:
        TRows(const TLine& Axis, const std::vector<double>& X, const TReadOptions& Options);
        /// Adds a data line, its Y coordinate and how many values it holds (which counts
        /// for the first row only).
        void Add(const TLine& Line, const TToken& Y, size_t Values);
        bool Empty() const { return MbrY.empty(); }
        size_t FirstRowValues() const { return MbrFirstValues; }
        /// Makes the checks, at the closing line, in the map reader's order.
        void Finish(const TLine& Closing) const;
        std::vector<double>& Y() { return MbrY; }

    private:
        bool AtPlace(double Y, size_t Row) const;

        std::string MbrAxisText;
        long MbrAxisNumber;
        size_t MbrColumns;
        bool MbrStrict;
        double MbrTolerance;
        double MbrXStep = 0.0;   // the cell size that strictly read rows are spaced by
        double MbrRowStep = 0.0; // the same, signed the way the rows run
        std::vector<double> MbrY;
        std::string MbrFirstText;
        long MbrFirstNumber = 0;
        size_t MbrFirstValues = 0;
        long MbrOffLine = 0; // where the first row off its place is (0: none)
        long MbrOffColumn = 0;
        std::string MbrOffToken;
    };

    /// What a first pass over a grid finds without converting a cell: the metadata, the X
    /// coordinates, the number of the first data line, the Y coordinate of each data line,
    /// where each data line starts (and, last, where the closing line starts), in bytes from
    /// where the pass began.
    struct TLayout {
        std::string Metadata;
        std::vector<double> X;
        long FirstLine = 0;
        std::vector<double> Y;
        std::vector<std::uint64_t> Offsets;
    };
    /// The first pass, from the stream's current position to the closing line, with the
    /// checks of the map reader that need no cell but the first row's number of values.
    static TLayout FindRows(std::istream& In, bool TextMode, const TReadOptions& Options);
    /// The ARC/INFO header and the orientation of the map that the map reader makes of the
    /// grid (its interval axes, worked out without making them).
    static TARCGISFormatter::THeader GridHeader(const TLayout& Layout, double NoData,
                                                TMapGeometry::TOrientation& Orientation);

    /// Reads the grid from the stream's current position into a new map (the caller owns
    /// it).
    static TMap* ReadMap(std::istream& In, bool TextMode, const TReadOptions& Options);
    /// Reads the named file as text.
    static TMap* ReadMap(const std::string& FileName, const TReadOptions& Options);

private:
    /// The label of a data line; throws for an empty line.
    static const char* FirstToken(const TLine& Line);
    static TToken LabelCoordinate(const char* Label, const TLine& Line, bool Strict);
};

#endif
