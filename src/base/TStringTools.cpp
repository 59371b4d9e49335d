#include "TStringTools.h"

#include "TError.h"

#include <cctype>
#include <sstream>

bool TStringTools::StgToBool(std::string Text) {
    if (Text == "1")
        return true;
    if (Text == "0")
        return false;
    TError::Throw("Invalid boolean string in TStringTools::StgToBool");
}

bool TStringTools::HasSubstring(std::string Text, std::string Wanted) {
    return Text.find(Wanted) != std::string::npos;
}

void TStringTools::ToUpper(std::string& Text) {
    for (char& C : Text)
        C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
}

void TStringTools::Trim(std::string& Text) {
    const size_t Last = Text.find_last_not_of(' ');
    if (Last == std::string::npos) {
        Text.clear();
        return;
    }
    Text.erase(Last + 1);
    Text.erase(0, Text.find_first_not_of(' '));
}

std::string TStringTools::FindAndReplace(std::string Source, std::string Search,
                                         std::string Replacement) {
    if (Search.empty())
        return Source;
    std::string Result;
    Result.reserve(Source.size());
    size_t From = 0;
    for (size_t Found; (Found = Source.find(Search, From)) != std::string::npos;) {
        Result.append(Source, From, Found - From);
        Result += Replacement;
        From = Found + Search.size();
    }
    Result.append(Source, From, std::string::npos);
    return Result;
}

namespace {

template <typename T> std::string Format(T Value) {
    std::ostringstream Out;
    Out << Value;
    return Out.str();
}

} // namespace

std::string TStringTools::ToString(long Value) {
    return Format(Value);
}
std::string TStringTools::ToString(int Value) {
    return Format(Value);
}
std::string TStringTools::ToString(double Value) {
    return Format(Value);
}

void TStringTools::Tokenize(const std::string& Text, std::vector<std::string>& Tokens,
                            const std::string& Delimiters) {
    Tokens.clear();
    size_t Start = Text.find_first_not_of(Delimiters);
    while (Start != std::string::npos) {
        const size_t End = Text.find_first_of(Delimiters, Start);
        Tokens.push_back(Text.substr(Start, End == std::string::npos ? End : End - Start));
        Start = End == std::string::npos ? End : Text.find_first_not_of(Delimiters, End);
    }
}
