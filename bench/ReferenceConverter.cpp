// The from_chars/to_chars reference converter that the benchmark measures veldconv against:
// the conversion done with the standard library's fastest number conversions and nothing
// else of note (the whole file read in one piece, numbers read with from_chars and written
// with to_chars at 15 significant digits into one buffer, written in one piece). Like the
// baseline it expects what the generator writes (rows north to south, columns west to
// east, well-formed lines) and does not check its input.
//
// Usage: bench_reference source_file destination_file metadata_file

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

/// The whole file.
std::string ReadAll(const char* FileName) {
    std::string Text;
    if (std::FILE* File = std::fopen(FileName, "rb")) {
        char Buffer[1 << 16];
        for (size_t Read; (Read = std::fread(Buffer, 1, sizeof Buffer, File)) > 0;)
            Text.append(Buffer, Read);
        std::fclose(File);
    }
    return Text;
}

/// Reads the numbers of a line, a minus sign starting a new one, spaces between them.
void Numbers(const char* P, const char* End, std::vector<double>& Values) {
    Values.clear();
    while (P != End) {
        if (*P == ' ') {
            ++P;
            continue;
        }
        const char* Last = P + 1;
        while (Last != End && *Last != ' ' && *Last != '-')
            ++Last;
        double Value = 0.0;
        std::from_chars(P, Last, Value);
        Values.push_back(Value);
        P = Last;
    }
}

} // namespace

int main(int ArgC, char** ArgV) {
    if (ArgC != 4) {
        std::cerr << "Usage: bench_reference source_file destination_file metadata_file\n";
        return 1;
    }
    const std::string Text = ReadAll(ArgV[1]);
    const char* P = Text.data();
    const char* const End = P + Text.size();
    // Header lines up to the axis line, which holds the marker.
    std::string Metadata = "\n";
    const char* Line = P;
    const char* Feed = nullptr;
    for (;;) {
        Feed = static_cast<const char*>(std::memchr(Line, '\n', End - Line));
        if (!Feed)
            return 1;
        const std::string Current(Line, Feed);
        if (Current.find("degN/degE") != std::string::npos)
            break;
        Metadata += Current + "\n";
        if (Current.empty())
            Metadata += "\n";
        Line = Feed + 1;
    }
    std::vector<double> Axis;
    // The axis line's first token and its last two are labels.
    Numbers(static_cast<const char*>(std::memchr(Line, ' ', Feed - Line)), Feed, Axis);
    const std::vector<double> X(Axis.begin(), Axis.end() - 2);
    const double Resolution = std::fabs(X[1] - X[0]);

    // Rows: the label, the values, the Y coordinate.
    std::string Body;
    Body.reserve(Text.size());
    std::vector<double> Values;
    double FirstY = 0.0;
    size_t Rows = 0;
    char Number[32];
    for (Line = Feed + 1; (Feed = static_cast<const char*>(std::memchr(Line, '\n', End - Line)));
         Line = Feed + 1) {
        if (std::string(Line, Feed).find("degN/degE") != std::string::npos)
            break;
        Numbers(static_cast<const char*>(std::memchr(Line, ' ', Feed - Line)), Feed, Values);
        if (Rows++ == 0)
            FirstY = Values.back();
        for (size_t I = 0; I + 1 < Values.size(); ++I) {
            char* const Last = std::to_chars(Number, Number + sizeof Number, Values[I],
                                             std::chars_format::general, 15)
                                   .ptr;
            Body.append(Number, Last);
            Body += ' ';
        }
        Body += '\n';
    }

    // Corners as the grid's edges, as the baseline computes them.
    const double XCorner = X[0] - Resolution * 0.5;
    double YCorner = FirstY + Resolution * 0.5;
    for (size_t I = 0; I < Rows; ++I)
        YCorner += -Resolution;
    std::ostringstream Header;
    Header.precision(12);
    Header << "ncols " << X.size() << "\nnrows " << Rows << "\nxllcorner " << std::setw(8)
           << XCorner << "\nyllcorner " << std::setw(8) << YCorner << "\ncellsize " << Resolution
           << "\nNODATA_value " << -9999.0 << "\n";
    std::FILE* Out = std::fopen(ArgV[2], "wb");
    if (!Out)
        return 1;
    const std::string HeaderText = Header.str();
    std::fwrite(HeaderText.data(), 1, HeaderText.size(), Out);
    std::fwrite(Body.data(), 1, Body.size(), Out);
    if (std::fclose(Out) != 0)
        return 1;
    std::ofstream(ArgV[3]) << Metadata;
    return 0;
}
