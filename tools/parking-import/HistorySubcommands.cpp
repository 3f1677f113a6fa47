#include "ImportSubcommands.h"

#include <parking/imports/ImportError.h>
#include <parking/imports/ImportHistory.h>
#include <parking/imports/SubscriptionImportJob.h>
#include <parking/imports/TableReplacement.h>
#include <parking/imports/TicketImportJob.h>
#include <routines/TextFormat.h>

namespace importcmd {

namespace {

// Puts back the tables the last ticket or subscription import replaced.
void RunUndo(CommandContext &context)
{
    const QString kind = context.Arguments().at(0);
    QStringList tables;
    QString historyKind;
    if (kind == QLatin1String("tickets")) {
        tables = imports::TicketImportJob::Tables();
        historyKind = imports::kHistoryUndoTickets;
    } else if (kind == QLatin1String("subscriptions")) {
        tables = imports::SubscriptionImportJob::Tables();
        historyKind = imports::kHistoryUndoSubscriptions;
    } else {
        throw UsageError("Upotreba: parking-import undo tickets|subscriptions");
    }
    dataset::Connection connection;
    connection.Connect(context.DatabaseParams());
    QString undone;
    try {
        undone = imports::UndoLastImport(connection, tables, historyKind, {});
    } catch (const imports::ImportError &e) {
        // An undo reads no file: its failure is told without the file-format title.
        throw CommandError(e.kind() == imports::ImportFailure::Database ? ExitDatabase : ExitFile, e.cause());
    }
    context.Io().Out() << QStringLiteral("Poništen je uvoz od %1; vraćeni su podaci pre njega.").arg(SafeText(undone))
                       << Qt::endl
                       << context.LinkLine() << Qt::endl;
}

// The newest records of the import history, newest first.
void RunHistory(CommandContext &context)
{
    int limit = 50;
    if (const auto &text = context.Options().limit) {
        bool ok = false;
        limit = text->toInt(&ok);
        if (!ok || limit <= 0)
            throw UsageError(QStringLiteral("Neispravan broj za --limit: %1").arg(*text).toStdString());
    }
    dataset::Connection connection;
    connection.Connect(context.DatabaseParams());
    context.Io().Out() << QStringLiteral(
        "početak | kraj | vrsta | ishod | korisnik | računar | datoteka | veličina | "
        "SHA-256 | dan dokumenta | dokument | pročitano | upisano | izostavljeno | prva greška")
                       << Qt::endl;
    for (const QString &line : imports::HistoryLines(connection, limit))
        context.Io().Out() << line << Qt::endl;
}

} // namespace

Subcommand HistorySubcommand()
{
    return {QStringLiteral("history"), QStringLiteral("[--limit N]"),
            QStringLiteral("ispisuje istoriju uvoza, vraćanja i dokumenata, najnovije prvo"), 0, RunHistory};
}

Subcommand UndoSubcommand()
{
    return {QStringLiteral("undo"), QStringLiteral("tickets|subscriptions"),
            QStringLiteral("vraća tabele kakve su bile pre poslednjeg uvoza karata ili pretplata"), 1, RunUndo};
}

} // namespace importcmd
