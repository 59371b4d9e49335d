#include "TAxis.h"
#include "TAxisTools.h"
#include "TMapPoint.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using testsupport::MessageOf;

namespace {

/// Axis of points at the given X ordinates (Y = 0) or Y ordinates (X = 0).
std::unique_ptr<TAxis> MakeAxis(const std::vector<double>& Ordinates, char Direction,
                                double Resolution = 1.0) {
    std::unique_ptr<TAxis> Axis(new TAxis(Resolution));
    for (double V : Ordinates)
        Axis->AddPoint(Direction == 'X' ? new TPoint(V, 0.0) : new TPoint(0.0, V));
    return Axis;
}

class AxisTest : public ::testing::Test {};

} // namespace

TEST_F(AxisTest, FailuresCarryTheirMessages) {
    auto Axis = MakeAxis({0, 1, 2, 3}, 'X');
    const std::string OutOfRange = "Ordinate is out of range in TAxis::GetIndex";
    EXPECT_EQ(MessageOf([&] { Axis->GetIndex(-0.001, 'X'); }), OutOfRange);
    EXPECT_EQ(MessageOf([&] { Axis->GetIndex(3.001, 'X'); }), OutOfRange);
    EXPECT_EQ(MessageOf([&] { Axis->GetIndex(std::nan(""), 'X'); }), OutOfRange);
    EXPECT_EQ(MessageOf([&] { MakeAxis({5}, 'X')->GetIndex(5, 'X'); }), OutOfRange);
    EXPECT_EQ(MessageOf([&] { MakeAxis({}, 'X')->GetIndex(0, 'X'); }), OutOfRange);
    EXPECT_EQ(MessageOf([&] { MakeAxis({0, 1, 5, 6}, 'X')->GetIndex(3, 'X'); }), "no exception");
    EXPECT_EQ(MessageOf([&] { MakeAxis({0, 1, 1, 3, 0.5}, 'X')->GetIndex(3.0, 'X'); }), OutOfRange);
    EXPECT_EQ(MessageOf([&] { Axis->SetPoint(4, new TPoint(0, 0)); }),
              "Index is out of range in TAxis::SetPoint");
    EXPECT_EQ(MessageOf([&] { Axis->GetPoint(-1); }), "Index is out of range in TAxis::GetPoint");
    EXPECT_EQ(MessageOf([&] { Axis->AddPoint(nullptr); }), "Point is not set in TAxis::AddPoint");
    EXPECT_EQ(MessageOf([&] { Axis->SetPoint(0, nullptr); }),
              "Point is not set in TAxis::SetPoint");
    EXPECT_EQ(MessageOf([&] { Axis->GetSegment(-1, 2); }),
              "Start index is out of range in TAxis::GetSegment");
    EXPECT_EQ(MessageOf([&] { Axis->GetSegment(0, 4); }),
              "End index is out of range in TAxis::GetSegment");
    EXPECT_EQ(MessageOf([&] { Axis->GetSegment(3, 2); }),
              "Start index is greater than end index in TAxis::GetSegment");
    TPoint Early(0.5, 0), Late(2.5, 0);
    EXPECT_EQ(MessageOf([&] { Axis->GetSegment(&Late, &Early, 'X'); }),
              "Start index is greater than end index in TAxis::GetSegment");
    EXPECT_EQ(MessageOf([&] { TAxisTools::PointsToIntervals(MakeAxis({}, 'X').get(), 'X'); }),
              "Index is out of range in TAxis::GetPoint");
    EXPECT_EQ(MessageOf([&] { TAxisTools::IntervalsToPoints(MakeAxis({}, 'X').get(), 'X'); }),
              "Index is out of range in TAxis::GetPoint");
}

TEST_F(AxisTest, GetIndexFindsTheSegmentInEitherDirection) {
    struct Case {
        const char* Name;
        std::vector<double> Ordinates;
        double Ordinate;
        long Expected;
    };
    const Case Cases[] = {
        {"ascending lower end", {0, 1, 2, 3}, 0.0, 0},
        {"ascending boundary goes up", {0, 1, 2, 3}, 1.0, 1},
        {"ascending just below boundary", {0, 1, 2, 3}, 0.999, 0},
        {"ascending upper end is the last segment", {0, 1, 2, 3}, 3.0, 2},
        {"descending boundary goes to the lower index", {10, 9, 8}, 9.0, 0},
        {"descending inside", {10, 9, 8}, 8.5, 1},
        {"descending lower end", {10, 9, 8}, 8.0, 1},
        {"descending upper end is the first segment", {10, 9, 8}, 10.0, 0},
        {"empty segment never matches", {0, 1, 1, 2}, 1.0, 2},
        {"upper end after an empty last segment", {0, 1, 2, 2}, 2.0, 1},
        {"uneven spacing", {0, 0.1, 5, 5.5}, 4.9, 1},
        {"non-monotone scan", {0, 2, 1, 3}, 1.5, 0},
    };
    for (const Case& C : Cases) {
        auto X = MakeAxis(C.Ordinates, 'X');
        auto Y = MakeAxis(C.Ordinates, 'Y');
        EXPECT_EQ(X->GetIndex(C.Ordinate, 'X'), C.Expected) << C.Name;
        EXPECT_EQ(Y->GetIndex(C.Ordinate, 'Y'), C.Expected) << C.Name;
        // Only the upper-case 'X' selects X: these points all have Y = 0 or X = 0.
        EXPECT_EQ(Y->GetIndex(C.Ordinate, 'x'), C.Expected) << C.Name;
    }
    // Replacing points forgets the direction that an earlier lookup worked out.
    auto Turned = MakeAxis({0, 1, 2, 3}, 'X');
    EXPECT_EQ(Turned->GetIndex(1.5, 'X'), 1);
    for (long I = 0; I < 4; ++I)
        Turned->SetPoint(I, new TPoint(3.0 - I, 0.0));
    EXPECT_EQ(Turned->GetIndex(2.5, 'X'), 0) << "turned to descending";
}

TEST_F(AxisTest, LongAxesAgreeWithAScanInIndexOrder) {
    // Binary search on monotone axes must give what a scan of the segments gives.
    std::vector<double> Ordinates;
    for (int I = 0; I <= 1000; ++I)
        Ordinates.push_back(-180.0 + I * 0.36);
    auto Ascending = MakeAxis(Ordinates, 'X');
    std::vector<double> Reversed(Ordinates.rbegin(), Ordinates.rend());
    auto Descending = MakeAxis(Reversed, 'X');
    for (double V = -180.0; V <= 180.0; V += 0.0917) {
        long Scan = -1, ScanDown = -1;
        for (size_t I = 0; I + 1 < Ordinates.size() && Scan < 0; ++I)
            if (Ordinates[I] <= V && V < Ordinates[I + 1])
                Scan = static_cast<long>(I);
        for (size_t I = 0; I + 1 < Reversed.size() && ScanDown < 0; ++I)
            if (Reversed[I + 1] <= V && V < Reversed[I])
                ScanDown = static_cast<long>(I);
        ASSERT_GE(Scan, 0) << V;
        EXPECT_EQ(Ascending->GetIndex(V, 'X'), Scan) << V;
        EXPECT_EQ(Descending->GetIndex(V, 'X'), ScanDown) << V;
    }
}

TEST_F(AxisTest, PointsToIntervalsPlacesEdgesAroundCentres) {
    std::unique_ptr<TAxis> X(new TAxis(1.0));
    for (double V : {0.5, 1.5, 2.5})
        X->AddPoint(new TPoint(V, 5));
    std::unique_ptr<TAxis> XEdges(TAxisTools::PointsToIntervals(X.get(), 'X'));
    ASSERT_EQ(XEdges->GetSize(), 4);
    for (long K = 0; K < 4; ++K) {
        EXPECT_EQ(XEdges->GetPoint(K)->GetX(), K) << K;
        EXPECT_EQ(XEdges->GetPoint(K)->GetY(), 4.5) << K;
    }

    std::unique_ptr<TAxis> Y(new TAxis(1.0));
    Y->AddPoint(new TPoint(0.5, 9.5));
    Y->AddPoint(new TPoint(0.5, 8.5));
    std::unique_ptr<TAxis> YEdges(TAxisTools::PointsToIntervals(Y.get(), 'Y'));
    ASSERT_EQ(YEdges->GetSize(), 3);
    for (long K = 0; K < 3; ++K) {
        EXPECT_EQ(YEdges->GetPoint(K)->GetX(), 0.0);
        EXPECT_EQ(YEdges->GetPoint(K)->GetY(), 10.0 - K);
    }

    // A one-point axis at (3, 7) with resolution 2.
    std::unique_ptr<TAxis> One(new TAxis(2.0));
    One->AddPoint(new TPoint(3, 7));
    std::unique_ptr<TAxis> OneX(TAxisTools::PointsToIntervals(One.get(), 'X'));
    std::unique_ptr<TAxis> OneY(TAxisTools::PointsToIntervals(One.get(), 'Y'));
    EXPECT_EQ(OneX->GetPoint(0)->GetX(), 2.0);
    EXPECT_EQ(OneX->GetPoint(1)->GetX(), 4.0);
    EXPECT_EQ(OneX->GetPoint(1)->GetY(), 6.0);
    EXPECT_EQ(OneY->GetPoint(0)->GetY(), 6.0);
    EXPECT_EQ(OneY->GetPoint(1)->GetY(), 8.0);
    EXPECT_EQ(OneY->GetPoint(1)->GetX(), 2.0);
}

// Any character other than 'X' selects Y, but only 'Y' itself makes the edges of a
// descending Y axis descend.
TEST_F(AxisTest, DescendingYEdgesDescendOnlyWithAnUpperCaseY) {
    std::unique_ptr<TAxis> Y(new TAxis(1.0));
    Y->AddPoint(new TPoint(0.5, 9.5));
    Y->AddPoint(new TPoint(0.5, 8.5));
    for (char Direction : {'y', 'Z'}) {
        std::unique_ptr<TAxis> Edges(TAxisTools::PointsToIntervals(Y.get(), Direction));
        ASSERT_EQ(Edges->GetSize(), 3);
        for (long K = 0; K < 3; ++K) {
            EXPECT_EQ(Edges->GetPoint(K)->GetX(), 0.0) << Direction << K;
            EXPECT_EQ(Edges->GetPoint(K)->GetY(), 10.0 + K) << Direction << K;
        }
    }
}

TEST_F(AxisTest, DescendingXCentresGiveDescendingEdges) {
    std::unique_ptr<TAxis> X(new TAxis(0.5));
    for (double V : {1.25, 0.75, 0.25})
        X->AddPoint(new TPoint(V, 0));
    std::unique_ptr<TAxis> Edges(TAxisTools::PointsToIntervals(X.get(), 'X'));
    const double Expected[] = {1.5, 1.0, 0.5, 0.0};
    for (long K = 0; K < 4; ++K)
        EXPECT_EQ(Edges->GetPoint(K)->GetX(), Expected[K]) << K;
    std::unique_ptr<TAxis> Back(TAxisTools::IntervalsToPoints(Edges.get(), 'X'));
    for (long K = 0; K < 3; ++K)
        EXPECT_EQ(Back->GetPoint(K)->GetX(), X->GetPoint(K)->GetX()) << K;
}

// over and destroys it.
TEST_F(AxisTest, SetPointOutOfRangeReleasesThePoint) {
    struct TCountedPoint : TPoint {
        explicit TCountedPoint(int& Destroyed) : TPoint(0, 0), Destroyed(Destroyed) {}
        ~TCountedPoint() override { ++Destroyed; }
        int& Destroyed;
    };
    int Destroyed = 0;
    auto Axis = MakeAxis({0, 1}, 'X');
    for (long Index : {-1L, 2L})
        EXPECT_EQ(MessageOf([&] { Axis->SetPoint(Index, new TCountedPoint(Destroyed)); }),
                  "Index is out of range in TAxis::SetPoint")
            << Index;
    EXPECT_EQ(Destroyed, 2);
    EXPECT_EQ(Axis->GetSize(), 2);
}
