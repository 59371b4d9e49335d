// veldgrid: the library's grid operations as subcommands on files, for series of maps
// (mean, sum, count, trend, runmean, gradients), single maps (indicator, threshold,
// blockmean, resample, northup, extract, convert), their description (info) and their
// values at points (sample).
//
// Exit status: 0 on success (or after printing the help or the version), 1 after a
// message on standard error, which ends with a line feed.

#include "TCommands.h"
#include "TError.h"

#include <malloc.h>

#include <iostream>
#include <string>

namespace {

int Report(const std::string& Message) {
    std::cerr << Message;
    if (!Message.empty() && Message.back() != '\n')
        std::cerr << '\n';
    std::cerr.flush();
    return 1;
}

} // namespace

int main(int ArgC, char** ArgV) {
    std::ios::sync_with_stdio(false);
    // The thread that reads the next grid allocates the maps that this thread frees: with
    // one malloc arena their memory serves the next grid, rather than each thread keeping a
    // grid's worth of its own.
    ::mallopt(M_ARENA_MAX, 1);
    try {
        TCommands Commands;
        AddInfoCommand(Commands);
        AddSeriesCommands(Commands);
        AddMapCommands(Commands);
        AddSampleCommand(Commands);
        return Commands.Run(ArgC, ArgV);
    } catch (...) {
        return Report(TError::Message(std::current_exception()));
    }
}
