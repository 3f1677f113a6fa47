#include "TicketImportJob.h"

#include "ImportError.h"
#include "ImportHistory.h"
#include "TableReplacement.h"
#include "TicketLineCheck.h"
#include "ParkingImportText.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>

#include <QDir>
#include <QTemporaryFile>

namespace imports {

namespace {

constexpr qsizetype kWriteBuffer = 1 << 20;

const QString kRaw = QStringLiteral("parkingticketraw");
const QString kTickets = QStringLiteral("parkingticket");

// Reading and converting is the first half of the progress, the server's work the second.
void ReportReading(const ImportContext &context, const ImportLineReader &reader)
{
    context.Report(reader.BytesRead(), 2 * reader.FileSize());
}

// Writes the normalised lines (plain chain, CR LF after each) to 'work', each checked
// into 'check'; returns the number of ticket lines.
qint64 WriteWorkFile(const ImportContext &context, QFile &work, TicketFileCheck &check)
{
    ImportLineReader reader(context.fileName);
    reader.SkipHeader();
    QByteArray buffer;
    buffer.reserve(kWriteBuffer + 4096);
    const auto flush = [&] {
        if (work.write(buffer) != buffer.size())
            throw ImportError(ImportFailure::File,
                              QStringLiteral("Radnu datoteku nije moguće upisati: %1").arg(work.errorString()));
        buffer.clear();
    };
    QByteArray line;
    qint64 lines = 0;
    while (reader.ReadLine(line)) {
        const QByteArray normalised = PlainChain(line);
        check.Add(reader.LineNumber(), normalised);
        buffer += normalised;
        buffer += "\r\n";
        ++lines;
        if (buffer.size() >= kWriteBuffer) {
            flush();
            ReportReading(context, reader);
        }
    }
    flush();
    if (!work.flush())
        throw ImportError(ImportFailure::File,
                          QStringLiteral("Radnu datoteku nije moguće upisati: %1").arg(work.errorString()));
    ReportReading(context, reader);
    return lines;
}

// The first row of a query's result as numbers.
QList<qint64> Counts(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.Open();
    QList<qint64> values;
    for (int i = 0; i < query.FieldCount(); ++i)
        values << query.Fields(i).AsLargeInt();
    return values;
}

} // namespace

QString TicketLoadStatement(const QString &path, const QString &raw)
{
    return QStringLiteral("LOAD DATA LOCAL INFILE %1 REPLACE INTO TABLE %2 CHARACTER SET cp1250 "
                          "FIELDS TERMINATED BY ',' ESCAPED BY '' LINES TERMINATED BY '\\r\\n' "
                          "(vreme_izdavanja_DK,id_DK,id_zone,reg_oznaka,cena_DK,status_doplatne,"
                          "vreme_slanja_opomene,uplaceni_iznos,datum_uplate,JMBG,ime_i_prezime,ulica,broj,"
                          "mesto,PTTbroj,parkiraliste,datum_storniranja,ID_kontrolora)")
        .arg(dataset::Connection::Quote(path), raw);
}

// Paid (3) and cancelled (5) tickets, those issued not later than 2000-01-01 00:00:00
// (an empty date included) and those without a number or registration, which the
// working table requires, stay in the staging table only; texts are cut to the working
// table's sizes.
QString TicketTransferStatement(const QString &raw, const QString &tickets)
{
    return QStringLiteral(
               "INSERT INTO %2 (ticketdate, ticketnumber, zone, regcitynumber, ticketprice, status, "
               "personalidentificator, name, address, city, zip) "
               "SELECT vreme_izdavanja_DK, id_DK, id_zone, LEFT(reg_oznaka, 11), cena_DK, status_doplatne, "
               "JMBG, LEFT(ime_i_prezime, 50), LEFT(CONCAT(ulica, ' ', broj), 200), LEFT(mesto, 50), PTTbroj "
               "FROM %1 WHERE status_doplatne NOT IN (3, 5) "
               "AND vreme_izdavanja_DK > '2000-01-01 00:00:00' AND id_DK <> '' AND reg_oznaka <> '' "
               "ORDER BY id_DK")
        .arg(raw, tickets);
}

namespace {

// A file whose lines are mostly not tickets is refused before any table is touched.
void RefuseOtherFiles(const TicketFileCheck &check)
{
    if (!check.NotATicketFile())
        return;
    throw ImportError(ImportFailure::File,
                      QStringLiteral("Datoteka nije izvoz parking karata (%1 nečitljivih redova): %2")
                          .arg(check.UnreadableLines())
                          .arg(check.Unreadable(3).join(QStringLiteral("; "))));
}

} // namespace

QString TicketImportJob::HistoryKind() const
{
    return kHistoryTickets;
}

QStringList TicketImportJob::Tables()
{
    return {kRaw, kTickets};
}

ImportSummary TicketImportJob::Run(ImportContext &context)
{
    dataset::Connection &connection = *context.connection;
    QTemporaryFile work(QDir::temp().filePath(QStringLiteral("parking-tickets-XXXXXX.csv")));
    if (!work.open())
        throw ImportError(ImportFailure::File,
                          QStringLiteral("Radnu datoteku nije moguće napraviti: %1").arg(work.errorString()));
    ImportSummary summary;
    TicketFileCheck check;
    summary.linesRead = WriteWorkFile(context, work, check);
    RefuseOtherFiles(check);

    TableReplacement tables(connection, Tables(), ImportLabel(context.fileName));
    const QString raw = tables.Fresh(kRaw);
    // The ticket id compares exactly: ab1 and AB1 are two tickets.
    connection.Execute(QStringLiteral("ALTER TABLE %1 MODIFY id_DK VARCHAR(20) CHARACTER SET utf8mb4 "
                                      "COLLATE utf8mb4_bin NOT NULL")
                           .arg(raw));
    connection.ExecuteLocalLoad(TicketLoadStatement(work.fileName(), raw), work.fileName());
    work.remove();
    context.Report(3, 4);
    summary.rowsStored = qint64(connection.Execute(TicketTransferStatement(raw, tables.Fresh(kTickets))));
    context.Report(7, 8);

    // Each staged ticket left out counts once, under the first rule that leaves it out; the
    // row without a number (empty lines and lines without one) is counted from the file.
    const QList<qint64> counts =
        Counts(connection,
               QStringLiteral("SELECT COUNT(*), COALESCE(SUM(id_DK <> ''), 0), "
                              "COALESCE(SUM(id_DK <> '' AND status_doplatne IN (3, 5)), 0), "
                              "COALESCE(SUM(id_DK <> '' AND status_doplatne NOT IN (3, 5) AND NOT "
                              "COALESCE(vreme_izdavanja_DK > '2000-01-01 00:00:00', 0)), 0) FROM %1")
                   .arg(raw));
    const qint64 allStaged = counts.value(0);
    const qint64 staged = counts.value(1);
    const qint64 paidOrCancelled = counts.value(2);
    const qint64 undated = counts.value(3);
    tables.Commit();
    context.Report(1, 1);

    const qint64 numbered = summary.linesRead - check.EmptyLines() - check.LinesWithoutNumber();
    summary.LeaveOut(QStringLiteral("prazan red"), check.EmptyLines());
    summary.LeaveOut(QStringLiteral("nema broja karte"), check.LinesWithoutNumber());
    summary.LeaveOut(QStringLiteral("ponovljen broj karte, važi kasniji red"), numbered - staged);
    summary.LeaveOut(QStringLiteral("status 3 ili 5 (naplaćena ili poništena)"), paidOrCancelled);
    summary.LeaveOut(QStringLiteral("datum izdavanja prazan ili do 2000-01-01 00:00:00"), undated);
    summary.LeaveOut(QStringLiteral("nema registracije"), staged - paidOrCancelled - undated - summary.rowsStored);
    summary.details << QStringLiteral("Karata u tabeli parkingticketraw: %1").arg(allStaged);
    if (check.UnreadableLines() > 0) {
        summary.details
            << QStringLiteral("Nečitljivih redova (server ih čita kako može): %1").arg(check.UnreadableLines());
        for (const QString &line : check.Unreadable())
            summary.details << QStringLiteral("  ") + line;
    }
    for (const QString &line : check.WithoutRegistration())
        summary.details << QStringLiteral("  ") + line;
    return summary;
}

} // namespace imports
