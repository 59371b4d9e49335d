#include "TVELDANFileTools.h"

#include "TMap.h"
#include "TStringTools.h"
#include "TTextFile.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

namespace {

const char* const Marker = "degN/degE";

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

/// Tokens of an axis or data line: a minus sign always starts a new token, and tokens are
/// separated by runs of spaces (a tab is not a separator).
void SplitGridLine(const std::string& Line, std::vector<std::string>& Tokens) {
    TStringTools::Tokenize(TStringTools::FindAndReplace(Line, "-", " -"), Tokens, " ");
}

double ToNumber(const std::string& Token) {
    return std::atof(Token.c_str());
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
    std::vector<std::string> Tokens;
    SplitGridLine(Line, Tokens);
    if (Tokens.size() < 5)
        TError::Throw(
            "Axis line must hold at least two X coordinates in TVELDANFileTools::LoadVELDANFile");
    std::vector<double> XCoordinates;
    for (size_t I = 1; I + 2 < Tokens.size(); ++I)
        XCoordinates.push_back(ToNumber(Tokens[I]));
    const double Resolution = std::fabs(XCoordinates[1] - XCoordinates[0]);
    if (Resolution == 0.0)
        TError::Throw("Resolution cannot be 0 in TVELDANFileTools::LoadVELDANFile");

    std::unique_ptr<TMap> Map(new TMap(Resolution));
    Map->SetMetadata(Metadata);

    // Data lines, up to the closing line: a label, the row's values, its Y coordinate.
    std::vector<double> YCoordinates;
    size_t Columns = 0;
    for (ReadLine(In, Line, TextMode); !IsMarkerLine(Line); ReadLine(In, Line, TextMode)) {
        SplitGridLine(Line, Tokens);
        if (Tokens.empty())
            TError::Throw("Empty data line found in TVELDANFileTools::LoadVELDANFile");
        YCoordinates.push_back(ToNumber(Tokens.back()));
        std::vector<double> Row;
        Row.reserve(Tokens.size() > 2 ? Tokens.size() - 2 : 0);
        for (size_t I = 1; I + 1 < Tokens.size(); ++I)
            Row.push_back(ToNumber(Tokens[I]));
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
    std::ifstream In;
    TTextFile::OpenForReading(In, FileName);
    return Load(In, true);
}
