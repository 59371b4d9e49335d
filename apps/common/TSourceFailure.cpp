#include "TSourceFailure.h"

#include "TError.h"
#include "TReadFault.h"

std::string TSourceFailure::Message(const std::string& Source, std::exception_ptr Failure) {
    try {
        std::rethrow_exception(Failure);
    } catch (const TReadFault& Fault) {
        return Fault.Report(Source == "-" ? "<stdin>" : Source);
    } catch (...) {
        return Source + ": " + TError::Message(Failure);
    }
}
