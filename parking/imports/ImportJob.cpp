#include "ImportJob.h"

#include "ImportError.h"
#include "ImportHistory.h"
#include "ParkingImportText.h"
#include <dataset/UnitOfWork.h>
#include <routines/TextFormat.h>

#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>

namespace imports {

void ImportSummary::LeaveOut(const QString &reason, qint64 count)
{
    if (count <= 0)
        return;
    for (auto &entry : leftOut) {
        if (entry.first == reason) {
            entry.second += count;
            return;
        }
    }
    leftOut.append({reason, count});
}

QStringList ImportSummary::Lines() const
{
    QStringList lines;
    lines << QStringLiteral("Pročitano redova: %1").arg(linesRead)
          << QStringLiteral("Upisano redova: %1").arg(rowsStored);
    qint64 skipped = 0;
    for (const auto &entry : leftOut)
        skipped += entry.second;
    lines << QStringLiteral("Izostavljeno redova: %1").arg(skipped);
    for (const auto &entry : leftOut)
        lines << QStringLiteral("  %1: %2").arg(entry.first).arg(entry.second);
    lines << details;
    for (QString &line : lines)
        line = SafeText(line);
    return lines;
}

QString ImportLabel(const QString &fileName)
{
    return QStringLiteral("%1, %2").arg(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                                        SafeText(QFileInfo(fileName).fileName()));
}

void CheckImportFileName(const QString &fileName)
{
    if (!HasCsvExtension(fileName))
        throw ImportError(ImportFailure::File,
                          QStringLiteral("Datoteka mora imati nastavak .csv: %1").arg(SafeText(fileName)));
}

namespace {

// An import that lost its server (a lost link, a deadlock or a cluster's refusal at the
// swap, a node outside its cluster) may succeed when started again from the file.
bool RestartMayCure(const ImportError &error)
{
    return error.serverCode() != 0 && dataset::IsRetryableError(error.serverCode());
}

// One run of 'job' on a connection of its own; the connection ends with the run, and with
// it anything the run left open.
ImportSummary RunOnce(ImportJob &job, ImportContext &context, const dataset::ConnectionParams &params)
{
    dataset::Connection connection;
    if (job.UsesDatabase()) {
        dataset::ConnectionParams own = params;
        // A loading connection has no read or write timeout: a long load is not a hung
        // server, and the progress shows the import is alive.
        own.localLoad = job.LoadsLocalFiles();
        connection.Connect(own);
        context.connection = &connection;
    }
    const auto forget = qScopeGuard([&context] { context.connection = nullptr; });
    return job.Run(context);
}

} // namespace

const QString &RestartNote()
{
    static const QString note = QStringLiteral("Veza sa serverom je prekinuta; uvoz je ponovo pokrenut.");
    return note;
}

ImportSummary RunImport(ImportJob &job, const QString &fileName, const dataset::ConnectionParams &params,
                        const ImportProgressFn &progress, const QString &user, Emptying emptying)
{
    CheckImportFileName(fileName);
    const std::optional<parking::ImportKind> kind = job.HistoryKind();
    ImportRecord record;
    if (kind)
        record.kind = *kind;
    record.user = user;
    record.fileName = QFileInfo(fileName).absoluteFilePath();
    ImportSummary summary;
    FileDigest digest;
    bool restarted = false;
    try {
        // A FIFO or a device is refused before a connection is made or a table touched.
        CheckRegularFile(fileName);
        // Only a recorded import pays for the SHA-256 of its file.
        ImportContext context{
            fileName, nullptr, progress, emptying, kind ? &digest : nullptr, {ImportLabel(fileName), {}}};
        try {
            summary = RunOnce(job, context, params);
        } catch (...) {
            // The tables are as they were until the run's own swap: the file is read
            // again from its start, once, on a new connection.
            const ImportError error = ToImportError(std::current_exception());
            if (!job.UsesDatabase() || !RestartMayCure(error))
                throw error;
            restarted = true;
            digest = {};
            summary = RunOnce(job, context, params);
        }
    } catch (...) {
        const ImportError error = ToImportError(std::current_exception());
        if (!job.UsesDatabase())
            throw error;
        ImportError refused = restarted ? error.WithNote(RestartNote()) : error;
        if (!error.swapOutcomeUnknown())
            refused = refused.WithNote(QStringLiteral("Sadržaj tabela je ostao nepromenjen."));
        if (kind) {
            record.TakeError(error.message());
            record.TakeDigest(digest);
            const QString note = RecordImportSeparately(params, record);
            if (!note.isEmpty())
                refused = refused.WithNote(note);
        }
        throw refused;
    }
    if (restarted)
        summary.details.append(RestartNote()); // after the counts and reasons, not among them
    if (kind) {
        record.outcome = RunOutcome::Succeeded;
        record.TakeSummary(summary);
        record.TakeDigest(digest);
        const QString note = RecordImportSeparately(params, record);
        if (!note.isEmpty())
            summary.details << note;
    }
    return summary;
}

} // namespace imports
