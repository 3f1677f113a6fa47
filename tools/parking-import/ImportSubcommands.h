#pragma once

#include "ImportCommand.h"

// The subcommands that are more than a file import of a kind, each in the file of its
// import.
namespace importcmd {

Subcommand TicketDocumentSubcommand();
Subcommand StartStopSubcommand();
Subcommand UndoSubcommand();
Subcommand HistorySubcommand();

} // namespace importcmd
