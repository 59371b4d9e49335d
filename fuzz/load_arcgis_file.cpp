// The ARC/INFO reader on any input: it reports a failure or returns a consistent map.

#include "FuzzChecks.h"
#include "TARCGISFileTools.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    std::istringstream In(std::string(reinterpret_cast<const char*>(Data), Size));
    std::unique_ptr<TMap> Map(
        fuzzchecks::ReadOrNull([&] { return TARCGISFileTools::LoadARCGISFile(In); }));
    if (Map)
        fuzzchecks::RequireConsistent(*Map);
    return 0;
}
