#include "TVELDANFileTools.h"

#include "TMap.h"
#include "TNumberText.h"
#include "TTextFile.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace {

const char* const Marker = "degN/degE";
const std::streamsize ReadBufferSize = 1 << 20;

/// Reads the next line of a grid; throws when the input has ended or cannot be read. In text mode
/// one carriage return before the line feed belongs to the line end.
void ReadLine(std::istream& In, std::string& Line, bool TextMode) {
    if (!std::getline(In, Line)) {
        if (In.bad())
            TError::Throw("Unable to read the stream in TVELDANFileTools::LoadVELDANFile");
        TError::Throw("Unexpected end of file found in TVELDANFileTools::LoadVELDANFile");
    }
    if (TextMode && !In.eof() && !Line.empty() && Line.back() == '\r')
        Line.pop_back();
}

bool IsMarkerLine(const std::string& Line) {
    return Line.find(Marker) != std::string::npos;
}

// Tokens of axis and data lines: runs of characters other than the space, where a minus
// sign always begins a new token (as if every "-" were replaced by " -" and the line split
// at spaces; a tab is no separator).

const char* SkipSpaces(const char* P, const char* End) {
    while (P != End && *P == ' ')
        ++P;
    return P;
}

/// End of the token that starts at `First` (not a space).
const char* TokenEnd(const char* First, const char* End) {
    const char* P = First + 1;
    while (P != End && *P != ' ' && *P != '-')
        ++P;
    return P;
}

using TReadOptions = TVELDANFileTools::TReadOptions;

const char* const NotANumber = "Token is not a number in TVELDANFileTools::LoadVELDANFile";

/// Whether [First, Last) is one whole number as `strtod` reads it (a strict read refuses
/// "abc", "5,5" and "1e", which `atof` reads as 0, 5 and 1).
bool IsWholeNumber(const char* First, const char* Last) {
    const std::string Token(First, Last);
    if (Token.empty() || std::isspace(static_cast<unsigned char>(Token[0])))
        return false;
    char* End = nullptr;
    std::strtod(Token.c_str(), &End);
    return End == Token.c_str() + Token.size();
}

/// Reads the value of the token at `First` (as `atof` reads it) and returns its end; a
/// strict read refuses a token that is not entirely a number.
const char* ReadToken(const char* First, const char* End, double& Value, bool Strict) {
    // Most tokens are short plain decimals, read in the same pass that finds their end.
    const char* Last = TNumberText::ParseShortDecimal(First, End, Value);
    if (Last && (Last == End || *Last == ' ' || *Last == '-'))
        return Last;
    Last = TokenEnd(First, End);
    if (Strict && !IsWholeNumber(First, Last))
        TError::Throw(NotANumber);
    Value = TNumberText::Parse(First, Last);
    return Last;
}

/// Whether every coordinate lies within the tolerance (a fraction of the step) of its
/// place `First + I * Step`.
bool EvenlySpaced(const std::vector<double>& Coordinates, double First, double Step,
                  double Tolerance) {
    for (size_t I = 0; I < Coordinates.size(); ++I)
        if (!(std::fabs(Coordinates[I] - (First + static_cast<double>(I) * Step)) <=
              Tolerance * std::fabs(Step)))
            return false;
    return true;
}

/// The step of evenly spaced X coordinates, from the first to the last, so that rounding
/// in the written coordinates does not add up along a row.
double XStep(const std::vector<double>& X) {
    return (X.back() - X.front()) / static_cast<double>(X.size() - 1);
}

/// The X coordinates of an axis line: with n tokens, the 2nd up to the (n-2)th.
std::vector<double> ReadXCoordinates(const std::string& Line, const TReadOptions& Options) {
    std::vector<double> Values;
    std::vector<const char*> Starts;
    const char* const End = Line.data() + Line.size();
    for (const char* P = SkipSpaces(Line.data(), End); P != End; P = SkipSpaces(P, End)) {
        Values.emplace_back();
        Starts.push_back(P);
        P = ReadToken(P, End, Values.back(), false); // labels are checked below, if at all
    }
    // The first value and the last two are those of labels.
    if (Values.size() < 5)
        TError::Throw(
            "Axis line must hold at least two X coordinates in TVELDANFileTools::LoadVELDANFile");
    std::vector<double> X(Values.begin() + 1, Values.end() - 2);
    if (!Options.Strict)
        return X;
    for (size_t I = 1; I + 2 < Starts.size(); ++I)
        if (!IsWholeNumber(Starts[I], TokenEnd(Starts[I], End)))
            TError::Throw(NotANumber);
    if (!EvenlySpaced(X, X.front(), XStep(X), Options.SpacingTolerance))
        TError::Throw("X coordinates are not evenly spaced in TVELDANFileTools::LoadVELDANFile");
    return X;
}

/// Refuses, in a strict read, Y coordinates that are not spaced by the cell size of the
/// X coordinates (in either direction).
void RequireEvenRows(const std::vector<double>& Y, const std::vector<double>& X,
                     const TReadOptions& Options) {
    if (!Options.Strict || Y.size() < 2)
        return;
    const double Step = std::fabs(XStep(X));
    if (!EvenlySpaced(Y, Y.front(), Y[1] < Y[0] ? -Step : Step, Options.SpacingTolerance))
        TError::Throw("Y coordinates are not evenly spaced by the cell size in "
                      "TVELDANFileTools::LoadVELDANFile");
}

/// Reads a data line into its row of values (the tokens after the first but the last) and
/// returns its Y coordinate (the last token). `Expected` values are made room for.
double ReadDataLine(const std::string& Line, std::vector<double>& Row, size_t Expected,
                    bool Strict) {
    const char* const End = Line.data() + Line.size();
    const char* const Label = SkipSpaces(Line.data(), End);
    if (Label == End)
        TError::Throw("Empty data line found in TVELDANFileTools::LoadVELDANFile");
    const char* const LabelEnd = TokenEnd(Label, End);
    Row.clear();
    Row.reserve(Expected + 1);
    for (const char* P = SkipSpaces(LabelEnd, End); P != End; P = SkipSpaces(P, End)) {
        double Value;
        P = ReadToken(P, End, Value, Strict);
        Row.push_back(Value);
    }
    // A line of one token has no values, and that token is its Y coordinate.
    if (Row.empty()) {
        if (Strict && !IsWholeNumber(Label, LabelEnd))
            TError::Throw(NotANumber);
        return TNumberText::Parse(Label, LabelEnd);
    }
    const double Y = Row.back();
    Row.pop_back();
    return Y;
}

/// Builds the map from an open grid stream.
TMap* Load(std::istream& In, bool TextMode, const TReadOptions& Options) {
    // Header: every line before the first marker line, copied into the metadata.
    std::string Line;
    std::string Metadata;
    for (;;) {
        Metadata += Line;
        Metadata += '\n';
        ReadLine(In, Line, TextMode);
        if (Line.empty())
            Metadata += '\n';
        else if (IsMarkerLine(Line))
            break;
    }

    // Axis line: the first token and the last two are labels, the ones between are the X
    // coordinates of the columns.
    const std::vector<double> XCoordinates = ReadXCoordinates(Line, Options);
    const double Resolution = std::fabs(XCoordinates[1] - XCoordinates[0]);
    if (Resolution == 0.0)
        TError::Throw("Resolution cannot be 0 in TVELDANFileTools::LoadVELDANFile");

    std::unique_ptr<TMap> Map(new TMap(Resolution));
    Map->SetMetadata(Metadata);

    // Data lines, up to the closing line: a label, the row's values, its Y coordinate. Each
    // row is made room for once, at the width of the first row (or of the axis line).
    std::vector<double> YCoordinates;
    size_t Columns = XCoordinates.size();
    for (ReadLine(In, Line, TextMode); !IsMarkerLine(Line); ReadLine(In, Line, TextMode)) {
        std::vector<double> Row;
        YCoordinates.push_back(ReadDataLine(Line, Row, Columns, Options.Strict));
        if (YCoordinates.size() == 1)
            Columns = Row.size();
        else if (Row.size() != Columns)
            TError::Throw("Number of values in data line does not match the first data line in "
                          "TVELDANFileTools::LoadVELDANFile");
        Map->AddRow(std::move(Row));
    }
    if (YCoordinates.empty())
        TError::Throw("No data lines found in TVELDANFileTools::LoadVELDANFile");
    RequireEvenRows(YCoordinates, XCoordinates, Options);

    // Point axes: column centres along the first row, row centres along the first column.
    TAxis XAxis(Resolution);
    for (double X : XCoordinates)
        XAxis.AddPoint(new TPoint(X, YCoordinates[0]));
    TAxis YAxis(Resolution);
    for (double Y : YCoordinates)
        YAxis.AddPoint(new TPoint(XCoordinates[0], Y));
    Map->SetXAxis(&XAxis);
    Map->SetYAxis(&YAxis);
    return Map.release();
}

} // namespace

TMap* TVELDANFileTools::LoadVELDANFile(std::istream& In) {
    return Load(In, false, TReadOptions());
}

TMap* TVELDANFileTools::LoadVELDANFile(std::istream& In, bool TextLineEnds) {
    return Load(In, TextLineEnds, TReadOptions());
}

TMap* TVELDANFileTools::LoadVELDANFile(std::istream& In, bool TextLineEnds,
                                       const TReadOptions& Options) {
    return Load(In, TextLineEnds, Options);
}

TMap* TVELDANFileTools::LoadVELDANFile(std::string FileName) {
    return LoadVELDANFile(std::move(FileName), TReadOptions());
}

TMap* TVELDANFileTools::LoadVELDANFile(std::string FileName, const TReadOptions& Options) {
    // Large reads: grids run to hundreds of megabytes. The buffer outlives the stream.
    const std::unique_ptr<char[]> Buffer(new char[ReadBufferSize]);
    std::ifstream In;
    In.rdbuf()->pubsetbuf(Buffer.get(), ReadBufferSize);
    TTextFile::OpenForReading(In, FileName);
    try {
        return Load(In, true, Options);
    } catch (...) {
        TTextFile::RethrowReadFailure(FileName);
    }
}

// ---------------------------------------------------------------------------------------
// Recognising a grid from the first bytes of a file

namespace {

using THeaderMatch = TVELDANFileTools::THeaderMatch;

/// Header lines a grid may have for its first bytes to be recognised: headers are a few
/// lines, and text of other kinds (tables, lists of points) is told apart by its length.
const long MaxHeaderLines = 256;

/// A line of the bytes, without its line feed; `Complete` when the line feed is among them.
struct TLine {
    const char* First;
    const char* Last;
    bool Complete;
};

TLine LineAt(const char* First, const char* End) {
    const void* Feed = std::memchr(First, '\n', static_cast<size_t>(End - First));
    if (!Feed)
        return {First, End, false};
    return {First, static_cast<const char*>(Feed), true};
}

bool HoldsMarker(const TLine& Line) {
    return std::string_view(Line.First, static_cast<size_t>(Line.Last - Line.First)).find(Marker) !=
           std::string_view::npos;
}

/// Up to `Count` tokens of the line, as the reader splits it. The last token of an
/// unfinished line may be cut short, so it is left out.
std::vector<std::string_view> LeadingTokens(const TLine& Line, size_t Count) {
    std::vector<std::string_view> Tokens;
    for (const char* P = SkipSpaces(Line.First, Line.Last); P != Line.Last && Tokens.size() < Count;
         P = SkipSpaces(P, Line.Last)) {
        const char* const End = TokenEnd(P, Line.Last);
        if (End == Line.Last && !Line.Complete)
            break;
        Tokens.emplace_back(P, static_cast<size_t>(End - P));
        P = End;
    }
    return Tokens;
}

/// Whether the token begins with a number as `atof` reads one (sign, digits, point).
bool IsNumber(std::string_view Token) {
    size_t I = 0;
    if (I < Token.size() && (Token[I] == '+' || Token[I] == '-'))
        ++I;
    if (I < Token.size() && Token[I] == '.')
        ++I;
    return I < Token.size() && std::isdigit(static_cast<unsigned char>(Token[I]));
}

/// Whether the tokens hold at least `Count`, the 2nd up to the `Count`th being numbers.
bool LabelThenNumbers(const std::vector<std::string_view>& Tokens, size_t Count) {
    if (Tokens.size() < Count)
        return false;
    for (size_t I = 1; I < Count; ++I)
        if (!IsNumber(Tokens[I]))
            return false;
    return true;
}

/// The line after the axis line: a label, a value, ..., the Y coordinate.
THeaderMatch MatchDataLine(const char* First, const char* End) {
    if (First == End)
        return THeaderMatch::TooShort;
    const TLine Line = LineAt(First, End);
    if (HoldsMarker(Line))
        return THeaderMatch::No; // a grid without rows
    const std::vector<std::string_view> Tokens = LeadingTokens(Line, 3);
    if (!Line.Complete && Tokens.size() < 2)
        return THeaderMatch::TooShort;
    // A whole line holds at least a label, a value and the Y coordinate.
    return LabelThenNumbers(Tokens, Line.Complete ? 3 : Tokens.size()) ? THeaderMatch::Yes
                                                                       : THeaderMatch::No;
}

/// The first marker line: a label, at least two X coordinates, two labels.
THeaderMatch MatchAxisLine(const TLine& Line, const char* End) {
    const std::vector<std::string_view> Tokens = LeadingTokens(Line, 5);
    if (Tokens.size() < 5)
        return Line.Complete ? THeaderMatch::No : THeaderMatch::TooShort;
    if (!LabelThenNumbers(Tokens, 3))
        return THeaderMatch::No;
    return Line.Complete ? MatchDataLine(Line.Last + 1, End) : THeaderMatch::TooShort;
}

} // namespace

TVELDANFileTools::THeaderMatch TVELDANFileTools::MatchVELDANHeader(const char* Bytes, size_t Size) {
    if (Size == 0 || std::memchr(Bytes, '\0', Size))
        return THeaderMatch::No;
    const char* const End = Bytes + Size;
    // Header lines are free text, up to the first marker line; an unfinished one may run on
    // into the marker.
    long HeaderLines = 0;
    for (const char* P = Bytes; P != End; ++HeaderLines) {
        const TLine Line = LineAt(P, End);
        if (HoldsMarker(Line))
            return MatchAxisLine(Line, End);
        if (!Line.Complete)
            return THeaderMatch::TooShort;
        if (HeaderLines == MaxHeaderLines)
            return THeaderMatch::No;
        P = Line.Last + 1;
    }
    return THeaderMatch::TooShort; // the next line may be the axis line
}

bool TVELDANFileTools::IsVELDANHeader(const char* Bytes, size_t Size) {
    return MatchVELDANHeader(Bytes, Size) == THeaderMatch::Yes;
}
