// Memory of a series fed one map at a time: 1,000 global maps of 720 x 360 cells, every
// second one listing its rows south to north, each built, added to a TSeriesStatistics and
// deleted. The peak resident memory after the 10th map and after the last is read from the
// kernel (VmHWM); the growth between them must stay below 3 maps' worth of cells, whatever
// the number of maps. The four results are then made, and those of the first 12 maps are
// checked bit for bit against the list operations of TMapTools on the same maps.
//
// Usage: bench_statistics [maps [columns rows]]    (default 1000 maps of 720 x 360)

#include "GlobalMaps.h"
#include "TMapTools.h"
#include "TSeriesStatistics.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

const double TargetMaps = 3.0;

/// The process's peak resident memory in bytes (VmHWM), or -1 where it cannot be read.
long PeakResidentBytes() {
    std::ifstream Status("/proc/self/status");
    std::string Line;
    while (std::getline(Status, Line))
        if (Line.compare(0, 6, "VmHWM:") == 0)
            return std::atol(Line.c_str() + 6) * 1024;
    return -1;
}

/// Whether the two maps hold the same bits in every cell.
bool SameBits(const TMap* A, const TMap* B) {
    if (A->GetXDim() != B->GetXDim() || A->GetYDim() != B->GetYDim())
        return false;
    for (long I = 0; I < A->GetYDim(); ++I)
        if (std::memcmp(A->RowValues(I).data(), B->RowValues(I).data(),
                        sizeof(double) * A->GetXDim()) != 0)
            return false;
    return true;
}

/// The statistics of the first `Count` maps against the list operations; false on a
/// difference, which is printed.
bool MatchesListOperations(long Columns, long Rows, int Count) {
    std::vector<std::unique_ptr<TMap>> Owned;
    std::vector<TMap*> Maps;
    TSeriesStatistics Series;
    for (int K = 0; K < Count; ++K) {
        Owned.push_back(bench::MakeGlobalMap(Columns, Rows, K, K % 2 == 1));
        Maps.push_back(Owned.back().get());
        Series.Add(Maps.back());
    }
    const struct {
        const char* Name;
        std::unique_ptr<TMap> Streamed, Listed;
    } Results[] = {
        {"Sum", std::unique_ptr<TMap>(Series.Sum()), std::unique_ptr<TMap>(TMapTools::Sum(Maps))},
        {"DataCounts", std::unique_ptr<TMap>(Series.DataCounts()),
         std::unique_ptr<TMap>(TMapTools::DataCounts(Maps))},
        {"DataAverage", std::unique_ptr<TMap>(Series.DataAverage()),
         std::unique_ptr<TMap>(TMapTools::DataAverage(Maps))},
        {"Trend", std::unique_ptr<TMap>(Series.Trend()),
         std::unique_ptr<TMap>(TMapTools::Trend(Maps, 2))},
    };
    bool Same = true;
    for (const auto& Result : Results)
        if (!SameBits(Result.Streamed.get(), Result.Listed.get())) {
            std::fprintf(stderr, "%s differs from the list operation's\n", Result.Name);
            Same = false;
        }
    return Same;
}

double SecondsSince(std::chrono::steady_clock::time_point Start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

} // namespace

int main(int ArgC, char** ArgV) {
    const int Count = ArgC > 1 ? std::atoi(ArgV[1]) : 1000;
    const long Columns = ArgC > 3 ? std::atol(ArgV[2]) : 720;
    const long Rows = ArgC > 3 ? std::atol(ArgV[3]) : 360;
    if (Count < 10 || Columns < 2 || Rows < 2) {
        std::fprintf(stderr, "Usage: bench_statistics [maps (10 or more) [columns rows]]\n");
        return 2;
    }
    const double MapBytes = static_cast<double>(Columns) * Rows * sizeof(double);
    TSeriesStatistics Series;
    long AtTenth = 0;
    const auto Start = std::chrono::steady_clock::now();
    for (int K = 0; K < Count; ++K) {
        Series.Add(bench::MakeGlobalMap(Columns, Rows, K, K % 2 == 1).get());
        if (K == 9)
            AtTenth = PeakResidentBytes();
    }
    const double Seconds = SecondsSince(Start);
    const long AtLast = PeakResidentBytes();
    for (TMap* Result : {Series.Sum(), Series.DataCounts(), Series.DataAverage(), Series.Trend()})
        delete Result;
    const double Growth = (AtLast - AtTenth) / MapBytes;
    std::printf("%d maps of %ld x %ld cells (%.2f MB each) fed one at a time, every second one "
                "south to north: %.1f ms a map, built and added\n",
                Count, Columns, Rows, MapBytes / 1e6, 1e3 * Seconds / Count);
    std::printf("peak resident memory after map 10: %.1f MB, after map %d: %.1f MB, growth "
                "%.2f maps' worth\n",
                AtTenth / 1e6, Count, AtLast / 1e6, Growth);
    const bool Same = MatchesListOperations(Columns, Rows, 12);
    const bool Met = AtTenth > 0 && Growth < TargetMaps;
    std::printf("results of 12 maps bit for bit those of the list operations: %s\n",
                Same ? "yes" : "NO");
    std::printf("target: growth < %.0f maps' worth: %s\n", TargetMaps, Met ? "met" : "MISSED");
    return Met && Same ? 0 : 1;
}
