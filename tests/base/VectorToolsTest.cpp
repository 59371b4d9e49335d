#include "TVectorTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace testsupport;

namespace {

using TVec = std::vector<double>;

class VectorToolsTest : public ::testing::Test {};

TEST_F(VectorToolsTest, FailuresCarryTheirMessages) {
    const std::string Step = "Step must be greater than 0 in TVectorTools::VectorSeries";
    const std::string TooSmall = "Step is too small to reach the end in TVectorTools::VectorSeries";
    const std::string Product = "Length of vectors does not match in TVectorTools::VectorProduct";
    const TVec Two = {1, 2}, Three = {1, 2, 3};
    ExpectFailures({
        {"weighted mean", [&] { TVectorTools::VectorWeightedMean(Two, Three); },
         "Length of value and weight vectors do not match in TVectorTools::WeightedMean"},
        {"product", [&] { TVectorTools::VectorProduct(Two, Three); }, Product},
        {"gradient", [&] { TVectorTools::Gradient(Three, Two); }, Product},
        {"zero step", [] { TVectorTools::VectorSeries(2, 2, 0); }, Step},
        {"NaN step", [] { TVectorTools::VectorSeries(0, 1, NaN); }, Step},
        {"infinite end", [] { TVectorTools::VectorSeries(0, Inf, 1); }, TooSmall},
    });
}

// Regression: a step lost in the rounding of the running sum made the series grow forever.
TEST_F(VectorToolsTest, RegressionSeriesFailsWhenTheStepIsLostInRounding) {
    EXPECT_EQ(MessageOf([] { TVectorTools::VectorSeries(1e16, 1e16 + 100, 1); }),
              "Step is too small to reach the end in TVectorTools::VectorSeries");
    // A series that starts at its end is that one value, however large.
    EXPECT_EQ(TVectorTools::VectorSeries(1e17, 1e17, 1), TVec{1e17});
    EXPECT_EQ(TVectorTools::VectorSeries(Inf, Inf, 1), TVec{Inf});
}

TEST_F(VectorToolsTest, SumsMeansAndMembership) {
    EXPECT_EQ(TVectorTools::SumVector({1e16, 1, 1}), 1e16) << "summed from the first element";
    EXPECT_EQ(TVectorTools::VectorMean({1, 2, 3, 4}), 2.5);
    EXPECT_TRUE(std::isnan(TVectorTools::VectorMean({})));
    EXPECT_TRUE(TVectorTools::HasValue(TVec{1.0, 2.0}, 2.0));
    EXPECT_FALSE(TVectorTools::HasValue(TVec{NaN, 1.0}, NaN));
    EXPECT_FALSE(TVectorTools::HasValue(std::vector<int>{3, -1}, 1));
}

// Regression: the weighted mean divided by the number of elements.
TEST_F(VectorToolsTest, RegressionWeightedMeanDividesByTheSumOfWeights) {
    EXPECT_EQ(TVectorTools::VectorWeightedMean({2, 4}, {1, 3}), 3.5);
    EXPECT_EQ(TVectorTools::VectorWeightedMean({10, 20}, {0.5, 0}), 10.0);
}

// Numbers beyond the range of int saturate.
TEST_F(VectorToolsTest, ConversionsReadTheLeadingNumber) {
    EXPECT_EQ(TVectorTools::StringToInt({"12", " 7", "3.9", "abc", "-4x", "", "+5", "2147483648",
                                         "-2147483649", "99999999999999999999999"}),
              (std::vector<int>{12, 7, 3, 0, -4, 0, 5, INT_MAX, INT_MIN, INT_MAX}));
    EXPECT_EQ(TVectorTools::StringToDouble({"2.5", "1e3", "x", " -0.5e-1z", "1e999"}),
              (TVec{2.5, 1000, 0, -0.05, Inf}));
    EXPECT_EQ(TVectorTools::IntToDouble({3, -2, INT_MAX}), (TVec{3, -2, INT_MAX}));
}

// Each element is the previous one plus the step.
TEST_F(VectorToolsTest, SeriesAccumulatesTheStep) {
    EXPECT_EQ(TVectorTools::VectorSeries(1, 5, 2), TVec({1, 3, 5})) << "end reached";
    EXPECT_EQ(TVectorTools::VectorSeries(1, 6, 2), TVec({1, 3, 5})) << "end between steps";
    EXPECT_EQ(TVectorTools::VectorSeries(4, 4, 1), TVec({4})) << "start = end";
    EXPECT_EQ(TVectorTools::VectorSeries(5, 1, 0), TVec()) << "start > end, even with step 0";
    EXPECT_EQ(TVectorTools::VectorSeries(0, NaN, 1), TVec()) << "NaN end";
    EXPECT_EQ(TVectorTools::VectorSeries(0, 0.3, 0.1), TVec({0, 0.1, 0.2})) << "running sums";
    const TVec Tenths = TVectorTools::VectorSeries(0, 1, 0.1);
    ASSERT_EQ(Tenths.size(), 11u);
    EXPECT_EQ(Tenths.back(), 0.9999999999999999);
}

// Zero denominators give what the division gives.
TEST_F(VectorToolsTest, GradientIsTheLeastSquaresSlope) {
    EXPECT_EQ(TVectorTools::VectorProduct({1, 2, 3}, {4, 5, 6}), (TVec{4, 10, 18}));
    EXPECT_EQ(TVectorTools::Gradient({1, 2, 3, 4}, {3, 5, 7, 9}), 2.0);
    EXPECT_EQ(TVectorTools::Gradient({0, 1, 2, 3}, {1, 0, 3, 4}), 1.2);
    EXPECT_FALSE(std::isfinite(TVectorTools::Gradient({1, 1, 1}, {1, 2, 3})));
    EXPECT_TRUE(std::isnan(TVectorTools::Gradient({7}, {3})));
}

} // namespace
