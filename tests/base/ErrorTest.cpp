// The one function that turns an exception into its message, for every kind of payload.

#include "TError.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

TEST(ErrorTest, EveryPayloadGivesItsMessage) {
    static char Text[] = "Index is out of range in TAxis::GetPoint";
    const auto Of = [](auto Payload) { return TError::Message(std::make_exception_ptr(Payload)); };
    EXPECT_EQ(Of(static_cast<char*>(Text)), Text) << "char*";
    EXPECT_EQ(Of(static_cast<const char*>("const")), "const") << "const char*";
    EXPECT_EQ(Of(static_cast<char*>(nullptr)), "") << "null char*";
    EXPECT_EQ(Of(std::string("Unable to open file x")), "Unable to open file x") << "string";
    EXPECT_EQ(Of(std::runtime_error("runtime")), "runtime") << "std::exception";
    EXPECT_EQ(Of(std::bad_alloc()), "Not enough memory") << "bad_alloc";
    EXPECT_EQ(Of(42), "Unknown exception") << "int";
    EXPECT_EQ(TError::Message(nullptr), "Unknown exception") << "no exception";
}
