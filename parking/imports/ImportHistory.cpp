#include "ImportHistory.h"

#include "ImportError.h"
#include "TableReplacement.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <routines/TextFormat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace imports {

namespace {

QString OperatingSystemUser()
{
    for (const char *name : {"USER", "LOGNAME", "USERNAME"}) {
        const QString user = qEnvironmentVariable(name);
        if (!user.isEmpty())
            return user;
    }
    return QDir::home().dirName();
}

// A text column takes the empty text, never NULL.
QVariant Text(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QString Sha256(QFile &file)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&file) ? QString::fromLatin1(hash.result().toHex()) : QString();
}

QString DayText(const QDate &day)
{
    return day.toString(QStringLiteral("dd.MM.yyyy"));
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
    firstError = ElidedValue(lines.size() > 1 ? lines.at(1) : lines.value(0), 490);
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
    insert.SetParam(QStringLiteral("kind"), Text(record.kind));
    insert.SetParam(QStringLiteral("startedAt"), record.startedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    insert.SetParam(QStringLiteral("endedAt"),
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    insert.SetParam(QStringLiteral("user"),
                    Text(ElidedValue(record.user.isEmpty() ? OperatingSystemUser() : record.user, 95)));
    insert.SetParam(QStringLiteral("computer"), Text(ElidedValue(QSysInfo::machineHostName(), 95)));
    insert.SetParam(QStringLiteral("fileName"), Text(ElidedValue(record.fileName, 250)));
    QVariant size;
    QString sha;
    if (!record.fileName.isEmpty()) {
        QFile file(record.fileName);
        if (file.open(QIODevice::ReadOnly)) {
            size = file.size();
            sha = Sha256(file);
        }
    }
    insert.SetParam(QStringLiteral("fileSize"), size);
    insert.SetParam(QStringLiteral("sha256"), Text(sha));
    insert.SetParam(QStringLiteral("documentDay"),
                    record.documentDay.isValid() ? QVariant(record.documentDay.toString(Qt::ISODate)) : QVariant());
    insert.SetParam(QStringLiteral("document"), Text(record.document.left(40)));
    insert.SetParam(QStringLiteral("linesRead"), record.linesRead >= 0 ? QVariant(record.linesRead) : QVariant());
    insert.SetParam(QStringLiteral("rowsStored"), record.rowsStored >= 0 ? QVariant(record.rowsStored) : QVariant());
    insert.SetParam(QStringLiteral("leftOut"), Text(record.leftOut));
    insert.SetParam(QStringLiteral("outcome"),
                    record.succeeded        ? QStringLiteral("uspeh")
                        : record.noDocument ? QStringLiteral("bez dokumenta")
                                            : QStringLiteral("greška"));
    insert.SetParam(QStringLiteral("firstError"), Text(record.firstError));
    insert.SetParam(QStringLiteral("dayCopy"), record.dayCopy ? QVariant(*record.dayCopy) : QVariant());
    insert.ExecSQL();
}

DayDocumentExists::DayDocumentExists(const QDate &day)
    : dataset::Error(QStringLiteral("Dokument za %1 je već napravljen.").arg(DayText(day)))
{
}

namespace {

// The one number 'sql' reads of the records of 'kind' for 'day' (:kind and :day).
int DayFigure(dataset::Connection &connection, const QString &sql, const QString &kind, const QDate &day)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.SetParam(QStringLiteral("kind"), kind);
    query.SetParam(QStringLiteral("day"), day.toString(Qt::ISODate));
    query.Open();
    return query.Fields(0).AsInteger();
}

// The next copy number of the day's document; the read locks the day's records, so two
// runs asked for again take turns.
int NextDayCopy(dataset::Connection &connection, const QString &kind, const QDate &day)
{
    return DayFigure(connection,
                     QStringLiteral("SELECT COALESCE(MAX(daycopy) + 1, 0) FROM parkingimporthistory "
                                    "WHERE kind = :kind AND documentday = :day FOR UPDATE"),
                     kind, day);
}

} // namespace

void RecordDayDocument(dataset::Connection &connection, ImportRecord record, bool again)
{
    constexpr unsigned kDuplicateEntry = 1062;
    if (!connection.InTransaction())
        throw dataset::Error(QStringLiteral("Dokument dana se beleži samo u transakciji koja ga snima."));
    record.dayCopy = again ? NextDayCopy(connection, record.kind, record.documentDay) : 0;
    try {
        RecordImport(connection, record);
    } catch (const dataset::DatabaseError &error) {
        if (error.serverCode() == kDuplicateEntry && !again)
            throw DayDocumentExists(record.documentDay);
        throw;
    }
}

QString RecordImportSeparately(const dataset::ConnectionParams &params, const ImportRecord &record)
{
    try {
        dataset::Connection connection;
        connection.Connect(params);
        RecordImport(connection, record);
        return {};
    } catch (const dataset::Error &e) {
        return QStringLiteral("Istorija uvoza nije upisana: %1").arg(ElidedValue(e.message(), 300));
    }
}

QString UndoLastImport(dataset::Connection &connection, const QStringList &tables, const QString &kind,
                       const QString &user)
{
    ImportRecord record;
    record.kind = kind;
    record.user = user;
    try {
        const QString label = PreviousImport(connection, tables).value_or(QString());
        RestorePreviousImport(connection, tables);
        record.succeeded = true;
        record.fileName = label; // names the undone import's time and file
        RecordImport(connection, record);
        return label;
    } catch (...) {
        const ImportError error = ToImportError(std::current_exception());
        record.TakeError(error.message());
        try {
            RecordImport(connection, record);
        } catch (const dataset::Error &e) {
            throw error.WithNote(QStringLiteral("Istorija uvoza nije upisana: %1").arg(ElidedValue(e.message(), 300)));
        }
        throw error;
    }
}

bool DocumentMadeFor(dataset::Connection &connection, const QString &kind, const QDate &day)
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
    for (query.First(); !query.Eof(); query.Next()) {
        QStringList values;
        for (int i = 0; i < query.FieldCount(); ++i)
            values << query.Fields(i).AsString();
        lines << values.join(QStringLiteral(" | "));
    }
    return lines;
}

QString SecondDocumentQuestion(const QDate &day)
{
    return QStringLiteral("Dokument za %1 je već napravljen. Napraviti još jedan?").arg(DayText(day));
}

} // namespace imports
