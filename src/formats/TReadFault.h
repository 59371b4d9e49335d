#ifndef VELDGRID_TREADFAULT_H
#define VELDGRID_TREADFAULT_H

#include <stdexcept>
#include <string>

/// A fault in the text of a VELDAN grid and where it lies, thrown by the readers that let
/// the position through (`TVELDANReader`, its `LoadMap`, `TVELDANConverter`);
/// `TVELDANFileTools::LoadVELDANFile` throws the `Message` alone, as `char*`.
///
/// Lines and columns are counted from 1, as compilers count them: line 1 is the first line
/// read, the column (in bytes) is that of the offending token's first character. `what()`
/// gives the message unchanged.
class TReadFault : public std::runtime_error {
public:
    TReadFault(const char* Message, long Line, long Column, std::string Token,
               std::string Hint = "");

    /// The library's message, as the readers without position throw it.
    const char* Message;
    long Line;
    long Column;
    /// The token as the format splits the line; "" at the end of the input and on an empty
    /// line.
    std::string Token;
    /// One line naming a known trap of the format found at the token ("" for none), such
    /// as `the token "2.5e" is followed by "-3": ...`.
    std::string Hint;

    /// The fault in the form compilers and editors understand: "SOURCE:LINE:COLUMN: message",
    /// then the hint, if any, on a line of its own indented by two spaces; no line feed
    /// after the last line.
    std::string Report(const std::string& SourceName) const;
};

#endif
