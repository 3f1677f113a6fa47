#include "ImportHistory.h"

#include "ImportError.h"
#include "TableReplacement.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <dataset/UnitOfWork.h>
#include <routines/TextFormat.h>

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace imports {

QString OperatingSystemUser()
{
    const uid_t uid = ::geteuid();
    if (const passwd *entry = ::getpwuid(uid); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return QStringLiteral("uid %1").arg(uid);
}

QString HistoryUserText(const QString &consoleUser)
{
    const QString system = OperatingSystemUser();
    return consoleUser.isEmpty() ? system : QStringLiteral("%1 (sistem: %2)").arg(consoleUser, system);
}

namespace {

// A quoted value („…“ or '…') cut to nothing or, for the server's '…', to 40 characters.
QString WithoutQuotedValues(const QString &text)
{
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype low = text.indexOf(QChar(0x201E), from);
        const qsizetype single = text.indexOf(QLatin1Char('\''), from);
        if (low < 0 && single < 0)
            break;
        const bool isLow = low >= 0 && (single < 0 || low < single);
        const qsizetype open = isLow ? low : single;
        const qsizetype close = text.indexOf(isLow ? QChar(0x201C) : QLatin1Char('\''), open + 1);
        if (close < 0)
            break;
        const qsizetype kept = isLow ? 0 : std::min<qsizetype>(close - open - 1, 40);
        out += text.mid(from, open + 1 - from) + text.mid(open + 1, kept);
        if (open + 1 + kept < close)
            out += QChar(0x2026);
        out += text.at(close);
        from = close + 1;
    }
    return out + text.mid(from);
}

// A text column takes the empty text, never NULL.
QVariant Text(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QString DayText(const QDate &day)
{
    return day.toString(QStringLiteral("dd.MM.yyyy"));
}

QString TimeText(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString OutcomeText(const ImportRecord &record)
{
    switch (record.outcome) {
    case RunOutcome::Succeeded: return QStringLiteral("uspeh");
    case RunOutcome::NoDocument: return QStringLiteral("bez dokumenta");
    case RunOutcome::Failed: break;
    }
    return QStringLiteral("greška");
}

// Whether a row of 'record' is stored already (a try whose COMMIT reply was lost): one of
// the same kind, times to the second, computer, file, outcome and first error.
bool Recorded(dataset::Connection &connection, const ImportRecord &record)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT COUNT(*) FROM parkingimporthistory WHERE kind = :kind AND startedat = "
                                 ":startedAt AND endedat = :endedAt AND computer = :computer "
                                 "AND filename = :fileName AND outcome = :outcome AND firsterror = :firstError")});
    query.SetParam(QStringLiteral("outcome"), OutcomeText(record));
    query.SetParam(QStringLiteral("firstError"), Text(record.firstError));
    query.SetParam(QStringLiteral("kind"), parking::ImportKindKey(record.kind));
    query.SetParam(QStringLiteral("startedAt"), TimeText(record.startedAt));
    query.SetParam(QStringLiteral("endedAt"), TimeText(record.endedAt));
    query.SetParam(QStringLiteral("computer"), Text(ElidedValue(QSysInfo::machineHostName(), 95)));
    query.SetParam(QStringLiteral("fileName"), Text(ElidedValue(record.fileName, 250)));
    query.Open();
    return query.Fields(0).AsInteger() > 0;
}

} // namespace

void ImportRecord::TakeSummary(const ImportSummary &summary)
{
    linesRead = summary.linesRead;
    rowsStored = summary.rowsStored;
    QStringList parts;
    for (const auto &[reason, count] : summary.leftOut)
        parts << QStringLiteral("%1: %2").arg(reason).arg(count);
    leftOut = ElidedValue(parts.join(QStringLiteral("; ")), 990);
}

void ImportRecord::TakeError(const QString &message)
{
    // The first line is always "Pogrešan format datoteke!"; the cause follows it.
    const QStringList lines = message.split(QLatin1Char('\n'));
    firstError = ElidedValue(WithoutQuotedValues(lines.size() > 1 ? lines.at(1) : lines.value(0)), 490);
}

void ImportRecord::TakeDigest(const FileDigest &digest)
{
    fileSize = digest.size;
    sha256 = digest.size >= 0 ? digest.sha256 : QString();
}

void RecordImport(dataset::Connection &connection, const ImportRecord &record)
{
    dataset::Query insert;
    insert.SetConnection(&connection);
    insert.SetSQL({QStringLiteral(
        "INSERT INTO parkingimporthistory (kind, startedat, endedat, username, computer, filename, filesize, "
        "sha256, documentday, document, linesread, rowsstored, leftout, outcome, firsterror, daycopy) VALUES (:kind, "
        ":startedAt, :endedAt, :user, :computer, :fileName, :fileSize, :sha256, :documentDay, :document, "
        ":linesRead, :rowsStored, "
        ":leftOut, :outcome, :firstError, :dayCopy)")});
    insert.SetParam(QStringLiteral("kind"), parking::ImportKindKey(record.kind));
    insert.SetParam(QStringLiteral("startedAt"), record.startedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    insert.SetParam(QStringLiteral("endedAt"),
                    (record.endedAt.isValid() ? record.endedAt : QDateTime::currentDateTime())
                        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    insert.SetParam(QStringLiteral("user"), Text(ElidedValue(HistoryUserText(record.user), 95)));
    insert.SetParam(QStringLiteral("computer"), Text(ElidedValue(QSysInfo::machineHostName(), 95)));
    insert.SetParam(QStringLiteral("fileName"), Text(ElidedValue(record.fileName, 250)));
    insert.SetParam(QStringLiteral("fileSize"), record.fileSize >= 0 ? QVariant(record.fileSize) : QVariant());
    insert.SetParam(QStringLiteral("sha256"), Text(record.sha256));
    insert.SetParam(QStringLiteral("documentDay"),
                    record.documentDay.isValid() ? QVariant(record.documentDay.toString(Qt::ISODate)) : QVariant());
    insert.SetParam(QStringLiteral("document"), Text(record.document.left(40)));
    insert.SetParam(QStringLiteral("linesRead"), record.linesRead >= 0 ? QVariant(record.linesRead) : QVariant());
    insert.SetParam(QStringLiteral("rowsStored"), record.rowsStored >= 0 ? QVariant(record.rowsStored) : QVariant());
    insert.SetParam(QStringLiteral("leftOut"), Text(record.leftOut));
    insert.SetParam(QStringLiteral("outcome"), OutcomeText(record));
    insert.SetParam(QStringLiteral("firstError"), Text(record.firstError));
    insert.SetParam(QStringLiteral("dayCopy"), record.dayCopy ? QVariant(*record.dayCopy) : QVariant());
    insert.ExecSQL();
}

DayDocumentExists::DayDocumentExists(const QDate &day)
    : dataset::Error(QStringLiteral("Dokument za %1 je već napravljen.").arg(DayText(day)))
{
}

namespace {

// RecordImport in a unit of work tried again after a lost link (on the next node of a
// cluster); a try whose COMMIT reply was lost is found by its row, never stored twice.
void RecordOnce(dataset::Connection &connection, const ImportRecord &record)
{
    ImportRecord once = record;
    if (!once.endedAt.isValid())
        once.endedAt = QDateTime::currentDateTime();
    dataset::RetryUnitOfWork(connection, [&] {
        dataset::Transaction transaction(connection);
        if (Recorded(connection, once))
            return;
        RecordImport(connection, once);
        transaction.Commit();
    });
}

QString NotRecordedText(const dataset::Error &error)
{
    return QStringLiteral("Istorija uvoza nije upisana: %1").arg(ElidedValue(error.message(), 300));
}

// The one number 'sql' reads of the records of 'kind' for 'day' (:kind and :day).
int DayFigure(dataset::Connection &connection, const QString &sql, parking::ImportKind kind, const QDate &day)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.SetParam(QStringLiteral("kind"), parking::ImportKindKey(kind));
    query.SetParam(QStringLiteral("day"), day.toString(Qt::ISODate));
    query.Open();
    return query.Fields(0).AsInteger();
}

// The next copy number of the day's document; the read locks the day's records, so two
// runs asked for again take turns.
int NextDayCopy(dataset::Connection &connection, parking::ImportKind kind, const QDate &day)
{
    return DayFigure(connection,
                     QStringLiteral("SELECT COALESCE(MAX(daycopy) + 1, 0) FROM parkingimporthistory "
                                    "WHERE kind = :kind AND documentday = :day FOR UPDATE"),
                     kind, day);
}

} // namespace

void RecordDayDocument(dataset::Connection &connection, ImportRecord record, DayCopy copy)
{
    constexpr unsigned kDuplicateEntry = 1062;
    if (!connection.InTransaction())
        throw dataset::Error(QStringLiteral("Dokument dana se beleži samo u transakciji koja ga snima."));
    record.dayCopy = copy == DayCopy::Another ? NextDayCopy(connection, record.kind, record.documentDay) : 0;
    try {
        RecordImport(connection, record);
    } catch (const dataset::DatabaseError &error) {
        if (error.serverCode() == kDuplicateEntry && copy == DayCopy::First)
            throw DayDocumentExists(record.documentDay);
        throw;
    }
}

QString RecordImportSeparately(const dataset::ConnectionParams &params, const ImportRecord &record)
{
    try {
        dataset::Connection connection;
        connection.Connect(params);
        RecordOnce(connection, record);
        return {};
    } catch (const dataset::Error &e) {
        return NotRecordedText(e);
    }
}

QString UndoLastImport(dataset::Connection &connection, const QStringList &tables, parking::ImportKind kind,
                       const QString &user, const std::optional<ImportGeneration> &named)
{
    ImportRecord record;
    record.kind = kind;
    record.user = user;
    // The history names the undone import's time and file (or the one asked about).
    if (named)
        record.fileName = named->label;
    try {
        record.fileName = RestorePreviousImport(connection, tables, named).label;
    } catch (...) {
        const ImportError error = ToImportError(std::current_exception());
        record.TakeError(error.message());
        try {
            RecordOnce(connection, record);
        } catch (const dataset::Error &e) {
            throw error.WithNote(NotRecordedText(e));
        }
        throw error;
    }
    record.outcome = RunOutcome::Succeeded;
    try {
        RecordOnce(connection, record);
    } catch (const dataset::Error &e) {
        // The undo is done: its failure to be recorded is not told as a failed undo.
        throw ImportError(ImportFailure::Database, QStringLiteral("Poništen je uvoz od %1, ali: %2")
                                                       .arg(record.fileName, NotRecordedText(e)));
    }
    return record.fileName;
}

bool DocumentMadeFor(dataset::Connection &connection, parking::ImportKind kind, const QDate &day)
{
    return DayFigure(connection,
                     QStringLiteral("SELECT COUNT(*) FROM parkingimporthistory WHERE kind = :kind "
                                    "AND documentday = :day AND outcome = 'uspeh'"),
                     kind, day)
        > 0;
}

QStringList HistoryLines(dataset::Connection &connection, int limit)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral(
        "SELECT CAST(startedat AS CHAR), CAST(endedat AS CHAR), kind, outcome, username, computer, filename, filesize, "
        "sha256, CAST(documentday AS CHAR), document, "
        "linesread, rowsstored, leftout, firsterror FROM parkingimporthistory "
        "ORDER BY startedat DESC, parkingimporthistoryid DESC LIMIT :limit")});
    query.SetParam(QStringLiteral("limit"), limit);
    query.Open();
    QStringList lines;
    constexpr int kKindColumn = 2;
    for (query.First(); !query.Eof(); query.Next()) {
        QStringList values;
        for (int i = 0; i < query.FieldCount(); ++i) {
            const QString value = query.Fields(i).AsString();
            values << SafeText(i == kKindColumn ? parking::ImportKindCaptionOfKey(value) : value);
        }
        lines << values.join(QStringLiteral(" | "));
    }
    return lines;
}

QString SecondDocumentQuestion(const QDate &day)
{
    return QStringLiteral("Dokument za %1 je već napravljen. Napraviti još jedan?").arg(DayText(day));
}

namespace {

// The stored key of each kind turned into its caption by the server, so the column shows
// and sorts by caption; a key this program does not know stays as it is.
QString KindCaptionColumn()
{
    QString sql = QStringLiteral("CASE kind");
    for (const parking::ImportKindName &name : parking::kImportKindNames)
        sql += QStringLiteral(" WHEN %1 THEN %2")
                   .arg(dataset::Connection::Quote(QString::fromLatin1(name.key)),
                        dataset::Connection::Quote(QString::fromUtf8(name.caption)));
    return sql + QStringLiteral(" ELSE kind END AS kind");
}

} // namespace

QString HistoryListStatement()
{
    return QStringLiteral("SELECT parkingimporthistoryid, startedat, endedat, %1, outcome, username, "
                          "computer, filename, filesize, documentday, document, linesread, rowsstored, "
                          "leftout, firsterror, sha256 FROM parkingimporthistory "
                          "ORDER BY startedat DESC, parkingimporthistoryid DESC")
        .arg(KindCaptionColumn());
}

} // namespace imports
