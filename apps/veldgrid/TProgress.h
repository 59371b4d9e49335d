#ifndef VELDGRID_APPS_TPROGRESS_H
#define VELDGRID_APPS_TPROGRESS_H

#include <chrono>
#include <cstddef>
#include <string>

/// A one-line progress display on standard error for a command over several files: the
/// files done of the total and the time elapsed, rewritten in place ("\r") at most ten
/// times a second, and ended with a line feed.
class TProgress {
public:
    /// When the display is shown: on a terminal unless --quiet, always with --progress.
    enum class TMode { Auto, Quiet, Forced };

    /// A display for `Total` files, shown where the mode and standard error allow it and
    /// there is more than one file.
    TProgress(std::string Command, size_t Total, TMode Mode);
    /// Ends the line, also when the command fails, so that a message starts on its own.
    ~TProgress();
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;

    /// One more file is done.
    void Step();

private:
    void Show();

    std::string MbrCommand;
    size_t MbrTotal;
    size_t MbrDone = 0;
    bool MbrShown;
    bool MbrLineOpen = false;
    std::chrono::steady_clock::time_point MbrStart;
    std::chrono::steady_clock::time_point MbrLastShown;
};

#endif
