#include "TProgress.h"

#include <unistd.h>

#include <cstdio>

TProgress::TProgress(std::string Command, size_t Total, TMode Mode)
    : MbrCommand(std::move(Command)), MbrTotal(Total),
      MbrShown(Total > 1 &&
               (Mode == TMode::Forced || (Mode == TMode::Auto && ::isatty(STDERR_FILENO)))),
      MbrStart(std::chrono::steady_clock::now()), MbrLastShown(MbrStart) {
    if (MbrShown)
        Show();
}

TProgress::~TProgress() {
    if (MbrLineOpen)
        std::fputc('\n', stderr);
}

void TProgress::Step() {
    ++MbrDone;
    const auto Now = std::chrono::steady_clock::now();
    if (MbrShown && (MbrDone == MbrTotal || Now - MbrLastShown >= std::chrono::milliseconds(100)))
        Show();
}

void TProgress::Show() {
    const auto Now = std::chrono::steady_clock::now();
    MbrLastShown = Now;
    const double Elapsed = std::chrono::duration<double>(Now - MbrStart).count();
    std::fprintf(stderr, "\rveldgrid %s: %zu/%zu files, %.1f s", MbrCommand.c_str(), MbrDone,
                 MbrTotal, Elapsed);
    std::fflush(stderr);
    MbrLineOpen = true;
}
