#include "TARCGISFileTools.h"

#include "TARCGISFormatter.h"
#include "TMap.h"
#include "TNumberText.h"
#include "TSafeFile.h"
#include "TTextFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>
#include <locale>
#include <memory>
#include <vector>

// ---------------------------------------------------------------------------------------
// Reading
//
// A grid is read as `>>` extracts words and numbers from a stream: the header's six pairs of
// a keyword and a number, then the cells, row 0 (the northernmost) first. Streams in the
// classic locale are scanned in large blocks straight from their buffer, with the same
// results; others are read by extraction itself, under their own locale and flags.

namespace {

const char* const UnreadableStream =
    "Unable to read the stream in TARCGISFileTools::LoadARCGISFile";

/// The header keywords in file order, each with the message for its absence.
const struct {
    const char* Keyword;
    const char* Missing;
} HeaderLines[] = {
    {"ncols", "File format error: expected to find ncols tag"},
    {"nrows", "File format error: expectd to find nrows tag"},
    {"xllcorner", "File format error: expected to find xllcorner tag"},
    {"yllcorner", "File format error: expected to find yllcorner tag"},
    {"cellsize", "File format error: expected to find cellsize tag"},
    {"NODATA_value", "File format error: expected to find NODATA_value tag"},
};

/// The numbers of the header, in the order of its lines.
struct THeader {
    long Columns = 0;
    long Rows = 0;
    double XCorner = 0.0;
    double YCorner = 0.0;
    double CellSize = 0.0;
    double NoData = 0.0;
};

/// What reading a number met: a number, the end of the input before it, or a word that
/// does not begin with one.
enum class TNumberRead { Number, EndOfInput, NotANumber };

// ---------------------------------------------------------------------------------------
// Words by extraction

/// The words of a grid as `>>` extracts them, under the stream's own locale and flags.
class TExtractedWords {
public:
    explicit TExtractedWords(std::istream& In) : MbrIn(In) {}

    void ExpectWords(long) {}
    bool ReadWord(std::string& Word) { return Checked(static_cast<bool>(MbrIn >> Word)); }
    bool ReadHeaderNumber(long& Number) { return Checked(static_cast<bool>(MbrIn >> Number)); }
    bool ReadHeaderNumber(double& Number) { return Checked(static_cast<bool>(MbrIn >> Number)); }
    TNumberRead ReadNumber(double& Number) {
        if (Checked(!(MbrIn >> std::ws) || MbrIn.peek() == std::char_traits<char>::eof()))
            return TNumberRead::EndOfInput;
        return Checked(static_cast<bool>(MbrIn >> Number)) ? TNumberRead::Number
                                                           : TNumberRead::NotANumber;
    }

private:
    /// A stream gone bad failed to read (an I/O error): that is no end of the input.
    bool Checked(bool Result) const {
        if (MbrIn.bad())
            TError::Throw(UnreadableStream);
        return Result;
    }

    std::istream& MbrIn;
};

// ---------------------------------------------------------------------------------------
// Words scanned from the stream buffer

/// White space of the classic locale.
bool IsSpace(char C) {
    return C == ' ' || (C >= '\t' && C <= '\r');
}

bool IsDigit(char C) {
    return static_cast<unsigned char>(C - '0') < 10;
}

bool IsSign(char C) {
    return C == '+' || C == '-';
}

// The characters that extraction takes for each kind of word, found by scanners that go on
// where they stopped when a word runs past the characters at hand: `Continue` returns the
// end of the word, or `Last` when it may go on.

/// A word: everything up to the next white space.
struct TWordScan {
    const char* Continue(const char* P, const char* Last) {
        while (P != Last && !IsSpace(*P))
            ++P;
        return P;
    }
};

/// A whole number: a sign, then digits.
struct TCountScan {
    bool MbrStarted = false;

    const char* Continue(const char* P, const char* Last) {
        if (!MbrStarted && P != Last) {
            MbrStarted = true;
            P += IsSign(*P);
        }
        while (P != Last && IsDigit(*P))
            ++P;
        return P;
    }
};

/// A double, as `num_get` gathers its characters in the classic locale (the C++ library's
/// stage 2 of reading a number): a sign, digits with at most one point, and, once a digit
/// has come, "e" or "E", a sign and digits. The characters make a number when the mantissa
/// has a digit, and the exponent, if any, too; `strtod` then reads them whole.
class TNumberScan {
public:
    const char* Continue(const char* P, const char* Last);
    bool Complete() const {
        return MbrMantissaDigit && (MbrPart == TPart::Mantissa || MbrExponentDigit);
    }

private:
    enum class TPart { Sign, Mantissa, ExponentSign, Exponent };
    TPart MbrPart = TPart::Sign;
    bool MbrPoint = false;
    bool MbrMantissaDigit = false;
    bool MbrExponentDigit = false;
};

const char* TNumberScan::Continue(const char* P, const char* Last) {
    for (; P != Last; ++P) {
        const char C = *P;
        switch (MbrPart) {
        case TPart::Sign:
            MbrPart = TPart::Mantissa;
            if (IsSign(C))
                continue;
            [[fallthrough]];
        case TPart::Mantissa:
            if (IsDigit(C))
                MbrMantissaDigit = true;
            else if (C == '.' && !MbrPoint)
                MbrPoint = true;
            else if ((C == 'e' || C == 'E') && MbrMantissaDigit)
                MbrPart = TPart::ExponentSign;
            else
                return P;
            continue;
        case TPart::ExponentSign:
            MbrPart = TPart::Exponent;
            if (IsSign(C))
                continue;
            [[fallthrough]];
        case TPart::Exponent:
            if (!IsDigit(C))
                return P;
            MbrExponentDigit = true;
        }
    }
    return P;
}

/// Whether scanning reads the stream as extraction would: a good stream in the classic
/// locale that skips white space, reads whole numbers in decimal, has no field width pending
/// and throws on nothing but a failed read.
bool CanScan(const std::istream& In) {
    const std::ios_base::fmtflags Reading = std::ios_base::skipws | std::ios_base::basefield;
    return In.good() && (In.flags() & Reading) == (std::ios_base::skipws | std::ios_base::dec) &&
           In.width() == 0 && (In.exceptions() & ~std::ios_base::badbit) == 0 &&
           In.getloc() == std::locale::classic();
}

/// Called in a handler of what the stream buffer threw: the stream goes bad, as it does in
/// extraction, and passes the exception on when it throws on bad; otherwise the failed read
/// is reported.
[[noreturn]] void ReportFailedRead(std::istream& In) {
    bool PassOn = false;
    try {
        In.setstate(std::ios_base::badbit);
    } catch (const std::ios_base::failure&) {
        PassOn = true;
    }
    if (PassOn)
        throw;
    TError::Throw(UnreadableStream);
}

/// The words of a grid scanned in large blocks from the stream buffer, as extraction reads
/// them: the same words and numbers, the same failures, the same state bits, and the stream
/// left where extraction leaves it, right after the last value, so that grids that follow
/// one another in a stream can be read one by one.
///
/// For that no more characters are taken from the buffer than a valid grid still holds: every
/// word is at least one character long, so with n words to come (the next one included) n
/// characters may be taken between words and n - 1 inside one. Inside the last word each
/// next character is looked at before it is taken, as extraction does.
class TScannedWords {
public:
    explicit TScannedWords(std::istream& In);

    /// Sets how many words a valid grid holds from here on, the next one included.
    void ExpectWords(long Words) { MbrWordsAhead = Words; }
    bool ReadWord(std::string& Word);
    bool ReadHeaderNumber(long& Number);
    bool ReadHeaderNumber(double& Number) { return ReadNumber(Number) == TNumberRead::Number; }
    TNumberRead ReadNumber(double& Number) {
        if (!SkipSpace())
            return Fail(TNumberRead::EndOfInput);
        // Most values are short plain decimals, read in the pass that finds their end.
        const char* const Last = TNumberText::ParseShortDecimal(MbrNext, MbrEnd, Number);
        if (Last && Last != MbrEnd && *Last != 'e' && *Last != 'E') {
            Take(Last);
            return TNumberRead::Number;
        }
        return ReadAnyNumber(Number);
    }

private:
    static constexpr std::size_t BlockSize = 1 << 16;

    /// Steps over white space; false when the input ends first.
    bool SkipSpace() {
        for (;;) {
            while (MbrNext != MbrEnd && IsSpace(*MbrNext))
                ++MbrNext;
            if (MbrNext != MbrEnd)
                return true;
            if (!Refill())
                return false;
        }
    }
    template <typename TScan> const char* ScanWord(TScan& Scan);
    TNumberRead ReadAnyNumber(double& Number);
    bool Refill();
    std::streamsize TakeFromBuffer(std::streamsize Allowed);
    void Take(const char* Last) {
        MbrNext = Last;
        --MbrWordsAhead;
    }
    template <typename TResult> TResult Fail(TResult Result) {
        MbrIn.setstate(std::ios_base::failbit);
        return Result;
    }

    std::istream& MbrIn;
    std::streambuf& MbrBuffer;
    /// The characters taken, [MbrNext, MbrEnd) not yet scanned.
    std::vector<char> MbrText;
    const char* MbrNext;
    char* MbrEnd;
    long MbrWordsAhead = 1;
    /// The last character of the text was only looked at and is still in the buffer.
    bool MbrLookedAt = false;
    bool MbrEnded = false;
};

TScannedWords::TScannedWords(std::istream& In)
    : MbrIn(In), MbrBuffer(*In.rdbuf()), MbrText(BlockSize), MbrNext(MbrText.data()),
      MbrEnd(MbrText.data()) {
    // What every extraction does first: the output tied to the stream (a prompt) goes out.
    if (std::ostream* Tied = In.tie())
        Tied->flush();
}

bool TScannedWords::ReadWord(std::string& Word) {
    if (!SkipSpace())
        return Fail(false);
    TWordScan Scan;
    const char* const Last = ScanWord(Scan);
    Word.assign(MbrNext, Last);
    Take(Last);
    return true;
}

bool TScannedWords::ReadHeaderNumber(long& Number) {
    if (!SkipSpace())
        return Fail(false);
    TCountScan Scan;
    const char* const Last = ScanWord(Scan);
    const char* First = MbrNext;
    Take(Last);
    // from_chars takes a minus sign only; a number beyond the range of `long` fails.
    First += First != Last && *First == '+';
    const std::from_chars_result Result = std::from_chars(First, Last, Number);
    return (Result.ec == std::errc() && Result.ptr == Last) || Fail(false);
}

TNumberRead TScannedWords::ReadAnyNumber(double& Number) {
    TNumberScan Scan;
    const char* const Last = ScanWord(Scan);
    const char* const First = MbrNext;
    Take(Last);
    if (!Scan.Complete())
        return Fail(TNumberRead::NotANumber);
    // The characters are a whole decimal number, which `atof` reads as extraction does; a
    // number beyond the range of doubles fails.
    Number = TNumberText::Parse(First, Last);
    return std::isinf(Number) ? Fail(TNumberRead::NotANumber) : TNumberRead::Number;
}

/// The end of the word that starts at MbrNext, taking more characters while it runs on.
template <typename TScan> const char* TScannedWords::ScanWord(TScan& Scan) {
    const char* P = MbrNext;
    for (;;) {
        P = Scan.Continue(P, MbrEnd);
        if (P != MbrEnd)
            return P;
        const std::ptrdiff_t Scanned = P - MbrNext;
        if (!Refill())
            return MbrEnd;
        P = MbrNext + Scanned;
    }
}

/// Takes more characters after MbrEnd, keeping those from MbrNext on (a word being read) at
/// the front of the text; false when the input has ended.
bool TScannedWords::Refill() {
    if (MbrEnded)
        return false;
    const std::size_t Kept = static_cast<std::size_t>(MbrEnd - MbrNext);
    if (MbrNext != MbrText.data())
        std::memmove(MbrText.data(), MbrNext, Kept);
    if (Kept == MbrText.size())
        MbrText.resize(2 * Kept); // a word longer than the text
    MbrNext = MbrText.data();
    MbrEnd = MbrText.data() + Kept;
    const std::streamsize Room = static_cast<std::streamsize>(MbrText.size() - Kept);
    const std::streamsize Taken = TakeFromBuffer(
        std::min<std::streamsize>(Room, Kept == 0 ? MbrWordsAhead : MbrWordsAhead - 1));
    if (Taken == 0) {
        MbrEnded = true;
        MbrIn.setstate(std::ios_base::eofbit);
        return false;
    }
    MbrEnd += Taken;
    return true;
}

/// Takes up to `Allowed` characters from the buffer to MbrEnd, or, when none may be taken,
/// looks at the next one; 0 at the end of the input.
std::streamsize TScannedWords::TakeFromBuffer(std::streamsize Allowed) {
    try {
        // A character looked at has been scanned over: it is the word's, or white space.
        if (MbrLookedAt)
            MbrBuffer.sbumpc();
        MbrLookedAt = false;
        if (Allowed > 0)
            return MbrBuffer.sgetn(MbrEnd, Allowed);
        const std::streambuf::int_type Next = MbrBuffer.sgetc();
        if (std::streambuf::traits_type::eq_int_type(Next, std::streambuf::traits_type::eof()))
            return 0;
        *MbrEnd = std::streambuf::traits_type::to_char_type(Next);
        MbrLookedAt = true;
        return 1;
    } catch (...) {
        ReportFailedRead(MbrIn);
    }
}

// ---------------------------------------------------------------------------------------
// The steps of reading, on either kind of words

/// Reads the pair of header line `Line`. As extraction does, the number is read before the
/// keyword is checked, and a number that fails stops the reading: the next keyword is then
/// missing.
template <typename TWords, typename TNumber>
void ReadHeaderPair(TWords& Words, std::size_t Line, TNumber& Number) {
    std::string Keyword;
    const bool KeywordRead = Words.ReadWord(Keyword);
    const bool NumberRead = KeywordRead && Words.ReadHeaderNumber(Number);
    if (!KeywordRead || Keyword != HeaderLines[Line].Keyword)
        TError::Throw(HeaderLines[Line].Missing);
    if (!NumberRead)
        TError::Throw(HeaderLines[Line + 1].Missing);
}

/// Reads a cell value (or the no-data value): the end of the input before it is the
/// end-of-file failure, a word that is not a number (also the last one of the input) the
/// invalid-number failure.
template <typename TWords> double ReadValue(TWords& Words) {
    double Value = 0.0;
    const TNumberRead Read = Words.ReadNumber(Value);
    if (Read == TNumberRead::EndOfInput)
        TError::Throw("Unexpected end of file found in TARCGISFileTools::LoadARCGISFile");
    if (Read == TNumberRead::NotANumber)
        TError::Throw("Invalid number found in TARCGISFileTools::LoadARCGISFile");
    return Value;
}

void RequireValidHeader(const THeader& Header) {
    if (Header.Columns <= 0)
        TError::Throw("Number of columns must be greater than 0 in "
                      "TARCGISFileTools::LoadARCGISFile");
    if (Header.Rows <= 0)
        TError::Throw("Number of rows must be greater than 0 in TARCGISFileTools::LoadARCGISFile");
    // A cell size of 0 or less would turn the grid over or stack every edge on one line.
    if (!(Header.CellSize > 0.0))
        TError::Throw("Cell size must be greater than 0 in TARCGISFileTools::LoadARCGISFile");
}

/// The header, the mirror of the writer's: six pairs of a keyword and a number, in order.
template <typename TWords> THeader ReadHeader(TWords& Words) {
    // A valid grid holds the twelve words of the header and at least one value.
    Words.ExpectWords(13);
    THeader Header;
    ReadHeaderPair(Words, 0, Header.Columns);
    ReadHeaderPair(Words, 1, Header.Rows);
    ReadHeaderPair(Words, 2, Header.XCorner);
    ReadHeaderPair(Words, 3, Header.YCorner);
    ReadHeaderPair(Words, 4, Header.CellSize);
    // The no-data keyword, which may be written in lower case, is checked before its number
    // is read.
    std::string Keyword;
    if (!Words.ReadWord(Keyword) || (Keyword != "NODATA_value" && Keyword != "nodata_value"))
        TError::Throw(HeaderLines[5].Missing);
    Header.NoData = ReadValue(Words);
    RequireValidHeader(Header);
    return Header;
}

/// The cells, row by row. The map grows with the values actually read, never with the
/// announced size: a row is made room for once the first has shown the input to hold rows.
template <typename TWords> std::unique_ptr<TMap> ReadBody(TWords& Words, const THeader& Header) {
    const long MaxCells = std::numeric_limits<long>::max();
    Words.ExpectWords(Header.Columns > MaxCells / Header.Rows ? MaxCells
                                                              : Header.Columns * Header.Rows);
    std::unique_ptr<TMap> Map(new TMap(Header.CellSize));
    Map->SetNoDataValue(Header.NoData);
    for (long I = 0; I < Header.Rows; ++I) {
        std::vector<double> Row;
        if (I > 0)
            Row.reserve(static_cast<std::size_t>(Header.Columns));
        for (long J = 0; J < Header.Columns; ++J)
            Row.push_back(ReadValue(Words));
        Map->AddRow(std::move(Row));
    }
    return Map;
}

/// The interval axes, edges by repeated addition: Y upward from the lower-left corner to the
/// top edge at index 0, X eastward from the corner.
void SetAxes(TMap& Map, const THeader& Header) {
    TAxis YIntervals(Header.CellSize, Header.Rows + 1);
    double Y = Header.YCorner;
    for (long I = Header.Rows; I >= 0; --I, Y += Header.CellSize)
        YIntervals.SetPoint(I, new TPoint(Header.XCorner, Y));
    const double Top = YIntervals.GetPoint(0)->GetY();
    TAxis XIntervals(Header.CellSize, Header.Columns + 1);
    double X = Header.XCorner;
    for (long J = 0; J <= Header.Columns; ++J, X += Header.CellSize)
        XIntervals.SetPoint(J, new TPoint(X, Top));
    Map.SetXAxisInterval(&XIntervals);
    Map.SetYAxisInterval(&YIntervals);
}

template <typename TWords> TMap* Load(TWords& Words) {
    const THeader Header = ReadHeader(Words);
    std::unique_ptr<TMap> Map = ReadBody(Words, Header);
    SetAxes(*Map, Header);
    return Map.release();
}

} // namespace

TMap* TARCGISFileTools::LoadARCGISFile(std::istream& In) {
    if (CanScan(In)) {
        TScannedWords Words(In);
        return Load(Words);
    }
    TExtractedWords Words(In);
    return Load(Words);
}

TMap* TARCGISFileTools::LoadARCGISFile(std::string FileName) {
    std::ifstream In;
    TTextFile::OpenForReading(In, FileName);
    try {
        return LoadARCGISFile(In);
    } catch (...) {
        TTextFile::RethrowReadFailure(FileName);
    }
}
