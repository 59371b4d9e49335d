// average_veldan: averages a series of VELDAN grids cell by cell, whichever order each file
// lists its rows in, and writes the mean as an ARC/INFO ASCII grid.
//
//   average_veldan result.asc first.txt second.txt [more.txt ...]
//
// The grids hold the same cells, listed north to south or south to north. A cell of the
// result holds the mean of the grids that have data there, and -9999 where none has.

#include <veldgrid/TARCGISFileTools.h>
#include <veldgrid/TMap.h>
#include <veldgrid/TMapTools.h>
#include <veldgrid/TVELDANFileTools.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

int main(int ArgC, char** ArgV) {
    if (ArgC < 4) {
        std::cerr << "Usage: average_veldan result.asc first.txt second.txt [more.txt ...]\n";
        return 1;
    }
    try {
        std::vector<std::unique_ptr<TMap>> Series;
        std::vector<TMap*> Maps;
        for (int I = 2; I < ArgC; ++I) {
            // Row 0 of each map is the file's first row: the north or the south one.
            Series.emplace_back(TVELDANFileTools::LoadVELDANFile(std::string(ArgV[I])));
            Maps.push_back(Series.back().get());
        }
        // The cells are paired by place, so grids of either row order line up.
        // TMapTools::Average would give -9999 wherever any grid has no data.
        std::unique_ptr<TMap> Mean(TMapTools::DataAverage(Maps));
        // The result lies on the first grid's rows; the writer writes it north-up.
        TARCGISFileTools::WriteARCGISFile(Mean.get(), std::string(ArgV[1]));
    } catch (const char* Message) { // faults of data or arguments
        std::cerr << Message << '\n';
        return 1;
    } catch (const std::string& Message) { // files that cannot be opened or written
        std::cerr << Message << '\n';
        return 1;
    }
    return 0;
}
