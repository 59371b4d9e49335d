#ifndef VELDGRID_TERROR_H
#define VELDGRID_TERROR_H

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

    /// Throws "Unable to write file " followed by the name, as a `std::string`.
    [[noreturn]] static void ThrowUnableToWrite(const std::string& FileName);
};

#endif
