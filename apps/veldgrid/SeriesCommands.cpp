// The subcommands over a series of grids: mean, sum, count and trend (one grid from the
// whole series, through running figures), runmean and gradients (one grid per window).

#include "TGridOutputs.h"
#include "TSeriesRunner.h"

#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TMapTools.h"
#include "TSeriesStatistics.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <cmath>
#include <deque>
#include <memory>

namespace {

using TWindow = TSeriesRunner::TWindow;

/// Refuses a window that needs more files than the series has.
void RequireFiles(const TSettings& Settings, int Window, size_t Needed) {
    if (Settings.Files.size() < Needed)
        throw "--window " + std::to_string(Window) + " needs at least " + std::to_string(Needed) +
            " files";
}

/// The outputs of the windows of `Length` files: DIR/<stem>.asc after each one's first file.
std::vector<std::string> WindowOutputs(const TSettings& Settings, size_t Length) {
    TGridOutputs::RequireDirectory(Settings.Output);
    std::vector<std::string> Outputs;
    for (size_t First = 0; First + Length <= Settings.Files.size(); ++First)
        Outputs.push_back(TGridOutputs::InDirectory(Settings.Output, Settings.Files[First]));
    return Outputs;
}

// ---------------------------------------------------------------------------------------
// mean, sum, count, trend

/// The options of this family.
struct TSeriesSettings {
    int Window = 0;
    bool AllData = false;
    long MinCount = 2;
};

/// The figure of the series that a subcommand writes.
enum class TFigure { Mean, Sum, Count, Trend };

const char* const StatisticFooters[] = {
    "Writes the mean of the series (TMapTools::DataAverage, as CDO's timmean takes it):\n"
    "in each cell the mean of the files that hold data there. With --all-data, the mean\n"
    "of all files (TMapTools::Average).\n"
    "No-data: where no file holds data; with --all-data, wherever one file lacks data.\n"
    "Holds two grids at a time besides the running figures, whatever the number of\n"
    "files.\n"
    "\n"
    "Example: a January climatology\n"
    "  veldgrid mean -o jan-clim.asc 19*-01.txt 20*-01.txt",
    "Writes the sum of the series (TMapTools::Sum), in the order of the files.\n"
    "No-data: wherever one file lacks data.\n"
    "\n"
    "Example: annual precipitation from monthly totals\n"
    "  veldgrid sum -o precip-2020.asc precip-2020-*.asc",
    "Writes in how many files each cell holds data (TMapTools::DataCounts).\n"
    "No-data: none; a cell without data in any file counts 0.\n"
    "\n"
    "Example:\n"
    "  veldgrid count -o coverage.asc swaths/*.txt",
    "Writes the least-squares slope of each cell's values against the file's position\n"
    "(0 for the first), in value units per file (TMapTools::Trend).\n"
    "No-data: files without data in the cell (no-data or not finite) are left out; the\n"
    "cell is no-data where fewer than --min-count files (default 2) hold data.\n"
    "Holds two grids at a time besides the running figures, whatever the number of\n"
    "files.\n"
    "\n"
    "Example: the trend per year of annual means, where 20 years hold data\n"
    "  veldgrid trend --min-count 20 -o trend.asc annual/*.txt"};

/// The figure of the series fed to the statistics, as a new map.
TMap* FigureOf(const TSeriesStatistics& Statistics, TFigure Figure, bool AllData, size_t Files) {
    switch (Figure) {
    case TFigure::Mean: {
        if (!AllData)
            return Statistics.DataAverage();
        // The sum over the number of maps, no-data where the sum is: `Average`, bit for bit.
        const std::unique_ptr<TMap> Sum(Statistics.Sum());
        return TMapTools::Divide(Sum.get(), static_cast<double>(Files));
    }
    case TFigure::Sum:
        return Statistics.Sum();
    case TFigure::Count:
        return Statistics.DataCounts();
    case TFigure::Trend:
        break;
    }
    return Statistics.Trend();
}

void Statistic(const std::string& Command, const TSettings& Settings, TFigure Figure,
               const TSeriesSettings& Options) {
    auto Statistics = std::make_shared<TSeriesStatistics>(Options.MinCount);
    TSeriesRunner::Run(
        Command, Settings, 1, false, {Settings.Output},
        [Statistics](const TMap*, const TWindow& Window) {
            Statistics->Add(Window.front().get());
            return nullptr;
        },
        [&] {
            return std::shared_ptr<TMap>(
                FigureOf(*Statistics, Figure, Options.AllData, Settings.Files.size()));
        });
}

// ---------------------------------------------------------------------------------------
// runmean

const char* const RunmeanUsage = "Usage: veldgrid runmean --window N -o DIR [options] FILE...";
const char* const RunmeanFooter =
    "Writes the mean of every run of N consecutive files (TMapTools::MovingAverage) to\n"
    "DIR/<stem>.asc, named after the run's first file, on that file's grid.\n"
    "No-data: a cell is no-data in a run's mean wherever one file of the run lacks data.\n"
    "Holds one run and one more grid at a time, whatever the number of files.\n"
    "\n"
    "Example: 3-month running means of monthly fields\n"
    "  veldgrid runmean --window 3 -o smooth/ monthly/*.txt";

void Runmean(const TSettings& Settings, int Window) {
    RequireFiles(Settings, Window, Window);
    TSeriesRunner::Run("runmean", Settings, Window, false, WindowOutputs(Settings, Window),
                       [](const TMap*, const TWindow& Maps) {
                           return std::shared_ptr<TMap>(
                               TMapTools::Average(TSeriesRunner::Raw(Maps)));
                       });
}

// ---------------------------------------------------------------------------------------
// gradients

const char* const GradientsUsage = "Usage: veldgrid gradients --window W -o DIR [options] FILE...";
const char* const GradientsFooter =
    "Writes, for every run of W + 1 consecutive files, the least-squares slope of each\n"
    "cell's values against the file number (TMapTools::ValueGradients) to\n"
    "DIR/<stem>.asc, named after the run's first file, on the first file's grid.\n"
    "No-data: a cell is no-data where the run's first file holds 0 and where fewer than\n"
    "two values are usable (no-data values are left out; a 0 other than in the last file\n"
    "is taken from the nearest non-zero neighbour).\n"
    "Holds one run and one more grid at a time, whatever the number of files.\n"
    "\n"
    "Example: the slope over every 10 years of annual fields\n"
    "  veldgrid gradients --window 9 -o slopes/ annual/*.asc";

void Gradients(const TSettings& Settings, int Window) {
    RequireFiles(Settings, Window, Window + 1);
    // The series' first grid stays: every window is read at the places of its cells.
    int Start = 0;
    TSeriesRunner::Run("gradients", Settings, Window + 1, true, WindowOutputs(Settings, Window + 1),
                       [&Start](const TMap* First, const TWindow& Maps) {
                           const std::unique_ptr<TMap> Gradients(
                               TMapTools::ValueGradients(First, TSeriesRunner::Raw(Maps), Start++));
                           // The writers take finite cells only.
                           return std::shared_ptr<TMap>(TMapTools::ReplaceNonFinite(
                               Gradients.get(), Gradients->GetNoDataValue()));
                       });
}

} // namespace

void AddSeriesCommands(TCommands& Commands) {
    static TSeriesSettings Options;
    TSettings& Settings = Commands.Settings;
    const struct {
        const char* Name;
        const char* Description;
        TFigure Figure;
    } Figures[] = {{"mean", "The mean of a series of grids.", TFigure::Mean},
                   {"sum", "The sum of a series of grids.", TFigure::Sum},
                   {"count", "In how many grids of a series each cell holds data.", TFigure::Count},
                   {"trend", "The least-squares trend of a series of grids.", TFigure::Trend}};
    std::vector<CLI::App*> Added;
    for (const auto& F : Figures) {
        const std::string Name = F.Name;
        const TFigure Figure = F.Figure;
        CLI::App& Command = Commands.Add(
            Name, F.Description,
            "Usage: veldgrid " + Name + (Figure == TFigure::Mean ? " [--all-data]" : "") +
                (Figure == TFigure::Trend ? " [--min-count N]" : "") + " -o OUT [options] FILE...",
            StatisticFooters[static_cast<int>(Figure)],
            [&Settings, Name, Figure] { Statistic(Name, Settings, Figure, Options); });
        if (Figure == TFigure::Mean)
            Command.add_flag("--all-data", Options.AllData, "no-data wherever one file lacks data");
        if (Figure == TFigure::Trend)
            Command.add_option("--min-count", Options.MinCount, "files with data a cell needs")
                ->type_name("N");
        Commands.AddOutput(Command, "the grid to write");
        Added.push_back(&Command);
    }
    CLI::App& Runmean =
        Commands.Add("runmean", "Moving averages over runs of N files.", RunmeanUsage,
                     RunmeanFooter, [&Settings] { ::Runmean(Settings, Options.Window); });
    CLI::App& Gradients =
        Commands.Add("gradients", "Slopes over runs of W + 1 files.", GradientsUsage,
                     GradientsFooter, [&Settings] { ::Gradients(Settings, Options.Window); });
    Runmean.add_option("--window", Options.Window, "files in each run")
        ->type_name("N")
        ->required()
        ->check(CLI::Range(2, INT_MAX));
    Gradients.add_option("--window", Options.Window, "the run is W + 1 files")
        ->type_name("W")
        ->required()
        ->check(CLI::Range(1, INT_MAX));
    for (CLI::App* Command : {&Runmean, &Gradients}) {
        Commands.AddOutput(*Command, "the directory of the grids");
        Added.push_back(Command);
    }
    for (CLI::App* Command : Added) {
        Commands.AddGridOptions(*Command);
        Commands.AddProgressOptions(*Command);
        Commands.AddFiles(*Command);
    }
}
