#include "TNumberText.h"

#include <locale.h>
#include <stdlib.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale>
#include <string>

namespace {

// The short paths compute one correctly rounded operation on exact operands; they are taken
// only where doubles are IEEE binary64 evaluated without wider intermediates.
constexpr bool ExactArithmetic = std::numeric_limits<double>::is_iec559 && FLT_EVAL_METHOD == 0;

// Powers of ten that doubles hold exactly.
constexpr double ExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int MaxExactPower = 22;

// 10^k for k = -8 .. 15, as the nearest doubles: the decades that `FormatShort` handles.
constexpr double DecadeStarts[] = {1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1,
                                   1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr int LowestDecade = -8;

// "00" to "99", two characters each.
constexpr char DigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930"
                              "31323334353637383940414243444546474849505152535455565758596061"
                              "62636465666768697071727374757677787980818283848586878889909192"
                              "93949596979899";
static_assert(sizeof DigitPairs == 201, "two characters for each of 00 to 99");

bool IsDigit(char C) {
    return static_cast<unsigned char>(C - '0') < 10;
}

/// Whether the character after a plain decimal makes more of it: an exponent, or a
/// hexadecimal number after "0".
bool ContinuesNumber(char C) {
    return C == 'e' || C == 'E' || C == 'x' || C == 'X';
}

/// Steps over a leading sign; returns whether it was a minus.
bool ScanSign(const char*& P, const char* Last) {
    const bool Negative = P != Last && *P == '-';
    if (P != Last && (*P == '-' || *P == '+'))
        ++P;
    return Negative;
}

/// The digits of "digits[.digits]": their value (wrapping around beyond 19 digits, so only
/// used up to 15), their number, and the power of ten that the point puts on them.
struct TMantissa {
    std::uint64_t Value = 0;
    long Digits = 0;
    long Power = 0;
};

/// Reads "digits[.digits]" (possibly without any digit) from P; returns its end. Inlined:
/// it is the inner loop of reading a grid.
inline const char* ScanMantissa(const char* P, const char* Last, TMantissa& Mantissa) {
    const char* const First = P;
    for (; P != Last && IsDigit(*P); ++P)
        Mantissa.Value = Mantissa.Value * 10 + static_cast<unsigned>(*P - '0');
    Mantissa.Digits = P - First;
    if (P != Last && *P == '.') {
        const char* const Fraction = ++P;
        for (; P != Last && IsDigit(*P); ++P)
            Mantissa.Value = Mantissa.Value * 10 + static_cast<unsigned>(*P - '0');
        Mantissa.Power = Fraction - P;
        Mantissa.Digits -= Mantissa.Power;
    }
    return P;
}

/// Mantissa * 10^Power for up to 15 digits and a power within the exact powers: Clinger's
/// fast path. A mantissa below 2^53 and a power of ten up to 10^22 are both exact doubles, so
/// the one multiplication or division rounds correctly, to the double `strtod` gives.
double ExactValue(const TMantissa& Mantissa, long Power, bool Negative) {
    const double Exact = static_cast<double>(Mantissa.Value);
    const double Magnitude =
        Power < 0 ? Exact / ExactPowersOfTen[-Power] : Exact * ExactPowersOfTen[Power];
    return Negative ? -Magnitude : Magnitude;
}

/// floor(log10(Magnitude)) for a magnitude in [1e-8, 1e15), or one less right at a power of
/// ten whose double lies above the true power.
int DecimalExponent(double Magnitude) {
    std::uint64_t Bits;
    std::memcpy(&Bits, &Magnitude, sizeof Bits);
    const int Binary = static_cast<int>(Bits >> 52) - 1023;
    // floor(Binary * log10(2)) is the exponent or one less.
    int Decimal = Binary >= 0 ? Binary * 78913 >> 18 : -((-Binary * 78913 + (1 << 18) - 1) >> 18);
    if (Decimal + 1 - LowestDecade < static_cast<int>(std::size(DecadeStarts)) &&
        Magnitude >= DecadeStarts[Decimal + 1 - LowestDecade])
        ++Decimal;
    return Decimal;
}

/// Writes the 8 decimal digits of a number below 10^8, zero-padded, at `Text`.
inline void WriteEightDigits(char* Text, std::uint32_t Number) {
    const std::uint32_t High = Number / 10000;
    const std::uint32_t Low = Number % 10000;
    std::memcpy(Text, DigitPairs + 2 * (High / 100), 2);
    std::memcpy(Text + 2, DigitPairs + 2 * (High % 100), 2);
    std::memcpy(Text + 4, DigitPairs + 2 * (Low / 100), 2);
    std::memcpy(Text + 6, DigitPairs + 2 * (Low % 100), 2);
}

/// Number of '0' characters that end the 8 characters at `Text`, which are not all '0'.
int TrailingZeroCharacters(const char* Text) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint64_t Word;
    std::memcpy(&Word, Text, sizeof Word);
    // The last character is the highest byte; bytes that held '0' become 0.
    return __builtin_clzll(Word ^ 0x3030303030303030ULL) / 8;
#else
    int Zeros = 0;
    while (Text[7 - Zeros] == '0')
        ++Zeros;
    return Zeros;
#endif
}

/// The significant digits of a number from 10^14 up to 2^53, without the trailing zeros:
/// `Count` digits from `Text + First` on, then `Zeros` zeros. `Text` holds '0's after the
/// digits, and 16 characters can be read from any position up to the last digit.
struct TDigits {
    char Text[40];
    int First;
    int Count;
    int Zeros;
};

TDigits SignificantDigits(std::uint64_t Number) {
    TDigits Digits;
    std::memset(Digits.Text, '0', sizeof Digits.Text);
    const std::uint32_t High = static_cast<std::uint32_t>(Number / 100000000);
    const std::uint32_t Low = static_cast<std::uint32_t>(Number % 100000000);
    // High holds 7 or 8 digits.
    Digits.First = High < 10000000 ? 1 : 0;
    WriteEightDigits(Digits.Text, High);
    if (Low == 0) {
        // Up to 8 significant digits: the common case.
        Digits.Zeros = TrailingZeroCharacters(Digits.Text);
        Digits.Count = 8 - Digits.First - Digits.Zeros;
        Digits.Zeros += 8;
    } else {
        WriteEightDigits(Digits.Text + 8, Low);
        Digits.Zeros = TrailingZeroCharacters(Digits.Text + 8);
        Digits.Count = 16 - Digits.First - Digits.Zeros;
    }
    return Digits;
}

/// Lays out the significant digits of a number d1.d2...dK * 10^Exponent (K = Count, at
/// most 15) as "%g" does with the precision (at most 15): scientific when the exponent is
/// below -4 or not below the precision, fixed otherwise. Copies 16 characters at a time:
/// `Out` needs 31 characters of room.
char* LayOut(char* Out, const TDigits& Digits, int Exponent, int Precision) {
    const int Count = Digits.Count;
    const char* const Text = Digits.Text + Digits.First;
    if (Exponent < -4 || Exponent >= Precision) {
        *Out++ = Text[0];
        if (Count > 1) {
            *Out = '.';
            std::memcpy(Out + 1, Text + 1, 16);
            Out += Count;
        }
        *Out++ = 'e';
        *Out++ = Exponent < 0 ? '-' : '+';
        const int Magnitude = std::abs(Exponent);
        if (Magnitude >= 100)
            *Out++ = static_cast<char>('0' + Magnitude / 100);
        std::memcpy(Out, DigitPairs + 2 * (Magnitude % 100), 2);
        return Out + 2;
    }
    if (Exponent < 0) {
        // "0." and the zeros before the first digit.
        std::memcpy(Out, "0.0000", 6);
        std::memcpy(Out + 1 - Exponent, Text, 16);
        return Out + 1 - Exponent + Count;
    }
    // The digits, padded with the zeros that follow them up to the decimal point.
    std::memcpy(Out, Text, 16);
    if (Count <= Exponent + 1)
        return Out + Exponent + 1;
    Out[Exponent + 1] = '.';
    std::memcpy(Out + Exponent + 2, Text + Exponent + 1, 16);
    return Out + Count + 1;
}

/// The value with at most `Precision` significant digits (up to 15), laid out by the "%g"
/// rules; nullptr when it needs more digits or lies outside the range where the test below
/// is exact.
char* FormatShort(char* Destination, double Value, int Precision) {
    char* Out = Destination;
    if (std::signbit(Value))
        *Out++ = '-';
    if (Value == 0.0) {
        *Out++ = '0';
        return Out;
    }
    // Outside these decades the scale below is no exact power of ten; NaN, infinities and
    // subnormal values (whose few bits hold fewer digits than they print) fail here too.
    const double Magnitude = std::fabs(Value);
    if (!(Magnitude >= 1e-8 && Magnitude < 1e15))
        return nullptr;

    // The candidate: the magnitude's first 15 digits as an integer, Scaled = M * 10^Scale.
    const int Scale = 14 - DecimalExponent(Magnitude);
    if (Scale < 0 || Scale > MaxExactPower)
        return nullptr;
    const double Scaled = Magnitude * ExactPowersOfTen[Scale];
    if (!(Scaled < 9007199254740992.0))
        return nullptr;
    std::uint64_t Significand = static_cast<std::uint64_t>(Scaled + 0.5);
    // The decimal Significand * 10^-Scale stands for the value only if it reads back as the
    // value (one correctly rounded division of exact operands). Then it lies within half a
    // unit in the last place of the value, so for a normal value and a precision of at most
    // 15 digits it is what rounding the value to the precision gives, provided it has no
    // more significant digits than the precision.
    if (static_cast<double>(Significand) / ExactPowersOfTen[Scale] != Magnitude)
        return nullptr;
    const TDigits Digits = SignificantDigits(Significand);
    if (Digits.Count > Precision)
        return nullptr;
    return LayOut(Out, Digits, Digits.Count + Digits.Zeros - 1 - Scale, Precision);
}

/// The value of a decimal "[+-]digits[.digits][e[+-]digits]" (one digit at least) that
/// starts at `First`, when it is not hexadecimal and lies in the normal range; false for
/// any other text.
bool ParseDecimal(const char* First, const char* Last, double& Value) {
    const char* P = First;
    const bool Negative = ScanSign(P, Last);
    const char* const Number = P;
    // A "0x" prefix starts a hexadecimal number.
    if (Last - Number >= 2 && Number[0] == '0' && (Number[1] == 'x' || Number[1] == 'X'))
        return false;
    TMantissa Mantissa;
    P = ScanMantissa(P, Last, Mantissa);
    if (Mantissa.Digits == 0)
        return false;

    // Exponent: only when at least one digit follows the "e" and its sign.
    long Power = Mantissa.Power;
    if (P != Last && (*P == 'e' || *P == 'E')) {
        const char* E = P + 1;
        const bool NegativeExponent = ScanSign(E, Last);
        if (E != Last && IsDigit(*E)) {
            long Exponent = 0;
            for (; E != Last && IsDigit(*E); ++E)
                if (Exponent < 100000)
                    Exponent = Exponent * 10 + (*E - '0');
            Power += NegativeExponent ? -Exponent : Exponent;
            P = E;
        }
    }

    if (ExactArithmetic && Mantissa.Digits <= 15 && Power >= -MaxExactPower &&
        Power <= MaxExactPower) {
        Value = ExactValue(Mantissa, Power, Negative);
        return true;
    }
    // Longer or larger decimals: from_chars rounds correctly too. Results that leave the
    // normal range are left to strtod, which alone gives them exactly as atof does.
    double Magnitude;
    const std::from_chars_result Result = std::from_chars(Number, P, Magnitude);
    if (Result.ec != std::errc() || Result.ptr != P || !std::isnormal(Magnitude))
        return false;
    Value = Negative ? -Magnitude : Magnitude;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Reading

const char* TNumberText::ParseShortDecimal(const char* First, const char* Last, double& Value) {
    const char* P = First;
    const bool Negative = ScanSign(P, Last);
    TMantissa Mantissa;
    P = ScanMantissa(P, Last, Mantissa);
    if (!ExactArithmetic || Mantissa.Digits == 0 || Mantissa.Digits > 15)
        return nullptr;
    Value = ExactValue(Mantissa, Mantissa.Power, Negative);
    return P;
}

double TNumberText::Parse(const char* First, const char* Last) {
    double Value;
    const char* const End = ParseShortDecimal(First, Last, Value);
    if (End && (End == Last || !ContinuesNumber(*End)))
        return Value;
    if (ParseDecimal(First, Last, Value))
        return Value;
    // Anything else (white space, hexadecimal, infinity, NaN, no number, results outside
    // the normal range) is read by the C library itself, in the "C" locale: the decimal
    // separator of a grid is the point whatever locale the calling program has chosen.
    static const locale_t CLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string Text(First, Last);
    return strtod_l(Text.c_str(), nullptr, CLocale);
}

// ---------------------------------------------------------------------------------------
// Writing

char* TNumberText::Format(char* Destination, double Value, int Precision) {
    const int Digits = Precision == 0 ? 1 : Precision;
    if (ExactArithmetic && Digits <= 15)
        if (char* End = FormatShort(Destination, Value, Digits))
            return End;
    return std::to_chars(Destination, Destination + MaxFormatLength, Value,
                         std::chars_format::general, Digits)
        .ptr;
}

char* TNumberText::FormatDecimalText(char* Destination, const char* First, const char* Last,
                                     int Precision) {
    const char* P = First;
    const bool Negative = ScanSign(P, Last);
    // The digits without the point, and how many of them stand before it.
    TDigits Digits;
    std::memset(Digits.Text, '0', sizeof Digits.Text);
    int Count = 0;
    int Whole = -1;
    int Leading = 0; // zeros before the first significant digit
    for (; P != Last && Count < 16; ++P) {
        if (*P == '.') {
            Whole = Count;
        } else if (Leading == Count && *P == '0') {
            ++Leading;
            ++Count;
        } else {
            Digits.Text[Count++ - Leading] = *P;
        }
    }
    if (Whole < 0)
        Whole = Count;
    int Significant = Count - Leading;
    while (Significant > 0 && Digits.Text[Significant - 1] == '0')
        --Significant;
    const int Limit = Precision == 0 ? 1 : Precision;
    // Beyond 15 digits a stream writes the double's own digits, not the token's.
    if (Significant > Limit || Limit > 15)
        return nullptr;
    char* Out = Destination;
    if (Negative)
        *Out++ = '-';
    if (Significant == 0) {
        *Out++ = '0'; // atof gives a zero of the token's sign
        return Out;
    }
    Digits.First = 0;
    Digits.Count = Significant;
    return LayOut(Out, Digits, Whole - 1 - Leading, Limit);
}

bool TNumberText::CanFormatFor(const std::ostream& Out) {
    const std::ios_base::fmtflags Changing = std::ios_base::floatfield | std::ios_base::showpoint |
                                             std::ios_base::showpos | std::ios_base::uppercase;
    return (Out.flags() & Changing) == 0 && Out.width() == 0 && Out.precision() >= 0 &&
           Out.precision() <= MaxFormatPrecision && Out.getloc() == std::locale::classic();
}
