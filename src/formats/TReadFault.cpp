#include "TReadFault.h"

#include <utility>

TReadFault::TReadFault(const char* Message, long Line, long Column, std::string Token,
                       std::string Hint)
    : std::runtime_error(Message), Message(Message), Line(Line), Column(Column),
      Token(std::move(Token)), Hint(std::move(Hint)) {}

std::string TReadFault::Report(const std::string& SourceName) const {
    std::string Text = SourceName + ":" + std::to_string(Line) + ":" + std::to_string(Column) +
                       ": " + Message + "\n";
    if (!Hint.empty())
        Text += "  " + Hint + "\n";
    return Text;
}
