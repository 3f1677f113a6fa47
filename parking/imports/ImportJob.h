#pragma once

// One import's own work, as the import forms and the batch command run it: the same job
// on the same code path, on a connection of its own.

#include "FileFormatCheck.h"
#include "ParkingImportText.h"
#include "TableReplacement.h"
#include <dataset/Connection.h>
#include <parking/core/ImportKind.h>

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace imports {

// What an import did, for the status of a form and the summary of the batch command.
struct ImportSummary {
    qint64 linesRead = 0; // lines after the header
    qint64 rowsStored = 0;
    // Rows left out, by reason ("prazna registracija" -> 3), in the order first met.
    QList<QPair<QString, qint64>> leftOut;
    // Further lines for the summary (for example each ticket a document left out).
    QStringList details;

    void LeaveOut(const QString &reason, qint64 count = 1);
    // The summary as lines of text: read, stored, left out and why, details; each line
    // shown safely (SafeText), since a detail may quote the file.
    QStringList Lines() const;
};

// Progress of a running import: 'done' of 'total' (bytes of the file, rows...).
using ImportProgressFn = std::function<void(qint64 done, qint64 total)>;

struct ImportContext {
    QString fileName;
    // The import's own connection; null for a job that does not use the database.
    dataset::Connection *connection = nullptr;
    ImportProgressFn progress;
    // Whether a non-empty file may leave a table empty (the operator confirmed it).
    Emptying emptying = Emptying::Refused;
    // Receives the size and SHA-256 of the bytes the job read (ImportLineReader).
    FileDigest *digest = nullptr;
    // Names the tables the import makes; the same on a restart, whose copies then
    // replace those of the first try.
    ImportGeneration generation;

    void Report(qint64 done, qint64 total) const
    {
        if (progress)
            progress(done, total);
    }
};

// A form or a subcommand supplies its per-file work as a job. Run reads the file and
// replaces its tables (or fills its own result); it throws ImportError (or any error,
// which becomes one) and then leaves every table as it was.
class ImportJob {
public:
    virtual ~ImportJob() = default;
    virtual bool UsesDatabase() const { return true; }
    // Whether the job's connection may send a local file (LOAD DATA LOCAL INFILE).
    virtual bool LoadsLocalFiles() const { return false; }
    // The kind the import history records the job under; none: not recorded.
    virtual std::optional<parking::ImportKind> HistoryKind() const { return std::nullopt; }
    virtual ImportSummary Run(ImportContext &context) = 0;
};

// Runs 'job' on the calling thread: checks the file name and that it is a regular file,
// connects with 'params' when the job uses the database, and turns every failure into an ImportError. A run that
// loses its server (a lost link, a deadlock or a cluster's refusal) is started again
// from the file once, on a new connection, and the summary (or the error) says so with
// RestartNote. A job with a history kind is recorded in the import history with 'user'
// beside the operating system's, whatever its outcome, with the size and SHA-256 of the
// bytes it read. 'emptying': whether a non-empty file may leave a table empty.
ImportSummary RunImport(ImportJob &job, const QString &fileName, const dataset::ConnectionParams &params,
                        const ImportProgressFn &progress = {}, const QString &user = {},
                        Emptying emptying = Emptying::Refused);

// "Veza sa serverom je prekinuta; uvoz je ponovo pokrenut."
const QString &RestartNote();

// How the tables an import made name it: the time it began and the file's name.
QString ImportLabel(const QString &fileName);

// The error for a file whose extension is not ".csv"; thrown before any table is touched.
void CheckImportFileName(const QString &fileName);

} // namespace imports
