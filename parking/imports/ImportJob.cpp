#include "ImportJob.h"

#include "ImportError.h"
#include "ParkingImportText.h"

namespace imports {

void ImportSummary::LeaveOut(const QString &reason, qint64 count)
{
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

void CheckImportFileName(const QString &fileName)
{
    if (!HasCsvExtension(fileName))
        throw ImportError(ImportFailure::File, QStringLiteral("Datoteka mora imati nastavak .csv: %1").arg(fileName));
}

ImportSummary RunImport(ImportJob &job, const QString &fileName, const dataset::ConnectionParams &params,
                        const ImportProgressFn &progress)
{
    CheckImportFileName(fileName);
    try {
        dataset::Connection connection;
        ImportContext context{fileName, nullptr, progress};
        if (job.UsesDatabase()) {
            dataset::ConnectionParams own = params;
            own.localLoad = job.LoadsLocalFiles();
            connection.Connect(own);
            context.connection = &connection;
        }
        return job.Run(context);
    } catch (...) {
        const ImportError error = ToImportError(std::current_exception());
        if (!job.UsesDatabase())
            throw error;
        throw error.WithNote(QStringLiteral("Sadržaj tabela je ostao nepromenjen."));
    }
}

} // namespace imports
