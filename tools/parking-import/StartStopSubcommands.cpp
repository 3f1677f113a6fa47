#include "ImportSubcommands.h"

#include <parking/imports/ImportError.h>
#include <parking/imports/StartStopImportJob.h>

#include <QFile>
#include <QSaveFile>

namespace importcmd {

namespace {

// The table goes to --output only once the whole file was read, through a file that
// replaces OUT in one step, so a failure never leaves a partial OUT behind.
void WriteOutput(const dataset::MemoryRows &rows, const QString &path)
{
    QSaveFile file(path);
    const auto failed = [&file] {
        return imports::ImportError(
            imports::ImportFailure::File,
            QStringLiteral("Izlazna datoteka %1 se ne može upisati: %2").arg(file.fileName(), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    imports::WriteStartStopRows(rows, file,
                                path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive) ? imports::RowFormat::Json
                                                                                           : imports::RowFormat::Lines);
    if (!file.commit())
        throw failed();
}

} // namespace

// Without --output the lines go to standard output and the summary to standard error,
// so that a script reading the lines gets nothing else.
Subcommand StartStopSubcommand()
{
    return {QStringLiteral("startstop"), QStringLiteral("FILE [--output OUT]"),
            QStringLiteral("čita start-stop izvoz i ispisuje tabelu uređenu po partneru (bez baze podataka)"), 1,
            [](CommandContext &context) {
                imports::StartStopImportJob job;
                const std::optional<QString> &output = context.Options().output;
                context.RunFileImport(job, context.Arguments().at(0), output ? nullptr : &context.Io().Err());
                const dataset::MemoryRows rows = job.TakeRows();
                if (output) {
                    WriteOutput(rows, *output);
                    return;
                }
                context.Io().Out().flush();
                QFile out;
                if (!out.open(stdout, QIODevice::WriteOnly))
                    throw imports::ImportError(imports::ImportFailure::File, out.errorString());
                imports::WriteStartStopRows(rows, out, imports::RowFormat::Lines);
            }};
}

} // namespace importcmd
