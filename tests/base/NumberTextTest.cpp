// The fast number conversions against the standard ones they stand in for: Parse against
// atof, Format against a stream's operator<<, and the flat writer's fast rows against the
// plain loop of operator<< and endl, under all kinds of stream settings.

#include "TMapTools.h"
#include "TNumberText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <limits>
#include <locale>
#include <random>
#include <sstream>

namespace {

std::uint64_t BitsOf(double Value) {
    std::uint64_t Bits;
    std::memcpy(&Bits, &Value, sizeof Bits);
    return Bits;
}

double FromBits(std::uint64_t Bits) {
    double Value;
    std::memcpy(&Value, &Bits, sizeof Value);
    return Value;
}

double Parse(const std::string& Token) {
    return TNumberText::Parse(Token.data(), Token.data() + Token.size());
}

/// What a stream with the precision writes for the value.
std::string Streamed(double Value, int Precision) {
    std::ostringstream Out;
    Out.precision(Precision);
    Out << Value;
    return Out.str();
}

std::string Formatted(double Value, int Precision) {
    char Buffer[TNumberText::MaxFormatLength];
    return std::string(Buffer, TNumberText::Format(Buffer, Value, Precision));
}

/// Expects Format to write every value as a stream does, at every precision it accepts.
void ExpectFormatsLikeAStream(double Value, const std::string& Name) {
    for (int Precision = 0; Precision <= TNumberText::MaxFormatPrecision; ++Precision)
        ASSERT_EQ(Formatted(Value, Precision), Streamed(Value, Precision))
            << Name << " at precision " << Precision;
}

/// Decimal point ',' and thousands grouping: a locale whose numbers Format cannot write.
struct TCommaNumbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

/// The flat layout written the plain way: operator<< for every value, endl for every line.
std::string PlainFlat(const TMap& Map, std::ostream& Out, char Separator) {
    for (long I = 0; I < Map.GetYDim(); ++I) {
        for (long J = 0; J < Map.GetXDim(); ++J)
            Out << Map.GetPointVal(J, I) << Separator;
        Out << std::endl;
    }
    return static_cast<std::ostringstream&>(Out).str();
}

class NumberTextTest : public ::testing::Test {};

} // namespace

TEST_F(NumberTextTest, ParseReadsTrickyTokensAsAtofDoes) {
    const char* const Tokens[] = {"",
                                  "-",
                                  "+",
                                  ".",
                                  "-.",
                                  "+.5",
                                  ".5",
                                  "5.",
                                  "-5.",
                                  "1e",
                                  "1e+",
                                  "1e-",
                                  "1E5",
                                  "1e+05",
                                  "2.5e-3",
                                  "1.5abc",
                                  "1.2.3",
                                  "--4",
                                  "+-4",
                                  "-+4",
                                  "0x1A",
                                  "-0x1p3",
                                  "0X.8p1",
                                  "0x",
                                  "0xg",
                                  "00x5",
                                  "inf",
                                  "-INF",
                                  "infinity",
                                  "nan",
                                  "-nan",
                                  "nan(123)",
                                  "NaN",
                                  "\t7",
                                  "\r8",
                                  " 9",
                                  "7\r",
                                  "-0",
                                  "+0",
                                  "-0.0e12",
                                  "0e999999999",
                                  "000000000000000000001.5",
                                  "0.000000000000000000000000123",
                                  "123456789012345",
                                  "1234567890123456",
                                  "12345678901234567890",
                                  "9007199254740993",
                                  "1.00000000000000000000000000000001",
                                  "123456789012345678901234567890e-20",
                                  "4.9e-324",
                                  "2.4703282292062327e-324",
                                  "2.2250738585072011e-308",
                                  "2.2250738585072014e-308",
                                  "1e-400",
                                  "-1e-400",
                                  "1.7976931348623157e308",
                                  "1.7976931348623159e308",
                                  "1e400",
                                  "-1e400",
                                  "1e22",
                                  "1e23",
                                  "9.999999999999999e22",
                                  "1e-22",
                                  "1e-23",
                                  "0.1",
                                  "0.3",
                                  "-9999",
                                  "-179.958333333",
                                  "1e99999999999999999999",
                                  "1e-99999999999999999999",
                                  "12.5e",
                                  "7e+x",
                                  "3.\xff"};
    for (const char* Token : Tokens)
        EXPECT_EQ(BitsOf(Parse(Token)), BitsOf(std::atof(Token))) << '"' << Token << '"';
    // A NUL ends the number as it ends a C string.
    const std::string WithNul("12\0"
                              "34",
                              5);
    EXPECT_EQ(Parse(WithNul), 12.0);
    EXPECT_EQ(Parse(std::string("\0"
                                "5",
                                2)),
              0.0);
}

TEST_F(NumberTextTest, ShortDecimalsEndWhereTheNumberEnds) {
    const struct {
        const char* Token;
        int Length; // of the short decimal read, -1 when there is none
    } Cases[] = {
        {"-71.499", 7},
        {"5.0-6.0", 3},
        {"1e-5", 1},
        {"+.5", 3},
        {"5.", 2},
        {"1.2.3", 3},
        {"0x1A", 1},
        {"-", -1},
        {".", -1},
        {"inf", -1},
        {"\t7", -1},
        {"123456789012345", 15},
        {"1234567890.12345", 16},
        {"1234567890123456", -1},
        {"0.00000000000001", 16},
        {"0.000000000000001", -1},
    };
    for (const auto& C : Cases) {
        const std::string Token = C.Token;
        double Value = 12345;
        const char* End =
            TNumberText::ParseShortDecimal(Token.data(), Token.data() + Token.size(), Value);
        if (C.Length < 0) {
            EXPECT_EQ(End, nullptr) << C.Token;
            continue;
        }
        ASSERT_NE(End, nullptr) << C.Token;
        EXPECT_EQ(End - Token.data(), C.Length) << C.Token;
        const std::string Read = Token.substr(0, C.Length);
        EXPECT_EQ(BitsOf(Value), BitsOf(std::atof(Read.c_str()))) << C.Token;
    }
}

TEST_F(NumberTextTest, ParseReadsRandomDecimalsAsAtofDoes) {
    std::mt19937_64 Random(20240607);
    const std::string Alphabet = "0123456789";
    for (int Case = 0; Case < 200000; ++Case) {
        std::string Token;
        if (Random() % 4 == 0)
            Token += "-+"[Random() % 2];
        const int Digits = 1 + static_cast<int>(Random() % (Case % 2 ? 8 : 25));
        const int Point = static_cast<int>(Random() % (Digits + 2));
        for (int D = 0; D < Digits; ++D) {
            if (D == Point)
                Token += '.';
            Token += Alphabet[Random() % 10];
        }
        if (Random() % 3 == 0)
            Token += "e" + std::to_string(static_cast<int>(Random() % 700) - 350);
        ASSERT_EQ(BitsOf(Parse(Token)), BitsOf(std::atof(Token.c_str()))) << Token;
    }
}

TEST_F(NumberTextTest, FormatWritesAwkwardValuesAsAStreamDoes) {
    const double Tiny = std::numeric_limits<double>::denorm_min();
    const struct {
        const char* Name;
        double Value;
    } Cases[] = {
        {"zero", 0.0},
        {"negative zero", -0.0},
        {"NaN", std::numeric_limits<double>::quiet_NaN()},
        {"negative NaN", -std::numeric_limits<double>::quiet_NaN()},
        {"infinity", std::numeric_limits<double>::infinity()},
        {"negative infinity", -std::numeric_limits<double>::infinity()},
        {"largest", DBL_MAX},
        {"smallest normal", DBL_MIN},
        {"smallest subnormal", Tiny},
        {"negative subnormal", -Tiny * 12345},
        {"largest subnormal", DBL_MIN - Tiny},
        {"huge", 1.5e300},
        {"tiny", -2.5e-300},
        {"below the short decades", 9.99999e-9},
        {"start of the short decades", 1e-8},
        {"start of fixed notation", 1e-4},
        {"just below fixed notation", 9.99999999999999e-5},
        {"exponent notation at 1e-5", 1e-5},
        {"precision 15 limit", 1e14},
        {"first exponent of precision 15", 1e15},
        {"just below 1e15", 999999999999999.9},
        {"15 nines", 999999999999999.0},
        {"15 digits", 123456789012345.0},
        {"16 digits", 1234567890123456.0},
        {"0.1 + 0.2", 0.1 + 0.2},
        {"1/3", 1.0 / 3.0},
        {"2/3", -2.0 / 3.0},
        {"15th digit tie in decimal", 1.000000000000005},
        {"15th digit tie below", 0.1000000000000005},
        {"15th digit tie above one", 9.999999999999995},
        {"rounds up a decade", 9.9999999999999995},
        {"no-data value", -9999.0},
        {"six-digit rounding", 123456.75},
        {"corner", -179.958333333},
        {"cell size", 0.083333333},
        {"power of two", 1125899906842624.0},
        {"exact half", 2.5},
        {"sixth digit tie", 0.1234565},
    };
    for (const auto& C : Cases)
        ExpectFormatsLikeAStream(C.Value, C.Name);
}

TEST_F(NumberTextTest, FormatWritesRandomValuesAsAStreamDoes) {
    std::mt19937_64 Random(42);
    for (int Case = 0; Case < 20000; ++Case) {
        // Any bit pattern, then data as text gives it: a few digits, scaled by a power of ten.
        ExpectFormatsLikeAStream(FromBits(Random()), "bits " + std::to_string(Case));
        const double Short = static_cast<double>(Random() % 2000001) - 1000000.0;
        const double Scaled = Short / std::pow(10.0, static_cast<int>(Random() % 30) - 8);
        ExpectFormatsLikeAStream(Scaled, "short " + std::to_string(Scaled));
        const double Near = std::nextafter(Scaled, Random() % 2 ? 1e300 : -1e300);
        ExpectFormatsLikeAStream(Near, "next to " + std::to_string(Scaled));
    }
}

/// Expects the text path to write the plain decimal token as parsing it with atof and
/// formatting the value does, at every precision it takes; where it declines, the token
/// has more significant digits than the precision (or the precision is above 15).
void ExpectTextPathFormatsLikeTheValue(const std::string& Token) {
    for (int Precision = 0; Precision <= TNumberText::MaxFormatPrecision; ++Precision) {
        char Buffer[TNumberText::MaxFormatLength];
        const char* const End = TNumberText::FormatDecimalText(
            Buffer, Token.data(), Token.data() + Token.size(), Precision);
        if (Precision == 15) {
            ASSERT_NE(End, nullptr) << Token;
        }
        if (End) {
            ASSERT_EQ(std::string(Buffer, static_cast<size_t>(End - Buffer)),
                      Streamed(std::atof(Token.c_str()), Precision))
                << Token << " at precision " << Precision;
        }
    }
}

TEST_F(NumberTextTest, TextPathWritesAwkwardDecimalsAsTheirValue) {
    const char* const Tokens[] = {
        "0",
        "-0",
        "+0",
        "0.0",
        "-0.000",
        "00",
        ".0",
        "-.0",
        "0.",
        ".5",
        "-.5",
        "5.",
        "+5.",
        "007",
        "-007.50",
        "1.500",
        "100",
        "1000000",
        "120.0",
        "0.05",
        "00.5",
        "0.0001",
        "0.00012",
        "0.00001",
        "-0.00001",
        "0.000012345",
        "0.000000000000001",
        "123456789012345",
        "999999999999999",
        "99999999999999.9",
        "1234567890.12345",
        "0.123456789012345",
        "-9999",
        "-9999.000",
        "-71.499",
        "1e5",
    };
    for (const char* Token : Tokens) {
        double Value;
        const std::string Text = Token;
        const char* End =
            TNumberText::ParseShortDecimal(Text.data(), Text.data() + Text.size(), Value);
        // Only what the short path reads whole goes through the text path.
        if (End == Text.data() + Text.size())
            ExpectTextPathFormatsLikeTheValue(Text);
    }
    char Buffer[TNumberText::MaxFormatLength];
    const std::string Long = "0.1234567890123"; // 13 significant digits
    EXPECT_EQ(TNumberText::FormatDecimalText(Buffer, Long.data(), Long.data() + Long.size(), 12),
              nullptr);
    EXPECT_EQ(TNumberText::FormatDecimalText(Buffer, Long.data(), Long.data() + Long.size(), 16),
              nullptr);
}

TEST_F(NumberTextTest, TextPathWritesRandomDecimalsAsTheirValue) {
    std::mt19937_64 Random(16);
    for (int Case = 0; Case < 100000; ++Case) {
        std::string Token;
        if (Random() % 3 == 0)
            Token += "-+"[Random() % 2];
        const int Digits = 1 + static_cast<int>(Random() % 15);
        const int Point = static_cast<int>(Random() % (Digits + 2));
        // Zeros are frequent, at either end of the digits as between them.
        for (int D = 0; D < Digits; ++D) {
            if (D == Point)
                Token += '.';
            Token += Random() % 3 ? static_cast<char>('0' + Random() % 10) : '0';
        }
        if (Point == Digits)
            Token += '.';
        ExpectTextPathFormatsLikeTheValue(Token);
    }
}

TEST_F(NumberTextTest, OnlyStreamSettingsThatFormatReproducesAreAccepted) {
    std::ostringstream Default;
    EXPECT_TRUE(TNumberText::CanFormatFor(Default));
    const struct {
        const char* Name;
        void (*Set)(std::ostream&);
    } Cases[] = {
        {"fixed", [](std::ostream& Out) { Out << std::fixed; }},
        {"scientific", [](std::ostream& Out) { Out << std::scientific; }},
        {"hexfloat", [](std::ostream& Out) { Out << std::hexfloat; }},
        {"showpoint", [](std::ostream& Out) { Out << std::showpoint; }},
        {"showpos", [](std::ostream& Out) { Out << std::showpos; }},
        {"uppercase", [](std::ostream& Out) { Out << std::uppercase; }},
        {"width", [](std::ostream& Out) { Out << std::setw(12) << std::setfill('*'); }},
        {"precision 18", [](std::ostream& Out) { Out.precision(18); }},
        {"negative precision", [](std::ostream& Out) { Out.precision(-1); }},
        {"comma locale",
         [](std::ostream& Out) { Out.imbue(std::locale(std::locale(), new TCommaNumbers)); }},
    };
    for (const auto& C : Cases) {
        std::ostringstream Out;
        C.Set(Out);
        EXPECT_FALSE(TNumberText::CanFormatFor(Out)) << C.Name;
    }
}

TEST_F(NumberTextTest, FlatRowsMatchThePlainLoopUnderEveryStreamSetting) {
    const auto Map = testsupport::MakeMap(
        {{1234567.5, -0.0, 1e-5, 0.1 + 0.2, -9999}, {1e300, 2.5e-310, 1.0 / 3, 100, -6}}, 1, 0.5,
        1.5);
    const struct {
        const char* Name;
        void (*Set)(std::ostream&);
    } Cases[] = {
        {"defaults", [](std::ostream&) {}},
        {"precision 15", [](std::ostream& Out) { Out.precision(15); }},
        {"precision 0", [](std::ostream& Out) { Out.precision(0); }},
        {"precision 17", [](std::ostream& Out) { Out.precision(17); }},
        {"precision 40", [](std::ostream& Out) { Out.precision(40); }},
        {"fixed", [](std::ostream& Out) { Out << std::fixed; }},
        {"scientific uppercase",
         [](std::ostream& Out) { Out << std::scientific << std::uppercase; }},
        {"showpoint showpos", [](std::ostream& Out) { Out << std::showpoint << std::showpos; }},
        {"width on the first value", [](std::ostream& Out) { Out << std::setw(12); }},
        {"comma locale",
         [](std::ostream& Out) { Out.imbue(std::locale(std::locale(), new TCommaNumbers)); }},
    };
    for (const auto& C : Cases)
        for (char Separator : {' ', ','}) {
            testsupport::TCountingBuffer Counted;
            std::ostream Fast(&Counted);
            std::ostringstream Plain;
            C.Set(Fast);
            C.Set(Plain);
            TMapTools::WriteFlatFile(Map.get(), Fast, Separator);
            EXPECT_EQ(Counted.str(), PlainFlat(*Map, Plain, Separator))
                << C.Name << ", separator '" << Separator << "'";
            EXPECT_EQ(Counted.Syncs, Map->GetYDim()) << C.Name << ": one flush per row";
        }
}

TEST_F(NumberTextTest, RowsWiderThanTheWriteBufferAreWrittenWhole) {
    // 20000 values of up to 24 characters: a row of several hundred kilobytes, made and
    // written in pieces.
    std::vector<double> Row(20000);
    for (size_t J = 0; J < Row.size(); ++J)
        Row[J] = -1.0 / (3.0 + static_cast<double>(J));
    const auto Map = testsupport::MakeMap({Row, Row}, 1, 0.5, 1.5);
    std::ostringstream Fast, Plain;
    Fast.precision(17);
    Plain.precision(17);
    TMapTools::WriteFlatFile(Map.get(), Fast, ' ');
    const std::string Expected = PlainFlat(*Map, Plain, ' ');
    ASSERT_GT(Expected.size(), 800000u);
    EXPECT_TRUE(Fast.str() == Expected);
}
