// veldgrid_dump_grid: reads an ARC/INFO ASCII grid with TARCGISFileTools::LoadARCGISFile
// and prints what the library holds, every number with 17 significant digits so that it
// reads back as the same double:
//
//   ncols N
//   nrows M
//   nodata V
//   xedges E0 ... EN        X interval axis, west to east
//   yedges E0 ... EM        Y interval axis, index 0 the northern edge
//   row V0 ... VN-1         one line per row, row 0 first
//
// A grid the library refuses gives its message on standard error and exit status 1.

#include "TARCGISFileTools.h"
#include "TAxis.h"
#include "TError.h"
#include "TMap.h"

#include <iomanip>
#include <iostream>
#include <limits>
#include <memory>
#include <string>

namespace {

void PrintEdges(const char* Name, const TAxis* Axis, char Direction) {
    std::cout << Name;
    for (long I = 0; I < Axis->GetSize(); ++I) {
        const TPoint* Edge = Axis->GetPoint(I);
        std::cout << ' ' << (Direction == 'X' ? Edge->GetX() : Edge->GetY());
    }
    std::cout << '\n';
}

void Print(const TMap& Map) {
    std::cout << std::setprecision(std::numeric_limits<double>::max_digits10);
    std::cout << "ncols " << Map.GetXDim() << "\nnrows " << Map.GetYDim() << '\n';
    std::cout << "nodata " << Map.GetNoDataValue() << '\n';
    PrintEdges("xedges", Map.GetXAxisInterval(), 'X');
    PrintEdges("yedges", Map.GetYAxisInterval(), 'Y');
    for (long LngY = 0; LngY < Map.GetYDim(); ++LngY) {
        std::cout << "row";
        for (long LngX = 0; LngX < Map.GetXDim(); ++LngX)
            std::cout << ' ' << Map.GetPointVal(LngX, LngY);
        std::cout << '\n';
    }
}

int Fail(const char* Message) {
    std::cerr << (Message ? Message : "") << std::flush;
    return 1;
}

} // namespace

int main(int ArgC, char** ArgV) {
    if (ArgC != 2)
        return Fail("Usage: veldgrid_dump_grid grid_file");
    try {
        std::unique_ptr<TMap> Map(TARCGISFileTools::LoadARCGISFile(std::string(ArgV[1])));
        Print(*Map);
        std::cout.flush();
        return std::cout ? 0 : Fail("Unable to write to standard output");
    } catch (...) {
        return Fail(TError::Message(std::current_exception()).c_str());
    }
}
