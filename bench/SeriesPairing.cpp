// Times the operations over map series when the maps line up by place rather than by row
// and column number: 12 global maps of 4320 x 2160 cells, of which every second one lists
// its rows south to north (as a VELDAN file may), against the same series all north-up.
// Each operation runs on the two series alternately; the medians and their ratio are
// printed, and the program exits 1 when a ratio exceeds the target.
//
// Usage: bench_series [runs] [columns rows maps]    (default 3 runs, 4320 2160 12)
//
// The maps are built in memory (about 75 MB each at the default size; 18 of them are kept,
// the series share the north-up half) and the results are checked to be equal.

#include "GlobalMaps.h"
#include "TMapTools.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const double TargetRatio = 1.2;

double Seconds(const std::function<void()>& Action) {
    const auto Start = std::chrono::steady_clock::now();
    Action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

double Median(std::vector<double> Values) {
    std::sort(Values.begin(), Values.end());
    return Values[Values.size() / 2];
}

bool SameCells(const TMap* NorthUp, const TMap* Listed) {
    for (long I = 0; I < NorthUp->GetYDim(); ++I)
        for (long J = 0; J < NorthUp->GetXDim(); ++J)
            if (NorthUp->GetPointVal(J, I) != Listed->GetPointVal(J, I))
                return false;
    return true;
}

} // namespace

int main(int ArgC, char** ArgV) {
    const int Runs = ArgC > 1 ? std::atoi(ArgV[1]) : 3;
    const long Columns = ArgC > 4 ? std::atol(ArgV[2]) : 4320;
    const long Rows = ArgC > 4 ? std::atol(ArgV[3]) : 2160;
    const int Count = ArgC > 4 ? std::atoi(ArgV[4]) : 12;
    if (Runs < 1 || Columns < 2 || Rows < 2 || Count < 2) {
        std::fprintf(stderr, "Usage: bench_series [runs] [columns rows maps]\n");
        return 2;
    }

    std::vector<std::unique_ptr<TMap>> Owned;
    std::vector<TMap*> Plain, Mixed;
    for (int K = 0; K < Count; ++K) {
        Owned.push_back(bench::MakeGlobalMap(Columns, Rows, K, false));
        Plain.push_back(Owned.back().get());
        if (K % 2 == 1)
            Owned.push_back(bench::MakeGlobalMap(Columns, Rows, K, true));
        Mixed.push_back(Owned.back().get());
    }

    const struct {
        const char* Name;
        TMap* (*Operation)(std::vector<TMap*>);
    } Operations[] = {{"Average", TMapTools::Average},
                      {"Sum", TMapTools::Sum},
                      {"DataCounts", TMapTools::DataCounts}};

    std::printf("series of %d maps of %ld x %ld cells, every second one south to north; "
                "median of %d runs\n",
                Count, Columns, Rows, Runs);
    std::printf("%-12s %12s %12s %8s\n", "operation", "by index s", "by place s", "ratio");
    bool Met = true;
    for (const auto& Op : Operations) {
        std::vector<double> ByIndex, ByPlace;
        for (int Run = 0; Run < Runs; ++Run) {
            std::unique_ptr<TMap> A, B;
            ByIndex.push_back(Seconds([&] { A.reset(Op.Operation(Plain)); }));
            ByPlace.push_back(Seconds([&] { B.reset(Op.Operation(Mixed)); }));
            if (!SameCells(A.get(), B.get())) {
                std::fprintf(stderr, "%s: the two series give different results\n", Op.Name);
                return 1;
            }
        }
        const double Ratio = Median(ByPlace) / Median(ByIndex);
        Met = Met && Ratio <= TargetRatio;
        std::printf("%-12s %12.3f %12.3f %8.2f\n", Op.Name, Median(ByIndex), Median(ByPlace),
                    Ratio);
    }
    std::printf("target: ratio <= %.1f: %s\n", TargetRatio, Met ? "met" : "MISSED");
    return Met ? 0 : 1;
}
