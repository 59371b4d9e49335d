#include "TVELDANScanner.h"

#include "TAxisTools.h"
#include "TMap.h"
#include "TMapGeometry.h"
#include "TNumberText.h"
#include "TReadFault.h"
#include "TTextFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <locale>
#include <sstream>
#include <string_view>

const char* const TVELDANScanner::Marker = "degN/degE";
const char* const TVELDANScanner::RowWidthDiffers =
    "Number of values in data line does not match the first data line in "
    "TVELDANFileTools::LoadVELDANFile";
const char* const TVELDANScanner::FirstRowWidthDiffers =
    "Length of new X axis does not match the X dimension of the map";

namespace {

using TScanner = TVELDANScanner;
using TLine = TScanner::TLine;

const char* const NotANumber = "Token is not a number in TVELDANFileTools::LoadVELDANFile";
const char* const UnevenRows =
    "Y coordinates are not evenly spaced by the cell size in TVELDANFileTools::LoadVELDANFile";

/// Bytes of a token that a hint quotes: a hint is one line.
const size_t QuotedLength = 40;

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

/// The index of the first coordinate that lies farther than the tolerance (a fraction of
/// the step) from its place `First + I * Step`, or the number of coordinates.
size_t FirstOffPlace(const std::vector<double>& Coordinates, double First, double Step,
                     double Tolerance) {
    for (size_t I = 0; I < Coordinates.size(); ++I)
        if (!(std::fabs(Coordinates[I] - (First + static_cast<double>(I) * Step)) <=
              Tolerance * std::fabs(Step)))
            return I;
    return Coordinates.size();
}

/// The step of evenly spaced X coordinates, from the first to the last, so that rounding
/// in the written coordinates does not add up along a row.
double XStep(const std::vector<double>& X) {
    return (X.back() - X.front()) / static_cast<double>(X.size() - 1);
}

/// The point axes of a grid: column centres along the first row, row centres along the
/// first column.
std::unique_ptr<TAxis> XAxis(const std::vector<double>& X, double FirstY, double Resolution) {
    auto Axis = std::make_unique<TAxis>(Resolution);
    for (double Coordinate : X)
        Axis->AddPoint(new TPoint(Coordinate, FirstY));
    return Axis;
}

std::unique_ptr<TAxis> YAxis(const std::vector<double>& Y, double FirstX, double Resolution) {
    auto Axis = std::make_unique<TAxis>(Resolution);
    for (double Coordinate : Y)
        Axis->AddPoint(new TPoint(FirstX, Coordinate));
    return Axis;
}

// ---------------------------------------------------------------------------------------
// Where a fault lies, and the traps of the format that hints name

/// The starts of the line's tokens.
std::vector<const char*> TokensOf(const TLine& Line) {
    std::vector<const char*> Tokens;
    for (const char* P = TScanner::SkipSpaces(Line.First, Line.End); P != Line.End;
         P = TScanner::SkipSpaces(TScanner::TokenEnd(P, Line.End), Line.End))
        Tokens.push_back(P);
    return Tokens;
}

/// The text in double quotes, a tab written \t and other control bytes \xNN, cut short.
std::string Quoted(const char* First, const char* Last) {
    std::string Text = "\"";
    const size_t Length = static_cast<size_t>(Last - First);
    for (size_t I = 0; I < Length && I < QuotedLength; ++I) {
        const unsigned char C = static_cast<unsigned char>(First[I]);
        if (C == '\t') {
            Text += "\\t";
        } else if (C < 0x20 || C == 0x7F) {
            char Code[8];
            std::snprintf(Code, sizeof Code, "\\x%02X", C);
            Text += Code;
        } else {
            Text += First[I];
        }
    }
    return Text + (Length > QuotedLength ? "...\"" : "\"");
}

/// Whether the token is a number cut before the minus sign of its exponent ("2.5e" of
/// "2.5e-3"): the minus sign begins a new token.
bool CutBeforeExponent(const char* First, const char* Last, const char* End) {
    return Last - First >= 2 && (Last[-1] == 'e' || Last[-1] == 'E') &&
           (std::isdigit(static_cast<unsigned char>(Last[-2])) || Last[-2] == '.') &&
           End - Last >= 2 && Last[0] == '-' && std::isdigit(static_cast<unsigned char>(Last[1]));
}

/// Whether the token is text with a tab in it: no other control character (binary bytes
/// are no trap of the format).
bool HoldsTab(const char* First, const char* Last) {
    bool Tab = false;
    for (const char* P = First; P != Last; ++P) {
        const unsigned char C = static_cast<unsigned char>(*P);
        if ((C < 0x20 && C != '\t') || C == 0x7F)
            return false;
        Tab |= C == '\t';
    }
    return Tab;
}

/// The hint that names the trap the token [First, Last) of a line ending at `End` falls
/// into, or "".
std::string TrapHint(const char* First, const char* Last, const char* End) {
    if (HoldsTab(First, Last))
        return "the token " + Quoted(First, Last) +
               " holds a tab: this format separates values by spaces only";
    if (CutBeforeExponent(First, Last, End))
        return "the token " + Quoted(First, Last) + " is followed by " +
               Quoted(Last, TScanner::TokenEnd(Last, End)) +
               ": this format reads a negative exponent as two numbers";
    return "";
}

/// Throws the fault at the first token of the line that falls into a trap, if any.
void FaultAtTrap(const char* Message, const TLine& Line, const std::vector<const char*>& Tokens) {
    for (const char* Token : Tokens)
        if (!TrapHint(Token, TScanner::TokenEnd(Token, Line.End), Line.End).empty())
            TScanner::Fault(Message, Line, Token);
}

/// The token that holds the marker (or its first character) in a marker line.
const char* MarkerToken(const TLine& Line, const std::vector<const char*>& Tokens) {
    const char* const Marker =
        Line.First + std::string_view(Line.First, static_cast<size_t>(Line.End - Line.First))
                         .find(TScanner::Marker);
    const char* Token = Tokens.front();
    for (const char* Start : Tokens)
        if (Start <= Marker)
            Token = Start;
    return Token;
}

/// Throws the fault of an axis line at the token. A line that does not begin as an axis
/// line does (a label, then a number) is a header line that holds the marker: the fault is
/// placed at the marker, with a hint that says so.
[[noreturn]] void AxisFault(const char* Message, const TLine& Line,
                            const std::vector<const char*>& Tokens, const char* Token) {
    FaultAtTrap(Message, Line, Tokens);
    if (Tokens.size() > 1 && IsWholeNumber(Tokens[1], TScanner::TokenEnd(Tokens[1], Line.End)))
        TScanner::Fault(Message, Line, Token);
    TScanner::Fault(Message, Line, MarkerToken(Line, Tokens),
                    std::string("this line holds \"") + TScanner::Marker +
                        "\", so it is read as the axis line: no header line may hold the marker");
}

} // namespace

void TVELDANScanner::Fault(const char* Message, const TLine& Line, const char* Token,
                           std::string Hint) {
    const char* const Last = Token == Line.End || *Token == ' ' ? Token : TokenEnd(Token, Line.End);
    if (Hint.empty())
        Hint = TrapHint(Token, Last, Line.End);
    throw TReadFault(Message, Line.Number, static_cast<long>(Token - Line.First) + 1,
                     std::string(Token, Last), std::move(Hint));
}

void TVELDANScanner::WidthFault(const char* Message, const TLine& Line, size_t Columns) {
    const std::vector<const char*> Tokens = TokensOf(Line);
    FaultAtTrap(Message, Line, Tokens);
    // The label and the Y coordinate are no values.
    const size_t Values = Tokens.size() < 2 ? 0 : Tokens.size() - 2;
    Fault(Message, Line, Values > Columns ? Tokens[Columns + 1] : Tokens.back());
}

// ---------------------------------------------------------------------------------------
// Lines and tokens

TLine TVELDANScanner::TLines::Next() {
    const size_t Before = MbrText.size();
    if (!std::getline(MbrIn, MbrText)) {
        if (MbrIn.bad())
            TError::Throw("Unable to read the stream in TVELDANFileTools::LoadVELDANFile");
        // The input ends after the last line read, or on the next line.
        const long Line = MbrLineEnded ? MbrNumber + 1 : MbrNumber;
        const long Column = MbrLineEnded ? 1 : static_cast<long>(Before) + 1;
        throw TReadFault("Unexpected end of file found in TVELDANFileTools::LoadVELDANFile", Line,
                         Column, "");
    }
    ++MbrNumber;
    MbrLineEnded = !MbrIn.eof();
    MbrConsumed += MbrText.size() + (MbrLineEnded ? 1 : 0);
    if (MbrTextMode && MbrLineEnded && !MbrText.empty() && MbrText.back() == '\r')
        MbrText.pop_back();
    return Current();
}

TLine TVELDANScanner::TLines::Current() const {
    return {MbrText.data(), MbrText.data() + MbrText.size(), MbrNumber};
}

bool TVELDANScanner::IsMarkerLine(const TLine& Line) {
    return std::string_view(Line.First, static_cast<size_t>(Line.End - Line.First)).find(Marker) !=
           std::string_view::npos;
}

std::string TVELDANScanner::ReadHeader(TLines& Lines) {
    // Every line before the first marker line, each after a line feed (two for an empty
    // line), and a line feed at the end.
    std::string Metadata = "\n";
    for (TLine Line = Lines.Next(); !IsMarkerLine(Line); Line = Lines.Next()) {
        if (Line.First == Line.End)
            Metadata += '\n';
        Metadata.append(Line.First, Line.End);
        Metadata += '\n';
    }
    return Metadata;
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

void TVELDANScanner::ReadToken(const char* First, const TLine& Line, TToken& Token, bool Strict) {
    Token.First = First;
    // Most tokens are short plain decimals, read in the same pass that finds their end.
    const char* Last = TNumberText::ParseShortDecimal(First, Line.End, Token.Value);
    Token.Plain = Last && (Last == Line.End || *Last == ' ' || *Last == '-');
    if (Token.Plain) {
        Token.Last = Last;
        return;
    }
    Token.Last = TokenEnd(First, Line.End);
    if (Strict && !IsWholeNumber(First, Token.Last))
        Fault(NotANumber, Line, First);
    Token.Value = TNumberText::Parse(First, Token.Last);
}

std::vector<double> TVELDANScanner::ReadXCoordinates(const TLine& Line,
                                                     const TReadOptions& Options) {
    const std::vector<const char*> Tokens = TokensOf(Line);
    // The first token and the last two are labels.
    if (Tokens.size() < 5)
        AxisFault("Axis line must hold at least two X coordinates in "
                  "TVELDANFileTools::LoadVELDANFile",
                  Line, Tokens, MarkerToken(Line, Tokens));
    std::vector<double> X;
    TToken Token;
    for (size_t I = 1; I + 2 < Tokens.size(); ++I) {
        ReadToken(Tokens[I], Line, Token, false); // checked below, if at all
        X.push_back(Token.Value);
    }
    if (Options.Strict) {
        for (size_t I = 1; I + 2 < Tokens.size(); ++I)
            if (!IsWholeNumber(Tokens[I], TokenEnd(Tokens[I], Line.End)))
                AxisFault(NotANumber, Line, Tokens, Tokens[I]);
        const size_t Off = FirstOffPlace(X, X.front(), XStep(X), Options.SpacingTolerance);
        if (Off != X.size())
            AxisFault("X coordinates are not evenly spaced in TVELDANFileTools::LoadVELDANFile",
                      Line, Tokens, Tokens[Off + 1]);
    }
    if (Resolution(X) == 0.0)
        AxisFault("Resolution cannot be 0 in TVELDANFileTools::LoadVELDANFile", Line, Tokens,
                  Tokens[2]);
    return X;
}

double TVELDANScanner::Resolution(const std::vector<double>& X) {
    return std::fabs(X[1] - X[0]);
}

const char* TVELDANScanner::FirstToken(const TLine& Line) {
    const char* const Label = SkipSpaces(Line.First, Line.End);
    if (Label == Line.End)
        Fault("Empty data line found in TVELDANFileTools::LoadVELDANFile", Line, Line.First);
    return Label;
}

TVELDANScanner::TToken TVELDANScanner::LabelCoordinate(const char* Label, const TLine& Line,
                                                       bool Strict) {
    const char* const LabelEnd = TokenEnd(Label, Line.End);
    if (Strict && !IsWholeNumber(Label, LabelEnd))
        Fault(NotANumber, Line, Label);
    return {Label, LabelEnd, TNumberText::Parse(Label, LabelEnd), false};
}

TVELDANScanner::TToken TVELDANScanner::RowCoordinate(const TLine& Line, bool Strict) {
    const char* const Label = FirstToken(Line);
    const char* const LabelEnd = TokenEnd(Label, Line.End);
    const char* Stop = Line.End;
    while (Stop != LabelEnd && Stop[-1] == ' ')
        --Stop;
    if (Stop == LabelEnd)
        return LabelCoordinate(Label, Line, Strict);
    // The last token starts after the last space, or at a minus sign after it.
    const char* Start = Stop;
    while (Start != LabelEnd && Start[-1] != ' ' && *--Start != '-') {
    }
    TToken Token;
    ReadToken(Start, {Line.First, Stop, Line.Number}, Token, Strict);
    return Token;
}

size_t TVELDANScanner::CountValues(const char* First, const char* End) {
    size_t Tokens = 0;
    for (const char* P = SkipSpaces(First, End); P != End; P = SkipSpaces(TokenEnd(P, End), End))
        ++Tokens;
    // The label and the Y coordinate are no values.
    return Tokens < 2 ? 0 : Tokens - 2;
}

// ---------------------------------------------------------------------------------------
// The data lines

TVELDANScanner::TRows::TRows(const TLine& Axis, const std::vector<double>& X,
                             const TReadOptions& Options)
    : MbrAxisText(Axis.First, Axis.End), MbrAxisNumber(Axis.Number), MbrColumns(X.size()),
      MbrStrict(Options.Strict), MbrTolerance(Options.SpacingTolerance) {
    if (MbrStrict)
        MbrXStep = std::fabs(XStep(X));
}

bool TVELDANScanner::TRows::AtPlace(double Y, size_t Row) const {
    // Row 0 is at its place whichever way the rows run, unless it is not finite.
    const double Place = MbrY.front() + static_cast<double>(Row) * MbrRowStep;
    return std::fabs(Y - Place) <= MbrTolerance * MbrXStep;
}

void TVELDANScanner::TRows::Add(const TLine& Line, const TToken& Y, size_t Values) {
    if (MbrY.empty()) {
        MbrFirstText.assign(Line.First, Line.End);
        MbrFirstNumber = Line.Number;
        MbrFirstValues = Values;
    }
    MbrY.push_back(Y.Value);
    if (!MbrStrict || MbrOffLine != 0)
        return;
    if (MbrY.size() == 2)
        MbrRowStep = MbrY[1] < MbrY[0] ? -MbrXStep : MbrXStep;
    if (!AtPlace(Y.Value, MbrY.size() - 1)) {
        MbrOffLine = Line.Number;
        MbrOffColumn = static_cast<long>(Y.First - Line.First) + 1;
        MbrOffToken.assign(Y.First, Y.Last);
    }
}

namespace {

/// The hint for rows evenly spaced by another size than the columns' cell size, or "".
std::string RowSpacingHint(const std::vector<double>& Y, double XStep, double Tolerance) {
    const double RowStep = Y[1] - Y[0];
    if (RowStep == 0.0 || std::fabs(RowStep) == XStep ||
        FirstOffPlace(Y, Y[0], RowStep, Tolerance) != Y.size())
        return "";
    std::ostringstream Text;
    Text.imbue(std::locale::classic());
    Text << "the rows lie " << std::fabs(RowStep) << " apart and the columns " << XStep
         << ": a strict read needs rows spaced by the cell size of the columns";
    return Text.str();
}

} // namespace

void TVELDANScanner::TRows::Finish(const TLine& Closing) const {
    if (MbrY.empty())
        Fault("No data lines found in TVELDANFileTools::LoadVELDANFile", Closing,
              SkipSpaces(Closing.First, Closing.End));
    // Row 0 off its place (a coordinate that is not finite) counts only beside another row.
    if (MbrOffLine != 0 && MbrY.size() >= 2)
        throw TReadFault(UnevenRows, MbrOffLine, MbrOffColumn, MbrOffToken,
                         RowSpacingHint(MbrY, MbrXStep, MbrTolerance));
    if (MbrFirstValues != MbrColumns) {
        // A trap in the axis line gives it a column too many or too few.
        const TLine Axis{MbrAxisText.data(), MbrAxisText.data() + MbrAxisText.size(),
                         MbrAxisNumber};
        FaultAtTrap(FirstRowWidthDiffers, Axis, TokensOf(Axis));
        WidthFault(FirstRowWidthDiffers,
                   {MbrFirstText.data(), MbrFirstText.data() + MbrFirstText.size(), MbrFirstNumber},
                   MbrColumns);
    }
}

// ---------------------------------------------------------------------------------------
// The first pass over a grid

TVELDANScanner::TLayout TVELDANScanner::FindRows(std::istream& In, bool TextMode,
                                                 const TReadOptions& Options) {
    TLayout Layout;
    TLines Lines(In, TextMode);
    Layout.Metadata = ReadHeader(Lines);
    Layout.X = ReadXCoordinates(Lines.Current(), Options);
    Layout.FirstLine = Lines.Current().Number + 1;
    TRows Rows(Lines.Current(), Layout.X, Options);
    for (;;) {
        Layout.Offsets.push_back(Lines.Consumed());
        const TLine Line = Lines.Next();
        if (IsMarkerLine(Line))
            break;
        Rows.Add(Line, RowCoordinate(Line, Options.Strict),
                 Rows.Empty() ? CountValues(Line.First, Line.End) : 0);
    }
    Rows.Finish(Lines.Current());
    Layout.Y = std::move(Rows.Y());
    return Layout;
}

TARCGISFormatter::THeader TVELDANScanner::GridHeader(const TLayout& Layout, double NoData,
                                                     TMapGeometry::TOrientation& Orientation) {
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
    Orientation = TMapGeometry::Orientation(XEnds, YEnds);
    return TARCGISFormatter::Header(XEnds, YEnds, static_cast<long>(X.size()),
                                    static_cast<long>(Y.size()), Resolution, NoData);
}

// ---------------------------------------------------------------------------------------
// The whole map

TMap* TVELDANScanner::ReadMap(std::istream& In, bool TextMode, const TReadOptions& Options) {
    TLines Lines(In, TextMode);
    std::string Metadata = ReadHeader(Lines);
    // Axis line: the first token and the last two are labels, the ones between are the X
    // coordinates of the columns.
    const std::vector<double> X = ReadXCoordinates(Lines.Current(), Options);
    const double Resolution = TVELDANScanner::Resolution(X);
    std::unique_ptr<TMap> Map(new TMap(Resolution));
    Map->SetMetadata(std::move(Metadata));
    // Each row is made room for once, at the width of the first row (or of the axis line).
    TRows Rows(Lines.Current(), X, Options);
    for (TLine Line = Lines.Next(); !IsMarkerLine(Line); Line = Lines.Next()) {
        std::vector<double> Row;
        Row.reserve((Rows.Empty() ? X.size() : Rows.FirstRowValues()) + 1);
        const TToken Y = ScanDataLine(Line, Options.Strict,
                                      [&Row](const TToken& Token) { Row.push_back(Token.Value); });
        if (!Rows.Empty() && Row.size() != Rows.FirstRowValues())
            WidthFault(RowWidthDiffers, Line, Rows.FirstRowValues());
        Rows.Add(Line, Y, Row.size());
        Map->AddRow(std::move(Row));
    }
    Rows.Finish(Lines.Current());
    Map->SetXAxis(XAxis(X, Rows.Y()[0], Resolution).get());
    Map->SetYAxis(YAxis(Rows.Y(), X[0], Resolution).get());
    return Map.release();
}

TMap* TVELDANScanner::ReadMap(const std::string& FileName, const TReadOptions& Options) {
    std::unique_ptr<char[]> Buffer; // outlives the stream
    std::ifstream In;
    TTextFile::OpenBuffered(In, FileName, Buffer);
    try {
        return ReadMap(In, true, Options);
    } catch (...) {
        TTextFile::RethrowReadFailure(FileName);
    }
}
