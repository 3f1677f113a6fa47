#include "ImportSubcommands.h"

#include "ParkingImportError.h"
#include "ParkingTicketImport.h"

namespace importcmd {

Subcommand TicketsSubcommand()
{
    return {QStringLiteral("tickets"), QStringLiteral("FILE"),
            QStringLiteral("učitava izvoz parking karata u parkingticketraw i parkingticket"), 1,
            [](CommandContext &context) {
                imports::TicketImportJob job;
                context.RunFileImport(job, context.Arguments().at(0));
            }};
}

Subcommand TicketDocumentSubcommand()
{
    return {QStringLiteral("ticket-document"), QStringLiteral("YYYY-MM-DD"),
            QStringLiteral("pravi dokument od karata izdatih i storniranih tog dana"), 1,
            [](CommandContext &) {
                throw imports::ImportError(imports::ImportFailure::Database,
                                           QStringLiteral("Naredba još nije dostupna."));
            }};
}

} // namespace importcmd
