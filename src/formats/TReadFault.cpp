#include "TReadFault.h"

#include <utility>

TReadFault::TReadFault(const char* Message, long Line, long Column, std::string Token,
                       std::string Hint)
    : std::runtime_error(Message), Message(Message), Line(Line), Column(Column),
      Token(std::move(Token)), Hint(std::move(Hint)) {}

std::string TReadFault::Report(const std::string& SourceName) const {
    const std::string Place =
        SourceName + ":" + std::to_string(Line) + ":" + std::to_string(Column) + ": ";
    return Place + Message + (Hint.empty() ? "" : "\n  " + Hint);
}
