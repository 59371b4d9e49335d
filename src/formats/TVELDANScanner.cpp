#include "TVELDANScanner.h"

#include "TAxisTools.h"
#include "TNumberText.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

const char* const TVELDANScanner::Marker = "degN/degE";
const char* const TVELDANScanner::RowWidthDiffers =
    "Number of values in data line does not match the first data line in "
    "TVELDANFileTools::LoadVELDANFile";
const char* const TVELDANScanner::FirstRowWidthDiffers =
    "Length of new X axis does not match the X dimension of the map";

namespace {

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

} // namespace

size_t TVELDANScanner::ReadLine(std::istream& In, std::string& Line, bool TextMode) {
    if (!std::getline(In, Line)) {
        if (In.bad())
            TError::Throw("Unable to read the stream in TVELDANFileTools::LoadVELDANFile");
        TError::Throw("Unexpected end of file found in TVELDANFileTools::LoadVELDANFile");
    }
    const size_t Consumed = Line.size() + (In.eof() ? 0 : 1);
    if (TextMode && !In.eof() && !Line.empty() && Line.back() == '\r')
        Line.pop_back();
    return Consumed;
}

bool TVELDANScanner::IsMarkerLine(const std::string& Line) {
    return Line.find(Marker) != std::string::npos;
}

std::string TVELDANScanner::ReadHeader(std::istream& In, bool TextMode, std::string& AxisLine,
                                       size_t& Consumed) {
    // Every line before the first marker line, copied into the metadata.
    std::string Metadata;
    AxisLine.clear();
    for (;;) {
        Metadata += AxisLine;
        Metadata += '\n';
        Consumed += ReadLine(In, AxisLine, TextMode);
        if (AxisLine.empty())
            Metadata += '\n';
        else if (IsMarkerLine(AxisLine))
            return Metadata;
    }
}

const char* TVELDANScanner::SkipSpaces(const char* P, const char* End) {
    while (P != End && *P == ' ')
        ++P;
    return P;
}

const char* TVELDANScanner::TokenEnd(const char* First, const char* End) {
    const char* P = First + 1;
    while (P != End && *P != ' ' && *P != '-')
        ++P;
    return P;
}

void TVELDANScanner::ReadToken(const char* First, const char* End, TToken& Token, bool Strict) {
    Token.First = First;
    // Most tokens are short plain decimals, read in the same pass that finds their end.
    const char* Last = TNumberText::ParseShortDecimal(First, End, Token.Value);
    Token.Plain = Last && (Last == End || *Last == ' ' || *Last == '-');
    if (Token.Plain) {
        Token.Last = Last;
        return;
    }
    Token.Last = TokenEnd(First, End);
    if (Strict && !IsWholeNumber(First, Token.Last))
        TError::Throw(NotANumber);
    Token.Value = TNumberText::Parse(First, Token.Last);
}

std::vector<double> TVELDANScanner::ReadXCoordinates(const std::string& Line,
                                                     const TReadOptions& Options) {
    std::vector<double> Values;
    std::vector<const char*> Starts;
    const char* const End = Line.data() + Line.size();
    TToken Token;
    for (const char* P = SkipSpaces(Line.data(), End); P != End; P = SkipSpaces(P, End)) {
        ReadToken(P, End, Token, false); // labels are checked below, if at all
        Values.push_back(Token.Value);
        Starts.push_back(P);
        P = Token.Last;
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

double TVELDANScanner::Resolution(const std::vector<double>& X) {
    const double Resolution = std::fabs(X[1] - X[0]);
    if (Resolution == 0.0)
        TError::Throw("Resolution cannot be 0 in TVELDANFileTools::LoadVELDANFile");
    return Resolution;
}

void TVELDANScanner::RequireEvenRows(const std::vector<double>& Y, const std::vector<double>& X,
                                     const TReadOptions& Options) {
    if (!Options.Strict || Y.size() < 2)
        return;
    const double Step = std::fabs(XStep(X));
    if (!EvenlySpaced(Y, Y.front(), Y[1] < Y[0] ? -Step : Step, Options.SpacingTolerance))
        TError::Throw("Y coordinates are not evenly spaced by the cell size in "
                      "TVELDANFileTools::LoadVELDANFile");
}

std::unique_ptr<TAxis> TVELDANScanner::XAxis(const std::vector<double>& X, double FirstY,
                                             double Resolution) {
    auto Axis = std::make_unique<TAxis>(Resolution);
    for (double Coordinate : X)
        Axis->AddPoint(new TPoint(Coordinate, FirstY));
    return Axis;
}

std::unique_ptr<TAxis> TVELDANScanner::YAxis(const std::vector<double>& Y, double FirstX,
                                             double Resolution) {
    auto Axis = std::make_unique<TAxis>(Resolution);
    for (double Coordinate : Y)
        Axis->AddPoint(new TPoint(FirstX, Coordinate));
    return Axis;
}

const char* TVELDANScanner::FirstToken(const char* First, const char* End) {
    const char* const Label = SkipSpaces(First, End);
    if (Label == End)
        TError::Throw("Empty data line found in TVELDANFileTools::LoadVELDANFile");
    return Label;
}

double TVELDANScanner::LabelCoordinate(const char* Label, const char* LabelEnd, bool Strict) {
    if (Strict && !IsWholeNumber(Label, LabelEnd))
        TError::Throw(NotANumber);
    return TNumberText::Parse(Label, LabelEnd);
}

double TVELDANScanner::RowCoordinate(const char* First, const char* End, bool Strict) {
    const char* const Label = FirstToken(First, End);
    const char* const LabelEnd = TokenEnd(Label, End);
    const char* Stop = End;
    while (Stop != LabelEnd && Stop[-1] == ' ')
        --Stop;
    if (Stop == LabelEnd)
        return LabelCoordinate(Label, LabelEnd, Strict);
    // The last token starts after the last space, or at a minus sign after it.
    const char* Start = Stop;
    while (Start != LabelEnd && Start[-1] != ' ' && *--Start != '-') {
    }
    TToken Token;
    ReadToken(Start, Stop, Token, Strict);
    return Token.Value;
}

size_t TVELDANScanner::CountValues(const char* First, const char* End) {
    size_t Tokens = 0;
    for (const char* P = SkipSpaces(First, End); P != End; P = SkipSpaces(TokenEnd(P, End), End))
        ++Tokens;
    // The label and the Y coordinate are no values.
    return Tokens < 2 ? 0 : Tokens - 2;
}

// ---------------------------------------------------------------------------------------
// The first pass over a grid

TVELDANScanner::TLayout TVELDANScanner::FindRows(std::istream& In, bool TextMode,
                                                 const TReadOptions& Options) {
    TLayout Layout;
    std::string Line;
    size_t Consumed = 0;
    Layout.Metadata = ReadHeader(In, TextMode, Line, Consumed);
    Layout.X = ReadXCoordinates(Line, Options);
    Resolution(Layout.X);
    for (;;) {
        Layout.Offsets.push_back(Consumed);
        Consumed += ReadLine(In, Line, TextMode);
        if (IsMarkerLine(Line))
            break;
        const char* const End = Line.data() + Line.size();
        if (Layout.Y.empty())
            Layout.FirstRowValues = CountValues(Line.data(), End);
        Layout.Y.push_back(RowCoordinate(Line.data(), End, Options.Strict));
    }
    if (Layout.Y.empty())
        TError::Throw("No data lines found in TVELDANFileTools::LoadVELDANFile");
    RequireEvenRows(Layout.Y, Layout.X, Options);
    return Layout;
}

TARCGISFormatter::THeader TVELDANScanner::GridHeader(const TLayout& Layout, double NoData,
                                                     TARCGISFileTools::TOrientation& Orientation) {
    // The ends of the interval axes made from the point axes `XAxis` and `YAxis` give.
    const double Resolution = TVELDANScanner::Resolution(Layout.X);
    const std::vector<double>& X = Layout.X;
    const std::vector<double>& Y = Layout.Y;
    const TAxisTools::TEnds XEnds =
        TAxisTools::IntervalEnds(TPoint(X.front(), Y.front()), TPoint(X.back(), Y.front()),
                                 static_cast<long>(X.size()), Resolution, 'X');
    const TAxisTools::TEnds YEnds =
        TAxisTools::IntervalEnds(TPoint(X.front(), Y.front()), TPoint(X.front(), Y.back()),
                                 static_cast<long>(Y.size()), Resolution, 'Y');
    Orientation = TARCGISFormatter::Orientation(XEnds, YEnds);
    return TARCGISFormatter::Header(XEnds, YEnds, static_cast<long>(X.size()),
                                    static_cast<long>(Y.size()), Resolution, NoData);
}
