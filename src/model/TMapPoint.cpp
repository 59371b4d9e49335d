#include "TMapPoint.h"

TMapPoint* TMapPoint::Clone() const {
    return new TMapPoint(*this);
}
