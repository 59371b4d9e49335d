// The VELDAN reader on any input, and the rest of the command's road for every map it
// accepts: the map is consistent and can be written as an ARC/INFO grid.

#include "FuzzChecks.h"
#include "TARCGISFileTools.h"
#include "TVELDANFileTools.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

using fuzzchecks::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    std::istringstream In(std::string(reinterpret_cast<const char*>(Data), Size));
    std::unique_ptr<TMap> Map(
        fuzzchecks::ReadOrNull([&] { return TVELDANFileTools::LoadVELDANFile(In); }));
    if (!Map)
        return 0;
    fuzzchecks::RequireConsistent(*Map);
    Require(Map->GetXDim() >= 2, "at least two columns");
    Require(!(Map->GetResolution() == 0.0), "resolution is not 0");
    Require(!Map->GetMetadata().empty() && Map->GetMetadata()[0] == '\n',
            "metadata starts with a line feed");

    std::ostringstream Out;
    Out.precision(15);
    TARCGISFileTools::WriteARCGISFile(Map.get(), Out);
    Require(Out.good(), "the grid is written");
    return 0;
}
