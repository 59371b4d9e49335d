#include "TMapPoint.h"
#include "TPointTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct TXY {
    double X;
    double Y;
};

class PointToolsTest : public ::testing::Test {
protected:
    /// Points owned by the fixture, handed out as the raw list the tools take.
    std::vector<TPoint*> Points(const std::vector<TXY>& Positions) {
        std::vector<TPoint*> List;
        for (const TXY& P : Positions) {
            Owned.emplace_back(new TPoint(P.X, P.Y));
            List.push_back(Owned.back().get());
        }
        return List;
    }

    /// Takes ownership of returned points and gives their positions.
    std::vector<std::pair<double, double>> Adopt(const std::vector<TPoint*>& Returned) {
        std::vector<std::pair<double, double>> Positions;
        for (TPoint* P : Returned) {
            Owned.emplace_back(P);
            Positions.emplace_back(P->GetX(), P->GetY());
        }
        return Positions;
    }

    std::vector<std::unique_ptr<TPoint>> Owned;
};

using TPositions = std::vector<std::pair<double, double>>;

/// Twice the signed area of the triangle O, A, B: positive when B lies left of O->A.
double Cross(const std::pair<double, double>& O, const std::pair<double, double>& A,
             const std::pair<double, double>& B) {
    return (A.first - O.first) * (B.second - O.second) -
           (A.second - O.second) * (B.first - O.first);
}

} // namespace

// ---- Centroid, pseudo-angle, extremes -------------------------------------------------

TEST_F(PointToolsTest, CentroidIsTheMeanPoint) {
    std::unique_ptr<TPoint> Centre(TPointTools::FindCentroid(Points({{0, 0}, {2, 0}, {1, 3}})));
    EXPECT_DOUBLE_EQ(Centre->GetX(), 1.0);
    EXPECT_DOUBLE_EQ(Centre->GetY(), 1.0);
    std::unique_ptr<TPoint> OfNothing(TPointTools::FindCentroid({}));
    EXPECT_TRUE(std::isnan(OfNothing->GetX()) && std::isnan(OfNothing->GetY()));
}

TEST_F(PointToolsTest, ThetaGrowsWithTheCounterClockwiseAngle) {
    struct TCase {
        const char* Name;
        TXY P1, P2;
        double Expected;
    };
    const TCase Cases[] = {
        {"equal points", {3, 4}, {3, 4}, 0.0}, {"+X", {1, 0}, {0, 0}, 0.0},
        {"diagonal", {1, 1}, {0, 0}, 45.0},    {"reversed diagonal", {0, 0}, {1, 1}, 225.0},
        {"+Y", {0, 1}, {0, 0}, 90.0},          {"-X", {-1, 0}, {0, 0}, 180.0},
        {"-Y", {0, -1}, {0, 0}, 270.0},        {"fourth quadrant", {1, -1}, {0, 0}, 315.0},
        {"not degrees", {2, 1}, {0, 0}, 30.0}, {"offset origin", {6, 5}, {5, 5}, 0.0},
    };
    for (const TCase& C : Cases) {
        const TPoint P1(C.P1.X, C.P1.Y), P2(C.P2.X, C.P2.Y);
        EXPECT_DOUBLE_EQ(TPointTools::Theta(&P1, &P2), C.Expected) << C.Name;
    }
}

TEST_F(PointToolsTest, MaxAndMinMixTheTwoPoints) {
    const TPoint A(0, 5), B(3, 1);
    std::unique_ptr<TPoint> Max(TPointTools::Max(&A, &B)), Min(TPointTools::Min(&A, &B));
    EXPECT_EQ(Max->GetX(), 3.0);
    EXPECT_EQ(Max->GetY(), 5.0);
    EXPECT_EQ(Min->GetX(), 0.0);
    EXPECT_EQ(Min->GetY(), 1.0);
}

// ---- Areas ----------------------------------------------------------------------------

TEST_F(PointToolsTest, RegressionHeronOfCollinearPointsIsZeroNotNaN) {
    const TPoint P(0, 0), Q(0.1, 0.3), R(4, 12);
    // Precondition: the side lengths of these points round to a negative product.
    const double D1 = P.Distance(&Q), D2 = P.Distance(&R), D3 = Q.Distance(&R);
    const double S = (D1 + D2 + D3) * 0.5;
    ASSERT_LT(S * (S - D1) * (S - D2) * (S - D3), 0.0);
    EXPECT_EQ(TPointTools::Heron(&P, &Q, &R), 0.0);
}

TEST_F(PointToolsTest, RegressionConvexPolygonAreaOfOpenAndClosedLists) {
    struct TCase {
        const char* Name;
        std::vector<TXY> Vertices;
        double Expected;
    };
    const std::vector<TCase> Cases = {
        {"empty list", {}, 0.0},
        {"one vertex", {{2, 3}}, 0.0},
        {"two vertices", {{0, 0}, {1, 1}}, 0.0},
        {"closed unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}, 1.0},
        {"open unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1.0},
        {"open right triangle", {{0, 0}, {4, 0}, {0, 3}}, 6.0},
        {"closed hexagon", {{2, 0}, {4, 0}, {5, 2}, {4, 4}, {2, 4}, {1, 2}, {2, 0}}, 12.0},
    };
    for (const TCase& C : Cases)
        EXPECT_NEAR(TPointTools::FindConvexPolygonArea(Points(C.Vertices)), C.Expected, 1e-12)
            << C.Name;
}

// ---- Convex hull ----------------------------------------------------------------------

TEST_F(PointToolsTest, RegressionHullGivesEveryCornerOnceCounterClockwise) {
    struct TCase {
        const char* Name;
        std::vector<TXY> Input;
        TPositions Expected;
    };
    const std::vector<TCase> Cases = {

        {"unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
        {"square, shuffled", {{1, 1}, {0, 1}, {0, 0}, {1, 0}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
        {"interior, edge and repeated points",
         {{1, 1}, {0, 0}, {2, 0}, {2, 2}, {1, 0}, {0, 2}, {2, 1}, {0, 0}, {1, 2}, {0.5, 1.5}},
         {{0, 0}, {2, 0}, {2, 2}, {0, 2}}},
        {"first lowest point is the eastern corner",
         {{2, 0}, {0, 0}, {1, 2}},
         {{2, 0}, {1, 2}, {0, 0}}},
        {"first lowest point inside the bottom edge",
         {{1, 0}, {0, 0}, {2, 0}, {1, 2}},
         {{2, 0}, {1, 2}, {0, 0}}},
        {"diamond", {{0, 1}, {1, 0}, {2, 1}, {1, 2}, {1, 1}}, {{1, 0}, {2, 1}, {1, 2}, {0, 1}}},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(Adopt(TPointTools::FindConvexHull(Points(C.Input))), C.Expected) << C.Name;
}

TEST_F(PointToolsTest, HullReturnsNewClonesOfTheInputType) {
    TMapPoint A(0, 0, 7.0), B(4, 0, 8.0), C(0, 4, 9.0), Inside(1, 1, 10.0);
    std::vector<TPoint*> Hull = TPointTools::FindConvexHull({&A, &B, &C, &Inside});
    Adopt(Hull);
    ASSERT_EQ(Hull.size(), 3u);
    const double Values[] = {7.0, 8.0, 9.0};
    const TPoint* Inputs[] = {&A, &B, &C};
    for (size_t I = 0; I < Hull.size(); ++I) {
        const TMapPoint* Corner = dynamic_cast<const TMapPoint*>(Hull[I]);
        ASSERT_NE(Corner, nullptr) << "corner " << I;
        EXPECT_NE(Hull[I], Inputs[I]) << "corner " << I;
        EXPECT_EQ(Corner->GetValue(), Values[I]) << "corner " << I;
    }
}

TEST_F(PointToolsTest, HullEnclosesAScatterOfPoints) {
    // A fixed pseudo-random scatter on a coarse lattice, so that many points are collinear.
    std::vector<TXY> Scatter;
    unsigned long State = 12345;
    for (int I = 0; I < 300; ++I) {
        State = (State * 1103515245ul + 12345ul) % 2147483648ul;
        const double X = static_cast<double>(State % 21);
        State = (State * 1103515245ul + 12345ul) % 2147483648ul;
        Scatter.push_back({X, static_cast<double>(State % 17)});
    }
    const TPositions Hull = Adopt(TPointTools::FindConvexHull(Points(Scatter)));
    ASSERT_GE(Hull.size(), 3u);
    const size_t N = Hull.size();
    for (size_t I = 0; I < N; ++I) {
        // Every corner turns left: no collinear or repeated corner is kept.
        EXPECT_GT(Cross(Hull[I], Hull[(I + 1) % N], Hull[(I + 2) % N]), 0.0) << "corner " << I;
        for (const TXY& P : Scatter)
            EXPECT_GE(Cross(Hull[I], Hull[(I + 1) % N], {P.X, P.Y}), 0.0)
                << "(" << P.X << ", " << P.Y << ") lies outside edge " << I;
    }
    double LowestY = Scatter[0].Y;
    for (const TXY& P : Scatter)
        LowestY = std::min(LowestY, P.Y);
    EXPECT_EQ(Hull[0].second, LowestY);
}
