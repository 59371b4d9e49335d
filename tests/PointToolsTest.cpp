#include "TMapPoint.h"
#include "TPointTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace {

using TXY = std::pair<double, double>;
using TPositions = std::vector<TXY>;

class PointToolsTest : public ::testing::Test {
protected:
    /// Points owned by the fixture, handed out as the raw list the tools take.
    std::vector<TPoint*> Points(const TPositions& Positions) {
        std::vector<TPoint*> List;
        for (const TXY& P : Positions) {
            Owned.emplace_back(new TPoint(P.first, P.second));
            List.push_back(Owned.back().get());
        }
        return List;
    }

    /// Takes ownership of returned points and gives their positions.
    TPositions Adopt(const std::vector<TPoint*>& Returned) {
        TPositions Positions;
        for (TPoint* P : Returned) {
            Owned.emplace_back(P);
            Positions.emplace_back(P->GetX(), P->GetY());
        }
        return Positions;
    }

    std::vector<std::unique_ptr<TPoint>> Owned;
};

/// Twice the signed area of the triangle O, A, B: positive when B lies left of O->A.
double Cross(const TXY& O, const TXY& A, const TXY& B) {
    return (A.first - O.first) * (B.second - O.second) -
           (A.second - O.second) * (B.first - O.first);
}

TEST_F(PointToolsTest, CentroidExtremesAndPseudoAngle) {
    std::unique_ptr<TPoint> Centre(TPointTools::FindCentroid(Points({{0, 0}, {2, 0}, {1, 3}})));
    EXPECT_EQ(std::make_pair(Centre->GetX(), Centre->GetY()), TXY(1, 1));
    const TPoint A(0, 5), B(3, 1);
    std::unique_ptr<TPoint> Max(TPointTools::Max(&A, &B)), Min(TPointTools::Min(&A, &B));
    EXPECT_EQ(std::make_pair(Max->GetX(), Max->GetY()), TXY(3, 5));
    EXPECT_EQ(std::make_pair(Min->GetX(), Min->GetY()), TXY(0, 1));
    const struct {
        TXY P1, P2;
        double Expected;
    } Cases[] = {
        {{3, 4}, {3, 4}, 0.0},  {{1, 1}, {0, 0}, 45.0},   {{0, 0}, {1, 1}, 225.0},
        {{0, 1}, {0, 0}, 90.0}, {{-1, 0}, {0, 0}, 180.0}, {{1, -1}, {0, 0}, 315.0},
        {{2, 1}, {0, 0}, 30.0}, {{6, 5}, {5, 5}, 0.0},
    };
    for (const auto& C : Cases) {
        const TPoint P1(C.P1.first, C.P1.second), P2(C.P2.first, C.P2.second);
        EXPECT_DOUBLE_EQ(TPointTools::Theta(&P1, &P2), C.Expected)
            << "(" << C.P1.first << ", " << C.P1.second << ") from (" << C.P2.first << ", "
            << C.P2.second << ")";
    }
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
        {"two vertices", {{0, 0}, {1, 1}}, 0.0},
        {"closed unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}, 1.0},
        {"open unit square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1.0},
        {"open right triangle", {{0, 0}, {4, 0}, {0, 3}}, 6.0},
    };
    for (const auto& C : Cases)
        EXPECT_NEAR(TPointTools::FindConvexPolygonArea(Points(C.Vertices)), C.Expected, 1e-12)
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
        EXPECT_EQ(Adopt(TPointTools::FindConvexHull(Points(C.Input))), C.Expected) << C.Name;
}

TEST_F(PointToolsTest, HullReturnsNewClonesOfTheInputType) {
    TMapPoint A(0, 0, 7.0), B(4, 0, 8.0), C(0, 4, 9.0), Inside(1, 1, 10.0);
    std::vector<TPoint*> Hull = TPointTools::FindConvexHull({&A, &B, &C, &Inside});
    Adopt(Hull);
    ASSERT_EQ(Hull.size(), 3u);
    const TMapPoint* Inputs[] = {&A, &B, &C};
    for (size_t I = 0; I < Hull.size(); ++I) {
        const TMapPoint* Corner = dynamic_cast<const TMapPoint*>(Hull[I]);
        ASSERT_NE(Corner, nullptr) << "corner " << I;
        EXPECT_NE(Corner, Inputs[I]) << "corner " << I;
        EXPECT_EQ(Corner->GetValue(), Inputs[I]->GetValue()) << "corner " << I;
    }
}

// A fixed pseudo-random scatter on a coarse lattice, so that many points are collinear.
TEST_F(PointToolsTest, HullEnclosesAScatterOfPoints) {
    TPositions Scatter;
    unsigned long State = 12345;
    const auto Next = [&State](unsigned long Range) {
        State = (State * 1103515245ul + 12345ul) % 2147483648ul;
        return static_cast<double>(State % Range);
    };
    for (int I = 0; I < 300; ++I) {
        const double X = Next(21);
        Scatter.emplace_back(X, Next(17));
    }
    const TPositions Hull = Adopt(TPointTools::FindConvexHull(Points(Scatter)));
    ASSERT_GE(Hull.size(), 3u);
    const size_t N = Hull.size();
    for (size_t I = 0; I < N; ++I) {
        // Every corner turns left: no collinear or repeated corner is kept.
        EXPECT_GT(Cross(Hull[I], Hull[(I + 1) % N], Hull[(I + 2) % N]), 0.0) << "corner " << I;
        for (const TXY& P : Scatter)
            EXPECT_GE(Cross(Hull[I], Hull[(I + 1) % N], P), 0.0)
                << "(" << P.first << ", " << P.second << ") lies outside edge " << I;
    }
    EXPECT_EQ(Hull[0].second, std::min_element(Scatter.begin(), Scatter.end(), [](TXY A, TXY B) {
                                  return A.second < B.second;
                              })->second);
}

} // namespace
