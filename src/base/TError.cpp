#include "TError.h"

#include <new>
#include <system_error>

void TError::Throw(const char* Message) {
    // A literal thrown as it is would be a `const char*`, which `catch (char*)` misses.
    throw const_cast<char*>(Message);
}

void TError::ThrowUnableToOpen(const std::string& FileName) {
    throw std::string("Unable to open file ") + FileName;
}

void TError::ThrowUnableToRead(const std::string& FileName) {
    throw std::string("Unable to read file ") + FileName;
}

void TError::ThrowOutOfMemoryReading(const std::string& FileName) {
    throw std::string("Not enough memory to read file ") + FileName;
}

void TError::ThrowUnableToWrite(const std::string& FileName, int ErrorNumber) {
    // The text of strerror, from a call that is safe in a threaded program.
    if (ErrorNumber != 0)
        ThrowUnableToWrite(FileName, std::generic_category().message(ErrorNumber));
    throw std::string("Unable to write file ") + FileName;
}

void TError::ThrowUnableToWrite(const std::string& FileName, const std::string& Reason) {
    throw std::string("Unable to write file ") + FileName + ": " + Reason;
}

std::string TError::Message(std::exception_ptr Error) {
    try {
        if (Error)
            std::rethrow_exception(Error);
    } catch (const char* Text) { // a handler of `const char*` takes a `char*` too
        return Text ? Text : "";
    } catch (const std::string& Text) {
        return Text;
    } catch (const std::bad_alloc&) {
        return "Not enough memory";
    } catch (const std::exception& Failure) {
        return Failure.what();
    } catch (...) {
    }
    return "Unknown exception";
}
