#include "TicketImportJob.h"

#include "ChunkStream.h"
#include "DeferredKeys.h"
#include "ImportError.h"
#include "ImportHistory.h"
#include "TableReplacement.h"
#include "TicketLineCheck.h"
#include "ParkingImportText.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <parking/core/TicketStatus.h>

#include <QFileInfo>

#include <atomic>
#include <future>
#include <utility>

namespace imports {

namespace {

constexpr qsizetype kChunk = 1 << 20;

const QString kRaw = QStringLiteral("parkingticketraw");
const QString kTickets = QStringLiteral("parkingticket");
// The name the load statement gives the streamed file; nothing is read from disk by it.
const QString kStreamName = QStringLiteral("parkingticket.csv");

// The file's lines normalised for the server (plain chain, Windows-1250, CR LF after
// each), each checked into 'check', made on the stream's own thread.
// Of a run of empty lines only the first is sent: each would replace the same staged row
// (the one without a number) with the same values.
struct TicketConversion {
    TicketConversion(const QString &fileName, FileDigest *digest) : fileName(fileName), digest(digest) {}

    void Produce(const ChunkStream::Put &put)
    {
        ImportLineReader reader(fileName, digest);
        reader.SkipHeader();
        headerBlank = reader.HeaderBlank();
        fileSize = reader.FileSize();
        QByteArray chunk;
        chunk.reserve(kChunk + 4096);
        QByteArray line;
        bool lastEmpty = false;
        while (reader.ReadLine(line)) {
            const QByteArray normalised = PlainChain(line);
            check.Add(reader.LineNumber(), normalised);
            ++lines;
            if (normalised.isEmpty() && std::exchange(lastEmpty, true))
                continue;
            lastEmpty = normalised.isEmpty();
            chunk += normalised;
            chunk += "\r\n";
            if (chunk.size() >= kChunk) {
                bytesRead = reader.BytesRead();
                put(std::exchange(chunk, {}));
                chunk.reserve(kChunk + 4096);
            }
        }
        bytesRead = reader.BytesRead();
        put(std::move(chunk));
    }

    const QString fileName;
    FileDigest *const digest;
    // Read once the stream has finished.
    TicketFileCheck check;
    qint64 lines = 0;
    qint64 fileSize = 0;
    bool headerBlank = true;
    // For the progress, while the stream runs.
    std::atomic<qint64> bytesRead = 0;
};

// The server loads the lines while the stream's thread converts them; reading the file is
// the first three quarters of the progress.
void LoadStreamed(const ImportContext &context, const QString &raw, TicketConversion &conversion)
{
    const qint64 total = std::max<qint64>(1, QFileInfo(context.fileName).size());
    qint64 reported = -1;
    ChunkStream stream([&conversion](const ChunkStream::Put &put) { conversion.Produce(put); });
    context.connection->ExecuteLocalLoad(TicketLoadStatement(kStreamName, raw), kStreamName,
                                         [&](char *buffer, qint64 size) {
                                             const qint64 read = conversion.bytesRead;
                                             if (read != reported) {
                                                 context.Report(3 * read, 4 * total);
                                                 reported = read;
                                             }
                                             return stream.Read(buffer, size);
                                         });
    stream.Finish();
}

// Rows into the fresh, empty working table go in the server's bulk mode, which builds
// each index once instead of row by row: the table has no unique key but its own counter
// and no foreign key, so the checks have nothing to find. Returns the rows stored.
qint64 TransferInBulk(dataset::Connection &connection, const QString &sql)
{
    connection.Execute(QStringLiteral("SET SESSION unique_checks = 0, foreign_key_checks = 0"));
    const qint64 rows = qint64(connection.Execute(sql));
    connection.Execute(QStringLiteral("SET SESSION unique_checks = 1, foreign_key_checks = 1"));
    return rows;
}

// The first row of a query's result as numbers, on a connection of its own, so that the
// server counts on one core while it stores the transfer on the other.
QList<qint64> Counts(const dataset::ConnectionParams &params, const QString &sql)
{
    dataset::Connection connection;
    connection.Connect(params);
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

// The tickets the import leaves out by status (paid at the desk, cancelled), those issued not later than 2000-01-01 00:00:00
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
               "FROM %1 WHERE status_doplatne NOT IN (%3) "
               "AND vreme_izdavanja_DK > '2000-01-01 00:00:00' AND id_DK <> '' AND reg_oznaka <> '' "
               "ORDER BY id_DK")
        .arg(raw, tickets, parking::StatusCodeList(parking::IsLeftOutByImport));
}

std::optional<parking::ImportKind> TicketImportJob::HistoryKind() const
{
    return parking::ImportKind::TicketImport;
}

QStringList TicketImportJob::Tables()
{
    return {kRaw, kTickets};
}

ImportSummary TicketImportJob::Run(ImportContext &context)
{
    dataset::Connection &connection = *context.connection;
    // A file that is not a ticket export is refused after the load into the fresh copy,
    // which is then dropped: the live tables never see it.
    TableReplacement tables(connection, Tables(), context.generation);
    const QString raw = tables.Fresh(kRaw);
    // The ticket id compares exactly: ab1 and AB1 are two tickets.
    connection.Execute(QStringLiteral("ALTER TABLE %1 MODIFY id_DK VARCHAR(20) CHARACTER SET utf8mb4 "
                                      "COLLATE utf8mb4_bin NOT NULL")
                           .arg(raw));
    DeferredKeys rawKeys(connection, raw);
    TicketConversion conversion(context.fileName, context.digest);
    LoadStreamed(context, raw, conversion);
    const TicketFileCheck &check = conversion.check;
    const FileFormatCheck &format = check.Format();
    format.RefuseOtherFile(QStringLiteral("izvoz parking karata"));
    context.Report(3, 4);
    ImportSummary summary;
    summary.linesRead = conversion.lines;

    // Each staged ticket left out counts once, under the first rule that leaves it out; the
    // row without a number (empty lines and lines without one) is counted from the file.
    std::future<QList<qint64>> counting = std::async(
        std::launch::async, Counts, connection.Params(),
        QStringLiteral("SELECT COUNT(*), COALESCE(SUM(id_DK <> ''), 0), "
                       "COALESCE(SUM(id_DK <> '' AND status_doplatne IN (%2)), 0), "
                       "COALESCE(SUM(id_DK <> '' AND status_doplatne NOT IN (%2) AND NOT "
                       "COALESCE(vreme_izdavanja_DK > '2000-01-01 00:00:00', 0)), 0) FROM %1")
            .arg(raw, parking::StatusCodeList(parking::IsLeftOutByImport)));
    summary.rowsStored = TransferInBulk(connection, TicketTransferStatement(raw, tables.Fresh(kTickets)));
    const QList<qint64> counts = counting.get();
    rawKeys.Restore();
    context.Report(7, 8);
    const qint64 allStaged = counts.value(0);
    const qint64 staged = counts.value(1);
    const qint64 paidOrCancelled = counts.value(2);
    const qint64 undated = counts.value(3);
    RefuseEmptying(kTickets, conversion.fileSize, summary.rowsStored,
                   conversion.headerBlank && format.NonEmptyLines() == 0, context.emptying);
    tables.Commit();
    context.Report(1, 1);

    const qint64 numbered = summary.linesRead - format.EmptyLines() - check.LinesWithoutNumber();
    summary.LeaveOut(QStringLiteral("prazan red"), format.EmptyLines());
    summary.LeaveOut(QStringLiteral("nema broja karte"), check.LinesWithoutNumber());
    summary.LeaveOut(QStringLiteral("ponovljen broj karte, važi kasniji red"), numbered - staged);
    summary.LeaveOut(QStringLiteral("status 3 ili 5 (naplaćena ili poništena)"), paidOrCancelled);
    summary.LeaveOut(QStringLiteral("datum izdavanja prazan ili do 2000-01-01 00:00:00"), undated);
    summary.LeaveOut(QStringLiteral("nema registracije"), staged - paidOrCancelled - undated - summary.rowsStored);
    summary.details << QStringLiteral("Karata u tabeli parkingticketraw: %1").arg(allStaged);
    if (format.UnreadableLines() > 0) {
        summary.details
            << QStringLiteral("Nečitljivih redova (server ih čita kako može): %1").arg(format.UnreadableLines());
        for (const QString &line : format.Unreadable())
            summary.details << QStringLiteral("  ") + line;
    }
    for (const QString &line : check.WithoutRegistration())
        summary.details << QStringLiteral("  ") + line;
    return summary;
}

} // namespace imports
