#include "TVELDANFileTools.h"

#include "TMap.h"
#include "TReadFault.h"
#include "TSafeFile.h"
#include "TTextFile.h"
#include "TVELDANScanner.h"
#include "TVELDANWriter.h"

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

/// The map that the read returns; a fault of the text is thrown as its message alone.
template <typename TRead> TMap* WithoutPosition(TRead Read) {
    try {
        return Read();
    } catch (const TReadFault& Fault) {
        TError::Throw(Fault.Message);
    }
}

} // namespace

TMap* TVELDANFileTools::LoadVELDANFile(std::istream& In) {
    return LoadVELDANFile(In, false, TReadOptions());
}

TMap* TVELDANFileTools::LoadVELDANFile(std::istream& In, bool TextLineEnds) {
    return LoadVELDANFile(In, TextLineEnds, TReadOptions());
}

TMap* TVELDANFileTools::LoadVELDANFile(std::istream& In, bool TextLineEnds,
                                       const TReadOptions& Options) {
    return WithoutPosition([&] { return TVELDANScanner::ReadMap(In, TextLineEnds, Options); });
}

TMap* TVELDANFileTools::LoadVELDANFile(std::string FileName) {
    return LoadVELDANFile(std::move(FileName), TReadOptions());
}

TMap* TVELDANFileTools::LoadVELDANFile(std::string FileName, const TReadOptions& Options) {
    return WithoutPosition([&] { return TVELDANScanner::ReadMap(FileName, Options); });
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
    return std::string_view(Line.First, static_cast<size_t>(Line.Last - Line.First))
               .find(TVELDANScanner::Marker) != std::string_view::npos;
}

/// Visits the tokens of the line, as the reader splits it, while `Visit(Token)` returns
/// true. The last token of an unfinished line may be cut short, so it is left out.
template <typename TVisit> void VisitTokens(const TLine& Line, TVisit Visit) {
    for (const char* P = TVELDANScanner::SkipSpaces(Line.First, Line.Last); P != Line.Last;
         P = TVELDANScanner::SkipSpaces(P, Line.Last)) {
        const char* const End = TVELDANScanner::TokenEnd(P, Line.Last);
        if ((End == Line.Last && !Line.Complete) ||
            !Visit(std::string_view(P, static_cast<size_t>(End - P))))
            return;
        P = End;
    }
}

/// Up to `Count` tokens of the line.
std::vector<std::string_view> LeadingTokens(const TLine& Line, size_t Count) {
    std::vector<std::string_view> Tokens;
    if (Count > 0)
        VisitTokens(Line, [&](std::string_view Token) {
            Tokens.push_back(Token);
            return Tokens.size() < Count;
        });
    return Tokens;
}

/// Whether the text starts with the lower-case word, in any case.
bool StartsWithWord(std::string_view Text, std::string_view Word) {
    if (Text.size() < Word.size())
        return false;
    for (size_t I = 0; I < Word.size(); ++I)
        if (std::tolower(static_cast<unsigned char>(Text[I])) != Word[I])
            return false;
    return true;
}

/// Whether the token begins with a number as `atof` reads one (sign, digits, point), or
/// with an infinity or a NaN, which grids hold in cells without data.
bool IsNumber(std::string_view Token) {
    size_t I = 0;
    if (I < Token.size() && (Token[I] == '+' || Token[I] == '-'))
        ++I;
    if (StartsWithWord(Token.substr(I), "inf") || StartsWithWord(Token.substr(I), "nan"))
        return true;
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

/// Whether an unfinished line begins as the axis line of a grid too wide for the bytes
/// does: a label, then X coordinates only, at least two, running one way. The tokens are
/// read up to the first that is not such a coordinate.
bool BeginsAxisLine(const TLine& Line) {
    bool Label = true, Coordinates = true;
    std::vector<double> X;
    VisitTokens(Line, [&](std::string_view Token) {
        if (Label) {
            Label = false;
            return true;
        }
        const double Value = std::atof(std::string(Token).c_str());
        const bool Ascending = X.size() < 2 ? X.empty() || Value > X[0] : X[1] > X[0];
        Coordinates =
            IsNumber(Token) && (X.empty() || (Ascending ? Value > X.back() : Value < X.back()));
        X.push_back(Value);
        return Coordinates;
    });
    return Coordinates && X.size() >= 2;
}

/// How the bytes are told: `Yes`, `No`, or `TooShort` where more bytes may tell; `AtLimit`
/// for bytes that must tell, though the file goes on.
struct TMatcher {
    const char* End;
    bool AtLimit;

    /// What bytes that end too soon tell: at the limit, whether the axis line was seen.
    THeaderMatch EndedAfter(bool AxisLineSeen) const {
        if (!AtLimit)
            return THeaderMatch::TooShort;
        return AxisLineSeen ? THeaderMatch::Yes : THeaderMatch::No;
    }

    /// The line after the axis line: a label, at least one value, the Y coordinate. Its
    /// tokens are counted, never read: a cell's value tells nothing of the format.
    THeaderMatch DataLine(const char* First) const {
        if (First == End)
            return EndedAfter(true);
        const TLine Line = LineAt(First, End);
        if (HoldsMarker(Line))
            return THeaderMatch::No; // a grid without rows
        const size_t Tokens = LeadingTokens(Line, 3).size();
        if (Line.Complete)
            return Tokens == 3 ? THeaderMatch::Yes : THeaderMatch::No;
        return Tokens >= 2 ? THeaderMatch::Yes : EndedAfter(true);
    }

    /// The first marker line: a label, at least two X coordinates, two labels.
    THeaderMatch AxisLine(const TLine& Line) const {
        const std::vector<std::string_view> Tokens = LeadingTokens(Line, 5);
        if (Tokens.size() < 5)
            return Line.Complete ? THeaderMatch::No : EndedAfter(false);
        if (!LabelThenNumbers(Tokens, 3))
            return THeaderMatch::No;
        return Line.Complete ? DataLine(Line.Last + 1) : EndedAfter(true);
    }

    THeaderMatch Match(const char* Bytes) const {
        if (Bytes == End || std::memchr(Bytes, '\0', static_cast<size_t>(End - Bytes)))
            return THeaderMatch::No;
        // Header lines are free text, up to the first marker line; an unfinished one may run
        // on into the marker, or be the axis line of a wide grid.
        long HeaderLines = 0;
        for (const char* P = Bytes; P != End; ++HeaderLines) {
            const TLine Line = LineAt(P, End);
            if (HoldsMarker(Line))
                return AxisLine(Line);
            if (!Line.Complete)
                return AtLimit && BeginsAxisLine(Line) ? THeaderMatch::Yes : EndedAfter(false);
            if (HeaderLines == MaxHeaderLines)
                return THeaderMatch::No;
            P = Line.Last + 1;
        }
        return EndedAfter(false); // the next line may be the axis line
    }
};

} // namespace

TVELDANFileTools::THeaderMatch TVELDANFileTools::MatchVELDANHeader(const char* Bytes, size_t Size) {
    return TMatcher{Bytes + Size, false}.Match(Bytes);
}

bool TVELDANFileTools::IsVELDANHeader(const char* Bytes, size_t Size) {
    return MatchVELDANHeader(Bytes, Size) == THeaderMatch::Yes;
}

bool TVELDANFileTools::IsVELDANHeader(const char* Bytes, size_t Size, bool AllOfFile) {
    return TMatcher{Bytes + Size, !AllOfFile}.Match(Bytes) == THeaderMatch::Yes;
}

// ---------------------------------------------------------------------------------------
// Writing

namespace {

std::vector<double> XCentres(const TMap& Map) {
    std::vector<double> X;
    for (long J = 0; J < Map.GetXDim(); ++J)
        X.push_back(Map.GetXAxis()->GetPoint(J)->GetX());
    return X;
}

double YCentre(const TMap& Map, long Row) {
    return Map.GetYAxis()->GetPoint(Row)->GetY();
}

/// Everything the writer would refuse, checked before anything is written.
void RequireWritable(const TMap* Map) {
    if (!Map)
        TError::Throw("Map is not set in TVELDANFileTools::WriteVELDANFile");
    if (!Map->GetXAxis() || !Map->GetYAxis())
        TError::Throw("Map has no axes in TVELDANFileTools::WriteVELDANFile");
    // The header and the axis line as the writer checks them, written nowhere.
    std::ostream Nowhere(nullptr);
    TVELDANWriter Check(Nowhere);
    Check.WriteHeader(Map->GetMetadata());
    Check.WriteXAxis(XCentres(*Map));
    // One test per row keeps the loop over the cells free of branches.
    for (long I = 0; I < Map->GetYDim(); ++I) {
        bool Finite = std::isfinite(YCentre(*Map, I));
        for (double Value : Map->RowValues(I))
            Finite &= std::isfinite(Value);
        if (!Finite)
            TError::Throw("Map holds a cell or Y centre that is not finite in "
                          "TVELDANFileTools::WriteVELDANFile");
    }
}

void Write(const TMap& Map, std::ostream& Out) {
    TVELDANWriter Writer(Out);
    Writer.WriteHeader(Map.GetMetadata());
    Writer.WriteXAxis(XCentres(Map));
    for (long I = 0; I < Map.GetYDim(); ++I)
        Writer.WriteRow(Map.RowValues(I).data(), Map.GetXDim(), YCentre(Map, I));
    Writer.Finish();
}

} // namespace

void TVELDANFileTools::WriteVELDANFile(const TMap* Map, std::ostream& Out) {
    RequireWritable(Map);
    Write(*Map, Out);
}

void TVELDANFileTools::WriteVELDANFile(const TMap* Map, const std::string& FileName) {
    RequireWritable(Map); // before the file is touched
    TSafeFile File(FileName);
    Write(*Map, File.Stream());
    File.Commit();
}
