// The subcommand sample: the values of grids at points.

#include "TCommands.h"

void AddSampleCommand(TCommands&) {}
