#include "ImportJob.h"

#include "ImportError.h"
#include "ImportHistory.h"
#include "ParkingImportText.h"

#include <QDateTime>
#include <QFileInfo>

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
    return lines;
}

QString ImportLabel(const QString &fileName)
{
    return QStringLiteral("%1, %2").arg(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                                        QFileInfo(fileName).fileName());
}

void CheckImportFileName(const QString &fileName)
{
    if (!HasCsvExtension(fileName))
        throw ImportError(ImportFailure::File, QStringLiteral("Datoteka mora imati nastavak .csv: %1").arg(fileName));
}

ImportSummary RunImport(ImportJob &job, const QString &fileName, const dataset::ConnectionParams &params,
                        const ImportProgressFn &progress, const QString &user)
{
    CheckImportFileName(fileName);
    ImportRecord record;
    record.kind = job.HistoryKind();
    record.user = user;
    record.fileName = QFileInfo(fileName).absoluteFilePath();
    ImportSummary summary;
    try {
        dataset::Connection connection;
        ImportContext context{fileName, nullptr, progress};
        if (job.UsesDatabase()) {
            dataset::ConnectionParams own = params;
            // A loading connection has no read or write timeout: a long load is not a hung
            // server, and the progress shows the import is alive.
            own.localLoad = job.LoadsLocalFiles();
            connection.Connect(own);
            context.connection = &connection;
        }
        summary = job.Run(context);
    } catch (...) {
        const ImportError error = ToImportError(std::current_exception());
        if (!job.UsesDatabase())
            throw error;
        ImportError refused = error.WithNote(QStringLiteral("Sadržaj tabela je ostao nepromenjen."));
        if (!record.kind.isEmpty()) {
            record.TakeError(error.message());
            const QString note = RecordImportSeparately(params, record);
            if (!note.isEmpty())
                refused = refused.WithNote(note);
        }
        throw refused;
    }
    if (!record.kind.isEmpty()) {
        record.succeeded = true;
        record.TakeSummary(summary);
        const QString note = RecordImportSeparately(params, record);
        if (!note.isEmpty())
            summary.details << note;
    }
    return summary;
}

} // namespace imports
