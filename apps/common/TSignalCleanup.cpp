#include "TSignalCleanup.h"

#include "TSafeFile.h"

#include <signal.h>

namespace {

/// Removes the files under way and ends the process as the signal would have.
void EndOnSignal(int Signal) {
    TSafeFile::RemoveTemporaryFiles();
    // The default action is back (SA_RESETHAND); the signal is delivered on return.
    ::raise(Signal);
}

} // namespace

void TSignalCleanup::Install() {
    const int Signals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
    struct sigaction Action = {};
    Action.sa_handler = EndOnSignal;
    Action.sa_flags = SA_RESETHAND;
    sigemptyset(&Action.sa_mask);
    for (int Signal : Signals)
        sigaddset(&Action.sa_mask, Signal);
    for (int Signal : Signals) {
        struct sigaction Current;
        if (::sigaction(Signal, nullptr, &Current) == 0 && Current.sa_handler != SIG_IGN)
            ::sigaction(Signal, &Action, nullptr);
    }
}
