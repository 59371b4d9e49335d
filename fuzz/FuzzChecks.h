#ifndef VELDGRID_FUZZ_FUZZCHECKS_H
#define VELDGRID_FUZZ_FUZZCHECKS_H

// Checks shared by the fuzz targets. A broken expectation prints what was expected and
// aborts, which libFuzzer reports as a crash together with the input.

#include "TMap.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace fuzzchecks {

inline void Require(bool Holds, const char* What) {
    if (!Holds) {
        std::fprintf(stderr, "Expectation broken: %s\n", What);
        std::abort();
    }
}

/// Runs the reader. A failure must be one of the library's reports (a non-null `char*` or a
/// `std::string`); then the result is null. Any other exception escapes and ends the run.
inline TMap* ReadOrNull(const std::function<TMap*()>& Read) {
    try {
        return Read();
    } catch (char* Message) {
        Require(Message != nullptr && *Message != '\0', "a failure carries a message");
    } catch (const std::string& Message) {
        Require(!Message.empty(), "a failure carries a message");
    }
    return nullptr;
}

/// The map is rectangular, its axes fit its dimensions and every cell can be read.
inline void RequireConsistent(const TMap& Map) {
    const long XDim = Map.GetXDim(), YDim = Map.GetYDim();
    Require(XDim > 0 && YDim > 0, "an accepted map has cells");
    Require(Map.GetXAxis() && Map.GetXAxis()->GetSize() == XDim, "X axis fits");
    Require(Map.GetYAxis() && Map.GetYAxis()->GetSize() == YDim, "Y axis fits");
    Require(Map.GetXAxisInterval() && Map.GetXAxisInterval()->GetSize() == XDim + 1,
            "X interval axis fits");
    Require(Map.GetYAxisInterval() && Map.GetYAxisInterval()->GetSize() == YDim + 1,
            "Y interval axis fits");
    for (long Y = 0; Y < YDim; ++Y) {
        Require(static_cast<long>(Map.RowValues(Y).size()) == XDim, "rows hold XDim cells");
        for (long X = 0; X < XDim; ++X) {
            // Read through a volatile, so that the reads are kept.
            volatile double Cell = Map.GetPointVal(X, Y);
            (void)Cell;
        }
    }
}

/// Equal as stored values: bit-equal numbers compare equal, and NaN matches NaN.
inline bool SameValue(double A, double B) {
    return A == B || (std::isnan(A) && std::isnan(B));
}

} // namespace fuzzchecks

#endif
