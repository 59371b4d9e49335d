// Write -> read round trip: any map the ARC/INFO reader accepts is written (with 17
// significant digits, which give back every double) and read back to the same header
// values and the same cells.

#include "FuzzChecks.h"
#include "TARCGISFileTools.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

using fuzzchecks::Require;
using fuzzchecks::SameValue;

namespace {

TMap* Read(const std::string& Text) {
    std::istringstream In(Text);
    return TARCGISFileTools::LoadARCGISFile(In);
}

double XCorner(const TMap& Map) {
    return Map.GetXAxisInterval()->GetPoint(0)->GetX();
}

double YCorner(const TMap& Map) {
    return Map.GetYAxisInterval()->GetPoint(Map.GetYDim())->GetY();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    std::unique_ptr<TMap> Map(fuzzchecks::ReadOrNull([&] { return Read(Text); }));
    if (!Map)
        return 0;

    std::ostringstream Out;
    Out.precision(17);
    TARCGISFileTools::WriteARCGISFile(Map.get(), Out);
    std::unique_ptr<TMap> Back(Read(Out.str()));

    Require(Back->GetXDim() == Map->GetXDim() && Back->GetYDim() == Map->GetYDim(),
            "same dimensions");
    Require(SameValue(Back->GetResolution(), Map->GetResolution()), "same cell size");
    Require(SameValue(Back->GetNoDataValue(), Map->GetNoDataValue()), "same no-data value");
    Require(SameValue(XCorner(*Back), XCorner(*Map)), "same xllcorner");
    Require(SameValue(YCorner(*Back), YCorner(*Map)), "same yllcorner");
    for (long Y = 0; Y < Map->GetYDim(); ++Y)
        for (long X = 0; X < Map->GetXDim(); ++X)
            Require(SameValue(Back->GetPointVal(X, Y), Map->GetPointVal(X, Y)), "same cells");
    return 0;
}
