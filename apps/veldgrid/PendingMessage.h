#ifndef VELDGRID_APPS_PENDINGMESSAGE_H
#define VELDGRID_APPS_PENDINGMESSAGE_H

#include <exception>
#include <string>

/// The message of the exception: a `char*`, a `std::string` or a `std::exception`.
inline std::string MessageOf(std::exception_ptr Failure) {
    try {
        std::rethrow_exception(Failure);
    } catch (char* Message) {
        return Message;
    } catch (const std::string& Message) {
        return Message;
    } catch (const std::exception& Failure) {
        return Failure.what();
    } catch (...) {
        return "Unknown exception";
    }
}

#endif
