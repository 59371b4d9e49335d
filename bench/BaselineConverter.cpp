// The plain-iostream converter that the benchmark measures veldconv against: the same
// conversion done the straightforward way (getline, tokens as strings, atof, a stream's
// operator<< for every number, endl after every line). It expects what the generator
// writes (rows north to south, columns west to east, well-formed lines) and does not check
// its input.
//
// Usage: bench_baseline source_file destination_file metadata_file

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

namespace {

bool HasMarker(const std::string& Line) {
    return Line.find("degN/degE") != std::string::npos;
}

/// Tokens of an axis or data line: every "-" starts a new token, spaces separate tokens.
std::vector<std::string> Tokens(const std::string& Line) {
    std::string Spaced;
    for (char C : Line) {
        if (C == '-')
            Spaced += ' ';
        Spaced += C;
    }
    std::vector<std::string> Result;
    std::string Token;
    for (char C : Spaced + ' ') {
        if (C != ' ') {
            Token += C;
        } else if (!Token.empty()) {
            Result.push_back(Token);
            Token.clear();
        }
    }
    return Result;
}

bool ReadLine(std::istream& In, std::string& Line) {
    if (!std::getline(In, Line))
        return false;
    if (!In.eof() && !Line.empty() && Line.back() == '\r')
        Line.pop_back();
    return true;
}

} // namespace

int main(int ArgC, char** ArgV) {
    if (ArgC != 4) {
        std::cerr << "Usage: bench_baseline source_file destination_file metadata_file\n";
        return 1;
    }
    std::ifstream In(ArgV[1]);
    std::string Line, Metadata;
    for (;;) {
        Metadata += Line + "\n";
        if (!ReadLine(In, Line))
            return 1;
        if (Line.empty())
            Metadata += "\n";
        else if (HasMarker(Line))
            break;
    }
    std::vector<std::string> Axis = Tokens(Line);
    std::vector<double> X;
    for (size_t I = 1; I + 2 < Axis.size(); ++I)
        X.push_back(std::atof(Axis[I].c_str()));
    const double Resolution = std::fabs(X[1] - X[0]);

    std::vector<std::vector<double>> Rows;
    std::vector<double> Y;
    while (ReadLine(In, Line) && !HasMarker(Line)) {
        std::vector<std::string> Row = Tokens(Line);
        Y.push_back(std::atof(Row.back().c_str()));
        std::vector<double> Values;
        for (size_t I = 1; I + 1 < Row.size(); ++I)
            Values.push_back(std::atof(Row[I].c_str()));
        Rows.push_back(Values);
    }

    // Corners as the grid's edges: half a cell west of the first column centre, and the
    // northern edge stepped down one cell per row.
    const double XCorner = X[0] - Resolution * 0.5;
    double YCorner = Y[0] + Resolution * 0.5;
    for (size_t I = 0; I < Rows.size(); ++I)
        YCorner += -Resolution;

    std::ofstream Out(ArgV[2]);
    Out.precision(12);
    Out << "ncols " << X.size() << std::endl;
    Out << "nrows " << Rows.size() << std::endl;
    Out << "xllcorner " << std::setw(8) << XCorner << std::endl;
    Out << "yllcorner " << std::setw(8) << YCorner << std::endl;
    Out << "cellsize " << Resolution << std::endl;
    Out << "NODATA_value " << -9999.0 << std::endl;
    Out.precision(15);
    for (const std::vector<double>& Row : Rows) {
        for (double Value : Row)
            Out << Value << ' ';
        Out << std::endl;
    }
    std::ofstream(ArgV[3]) << Metadata;
    return 0;
}
