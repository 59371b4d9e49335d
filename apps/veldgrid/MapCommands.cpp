// The subcommands that make one grid from each file: threshold, northup, extract (and the
// operations of the same shape), each with -o OUT for one file or -o DIR for several.

#include "TGridOutputs.h"
#include "TSeriesRunner.h"

#include "TMap.h"
#include "TMapTools.h"
#include "TPoint.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <vector>

namespace {

using TOperation = std::function<TMap*(const TMap*)>;

/// Writes the operation's grid of each file to its output; an empty operation writes the
/// grid as it was read.
void RunEach(const std::string& Command, const TSettings& Settings, const TOperation& Operation) {
    TSeriesRunner::Run(Command, Settings, 1, false,
                       TGridOutputs::OnePerInput(Settings.Output, Settings.Files),
                       [&](const TMap*, const TSeriesRunner::TWindow& Window) {
                           return Operation ? std::shared_ptr<TMap>(Operation(Window.front().get()))
                                            : Window.front();
                       });
}

/// The options of the subcommands of this family.
struct TMapSettings {
    double Threshold = 0.0;
    double Replacement = 0.0;
    const CLI::Option* Replace = nullptr;
    std::string Comparison; // of indicator: "<", "<=", ...
    double Value = 0.0;
    int Factor = 1;
    double Resolution = 0.0;
    std::vector<double> Box; // west, south, east, north
};

const char* const OneOrDirectory =
    "one grid: -o OUT; several: -o DIR (DIR/<stem>.asc for each FILE)";

const char* const IndicatorUsage =
    "Usage: veldgrid indicator --gt|--ge|--lt|--le|--eq|--ne VALUE -o OUT|DIR [options] FILE...";
const char* const IndicatorFooter =
    "Writes 1 where the cell compares with VALUE as the option says (--gt: greater than,\n"
    "--ge: greater or equal, --lt, --le, --eq, --ne), 0 where it does not\n"
    "(TMapTools::Indicator). The mean of indicators is the fraction of files above a\n"
    "value.\n"
    "No-data: where the cell is no-data or NaN.\n"
    "\n"
    "Example: the fraction of Januaries warmer than 0 degrees\n"
    "  veldgrid indicator --gt 0 -o warm/ jan/*.txt && veldgrid mean -o warm.asc warm/*.asc";

const char* const BlockmeanUsage =
    "Usage: veldgrid blockmean --factor K -o OUT|DIR [options] FILE...";
const char* const BlockmeanFooter =
    "Writes the mean of each block of K x K cells, on a grid K times coarser\n"
    "(TMapTools::BlockMean, as CDO's gridboxmean); a last partial block averages the\n"
    "cells it holds.\n"
    "No-data: no-data cells are left out of a block's mean; a block without data is\n"
    "no-data.\n"
    "\n"
    "Example: from 0.25 to 1 degree\n"
    "  veldgrid blockmean --factor 4 -o coarse.asc fine.txt";

const char* const ResampleUsage =
    "Usage: veldgrid resample --resolution R -o OUT|DIR [options] FILE...";
const char* const ResampleFooter =
    "Writes the grid at resolution R over the same extent, each cell the bilinear\n"
    "interpolation of the four nearest cell centres (TMapTools::ResampleBilinear, as\n"
    "CDO's remapbil).\n"
    "No-data: corners without data are left out and the weights of the others scaled;\n"
    "a cell is no-data where every corner with weight lacks data.\n"
    "\n"
    "Example: to a 0.1 degree grid\n"
    "  veldgrid resample --resolution 0.1 -o fine.asc coarse.txt";

const char* const ConvertUsage = "Usage: veldgrid convert -o OUT|DIR [options] FILE...";
const char* const ConvertFooter =
    "Writes each grid in the format that the output's name gives: a VELDAN grid for a\n"
    "name ending in .txt, an ARC/INFO ASCII grid with its .prj and .aux.xml files for\n"
    "any other (with -o DIR: DIR/<stem>.asc).\n"
    "No-data: no-data cells are written as -9999 in a VELDAN grid, and under the\n"
    "grid's own no-data value in an ARC/INFO grid.\n"
    "\n"
    "Examples:\n"
    "  veldgrid convert -o field.txt field.asc\n"
    "  veldgrid convert -o asc/ grids/*.txt";

const char* const ThresholdUsage =
    "Usage: veldgrid threshold --ge VALUE [--replace R] -o OUT|DIR [options] FILE...";
const char* const ThresholdFooter =
    "Keeps the cells at or above VALUE and writes 0 elsewhere (TMapTools::Threshold);\n"
    "with --replace, writes R in the cells at or above VALUE and keeps the others\n"
    "(TMapTools::ThresholdReplace).\n"
    "No-data: an input's no-data value is compared and replaced like any other value;\n"
    "the output's no-data value is -9999.\n"
    "\n"
    "Examples:\n"
    "  veldgrid threshold --ge 25 -o hot.asc tmax.txt\n"
    "  veldgrid threshold --ge 1000 --replace 1000 -o capped/ precip/*.txt";

const char* const NorthupUsage = "Usage: veldgrid northup -o OUT|DIR [options] FILE...";
const char* const NorthupFooter =
    "Writes the grid with rows north to south and columns west to east\n"
    "(TMapTools::NorthUp); a VELDAN output (OUT ending in .txt) then lists its rows\n"
    "northernmost first.\n"
    "No-data: the cells, the no-data value and the metadata are kept.\n"
    "\n"
    "Example:\n"
    "  veldgrid northup -o north-up.txt south-up.txt";

const char* const ExtractUsage =
    "Usage: veldgrid extract --bbox WEST SOUTH EAST NORTH -o OUT|DIR [options] FILE...";
const char* const ExtractFooter =
    "Writes the cells from the one holding (WEST, SOUTH) to the one holding (EAST,\n"
    "NORTH), both included (TMapTools::Extract); coordinates in degrees east and north.\n"
    "No-data: the cells are copied as they are; the output's no-data value is -9999.\n"
    "\n"
    "Example: Europe out of a global field\n"
    "  veldgrid extract --bbox -10 35 40 70 -o europe.asc global.txt";

/// What a subcommand's help shows.
struct TText {
    const char* Name;
    const char* Description;
    const char* Usage;
    const char* Footer;
};

/// Adds a subcommand that writes the operation's grid of each file, with its own options
/// (added by `Setup`) first.
void AddEach(TCommands& Commands, const TText& Text, TOperation Operation,
             const std::function<void(CLI::App&)>& Setup = {}) {
    TSettings& Settings = Commands.Settings;
    const std::string Name = Text.Name;
    CLI::App& Command =
        Commands.Add(Name, Text.Description, Text.Usage, Text.Footer,
                     [&Settings, Name, Operation] { RunEach(Name, Settings, Operation); });
    if (Setup)
        Setup(Command);
    Commands.AddOutput(Command, OneOrDirectory);
    Commands.AddGridOptions(Command);
    Commands.AddProgressOptions(Command);
    Commands.AddFiles(Command);
}

} // namespace

void AddMapCommands(TCommands& Commands) {
    static TMapSettings Options;
    AddEach(
        Commands,
        {"threshold", "Keeps or replaces the cells at or above a value.", ThresholdUsage,
         ThresholdFooter},
        [](const TMap* Map) {
            return Options.Replace->count() > 0
                       ? TMapTools::ThresholdReplace(Map, Options.Threshold, Options.Replacement)
                       : TMapTools::Threshold(Map, Options.Threshold);
        },
        [](CLI::App& Command) {
            Command.add_option("--ge", Options.Threshold, "the threshold")
                ->type_name("VALUE")
                ->required();
            Options.Replace = Command
                                  .add_option("--replace", Options.Replacement,
                                              "the value of the cells at or above it")
                                  ->type_name("R");
        });
    AddEach(
        Commands,
        {"indicator", "1 where a cell compares with a value, 0 elsewhere.", IndicatorUsage,
         IndicatorFooter},
        [](const TMap* Map) {
            return TMapTools::Indicator(Map, Options.Comparison, Options.Value);
        },
        [](CLI::App& Command) {
            CLI::Option_group* Group = Command.add_option_group("comparison");
            const std::pair<const char*, const char*> Comparisons[] = {
                {"--gt", ">"},  {"--ge", ">="}, {"--lt", "<"},
                {"--le", "<="}, {"--eq", "=="}, {"--ne", "!="}};
            for (const auto& C : Comparisons) {
                const std::string Comparison = C.second;
                Group
                    ->add_option_function<double>(
                        C.first,
                        [Comparison](double Value) {
                            Options.Comparison = Comparison;
                            Options.Value = Value;
                        },
                        "1 where the cell is " + Comparison + " VALUE")
                    ->type_name("VALUE");
            }
            Group->require_option(1);
        });
    AddEach(
        Commands,
        {"blockmean", "The mean of blocks of K x K cells.", BlockmeanUsage, BlockmeanFooter},
        [](const TMap* Map) { return TMapTools::BlockMean(Map, Options.Factor); },
        [](CLI::App& Command) {
            Command.add_option("--factor", Options.Factor, "cells of a block each way")
                ->type_name("K")
                ->required();
        });
    AddEach(
        Commands,
        {"resample", "Bilinear resampling to another resolution.", ResampleUsage, ResampleFooter},
        [](const TMap* Map) { return TMapTools::ResampleBilinear(Map, Options.Resolution); },
        [](CLI::App& Command) {
            Command.add_option("--resolution", Options.Resolution, "the new cell size, in degrees")
                ->type_name("R")
                ->required();
        });
    AddEach(Commands,
            {"convert", "Writes grids as VELDAN or ARC/INFO grids.", ConvertUsage, ConvertFooter},
            nullptr);
    AddEach(Commands,
            {"northup", "Lists the rows north to south and the columns west to east.", NorthupUsage,
             NorthupFooter},
            [](const TMap* Map) { return TMapTools::NorthUp(Map); });
    AddEach(
        Commands, {"extract", "Cuts out the cells within a box.", ExtractUsage, ExtractFooter},
        [](const TMap* Map) {
            const TPoint SouthWest(Options.Box[0], Options.Box[1]);
            const TPoint NorthEast(Options.Box[2], Options.Box[3]);
            return TMapTools::Extract(Map, &SouthWest, &NorthEast);
        },
        [](CLI::App& Command) {
            Command.add_option("--bbox", Options.Box, "the box, in degrees")
                ->type_name("WEST SOUTH EAST NORTH")
                ->expected(4)
                ->allow_extra_args(false)
                ->required();
        });
}
