#ifndef VELDGRID_TNUMBERTEXT_H
#define VELDGRID_TNUMBERTEXT_H

#include <ostream>

/// Fast conversions between doubles and their text that give exactly what the C library's
/// `atof` reads and what a stream's `operator<<` writes, for the readers and writers that
/// handle millions of numbers. Common cases take short exact paths; everything else falls
/// back to the standard conversions.
class TNumberText {
public:
    /// Room `Format` needs at the destination.
    static constexpr int MaxFormatLength = 32;
    /// Highest precision `Format` accepts.
    static constexpr int MaxFormatPrecision = 17;

    /// The value `atof` gives for the characters [First, Last), read like a C string (an
    /// embedded NUL ends it): the longest leading decimal, hexadecimal, infinity or NaN
    /// number after optional white space, or 0.0 when there is none.
    static double Parse(const char* First, const char* Last);
    /// Reads the longest "[+-]digits[.digits]" at the start of [First, Last) when it has 1
    /// to 15 digits: sets the value `atof` gives it (by Clinger's fast path: the digits and
    /// a power of ten, both exact doubles, in one correctly rounded operation) and returns
    /// its end; nullptr otherwise.
    /// Unless an "e", "E", "x" or "X" follows it, `atof` gives that value for the whole
    /// text too.
    static const char* ParseShortDecimal(const char* First, const char* Last, double& Value);

    /// Writes the value as `printf` with "%.*g" and the precision writes it (precision 0
    /// counts as 1), which is how a stream in general notation writes a double. The
    /// destination needs `MaxFormatLength` characters; returns the end of the text.
    /// Precondition: 0 <= Precision <= `MaxFormatPrecision`.
    static char* Format(char* Destination, double Value, int Precision);
    /// Writes a plain decimal token, one that `ParseShortDecimal` reads whole (1 to 15
    /// digits), exactly as `Format` with the precision writes the value `atof` gives it,
    /// without computing that value: a decimal of at most 15 significant digits comes back
    /// from its double unchanged, so the text is the token itself laid out by the "%g"
    /// rules (sign, leading and trailing zeros, exponent form below 1e-4). Returns nullptr
    /// for a token of more significant digits than the precision, and for a precision
    /// above 15. The destination needs `MaxFormatLength` characters.
    static char* FormatDecimalText(char* Destination, const char* First, const char* Last,
                                   int Precision);

    /// Whether `Format` with the stream's precision writes a double exactly as the stream's
    /// `operator<<` would: general notation, no showpoint, showpos or uppercase, no field
    /// width pending, a precision `Format` accepts, and the classic locale.
    static bool CanFormatFor(const std::ostream& Out);
};

#endif
