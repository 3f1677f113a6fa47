#include "ImportSubcommands.h"

namespace importcmd {

const std::vector<Subcommand> &Subcommands()
{
    static const std::vector<Subcommand> table{
        TicketsSubcommand(),   TicketDocumentSubcommand(), SubscriptionsSubcommand(),
        StartStopSubcommand(), UndoSubcommand(),           HistorySubcommand(),
    };
    return table;
}

} // namespace importcmd
