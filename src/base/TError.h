#ifndef VELDGRID_TERROR_H
#define VELDGRID_TERROR_H

#include <exception>
#include <string>

/// The one place where the library raises its failures.
///
/// Faults of data or arguments travel as a `char*` message, so that handlers written as
/// `catch (char*)` and as `catch (const char*)` both see them; a file that cannot be opened,
/// read or written travels as a `std::string`.
class TError {
public:
    /// Throws the message as `char*`. The text stays owned by the caller (a string literal).
    [[noreturn]] static void Throw(const char* Message);

    /// Throws "Unable to open file " followed by the name, as a `std::string`.
    [[noreturn]] static void ThrowUnableToOpen(const std::string& FileName);

    /// Throws "Unable to read file " followed by the name, as a `std::string`.
    [[noreturn]] static void ThrowUnableToRead(const std::string& FileName);

    /// Throws "Not enough memory to read file " followed by the name, as a `std::string`.
    [[noreturn]] static void ThrowOutOfMemoryReading(const std::string& FileName);

    /// Throws "Unable to write file " followed by the name and, for an `errno` value other
    /// than 0, ": " and the system's text for it, as a `std::string`.
    [[noreturn]] static void ThrowUnableToWrite(const std::string& FileName, int ErrorNumber = 0);
    /// Throws "Unable to write file " followed by the name, ": " and the reason, as a
    /// `std::string`.
    [[noreturn]] static void ThrowUnableToWrite(const std::string& FileName,
                                                const std::string& Reason);

    /// The message that the exception carries, for the one place of a program that reports
    /// failures: the text of a `char*` or `const char*` (none for a null pointer), a
    /// `std::string`, "Not enough memory" for `std::bad_alloc`, `what()` of any other
    /// `std::exception`, and "Unknown exception" for anything else (and for no exception).
    static std::string Message(std::exception_ptr Error);
};

#endif
