#ifndef VELDGRID_TSTRINGTOOLS_H
#define VELDGRID_TSTRINGTOOLS_H

#include <string>
#include <vector>

/// Operations on plain byte strings.
class TStringTools {
public:
    /// true for exactly "1", false for exactly "0"; anything else throws.
    static bool StgToBool(std::string Text);
    /// Whether `Wanted` occurs in `Text` (an empty `Wanted` always does).
    static bool HasSubstring(std::string Text, std::string Wanted);
    /// Upper-cases every byte in place with the C library's `toupper`.
    static void ToUpper(std::string& Text);
    /// Removes leading and trailing spaces (0x20 only) in place.
    static void Trim(std::string& Text);
    /// Copy of `Source` with every occurrence of `Search` replaced; the replacement text is
    /// never searched again. An empty `Search` returns the source unchanged.
    static std::string FindAndReplace(std::string Source, std::string Search,
                                      std::string Replacement);
    /// The number as a default-formatted stream writes it.
    static std::string ToString(long Value);
    static std::string ToString(int Value);
    static std::string ToString(double Value);
    /// Fills `Tokens` with the maximal runs of characters not in the set `Delimiters`.
    static void Tokenize(const std::string& Text, std::vector<std::string>& Tokens,
                         const std::string& Delimiters);
};

#endif
