#include "ImportSubcommands.h"

#include <parking/imports/ImportKinds.h>

namespace importcmd {

namespace {

// An import of the kind 'id' from FILE, with its summary on standard output.
Subcommand FileImportSubcommand(QStringView id, const QString &description)
{
    const imports::ImportDescriptor &kind = imports::ImportKindOf(id);
    return {kind.id, QStringLiteral("FILE"), description, 1, [&kind](CommandContext &context) {
                const std::unique_ptr<ImportJob> job = kind.createJob();
                context.RunFileImport(*job, context.Arguments().at(0));
            }};
}

} // namespace

const std::vector<Subcommand> &Subcommands()
{
    static const std::vector<Subcommand> table{
        FileImportSubcommand(u"tickets",
                             QStringLiteral("učitava izvoz parking karata u parkingticketraw i parkingticket")),
        TicketDocumentSubcommand(),
        FileImportSubcommand(u"subscriptions",
                             QStringLiteral("zamenjuje sadržaj parkingsubscription pretplatama iz izvoza")),
        StartStopSubcommand(),
        UndoSubcommand(),
        HistorySubcommand(),
    };
    return table;
}

} // namespace importcmd
