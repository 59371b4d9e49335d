// Times grid operations of the library against straightforward loops over the same maps,
// in the same run, and checks that every loop gives the library's result cell for cell.
//
// Usage: bench_ops data_dir [runs]
//
// For each grid size the maps are built in memory (deterministic values with about seven
// significant digits, 2.5 % no-data cells and 1 % zeros); the ARC/INFO grid read by the
// loading benchmark is written once to data_dir and kept. Each operation and its loop run
// alternately `runs` times on the smaller grid (once on the larger one); the table gives
// the least CPU time of each and their ratio, with the target where there is one. Exits 1
// when a loop's result differs from the library's.
//
// The loops know the layout of the benchmark maps (north-up, even cells of 1/8 degree, so
// every edge and centre is exact in binary) and compute indexes by arithmetic; they keep
// the library's order of additions, so their results are bit-identical.

#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TMapTools.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Maps of the benchmark

const double CellSize = 0.125;
const double West = -135.0;
const double North = 67.5;
const double NoData = TMap::DefaultNoData;
const int SeriesLength = 12;

using TMaps = std::vector<std::unique_ptr<TMap>>;
using TCells = std::vector<double>; // row by row, row 0 northernmost

/// Pseudo-random 64-bit value for a key (splitmix64 finaliser).
std::uint64_t Hash(std::uint64_t Key) {
    std::uint64_t Z = Key + 0x9e3779b97f4a7c15ULL;
    Z = (Z ^ (Z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    Z = (Z ^ (Z >> 27)) * 0x94d049bb133111ebULL;
    return Z ^ (Z >> 31);
}

/// North-up map of even cells whose north-west corner is (West, North); map `Seed` of a
/// series holds its own values.
std::unique_ptr<TMap> MakeMap(long XDim, long YDim, std::uint64_t Seed) {
    TAxis XEdges(CellSize), YEdges(CellSize);
    for (long J = 0; J <= XDim; ++J)
        XEdges.AddPoint(new TPoint(West + J * CellSize, North));
    for (long I = 0; I <= YDim; ++I)
        YEdges.AddPoint(new TPoint(West, North - I * CellSize));
    std::unique_ptr<TMap> Map(new TMap(CellSize, XDim, YDim));
    Map->SetXAxisInterval(&XEdges);
    Map->SetYAxisInterval(&YEdges);
    for (long I = 0; I < YDim; ++I)
        for (long J = 0; J < XDim; ++J) {
            const std::uint64_t H = Hash((Seed << 40) + static_cast<std::uint64_t>(I * XDim + J));
            const long Hundredths = static_cast<long>((H >> 20) % 2000001) - 1000000;
            const double Value = H % 40 == 0 ? NoData : H % 100 == 1 ? 0.0 : Hundredths / 100.0;
            Map->SetPoint(J, I, Value);
        }
    return Map;
}

std::vector<TMap*> Raw(const TMaps& Maps, size_t First, size_t Count) {
    std::vector<TMap*> List;
    for (size_t I = First; I < First + Count; ++I)
        List.push_back(Maps[I].get());
    return List;
}

/// The rows of the maps as plain pointers, for the loops: Rows[m][i] is row i of map m.
std::vector<std::vector<const double*>> RowsOf(const TMaps& Maps) {
    std::vector<std::vector<const double*>> Rows(Maps.size());
    for (size_t M = 0; M < Maps.size(); ++M)
        for (long I = 0; I < Maps[M]->GetYDim(); ++I)
            Rows[M].push_back(Maps[M]->RowValues(I).data());
    return Rows;
}

// ---------------------------------------------------------------------------------------
// Timing and comparison

double CpuSeconds() {
    timespec Now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
    return Now.tv_sec + Now.tv_nsec * 1e-9;
}

bool SameCell(double A, double B) {
    return A == B || (std::isnan(A) && std::isnan(B));
}

/// Whether the library's maps hold the loop's cells, map after map, row by row.
bool SameCells(const std::vector<TMap*>& Library, const std::vector<TCells>& Loop) {
    if (Library.size() != Loop.size())
        return false;
    for (size_t M = 0; M < Library.size(); ++M) {
        const TMap* Map = Library[M];
        const long XDim = Map->GetXDim();
        if (static_cast<size_t>(XDim * Map->GetYDim()) != Loop[M].size())
            return false;
        for (long I = 0; I < Map->GetYDim(); ++I) {
            const std::vector<double>& Row = Map->RowValues(I);
            for (long J = 0; J < XDim; ++J)
                if (!SameCell(Row[J], Loop[M][I * XDim + J]))
                    return false;
        }
    }
    return true;
}

struct TCase {
    const char* Name;
    double Target; // 0: none
    std::function<std::vector<TMap*>()> Library;
    std::function<std::vector<TCells>()> Loop;
};

/// Runs the case `Runs` times each way; prints its line and returns whether the results
/// were the same every time.
bool Measure(const TCase& Case, const std::string& Grid, int Runs) {
    double LibraryBest = 1e300, LoopBest = 1e300;
    bool Same = true;
    for (int Run = 0; Run < Runs; ++Run) {
        double Start = CpuSeconds();
        std::vector<TMap*> Results = Case.Library();
        LibraryBest = std::min(LibraryBest, CpuSeconds() - Start);
        Start = CpuSeconds();
        const std::vector<TCells> Cells = Case.Loop();
        LoopBest = std::min(LoopBest, CpuSeconds() - Start);
        Same = Same && SameCells(Results, Cells);
        for (TMap* Map : Results)
            delete Map;
    }
    const double Ratio = LibraryBest / LoopBest;
    char Target[32] = "";
    if (Case.Target > 0)
        std::snprintf(Target, sizeof Target, "<= %.1fx %s", Case.Target,
                      Ratio <= Case.Target ? "met" : "missed");
    std::printf("| %-34s | %-11s | %8.4f | %8.4f | %7.1fx | %-14s | %-4s |\n", Case.Name,
                Grid.c_str(), LibraryBest, LoopBest, Ratio, Target, Same ? "yes" : "NO");
    std::fflush(stdout);
    return Same;
}

// ---------------------------------------------------------------------------------------
// The straightforward loops

/// Sum, count of data cells and whether any is no-data, over maps First to First + Count - 1
/// at one cell, added in list order.
struct TTotal {
    double Sum;
    double Count;
    bool Gap;
};

TTotal TotalAt(const std::vector<std::vector<const double*>>& Rows, size_t First, size_t Count,
               long I, long J) {
    TTotal Total{0.0, 0.0, false};
    for (size_t M = First; M < First + Count; ++M) {
        const double V = Rows[M][I][J];
        if (V == NoData) {
            Total.Gap = true;
            continue;
        }
        Total.Count += 1.0;
        if (!Total.Gap)
            Total.Sum = M == First ? V : Total.Sum + V;
    }
    return Total;
}

/// One pass over the cells; Cell(I, J) gives the value of the result cell.
template <typename TCell> TCells EachCell(long XDim, long YDim, TCell&& Cell) {
    TCells Result(static_cast<size_t>(XDim * YDim));
    for (long I = 0; I < YDim; ++I)
        for (long J = 0; J < XDim; ++J)
            Result[I * XDim + J] = Cell(I, J);
    return Result;
}

/// The mean over the window, or no-data where a map has none (or the sum is the no-data value).
double MeanAt(const std::vector<std::vector<const double*>>& Rows, size_t First, size_t Count,
              long I, long J) {
    const TTotal T = TotalAt(Rows, First, Count, I, J);
    return T.Gap || T.Sum == NoData ? NoData : T.Sum / T.Count;
}

/// The first non-zero value of the last column of the clipped 3 x 3 block that has one.
double NonzeroNeighbour(const double* const* Rows, long XDim, long YDim, long I, long J) {
    double Found = 0.0;
    for (long X = std::max(J - 1, 0L); X <= std::min(J + 1, XDim - 1); ++X)
        for (long Y = std::max(I - 1, 0L); Y <= std::min(I + 1, YDim - 1); ++Y)
            if (Rows[Y][X] != 0.0) {
                Found = Rows[Y][X];
                break;
            }
    return Found;
}

/// Least-squares slope of the window's usable values against the map numbers, sums taken
/// in map order.
double GradientAt(const std::vector<std::vector<const double*>>& Rows, long XDim, long YDim,
                  int Start, int WindowSize, long I, long J) {
    if (Rows[Start][I][J] == 0.0)
        return NoData;
    double Sx = 0.0, Sy = 0.0, Sxx = 0.0, Sxy = 0.0, N = 0.0;
    for (int L = 0; L <= WindowSize; ++L) {
        double V = Rows[Start + L][I][J];
        if (V == 0.0 && L < WindowSize)
            V = NonzeroNeighbour(Rows[Start + L].data(), XDim, YDim, I, J);
        if (V == NoData)
            continue;
        const double X = Start + L;
        Sx += X;
        Sy += V;
        Sxx += X * X;
        Sxy += X * V;
        N += 1.0;
    }
    return (Sxy * N - Sx * Sy) / (Sxx * N - Sx * Sx);
}

double Bilinear(double Q11, double Q21, double Q12, double Q22, double x, double x1, double x2,
                double y, double y1, double y2) {
    const double Area = (x2 - x1) * (y2 - y1);
    return Q11 / Area * (x2 - x) * (y2 - y) + Q21 / Area * (x - x1) * (y2 - y) +
           Q12 / Area * (x2 - x) * (y - y1) + Q22 / Area * (x - x1) * (y - y1);
}

/// Interpolation to twice the cell size: sample (K, L) lies on the edge between source
/// columns 2K and 2K + 1 and rows 2L + 2 and 2L + 3, in result column K and row L + 1.
TCells InterpolateByIndex(const TMap* Map) {
    const long XDim = Map->GetXDim() / 2, YDim = Map->GetYDim() / 2;
    const double S = CellSize;
    TCells Result(static_cast<size_t>(XDim * YDim), NoData);
    for (long L = 0; L + 2 <= YDim; ++L) {
        const long Y1 = 2 * L + 2;
        const double y = North - (2 * L + 3) * S, y1 = North - (Y1 + 0.5) * S, y2 = y1 - S;
        const double* Upper = Map->RowValues(Y1).data();
        const double* Lower = Map->RowValues(Y1 + 1).data();
        for (long K = 0; K + 2 <= XDim; ++K) {
            const long X1 = 2 * K;
            const double x = West + (2 * K + 1) * S, x1 = West + (X1 + 0.5) * S, x2 = x1 + S;
            const double Q11 = Upper[X1], Q21 = Upper[X1 + 1], Q12 = Lower[X1], Q22 = Lower[X1 + 1];
            const bool Gap = Q11 == NoData || Q21 == NoData || Q12 == NoData || Q22 == NoData;
            Result[(L + 1) * XDim + K] =
                Gap ? NoData : Bilinear(Q11, Q21, Q12, Q22, x, x1, x2, y, y1, y2);
        }
    }
    return Result;
}

/// The cells of an ARC/INFO grid read whole into memory and parsed with from_chars.
TCells LoadWithFromChars(const std::string& FileName) {
    std::FILE* File = std::fopen(FileName.c_str(), "rb");
    std::fseek(File, 0, SEEK_END);
    std::string Text(static_cast<size_t>(std::ftell(File)), '\0');
    std::fseek(File, 0, SEEK_SET);
    const size_t Read = std::fread(&Text[0], 1, Text.size(), File);
    std::fclose(File);
    const char* P = Text.data();
    const char* const End = P + Read;
    const auto SkipSpace = [&] {
        while (P < End && (*P == ' ' || *P == '\n' || *P == '\r' || *P == '\t'))
            ++P;
    };
    double Header[6];
    for (double& Number : Header) {
        SkipSpace();
        while (P < End && *P != ' ')
            ++P; // the keyword
        SkipSpace();
        P = std::from_chars(P, End, Number).ptr;
    }
    TCells Cells(static_cast<size_t>(Header[0] * Header[1]));
    for (double& Cell : Cells) {
        SkipSpace();
        P = std::from_chars(P, End, Cell).ptr;
    }
    return Cells;
}

// ---------------------------------------------------------------------------------------

/// The benchmark of one grid size; false when a loop differed from the library.
bool RunGrid(long XDim, long YDim, int Runs, const std::string& DataDir) {
    const std::string Grid = std::to_string(XDim) + "x" + std::to_string(YDim);
    TMaps Maps;
    for (int M = 0; M < SeriesLength; ++M)
        Maps.push_back(MakeMap(XDim, YDim, M + 1));
    const auto Rows = RowsOf(Maps);
    TMap* const First = Maps[0].get();
    const std::string AscFile = DataDir + "/ops-" + Grid + ".asc";
    if (std::FILE* Existing = std::fopen(AscFile.c_str(), "rb"))
        std::fclose(Existing);
    else
        TARCGISFileTools::WriteARCGISFile(First, AscFile);
    const double Cut = 1234.5;
    const auto Cells = [=](auto Cell) { return std::vector<TCells>{EachCell(XDim, YDim, Cell)}; };

    const TCase Cases[] = {
        {"Average of 12 maps", 3.0,
         [&] { return std::vector<TMap*>{TMapTools::Average(Raw(Maps, 0, 12))}; },
         [&] { return Cells([&](long I, long J) { return MeanAt(Rows, 0, 12, I, J); }); }},
        {"Sum of 12 maps", 0.0,
         [&] { return std::vector<TMap*>{TMapTools::Sum(Raw(Maps, 0, 12))}; },
         [&] {
             return Cells([&](long I, long J) {
                 const TTotal T = TotalAt(Rows, 0, 12, I, J);
                 return T.Gap ? NoData : T.Sum;
             });
         }},
        {"DataCounts of 12 maps", 0.0,
         [&] { return std::vector<TMap*>{TMapTools::DataCounts(Raw(Maps, 0, 12))}; },
         [&] { return Cells([&](long I, long J) { return TotalAt(Rows, 0, 12, I, J).Count; }); }},
        {"MovingAverage (12 maps, window 6)", 3.0,
         [&] { return TMapTools::MovingAverage(Raw(Maps, 0, 12), 6); },
         [&] {
             std::vector<TCells> Means;
             for (size_t Start = 0; Start + 6 <= 12; ++Start)
                 Means.push_back(EachCell(
                     XDim, YDim, [&](long I, long J) { return MeanAt(Rows, Start, 6, I, J); }));
             return Means;
         }},
        {"BilinearInterpolate(2 x cell size)", 5.0,
         [&] { return std::vector<TMap*>{TMapTools::BilinearInterpolate(First, 2 * CellSize)}; },
         [&] { return std::vector<TCells>{InterpolateByIndex(First)}; }},
        {"ValueGradients (12 maps, window 3)", 0.0,
         [&] { return TMapTools::ValueGradients(Raw(Maps, 0, 12), 3); },
         [&] {
             std::vector<TCells> Slopes;
             for (int Start = 0; Start + 3 < 12; ++Start)
                 Slopes.push_back(EachCell(XDim, YDim, [&](long I, long J) {
                     return GradientAt(Rows, XDim, YDim, Start, 3, I, J);
                 }));
             return Slopes;
         }},
        {"LoadARCGISFile", 1.5,
         [&] { return std::vector<TMap*>{TARCGISFileTools::LoadARCGISFile(AscFile)}; },
         [&] { return std::vector<TCells>{LoadWithFromChars(AscFile)}; }},
        {"Threshold", 2.0, [&] { return std::vector<TMap*>{TMapTools::Threshold(First, Cut)}; },
         [&] {
             return Cells([&](long I, long J) {
                 const double V = Rows[0][I][J];
                 return V >= Cut ? V : 0.0;
             });
         }},
    };
    bool Same = true;
    for (const TCase& Case : Cases)
        Same = Measure(Case, Grid, Runs) && Same;
    return Same;
}

} // namespace

int main(int ArgC, char** ArgV) {
    if (ArgC < 2) {
        std::fprintf(stderr, "Usage: bench_ops data_dir [runs]\n");
        return 2;
    }
    const std::string DataDir = ArgV[1];
    const int Runs = ArgC > 2 ? std::max(1, std::atoi(ArgV[2])) : 3;
    std::printf("| operation | grid | library (s) | loop (s) | library / loop | target | "
                "same cells |\n|---|---|---|---|---|---|---|\n");
    bool Same = true;
    try {
        Same = RunGrid(2160, 1080, Runs, DataDir) && Same;
        Same = RunGrid(4320, 2160, 1, DataDir) && Same;
    } catch (const char* Message) {
        std::fprintf(stderr, "%s\n", Message);
        return 1;
    } catch (const std::string& Message) {
        std::fprintf(stderr, "%s\n", Message.c_str());
        return 1;
    }
    return Same ? 0 : 1;
}
