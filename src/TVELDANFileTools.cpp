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

/// Reads the next line of a grid; throws when the input has ended. In text mode one
/// carriage return before the line feed belongs to the line end.
void ReadLine(std::istream& In, std::string& Line, bool TextMode) {
    if (!std::getline(In, Line))
        TError::Throw("Unexpected end of file found in TVELDANFileTools::LoadVELDANFile");
    if (TextMode && !In.eof() && !Line.empty() && Line.back() == '\r')
        Line.pop_back();
}

bool IsMarkerLine(const std::string& Line) {
    return Line.find(Marker) != std::string::npos;
}

/// Calls Visit(First, Last) for each token of an axis or data line, in order: runs of
/// characters other than the space, where a minus sign always begins a new token (as if
/// every "-" were replaced by " -" and the line split at spaces; a tab is no separator).
template <typename TVisit> void ForEachToken(const std::string& Line, TVisit&& Visit) {
    const char* P = Line.data();
    const char* const End = P + Line.size();
    while (P != End) {
        if (*P == ' ') {
            ++P;
            continue;
        }
        const char* const First = P++;
        while (P != End && *P != ' ' && *P != '-')
            ++P;
        Visit(First, P);
    }
}

/// The X coordinates of an axis line: with n tokens, the 2nd up to the (n-2)th.
std::vector<double> ReadXCoordinates(const std::string& Line) {
    std::vector<std::pair<const char*, const char*>> Tokens;
    ForEachToken(Line,
                 [&](const char* First, const char* Last) { Tokens.emplace_back(First, Last); });
    if (Tokens.size() < 5)
        TError::Throw(
            "Axis line must hold at least two X coordinates in TVELDANFileTools::LoadVELDANFile");
    std::vector<double> XCoordinates;
    XCoordinates.reserve(Tokens.size() - 3);
    for (size_t I = 1; I + 2 < Tokens.size(); ++I)
        XCoordinates.push_back(TNumberText::Parse(Tokens[I].first, Tokens[I].second));
    return XCoordinates;
}

/// Reads a data line into its row of values (the tokens after the first but the last) and
/// returns its Y coordinate (the last token). `Expected` values are made room for.
double ReadDataLine(const std::string& Line, std::vector<double>& Row, size_t Expected) {
    Row.clear();
    Row.reserve(Expected + 1);
    const char* LabelFirst = nullptr;
    const char* LabelLast = nullptr;
    ForEachToken(Line, [&](const char* First, const char* Last) {
        if (!LabelFirst) {
            LabelFirst = First;
            LabelLast = Last;
        } else {
            Row.push_back(TNumberText::Parse(First, Last));
        }
    });
    if (!LabelFirst)
        TError::Throw("Empty data line found in TVELDANFileTools::LoadVELDANFile");
    // A line of one token has no values, and that token is its Y coordinate.
    if (Row.empty())
        return TNumberText::Parse(LabelFirst, LabelLast);
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
    return Load(In, true);
}
