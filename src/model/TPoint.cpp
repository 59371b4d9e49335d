#include "TPoint.h"

#include <cmath>

TPoint* TPoint::Clone() const {
    return new TPoint(*this);
}

double TPoint::Distance(const TPoint* Other) const {
    const double Dx = MbrDblX - Other->MbrDblX;
    const double Dy = MbrDblY - Other->MbrDblY;
    return std::sqrt(Dx * Dx + Dy * Dy);
}
