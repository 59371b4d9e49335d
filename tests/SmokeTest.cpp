#include "TMap.h"
#include <gtest/gtest.h>
TEST(Smoke, Builds) {
    TMap M(0.5);
    EXPECT_EQ(M.GetXDim(), 0);
}
