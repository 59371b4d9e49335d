// average_grids: averages a series of ARC/INFO ASCII grids cell by cell.
//
//   average_grids result.asc first.asc second.asc [more.asc ...]
//
// The grids share their number of columns and rows and the no-data value -9999. A cell of
// the result holds the mean of the series where every grid has data, and -9999 where any
// grid has none.

#include <veldgrid/TARCGISFileTools.h>
#include <veldgrid/TMap.h>
#include <veldgrid/TMapTools.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

int main(int ArgC, char** ArgV) {
    if (ArgC < 4) {
        std::cerr << "Usage: average_grids result.asc first.asc second.asc [more.asc ...]\n";
        return 1;
    }
    try {
        // The library hands over the maps it creates: keep each one in a unique_ptr, and pass
        // the plain pointers where the library takes a list of maps.
        std::vector<std::unique_ptr<TMap>> Series;
        std::vector<TMap*> Maps;
        for (int I = 2; I < ArgC; ++I) {
            Series.emplace_back(TARCGISFileTools::LoadARCGISFile(std::string(ArgV[I])));
            Maps.push_back(Series.back().get());
        }
        std::unique_ptr<TMap> Mean(TMapTools::Average(Maps));
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
