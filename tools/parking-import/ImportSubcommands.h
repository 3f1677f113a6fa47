#pragma once

#include "ImportCommand.h"

// One function per subcommand, each in the file of its import.
namespace importcmd {

Subcommand TicketsSubcommand();
Subcommand TicketDocumentSubcommand();
Subcommand SubscriptionsSubcommand();
Subcommand StartStopSubcommand();
Subcommand UndoSubcommand();
Subcommand HistorySubcommand();

} // namespace importcmd
