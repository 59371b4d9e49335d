// Read -> write -> read round trip: any grid the VELDAN reader accepts is either refused by
// the VELDAN writer (a number that is not finite, a header line that ends in a carriage
// return, X centres so far out that the first two round to one number) or written, read
// back as the same map bit for bit, and written again as the same text.

#include "FuzzChecks.h"
#include "TVELDANFileTools.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

using fuzzchecks::Require;

namespace {

TMap* Read(const std::string& Text) {
    std::istringstream In(Text);
    return TVELDANFileTools::LoadVELDANFile(In);
}

std::string Written(const TMap& Map) {
    std::ostringstream Out;
    TVELDANFileTools::WriteVELDANFile(&Map, Out);
    return Out.str();
}

bool SameBits(double A, double B) {
    return std::memcmp(&A, &B, sizeof A) == 0;
}

bool SameAxis(const TAxis* A, const TAxis* B) {
    bool Same = A->GetSize() == B->GetSize() && SameBits(A->GetResolution(), B->GetResolution());
    for (long I = 0; Same && I < A->GetSize(); ++I)
        Same = SameBits(A->GetPoint(I)->GetX(), B->GetPoint(I)->GetX()) &&
               SameBits(A->GetPoint(I)->GetY(), B->GetPoint(I)->GetY());
    return Same;
}

/// Whether the writer may refuse a map the reader accepted, for this message.
bool MayRefuse(const char* Message) {
    return std::strstr(Message, "not finite") || std::strstr(Message, "carriage return") ||
           std::strstr(Message, "Resolution cannot be 0");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    std::unique_ptr<TMap> Map(fuzzchecks::ReadOrNull([&] { return Read(Text); }));
    if (!Map)
        return 0;
    std::string Grid;
    try {
        Grid = Written(*Map);
    } catch (char* Message) {
        Require(MayRefuse(Message),
                "the writer refuses only numbers, carriage returns and coinciding centres");
        return 0;
    }
    std::unique_ptr<TMap> Back(Read(Grid));
    Require(Back->GetXDim() == Map->GetXDim() && Back->GetYDim() == Map->GetYDim(),
            "same dimensions");
    Require(SameBits(Back->GetResolution(), Map->GetResolution()), "same cell size");
    Require(Back->GetMetadata() == Map->GetMetadata(), "same metadata");
    for (long Y = 0; Y < Map->GetYDim(); ++Y)
        for (long X = 0; X < Map->GetXDim(); ++X)
            Require(SameBits(Back->GetPointVal(X, Y), Map->GetPointVal(X, Y)), "same cells");
    Require(SameAxis(Back->GetXAxis(), Map->GetXAxis()) &&
                SameAxis(Back->GetYAxis(), Map->GetYAxis()) &&
                SameAxis(Back->GetXAxisInterval(), Map->GetXAxisInterval()) &&
                SameAxis(Back->GetYAxisInterval(), Map->GetYAxisInterval()),
            "same axes");
    Require(Written(*Back) == Grid, "the same text written again");
    return 0;
}
