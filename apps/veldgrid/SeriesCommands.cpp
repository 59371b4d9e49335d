// The subcommands over a series of grids: mean, sum, count and trend (one grid from the
// whole series, through running figures), runmean and gradients (one grid per window).

#include "TGridOutputs.h"
#include "TSeriesRunner.h"

#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TMapTools.h"

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
            " files\n";
}

/// The outputs of the windows of `Length` files: DIR/<stem>.asc after each one's first file.
std::vector<std::string> WindowOutputs(const TSettings& Settings, size_t Length) {
    TGridOutputs::RequireDirectory(Settings.Output);
    std::vector<std::string> Outputs;
    for (size_t First = 0; First + Length <= Settings.Files.size(); ++First)
        Outputs.push_back(TGridOutputs::InDirectory(Settings.Output, Settings.Files[First]));
    return Outputs;
}

/// Takes the one map of the list that is kept (number `Kept`) and deletes the others.
std::unique_ptr<TMap> KeepOne(const std::vector<TMap*>& Maps, size_t Kept) {
    std::vector<std::unique_ptr<TMap>> Owned(Maps.begin(), Maps.end());
    return std::move(Owned.at(Kept));
}

/// The cells that are not finite numbers made no-data: the writers take finite cells only.
std::unique_ptr<TMap> FiniteCells(std::unique_ptr<TMap> Map) {
    for (long Y = 0; Y < Map->GetYDim(); ++Y)
        for (long X = 0; X < Map->GetXDim(); ++X)
            if (!std::isfinite(Map->RowValues(Y)[X]))
                Map->SetPoint(X, Y, Map->GetNoDataValue());
    return Map;
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

/// The gradients of the window in the series' whole list: computed on the series' first
/// grid where the window's first grid runs the other way (the neighbours that replace zeros
/// are searched in the first grid's order).
std::unique_ptr<TMap> WindowGradients(const TMap* First, const TWindow& Maps, int Window) {
    std::vector<TMap*> List = TSeriesRunner::Raw(Maps);
    const auto Order = [](const TMap* Map) {
        const TARCGISFileTools::TOrientation O = TARCGISFileTools::Orientation(Map);
        return std::make_pair(O.ColumnsEastToWest, O.RowsSouthToNorth);
    };
    const bool Other = First != List.front() && Order(First) != Order(List.front());
    if (Other)
        List.insert(List.begin(), const_cast<TMap*>(First));
    return FiniteCells(KeepOne(TMapTools::ValueGradients(List, Window), Other ? 1 : 0));
}

void Gradients(const TSettings& Settings, int Window) {
    RequireFiles(Settings, Window, Window + 1);
    // The series' first grid stays, for the windows that run the other way.
    TSeriesRunner::Run("gradients", Settings, Window + 1, true, WindowOutputs(Settings, Window + 1),
                       [Window](const TMap* First, const TWindow& Maps) {
                           return WindowGradients(First, Maps, Window);
                       });
}

} // namespace

void AddSeriesCommands(TCommands& Commands) {
    TSettings& Settings = Commands.Settings;
    static int Window = 0;
    CLI::App& Runmean = Commands.Add("runmean", "moving average over N files", RunmeanUsage,
                                     RunmeanFooter, [&] { ::Runmean(Settings, Window); });
    CLI::App& Gradients =
        Commands.Add("gradients", "slopes over runs of W + 1 files", GradientsUsage,
                     GradientsFooter, [&] { ::Gradients(Settings, Window); });
    Runmean.add_option("--window", Window, "files in each run")
        ->type_name("N")
        ->required()
        ->check(CLI::Range(2, INT_MAX));
    Gradients.add_option("--window", Window, "the run is W + 1 files")
        ->type_name("W")
        ->required()
        ->check(CLI::Range(1, INT_MAX));
    for (CLI::App* Command : {&Runmean, &Gradients}) {
        Commands.AddOutput(*Command, "the directory of the grids");
        Commands.AddGridOptions(*Command);
        Commands.AddProgressOptions(*Command);
        Commands.AddFiles(*Command);
    }
}
