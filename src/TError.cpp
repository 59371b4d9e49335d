#include "TError.h"

void TError::Throw(const char* Message) {
    // A literal thrown as it is would be a `const char*`, which `catch (char*)` misses.
    throw const_cast<char*>(Message);
}

void TError::ThrowUnableToOpen(const std::string& FileName) {
    throw std::string("Unable to open file ") + FileName;
}

void TError::ThrowUnableToWrite(const std::string& FileName) {
    throw std::string("Unable to write file ") + FileName;
}
