#include "TVectorTools.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

/// The message of the `char*` the call throws, or a marker when it throws nothing.
template <typename TCall> std::string ThrownMessage(TCall&& Call) {
    try {
        Call();
    } catch (char* Message) {
        return Message;
    }
    return "<nothing thrown>";
}

const double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

class VectorToolsTest : public ::testing::Test {};

// ---- Failures ---------------------------------------------------------------------------

TEST_F(VectorToolsTest, LengthMismatchesThrowBeforeAnyResult) {
    EXPECT_EQ(ThrownMessage([] {
                  TVectorTools::VectorWeightedMean({1, 2}, {1, 2, 3});
              }),
              "Length of value and weight vectors do not match in TVectorTools::WeightedMean");
    EXPECT_EQ(ThrownMessage([] {
                  TVectorTools::VectorProduct({1, 2}, {1, 2, 3});
              }),
              "Length of vectors does not match in TVectorTools::VectorProduct");
    EXPECT_EQ(ThrownMessage([] {
                  TVectorTools::Gradient({1, 2, 3}, {1, 2});
              }),
              "Length of vectors does not match in TVectorTools::VectorProduct");
}

TEST_F(VectorToolsTest, SeriesRefusesStepsThatNeverReachTheEnd) {
    struct {
        const char* Name;
        double Start, End, Step;
        const char* Message;
    } Cases[] = {
        {"zero step", 0, 1, 0, "Step must be greater than 0 in TVectorTools::VectorSeries"},
        {"negative step", 0, 1, -1, "Step must be greater than 0 in TVectorTools::VectorSeries"},
        {"NaN step", 0, 1, NaN, "Step must be greater than 0 in TVectorTools::VectorSeries"},
        {"zero step, start = end", 2, 2, 0,
         "Step must be greater than 0 in TVectorTools::VectorSeries"},
        {"step lost in rounding", 1e16, 1e16 + 100, 1.0,
         "Step is too small to reach the end in TVectorTools::VectorSeries"},
        {"infinite end", 0, Inf, 1.0,
         "Step is too small to reach the end in TVectorTools::VectorSeries"},
        {"infinite start and end", Inf, Inf, 1.0,
         "Step is too small to reach the end in TVectorTools::VectorSeries"},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(
            ThrownMessage([&] { TVectorTools::VectorSeries(Case.Start, Case.End, Case.Step); }),
            Case.Message)
            << Case.Name;
}

// ---- Sums and means ---------------------------------------------------------------------

TEST_F(VectorToolsTest, SumsAndMeans) {
    EXPECT_EQ(TVectorTools::SumVector({}), 0.0);
    EXPECT_EQ(TVectorTools::SumVector({1, 2, 3.5}), 6.5);
    // Summed from the first element: (1e16 + 1) + 1 loses both ones.
    EXPECT_EQ(TVectorTools::SumVector({1e16, 1, 1}), 1e16);
    EXPECT_EQ(TVectorTools::VectorMean({1, 2, 3, 4}), 2.5);
    EXPECT_TRUE(std::isnan(TVectorTools::VectorMean({})));
}

TEST_F(VectorToolsTest, WeightedMeanDividesBySumOfWeights) {
    EXPECT_EQ(TVectorTools::VectorWeightedMean({2, 4}, {1, 3}), 3.5);
    EXPECT_EQ(TVectorTools::VectorWeightedMean({5, 7, 9}, {1, 1, 1}), 7.0);
    EXPECT_EQ(TVectorTools::VectorWeightedMean({10, 20}, {0.5, 0}), 10.0);
}

// ---- Membership and conversion ----------------------------------------------------------

TEST_F(VectorToolsTest, HasValueComparesExactly) {
    EXPECT_TRUE(TVectorTools::HasValue(std::vector<double>{1.0, 2.0}, 2.0));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<double>{1.0, 2.0}, 2.0000000001));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<double>{}, 0.0));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<double>{NaN, 1.0}, NaN));
    EXPECT_TRUE(TVectorTools::HasValue(std::vector<int>{3, -1, 3}, -1));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<int>{}, 0));
}

TEST_F(VectorToolsTest, StringToIntReadsTheLeadingNumber) {
    const std::vector<std::string> Texts = {"12", " 7", "3.9", "abc", "-4x", "", "+5", "\t\n-0"};
    const std::vector<int> Expected = {12, 7, 3, 0, -4, 0, 5, 0};
    EXPECT_EQ(TVectorTools::StringToInt(Texts), Expected);
}

TEST_F(VectorToolsTest, StringToIntSaturatesInsteadOfOverflowing) {
    const std::vector<std::string> Texts = {
        "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999999999999999",
        "-1e5"};
    const std::vector<int> Expected = {INT_MAX, INT_MAX, INT_MIN, INT_MIN, INT_MAX, -1};
    EXPECT_EQ(TVectorTools::StringToInt(Texts), Expected);
}

TEST_F(VectorToolsTest, StringToDoubleReadsTheLeadingNumber) {
    const std::vector<double> Values =
        TVectorTools::StringToDouble({"2.5", "1e3", "x", " -0.5e-1z", "1e999", ""});
    const std::vector<double> Expected = {2.5, 1000, 0, -0.05, Inf, 0};
    EXPECT_EQ(Values, Expected);
}

TEST_F(VectorToolsTest, IntToDoubleKeepsOrder) {
    const std::vector<double> Expected = {3, -2, 0, INT_MAX};
    EXPECT_EQ(TVectorTools::IntToDouble({3, -2, 0, INT_MAX}), Expected);
}

// ---- Series, products, gradients --------------------------------------------------------

TEST_F(VectorToolsTest, SeriesAccumulatesTheStep) {
    struct {
        const char* Name;
        double Start, End, Step;
        std::vector<double> Expected;
    } Cases[] = {
        {"end reached", 1, 5, 2, {1, 3, 5}},
        {"end between steps", 1, 6, 2, {1, 3, 5}},
        {"start = end", 4, 4, 1, {4}},
        {"start > end", 5, 1, 1, {}},
        {"start > end, zero step", 5, 1, 0, {}},
        {"NaN start", NaN, 1, 1, {}},
        {"NaN end", 0, NaN, 1, {}},
        {"running sums", 0, 0.3, 0.1, {0, 0.1, 0.1 + 0.1}},
        {"infinite step", 0, 1, Inf, {0}},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(TVectorTools::VectorSeries(Case.Start, Case.End, Case.Step), Case.Expected)
            << Case.Name;

    const std::vector<double> Tenths = TVectorTools::VectorSeries(0, 1, 0.1);
    ASSERT_EQ(Tenths.size(), 11u);
    EXPECT_EQ(Tenths.back(), 0.9999999999999999);
}

TEST_F(VectorToolsTest, ProductIsElementWise) {
    const std::vector<double> Expected = {4, 10, 18};
    EXPECT_EQ(TVectorTools::VectorProduct({1, 2, 3}, {4, 5, 6}), Expected);
    EXPECT_TRUE(TVectorTools::VectorProduct({}, {}).empty());
}

TEST_F(VectorToolsTest, GradientIsTheLeastSquaresSlope) {
    EXPECT_EQ(TVectorTools::Gradient({1, 2, 3, 4}, {3, 5, 7, 9}), 2.0);
    EXPECT_EQ(TVectorTools::Gradient({0, 1, 2}, {5, 5, 5}), 0.0);
    EXPECT_DOUBLE_EQ(TVectorTools::Gradient({0, 1, 2, 3}, {1, 0, 3, 4}), 1.2);
    // Zero denominators give what the division gives.
    EXPECT_FALSE(std::isfinite(TVectorTools::Gradient({1, 1, 1}, {1, 2, 3})));
    EXPECT_TRUE(std::isnan(TVectorTools::Gradient({1, 1, 1}, {2, 2, 2})));
    EXPECT_TRUE(std::isnan(TVectorTools::Gradient({}, {})));
    EXPECT_TRUE(std::isnan(TVectorTools::Gradient({7}, {3})));
}

} // namespace
