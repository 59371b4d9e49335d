#include "TVELDANFileTools.h"

#include "TMap.h"
#include "TNumberText.h"
#include "TTextFile.h"

#include <cmath>
#include <fstream>
#include <memory>
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

/// Reads the value of the token at `First` (as `atof` reads it) and returns its end.
const char* ReadToken(const char* First, const char* End, double& Value) {
    // Most tokens are short plain decimals, read in the same pass that finds their end.
    const char* Last = TNumberText::ParseShortDecimal(First, End, Value);
    if (Last && (Last == End || *Last == ' ' || *Last == '-'))
        return Last;
    Last = TokenEnd(First, End);
    Value = TNumberText::Parse(First, Last);
    return Last;
}

/// The X coordinates of an axis line: with n tokens, the 2nd up to the (n-2)th.
std::vector<double> ReadXCoordinates(const std::string& Line) {
    std::vector<double> Values;
    const char* const End = Line.data() + Line.size();
    for (const char* P = SkipSpaces(Line.data(), End); P != End; P = SkipSpaces(P, End)) {
        Values.emplace_back();
        P = ReadToken(P, End, Values.back());
    }
    // The first value and the last two are those of labels.
    if (Values.size() < 5)
        TError::Throw(
            "Axis line must hold at least two X coordinates in TVELDANFileTools::LoadVELDANFile");
    return std::vector<double>(Values.begin() + 1, Values.end() - 2);
}

/// Reads a data line into its row of values (the tokens after the first but the last) and
/// returns its Y coordinate (the last token). `Expected` values are made room for.
double ReadDataLine(const std::string& Line, std::vector<double>& Row, size_t Expected) {
    const char* const End = Line.data() + Line.size();
    const char* const Label = SkipSpaces(Line.data(), End);
    if (Label == End)
        TError::Throw("Empty data line found in TVELDANFileTools::LoadVELDANFile");
    const char* const LabelEnd = TokenEnd(Label, End);
    Row.clear();
    Row.reserve(Expected + 1);
    for (const char* P = SkipSpaces(LabelEnd, End); P != End; P = SkipSpaces(P, End)) {
        double Value;
        P = ReadToken(P, End, Value);
        Row.push_back(Value);
    }
    // A line of one token has no values, and that token is its Y coordinate.
    if (Row.empty())
        return TNumberText::Parse(Label, LabelEnd);
    const double Y = Row.back();
    Row.pop_back();
    return Y;
}

/// Builds the map from an open grid stream.
TMap* Load(std::istream& In, bool TextMode) {
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
    const std::vector<double> XCoordinates = ReadXCoordinates(Line);
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
        YCoordinates.push_back(ReadDataLine(Line, Row, Columns));
        if (YCoordinates.size() == 1)
            Columns = Row.size();
        else if (Row.size() != Columns)
            TError::Throw("Number of values in data line does not match the first data line in "
                          "TVELDANFileTools::LoadVELDANFile");
        Map->AddRow(std::move(Row));
    }
    if (YCoordinates.empty())
        TError::Throw("No data lines found in TVELDANFileTools::LoadVELDANFile");

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
    return Load(In, false);
}

TMap* TVELDANFileTools::LoadVELDANFile(std::string FileName) {
    // Large reads: grids run to hundreds of megabytes. The buffer outlives the stream.
    const std::unique_ptr<char[]> Buffer(new char[ReadBufferSize]);
    std::ifstream In;
    In.rdbuf()->pubsetbuf(Buffer.get(), ReadBufferSize);
    TTextFile::OpenForReading(In, FileName);
    try {
        return Load(In, true);
    } catch (...) {
        TTextFile::RethrowReadFailure(FileName);
    }
}
