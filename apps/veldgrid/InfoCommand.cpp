// The subcommand info: what each grid is.

#include "TCommands.h"

void AddInfoCommand(TCommands&) {}
