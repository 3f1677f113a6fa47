#include "ImportSubcommands.h"

#include <parking/imports/ImportError.h>
#include <parking/imports/ImportHistory.h>
#include <parking/imports/ImportKinds.h>
#include <routines/TextFormat.h>

namespace importcmd {

namespace {

// Puts back the tables the last import of a kind that can be undone replaced.
void RunUndo(CommandContext &context)
{
    const imports::ImportDescriptor *kind = imports::FindImportKind(context.Arguments().at(0));
    if (!kind || !kind->undo)
        throw UsageError(
            QStringLiteral("Upotreba: parking-import undo %1").arg(imports::UndoableKindIds()).toStdString());
    dataset::Connection connection;
    connection.Connect(context.DatabaseParams());
    QString undone;
    try {
        undone = imports::UndoLastImport(connection, kind->tables, *kind->undo, {});
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
    return {QStringLiteral("undo"), imports::UndoableKindIds(),
            QStringLiteral("vraća tabele kakve su bile pre poslednjeg uvoza karata ili pretplata"), 1, RunUndo};
}

} // namespace importcmd
