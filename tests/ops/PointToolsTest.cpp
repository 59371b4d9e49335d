#include "TMapPoint.h"
#include "TPointTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace testsupport;

namespace {

using TXY = std::pair<double, double>;
using TPositions = std::vector<TXY>;

class PointToolsTest : public ::testing::Test {
protected:
    TPointPool Pool;
};

/// Twice the signed area of the triangle O, A, B: positive when B lies left of O->A.
double Cross(const TXY& O, const TXY& A, const TXY& B) {
    return (A.first - O.first) * (B.second - O.second) -
           (A.second - O.second) * (B.first - O.first);
}

TEST_F(PointToolsTest, CentroidExtremesAndPseudoAngle) {
    const TPoint A(0, 5), B(3, 1);
    EXPECT_EQ(Pool.Keep({TPointTools::FindCentroid(Pool.Make({{0, 0}, {2, 0}, {1, 3}})),
                         TPointTools::Max(&A, &B), TPointTools::Min(&A, &B)}),
              TPositions({{1, 1}, {3, 5}, {0, 1}}));
    // On a tie the first point's ordinate is taken, whichever zero it is.
    const TPoint Plus(0.0, 0.0), Minus(-0.0, -0.0);
    for (const auto& [First, Second] : {std::pair{&Plus, &Minus}, std::pair{&Minus, &Plus}}) {
        const std::unique_ptr<TPoint> Max(TPointTools::Max(First, Second));
        const std::unique_ptr<TPoint> Min(TPointTools::Min(First, Second));
        EXPECT_EQ(std::signbit(Max->GetX()), First == &Minus) << "maximum of X";
        EXPECT_EQ(std::signbit(Max->GetY()), First == &Minus) << "maximum of Y";
        EXPECT_EQ(std::signbit(Min->GetX()), First == &Minus) << "minimum of X";
        EXPECT_EQ(std::signbit(Min->GetY()), First == &Minus) << "minimum of Y";
    }
    const auto Theta = [](TXY P1, TXY P2) {
        const TPoint A(P1.first, P1.second), B(P2.first, P2.second);
        return TPointTools::Theta(&A, &B);
    };
    EXPECT_DOUBLE_EQ(Theta({3, 4}, {3, 4}), 0.0) << "equal points";
    EXPECT_DOUBLE_EQ(Theta({1, 1}, {0, 0}), 45.0) << "diagonal";
    EXPECT_DOUBLE_EQ(Theta({2, 1}, {0, 0}), 30.0) << "not degrees";
    EXPECT_DOUBLE_EQ(Theta({-1, 0}, {0, 0}), 180.0) << "-X";
    EXPECT_DOUBLE_EQ(Theta({5, 5}, {6, 6}), 225.0) << "reversed";
    EXPECT_DOUBLE_EQ(Theta({1, -1}, {0, 0}), 315.0) << "fourth quadrant";
}

TEST_F(PointToolsTest, RegressionHeronOfCollinearPointsIsZeroNotNaN) {
    const TPoint P(0, 0), Q(0.1, 0.3), R(4, 12);
    // Precondition: the side lengths of these points round to a negative product.
    const double D1 = P.Distance(&Q), D2 = P.Distance(&R), D3 = Q.Distance(&R);
    const double S = (D1 + D2 + D3) * 0.5;
    ASSERT_LT(S * (S - D1) * (S - D2) * (S - D3), 0.0);
    EXPECT_EQ(TPointTools::Heron(&P, &Q, &R), 0.0);
}

TEST_F(PointToolsTest, RegressionConvexPolygonAreaAddsTheClosingEdgeOfAnOpenList) {
    const struct {
        const char* Name;
        TPositions Vertices;
        double Expected;
    } Cases[] = {
        {"empty list", {}, 0.0},
        {"closed unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}, 1.0},
        {"open unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1.0},
        {"open right triangle", {{0, 0}, {4, 0}, {0, 3}}, 6.0},
    };
    for (const auto& C : Cases)
        EXPECT_NEAR(TPointTools::FindConvexPolygonArea(Pool.Make(C.Vertices)), C.Expected, 1e-12)
            << C.Name;
}

TEST_F(PointToolsTest, RegressionHullGivesEveryCornerOnceCounterClockwise) {
    const struct {
        const char* Name;
        TPositions Input, Expected;
    } Cases[] = {
        {"empty list", {}, {}},
        {"two distinct points", {{1, 1}, {0, 0}, {1, 1}}, {{0, 0}, {1, 1}}},
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
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Pool.Keep(TPointTools::FindConvexHull(Pool.Make(C.Input))), C.Expected) << C.Name;
}

// The corners are new points of the input's type, carrying its values.
TEST_F(PointToolsTest, HullReturnsNewClonesOfTheInputType) {
    TMapPoint A(0, 0, 7.0), B(4, 0, 8.0), C(0, 4, 9.0), Inside(1, 1, 10.0);
    const std::vector<TPoint*> Hull = TPointTools::FindConvexHull({&A, &B, &C, &Inside});
    ASSERT_EQ(Pool.Keep(Hull), TPositions({{0, 0}, {4, 0}, {0, 4}}));
    const TMapPoint* Third = dynamic_cast<const TMapPoint*>(Hull[2]);
    ASSERT_NE(Third, nullptr);
    EXPECT_NE(Third, &C);
    EXPECT_EQ(Third->GetValue(), 9.0);
}

// A scatter over a lattice, with many points on the hull's edges and inside it.
TEST_F(PointToolsTest, HullEnclosesAScatterOfPoints) {
    TPositions Scatter;
    for (int I = 0; I < 300; ++I)
        Scatter.emplace_back((I * 7) % 21, (I * I) % 17);
    const TPositions Hull = Pool.Keep(TPointTools::FindConvexHull(Pool.Make(Scatter)));
    ASSERT_GE(Hull.size(), 3u);
    const size_t N = Hull.size();
    for (size_t I = 0; I < N; ++I) {
        // Every corner turns left: no collinear or repeated corner is kept.
        EXPECT_GT(Cross(Hull[I], Hull[(I + 1) % N], Hull[(I + 2) % N]), 0.0) << "corner " << I;
        for (const TXY& P : Scatter)
            EXPECT_GE(Cross(Hull[I], Hull[(I + 1) % N], P), 0.0)
                << "(" << P.first << ", " << P.second << ") lies outside edge " << I;
    }
}

} // namespace
