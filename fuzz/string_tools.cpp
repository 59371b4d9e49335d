// Tokenize and FindAndReplace against plain reference implementations of their rules.

#include "FuzzChecks.h"
#include "TStringTools.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using fuzzchecks::Require;

namespace {

/// The maximal runs of characters that are not in the delimiter set, character by character.
std::vector<std::string> ReferenceTokens(const std::string& Text, const std::string& Delimiters) {
    std::vector<std::string> Tokens;
    std::string Run;
    for (char C : Text) {
        if (Delimiters.find(C) == std::string::npos) {
            Run += C;
        } else if (!Run.empty()) {
            Tokens.push_back(Run);
            Run.clear();
        }
    }
    if (!Run.empty())
        Tokens.push_back(Run);
    return Tokens;
}

/// Replacement in place in the result, searching on after each inserted replacement.
std::string ReferenceReplace(std::string Result, const std::string& Search,
                             const std::string& Replacement) {
    if (Search.empty())
        return Result;
    for (size_t At = Result.find(Search); At != std::string::npos;
         At = Result.find(Search, At + Replacement.size()))
        Result.replace(At, Search.size(), Replacement);
    return Result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    FuzzedDataProvider Provider(Data, Size);
    const std::string Delimiters = Provider.ConsumeRandomLengthString(4);
    const std::string Search = Provider.ConsumeRandomLengthString(8);
    const std::string Replacement = Provider.ConsumeRandomLengthString(8);
    const std::string Text = Provider.ConsumeRemainingBytesAsString();

    std::vector<std::string> Tokens{"left over from an earlier call"};
    TStringTools::Tokenize(Text, Tokens, Delimiters);
    Require(Tokens == ReferenceTokens(Text, Delimiters), "Tokenize gives the maximal runs");

    const std::string Replaced = TStringTools::FindAndReplace(Text, Search, Replacement);
    Require(Replaced == ReferenceReplace(Text, Search, Replacement),
            "FindAndReplace replaces each occurrence of the source once");
    return 0;
}
