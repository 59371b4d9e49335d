#include "TNumberText.h"

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
                              "9394959697989900";

bool IsDigit(char C) {
    return static_cast<unsigned char>(C - '0') < 10;
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

/// Writes the decimal digits of the number so that they end at `End`; returns their start.
char* WriteDigitsBackwards(std::uint64_t Number, char* End) {
    while (Number >= 100) {
        const std::uint64_t Pair = Number % 100;
        Number /= 100;
        End -= 2;
        std::memcpy(End, DigitPairs + 2 * Pair, 2);
    }
    if (Number >= 10) {
        End -= 2;
        std::memcpy(End, DigitPairs + 2 * Number, 2);
    } else {
        *--End = static_cast<char>('0' + Number);
    }
    return End;
}

/// Removes the trailing zeros of a positive number below 10^16; returns how many there were.
int StripTrailingZeros(std::uint64_t& Number) {
    int Zeros = 0;
    if (Number % 100000000 == 0) {
        Number /= 100000000;
        Zeros += 8;
    }
    if (Number % 10000 == 0) {
        Number /= 10000;
        Zeros += 4;
    }
    if (Number % 100 == 0) {
        Number /= 100;
        Zeros += 2;
    }
    if (Number % 10 == 0) {
        Number /= 10;
        Zeros += 1;
    }
    return Zeros;
}

char* Copy(char* Out, const char* From, int Count) {
    std::memcpy(Out, From, Count);
    return Out + Count;
}

char* Fill(char* Out, char C, int Count) {
    std::memset(Out, C, Count);
    return Out + Count;
}

/// Lays out the significant digits d1 d2 ... dK of a number d1.d2...dK * 10^Exponent as
/// "%g" does with the precision: scientific when the exponent is below -4 or not below the
/// precision, fixed otherwise; the digits carry no trailing zeros.
char* LayOut(char* Out, const char* Digits, int Count, int Exponent, int Precision) {
    if (Exponent < -4 || Exponent >= Precision) {
        *Out++ = Digits[0];
        if (Count > 1) {
            *Out++ = '.';
            Out = Copy(Out, Digits + 1, Count - 1);
        }
        *Out++ = 'e';
        *Out++ = Exponent < 0 ? '-' : '+';
        const int Magnitude = std::abs(Exponent);
        if (Magnitude >= 100)
            *Out++ = static_cast<char>('0' + Magnitude / 100);
        return Copy(Out, DigitPairs + 2 * (Magnitude % 100), 2);
    }
    if (Exponent < 0) {
        *Out++ = '0';
        *Out++ = '.';
        Out = Fill(Out, '0', -Exponent - 1);
        return Copy(Out, Digits, Count);
    }
    if (Count <= Exponent + 1)
        return Fill(Copy(Out, Digits, Count), '0', Exponent + 1 - Count);
    Out = Copy(Out, Digits, Exponent + 1);
    *Out++ = '.';
    return Copy(Out, Digits + Exponent + 1, Count - Exponent - 1);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Reading

double TNumberText::Parse(const char* First, const char* Last) {
    double Value;
    if (ParseDecimal(First, Last, Value))
        return Value;
    // Anything else (white space, hexadecimal, infinity, NaN, no number, results outside
    // the normal range) is read by the C library itself.
    const std::string Text(First, Last);
    return std::strtod(Text.c_str(), nullptr);
}

bool TNumberText::ParseDecimal(const char* First, const char* Last, double& Value) {
    const char* P = First;
    const bool Negative = P != Last && *P == '-';
    if (P != Last && (*P == '-' || *P == '+'))
        ++P;
    const char* const Number = P;
    // A "0x" prefix starts a hexadecimal number.
    if (Last - Number >= 2 && Number[0] == '0' && (Number[1] == 'x' || Number[1] == 'X'))
        return false;

    // Mantissa: the digits from the first nonzero one (the short path takes up to 15), and
    // the power of ten that the decimal point puts on them.
    std::uint64_t Mantissa = 0;
    long Significant = 0;
    long Power = 0;
    bool AnyDigit = false;
    bool InFraction = false;
    for (; P != Last; ++P) {
        if (*P == '.' && !InFraction) {
            InFraction = true;
            continue;
        }
        if (!IsDigit(*P))
            break;
        AnyDigit = true;
        if ((Mantissa != 0 || *P != '0') && ++Significant <= 15)
            Mantissa = Mantissa * 10 + (*P - '0');
        if (InFraction)
            --Power;
    }
    if (!AnyDigit)
        return false;

    // Exponent: only when at least one digit follows the "e" and its sign.
    if (P != Last && (*P == 'e' || *P == 'E')) {
        const char* E = P + 1;
        const bool NegativeExponent = E != Last && *E == '-';
        if (E != Last && (*E == '-' || *E == '+'))
            ++E;
        if (E != Last && IsDigit(*E)) {
            long Exponent = 0;
            for (; E != Last && IsDigit(*E); ++E)
                if (Exponent < 100000)
                    Exponent = Exponent * 10 + (*E - '0');
            Power += NegativeExponent ? -Exponent : Exponent;
            P = E;
        }
    }

    if (Mantissa == 0) {
        Value = Negative ? -0.0 : 0.0;
        return true;
    }
    if (ExactArithmetic && Significant <= 15 && Power >= -MaxExactPower && Power <= MaxExactPower) {
        // Both operands are exact, so the one rounding is the correct one.
        const double Digits = static_cast<double>(Mantissa);
        const double Magnitude =
            Power < 0 ? Digits / ExactPowersOfTen[-Power] : Digits * ExactPowersOfTen[Power];
        Value = Negative ? -Magnitude : Magnitude;
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

char* TNumberText::FormatShort(char* Destination, double Value, int Precision) {
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
    const int Zeros = StripTrailingZeros(Significand);
    char Buffer[24];
    char* const End = Buffer + sizeof Buffer;
    const char* const Digits = WriteDigitsBackwards(Significand, End);
    const int Count = static_cast<int>(End - Digits);
    if (Count > Precision)
        return nullptr;
    return LayOut(Out, Digits, Count, Count + Zeros - 1 - Scale, Precision);
}

bool TNumberText::CanFormatFor(const std::ostream& Out) {
    const std::ios_base::fmtflags Changing = std::ios_base::floatfield | std::ios_base::showpoint |
                                             std::ios_base::showpos | std::ios_base::uppercase;
    return (Out.flags() & Changing) == 0 && Out.width() == 0 && Out.precision() >= 0 &&
           Out.precision() <= MaxFormatPrecision && Out.getloc() == std::locale::classic();
}
