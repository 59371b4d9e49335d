#ifndef VELDGRID_APPS_TSOURCEFAILURE_H
#define VELDGRID_APPS_TSOURCEFAILURE_H

#include <exception>
#include <string>

/// How the commands report a failure that concerns one source file, so that every command
/// names it alike.
class TSourceFailure {
public:
    /// A fault of the source's text where it lies, as compilers report faults:
    /// "NAME:LINE:COLUMN: message" and, for a known trap of the format, its hint on a line of
    /// its own indented by two spaces ("-", standard input, is named <stdin>). Any other
    /// failure: "NAME: " and its message. No line feed at the end.
    static std::string Message(const std::string& Source, std::exception_ptr Failure);
};

#endif
