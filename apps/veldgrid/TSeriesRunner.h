#ifndef VELDGRID_APPS_TSERIESRUNNER_H
#define VELDGRID_APPS_TSERIESRUNNER_H

#include "TCommands.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMap;

/// Runs a subcommand that makes grids from the files of a series, window by window: a
/// window of one file for the subcommands that make one grid per file.
class TSeriesRunner {
public:
    /// The maps of a window, oldest first.
    using TWindow = std::deque<std::shared_ptr<TMap>>;
    /// Makes a window's grid (or nullptr for none) from the series' first map (nullptr
    /// unless kept) and the window.
    using TMake = std::function<std::shared_ptr<TMap>(const TMap* First, const TWindow& Window)>;
    /// Makes the grid of the whole series once every window is done.
    using TFinish = std::function<std::shared_ptr<TMap>()>;

    /// Refuses outputs that name inputs or each other; then reads the series file by file,
    /// keeping the last `Length` maps (and the first one with `KeepFirst`, else reading the
    /// next one ahead on a second thread), and hands each full window to `Make`, then calls
    /// `Finish` (if any). Writes the grids made to `Outputs` in order, all of them as one
    /// set when the series is done.
    static void Run(const std::string& Command, const TSettings& Settings, size_t Length,
                    bool KeepFirst, const std::vector<std::string>& Outputs, const TMake& Make,
                    const TFinish& Finish = nullptr);

    /// The message of the exception being handled, after the name of the file at fault.
    static std::string NamedFailure(const std::string& FileName);
    /// The plain list of maps that the operations take.
    static std::vector<TMap*> Raw(const TWindow& Maps);
};

#endif
