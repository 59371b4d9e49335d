#include "TPointTools.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

bool SamePosition(const TPoint* A, const TPoint* B) {
    return A->GetX() == B->GetX() && A->GetY() == B->GetY();
}

/// Whether the point has a position at all: a NaN ordinate places it nowhere.
bool IsPlaced(const TPoint* P) {
    return !std::isnan(P->GetX()) && !std::isnan(P->GetY());
}

/// Index of the first point of the smallest Y, or -1 when no point is placed. With
/// `WesternmostOfLowest` the smallest X among those of the smallest Y decides first.
long FindLowest(const std::vector<TPoint*>& Points, bool WesternmostOfLowest) {
    long Lowest = -1;
    for (long I = 0; I < static_cast<long>(Points.size()); ++I) {
        const TPoint* P = Points[I];
        if (!IsPlaced(P))
            continue;
        if (Lowest < 0 || P->GetY() < Points[Lowest]->GetY() ||
            (WesternmostOfLowest && P->GetY() == Points[Lowest]->GetY() &&
             P->GetX() < Points[Lowest]->GetX()))
            Lowest = I;
    }
    return Lowest;
}

/// The next hull corner counter-clockwise from `Current`, whose incoming edge runs at the
/// pseudo-angle `Previous` (updated to the outgoing edge's). Seen from a corner, every
/// other point lies at a pseudo-angle no smaller than the incoming edge's, so the next
/// corner is the point of the smallest such angle: the farthest one among equal angles
/// (points on the edge are passed over), the first in list order among equal positions.
/// -1 when every placed point shares the position of `Current`.
long FindNextCorner(const std::vector<TPoint*>& Points, const TPoint* Current, double& Previous) {
    long Best = -1;
    double BestAngle = 360.0;
    double BestDistance = 0.0;
    for (long I = 0; I < static_cast<long>(Points.size()); ++I) {
        const TPoint* P = Points[I];
        if (!IsPlaced(P) || SamePosition(P, Current))
            continue;
        const double Angle = TPointTools::Theta(P, Current);
        if (Angle < Previous)
            continue;
        const double Distance = Current->Distance(P);
        if (Angle < BestAngle || (Angle == BestAngle && Distance > BestDistance)) {
            Best = I;
            BestAngle = Angle;
            BestDistance = Distance;
        }
    }
    if (Best >= 0)
        Previous = BestAngle;
    return Best;
}

} // namespace

// ---------------------------------------------------------------------------------------

TPoint* TPointTools::FindCentroid(std::vector<TPoint*> Points) {
    double SumX = 0.0;
    double SumY = 0.0;
    for (const TPoint* P : Points) {
        SumX += P->GetX();
        SumY += P->GetY();
    }
    const double Count = static_cast<double>(Points.size());
    return new TPoint(SumX / Count, SumY / Count);
}

double TPointTools::Theta(const TPoint* P1, const TPoint* P2) {
    const double Dx = P1->GetX() - P2->GetX();
    const double Dy = P1->GetY() - P2->GetY();
    double T = (Dx == 0.0 && Dy == 0.0) ? 0.0 : Dy / (std::fabs(Dx) + std::fabs(Dy));
    if (Dx < 0.0)
        T = 2.0 - T;
    else if (Dy < 0.0)
        T = T + 4.0;
    return 90.0 * T;
}

double TPointTools::Heron(const TPoint* P, const TPoint* Q, const TPoint* R) {
    const double D1 = P->Distance(Q);
    const double D2 = P->Distance(R);
    const double D3 = Q->Distance(R);
    const double S = (D1 + D2 + D3) * 0.5;
    const double Product = S * (S - D1) * (S - D2) * (S - D3);
    // Rounding can leave the product of a flat triangle a little below zero.
    return Product <= 0.0 ? 0.0 : std::sqrt(Product);
}

TPoint* TPointTools::Max(const TPoint* P1, const TPoint* P2) {
    return new TPoint(P2->GetX() > P1->GetX() ? P2->GetX() : P1->GetX(),
                      P2->GetY() > P1->GetY() ? P2->GetY() : P1->GetY());
}

TPoint* TPointTools::Min(const TPoint* P1, const TPoint* P2) {
    return new TPoint(P1->GetX() > P2->GetX() ? P2->GetX() : P1->GetX(),
                      P1->GetY() > P2->GetY() ? P2->GetY() : P1->GetY());
}

// ---------------------------------------------------------------------------------------

// A fan of triangles around the mean of the vertices, which lies inside a convex polygon.
double TPointTools::FindConvexPolygonArea(std::vector<TPoint*> Points) {
    if (Points.empty())
        return 0.0;
    const std::unique_ptr<TPoint> Centre(FindCentroid(Points));
    double Area = 0.0;
    for (size_t K = 1; K < Points.size(); ++K)
        Area += Heron(Points[K], Points[K - 1], Centre.get());
    // The closing edge of an open list; a closed list repeats its first vertex instead.
    if (!SamePosition(Points.back(), Points.front()))
        Area += Heron(Points.front(), Points.back(), Centre.get());
    return Area;
}

// ---------------------------------------------------------------------------------------

// Package wrapping from the westernmost of the lowest points, which is always a corner:
// the pseudo-angles of the edges then grow from 0 towards 360 around the hull. The result
// begins with the first of the lowest points in list order when it is a corner; when it
// lies inside the bottom edge, with the eastern end of that edge, the corner that follows
// it counter-clockwise.
std::vector<TPoint*> TPointTools::FindConvexHull(std::vector<TPoint*> Points) {
    const long Start = FindLowest(Points, true);
    std::vector<long> Corners;
    if (Start >= 0)
        Corners.push_back(Start);
    double Previous = 0.0;
    // A hull has at most one corner per point; the bound guards against rounding.
    for (size_t Step = 1; Start >= 0 && Step < Points.size(); ++Step) {
        const long Next = FindNextCorner(Points, Points[Corners.back()], Previous);
        if (Next < 0 || SamePosition(Points[Next], Points[Start]))
            break;
        Corners.push_back(Next);
    }
    const long FirstLowest = FindLowest(Points, false);
    if (Start >= 0 && Points[FirstLowest]->GetX() > Points[Start]->GetX())
        std::rotate(Corners.begin(), Corners.begin() + 1, Corners.end());

    std::vector<std::unique_ptr<TPoint>> Clones;
    for (long Corner : Corners)
        Clones.emplace_back(Points[Corner]->Clone());
    std::vector<TPoint*> Hull;
    Hull.reserve(Clones.size());
    for (auto& Clone : Clones)
        Hull.push_back(Clone.release());
    return Hull;
}
