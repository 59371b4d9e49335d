// Writes a deterministic, realistic VELDAN grid for the benchmark: a global grid of the
// given size whose cells hold a smooth temperature-like field plus noise, with about five
// significant digits, negative values and a few no-data cells (-9999).
//
// Usage: bench_generate columns rows output_file [xyz]
//
// With "xyz", the same grid is written as XYZ text instead: one line "X Y value" per cell,
// rows north to south, columns west to east, for tools that read that format.
//
// Only integer arithmetic is used, so the same arguments give the same bytes everywhere.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

/// Pseudo-random 64-bit value for a cell index (splitmix64 finaliser).
std::uint64_t Hash(std::uint64_t Key) {
    std::uint64_t Z = Key + 0x9e3779b97f4a7c15ULL;
    Z = (Z ^ (Z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    Z = (Z ^ (Z >> 27)) * 0x94d049bb133111ebULL;
    return Z ^ (Z >> 31);
}

/// Appends Value * 10^-Decimals in plain decimal with exactly `Decimals` decimals.
void AppendFixed(std::string& Out, std::int64_t Value, int Decimals) {
    if (Value < 0)
        Out += '-';
    std::uint64_t Magnitude = Value < 0 ? -static_cast<std::uint64_t>(Value) : Value;
    std::string Digits = std::to_string(Magnitude);
    if (Digits.size() <= static_cast<size_t>(Decimals))
        Digits.insert(0, Decimals + 1 - Digits.size(), '0');
    Out.append(Digits, 0, Digits.size() - Decimals);
    Out += '.';
    Out.append(Digits, Digits.size() - Decimals, std::string::npos);
}

/// Centre of cell `Index` of `Count` cells spanning `Span` degrees from `Start`, in units
/// of 1e-9 degree, rounded to the nearest unit.
std::int64_t CentreNanoDegrees(std::int64_t Start, std::int64_t Span, long Index, long Count) {
    const std::int64_t Twice = (2 * Index + 1) * Span * 1000000000LL;
    return Start * 1000000000LL + (Twice + Count) / (2 * Count);
}

/// A parabolic wave of period 1'000'000 with values from 0 to 1'000'000.
std::int64_t Wave(std::int64_t T) {
    T %= 1000000;
    if (T < 0)
        T += 1000000;
    return 4 * T * (1000000 - T) / 1000000;
}

/// Field value in thousandths for column J of Columns and row I of Rows (row 0 north).
std::int64_t Field(long J, long I, long Columns, long Rows) {
    const std::int64_t U = static_cast<std::int64_t>(J) * 1000000 / Columns;
    const std::int64_t V = static_cast<std::int64_t>(I) * 1000000 / Rows;
    const std::int64_t D = V - 500000;
    const std::int64_t Base = 30000 - 90000 * (D * D / 1000000) / 250000;
    const std::int64_t Waves =
        (Wave(3 * U + V) - 500000) * 8000 / 500000 + (Wave(7 * U - 2 * V) - 500000) * 2500 / 500000;
    const std::uint64_t Random = Hash(static_cast<std::uint64_t>(I) * Columns + J);
    if (Random % 1000 < 25)
        return -9999000; // about 2.5% no-data cells
    const std::int64_t Noise = static_cast<std::int64_t>((Random >> 20) % 2001) - 1000;
    return Base + Waves + Noise;
}

/// Appends the text of the cell value.
void AppendValue(std::string& Out, long J, long I, long Columns, long Rows) {
    const std::int64_t Value = Field(J, I, Columns, Rows);
    if (Value == -9999000)
        Out += "-9999";
    else
        AppendFixed(Out, Value, 3);
}

bool Write(FILE* Out, const std::string& Text) {
    return std::fwrite(Text.data(), 1, Text.size(), Out) == Text.size();
}

/// The grid in the VELDAN format: header lines, the axis line, one line per row and the
/// closing line.
bool WriteVELDAN(FILE* Out, long Columns, long Rows) {
    std::string Line = "Synthetic benchmark field (degC): smooth field plus noise\n"
                       "Grid: " +
                       std::to_string(Columns) + " columns by " + std::to_string(Rows) +
                       " rows, rows north to south\n\nlon";
    for (long J = 0; J < Columns; ++J) {
        Line += ' ';
        AppendFixed(Line, CentreNanoDegrees(-180, 360, J, Columns), 9);
    }
    Line += " lat degN/degE\n";
    bool Written = Write(Out, Line);
    for (long I = 0; I < Rows && Written; ++I) {
        Line = "r" + std::to_string(I);
        for (long J = 0; J < Columns; ++J) {
            Line += ' ';
            AppendValue(Line, J, I, Columns, Rows);
        }
        Line += ' ';
        AppendFixed(Line, -CentreNanoDegrees(-90, 180, I, Rows), 9);
        Line += '\n';
        Written = Write(Out, Line);
    }
    return Written && Write(Out, "end degN/degE\n");
}

/// The grid as XYZ text: one line "X Y value" per cell.
bool WriteXYZ(FILE* Out, long Columns, long Rows) {
    std::vector<std::string> X(Columns);
    for (long J = 0; J < Columns; ++J)
        AppendFixed(X[J], CentreNanoDegrees(-180, 360, J, Columns), 9);
    bool Written = true;
    for (long I = 0; I < Rows && Written; ++I) {
        std::string Y;
        AppendFixed(Y, -CentreNanoDegrees(-90, 180, I, Rows), 9);
        std::string Line;
        for (long J = 0; J < Columns; ++J) {
            Line += X[J] + ' ' + Y + ' ';
            AppendValue(Line, J, I, Columns, Rows);
            Line += '\n';
        }
        Written = Write(Out, Line);
    }
    return Written;
}

} // namespace

int main(int ArgC, char** ArgV) {
    const bool Xyz = ArgC == 5 && std::string(ArgV[4]) == "xyz";
    if (ArgC != 4 && !Xyz) {
        std::fprintf(stderr, "Usage: bench_generate columns rows output_file [xyz]\n");
        return 1;
    }
    const long Columns = std::atol(ArgV[1]);
    const long Rows = std::atol(ArgV[2]);
    FILE* Out = std::fopen(ArgV[3], "wb");
    if (Columns < 2 || Rows < 1 || !Out) {
        std::fprintf(stderr, "bench_generate: bad arguments\n");
        return 1;
    }
    const bool Written = Xyz ? WriteXYZ(Out, Columns, Rows) : WriteVELDAN(Out, Columns, Rows);
    return std::fclose(Out) == 0 && Written ? 0 : 1;
}
