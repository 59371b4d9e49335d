#ifndef VELDGRID_BENCH_GLOBALMAPS_H
#define VELDGRID_BENCH_GLOBALMAPS_H

// The global maps the series benchmarks feed to the operations, built in memory.

#include "TAxis.h"
#include "TMap.h"

#include <cstdint>
#include <memory>

namespace bench {

/// Pseudo-random 64-bit value for a cell index (splitmix64 finaliser).
inline std::uint64_t Hash(std::uint64_t Key) {
    std::uint64_t Z = Key + 0x9e3779b97f4a7c15ULL;
    Z = (Z ^ (Z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    Z = (Z ^ (Z >> 27)) * 0x94d049bb133111ebULL;
    return Z ^ (Z >> 31);
}

/// Global map number `Number`: centres from 180 W and 90 N; rows north to south, or south
/// to north with `SouthFirst`. About one cell in fifty is no-data.
inline std::unique_ptr<TMap> MakeGlobalMap(long Columns, long Rows, int Number, bool SouthFirst) {
    const double Res = 360.0 / Columns;
    TAxis X(Res), Y(Res);
    for (long J = 0; J < Columns; ++J)
        X.AddPoint(new TPoint(-180.0 + (J + 0.5) * Res, 90.0 - 0.5 * Res));
    for (long I = 0; I < Rows; ++I) {
        const long North = SouthFirst ? Rows - 1 - I : I;
        Y.AddPoint(new TPoint(-180.0 + 0.5 * Res, 90.0 - (North + 0.5) * Res));
    }
    std::unique_ptr<TMap> Map(new TMap(&X, &Y));
    for (long I = 0; I < Rows; ++I) {
        const long North = SouthFirst ? Rows - 1 - I : I;
        for (long J = 0; J < Columns; ++J) {
            const std::uint64_t H = Hash((static_cast<std::uint64_t>(Number) << 40) ^
                                         (static_cast<std::uint64_t>(North) << 20) ^ J);
            Map->SetPoint(
                J, I, H % 50 == 0 ? TMap::DefaultNoData : static_cast<double>(H % 60000) / 1000.0);
        }
    }
    return Map;
}

} // namespace bench

#endif
