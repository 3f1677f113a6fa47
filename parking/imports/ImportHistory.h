#pragma once

// The record of every import, undo and ticket or pay-desk document run
// (`parkingimporthistory`): written once a run ended, read by the history window and the
// batch command, and asked whether a day's document was already made.

#include "ImportJob.h"
#include <parking/core/ImportKind.h>

#include <QDate>
#include <QDateTime>
#include <QString>
#include <dataset/Error.h>

#include <optional>

namespace dataset {
class Connection;
}

namespace imports {

// How a recorded run ended.
enum class RunOutcome {
    Failed,
    Succeeded,
    NoDocument, // a document run that had nothing to write
};

// Which copy of a day's document a run makes: the day's first, or another one the user
// asked for.
enum class DayCopy { First, Another };

struct ImportRecord {
    parking::ImportKind kind = parking::ImportKind::TicketImport;
    QDateTime startedAt = QDateTime::currentDateTime();
    QDateTime endedAt; // invalid: when it is recorded
    QString user; // the console's user, recorded beside the operating-system user
    QString fileName;
    qint64 fileSize = -1; // of the bytes read; -1: none
    QString sha256;
    QDate documentDay;
    QString document; // the document made ("M-12")
    qint64 linesRead = -1; // -1: none
    qint64 rowsStored = -1;
    QString leftOut; // "prazan red: 3; status 3 ili 5 (...): 2"
    RunOutcome outcome = RunOutcome::Failed;
    QString firstError;
    std::optional<int> dayCopy; // the day's document it made: 0 the first, 1 the second, ...

    // Takes the counts of a finished import.
    void TakeSummary(const ImportSummary &summary);
    // Takes the first line of the cause of a failure, with the values it quotes left out:
    // the history keeps where and why a file was refused, not what it holds.
    void TakeError(const QString &message);
    // Takes the size and SHA-256 of the bytes an import read.
    void TakeDigest(const FileDigest &digest);
};

// Appends 'record' (end time now, the computer's name and the operating-system user).
void RecordImport(dataset::Connection &connection, const ImportRecord &record);
// As RecordImport on a connection of its own, tried again (on the next node of a
// cluster) when the link or the node is lost, and never stored twice: a failure to
// record becomes a line of text for the caller to show beside its own outcome (empty
// when recorded).
QString RecordImportSeparately(const dataset::ConnectionParams &params, const ImportRecord &record);

// Puts back the previous generation of 'tables' and records the undo under 'kind' (a
// refused undo too); returns the label of the import undone. With 'named' (the
// generation a question named) the undo is refused when the tables hold another one.
QString UndoLastImport(dataset::Connection &connection, const QStringList &tables, parking::ImportKind kind,
                       const QString &user, const std::optional<ImportGeneration> &named = std::nullopt);

// The day's document of that kind was made meanwhile, by another desk or run.
class DayDocumentExists : public dataset::Error {
public:
    explicit DayDocumentExists(const QDate &day);
};

// Records a run that made the day's document, inside that document's transaction, so the
// document and its record are stored together or not at all. The day's first document
// takes copy 0 and a second one is refused (DayDocumentExists) by the unique key, also
// while another desk's first is not committed yet (this one waits for it); another copy
// (asked for by the user) takes the next free copy number instead.
void RecordDayDocument(dataset::Connection &connection, ImportRecord record, DayCopy copy);

// Whether a document of 'kind' was already made for 'day'.
bool DocumentMadeFor(dataset::Connection &connection, parking::ImportKind kind, const QDate &day);

// The newest 'limit' records, one line each, for the batch command: the kind by its
// caption, every value shown safely (SafeText).
QStringList HistoryLines(dataset::Connection &connection, int limit);
// Every run, newest first, for the history window: the kind shown (and sorted) by its
// caption, every other column as stored.
QString HistoryListStatement();

// The user the process runs as, from its user id (not from the environment).
QString OperatingSystemUser();
// The history's user: the operating-system user, with the console's user beside it.
QString HistoryUserText(const QString &consoleUser);

// The question before a second document for a day: "Ne" is the default answer.
QString SecondDocumentQuestion(const QDate &day);

} // namespace imports
