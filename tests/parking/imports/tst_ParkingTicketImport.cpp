#include "ImportTestFiles.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <parking/imports/ImportError.h>
#include <parking/imports/ImportHistory.h>
#include <parking/imports/TableReplacement.h>
#include <parking/imports/TicketImportJob.h>
#include <routines/CodePages.h>
#include <tests/support/CommitCutProxy.h>
#include <tests/support/TestDatabase.h>

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <pwd.h>
#include <thread>
#include <unistd.h>

using namespace imports;

namespace {

const QByteArray kHeader = "vreme_izdavanja_DK,id_DK,id_zone,reg_oznaka,cena_DK,status_doplatne,"
                           "vreme_slanja_opomene,uplaceni_iznos,datum_uplate,JMBG,ime_i_prezime,"
                           "ulica,broj,mesto,PTTbroj,parkiraliste,datum_storniranja,ID_kontrolora";

// One ticket line; the fields not given are those of an ordinary kept ticket.
QByteArray Ticket(const QByteArray &id, const QHash<int, QByteArray> &fields = {})
{
    QList<QByteArray> values{"2024-05-01 10:00:00", id, "1", "BG123AA", "300", "1", "", "0", "",
                             "0101990710000", "Pera Peric", "Glavna", "12", "Beograd", "11000", "4",
                             "", "K7"};
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        values[it.key()] = it.value();
    return values.join(',');
}

QString WriteExport(const QTemporaryDir &dir, const QList<QByteArray> &lines, const QString &name = "karte.csv")
{
    return WriteTestFile(dir, name, kHeader + "\r\n" + lines.join("\r\n") + "\r\n");
}

// Rows of a query as "a|b|c" texts.
QStringList Rows(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.Open();
    QStringList rows;
    for (query.First(); !query.Eof(); query.Next()) {
        QStringList values;
        for (int i = 0; i < query.FieldCount(); ++i)
            values << query.Fields(i).AsString();
        rows << values.join('|');
    }
    return rows;
}

QStringList Tickets(dataset::Connection &connection)
{
    return Rows(connection, "SELECT ticketnumber, regcitynumber, name, address FROM parkingticket "
                            "ORDER BY ticketnumber");
}

} // namespace

class TestParkingTicketImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void transferRules_data();
    void transferRules();
    void encodingsReachTheTables();
    void replacesPreviousContent();
    void failureLeavesTablesAsTheyWere();
    void wrongExtensionTouchesNothing();
    void streamedLoadKeepsKeysAndLeavesNoCopies();
    void otherFilesRefusedBeforeAnyChange_data();
    void otherFilesRefusedBeforeAnyChange();
    void damagedLinesCountedAndListed();
    void summaryCountsEachReasonOnce();
    void lettersOutsideTheCodePageBecomeQuestionMarks();
    void undoPutsBackThePreviousImportOnce();
    void undoUndoesOnlyTheImportItNamed();
    void undoRefusesAnOlderPreviousTable();
    void undoToldTrulyAfterLostReply_data();
    void undoToldTrulyAfterLostReply();
    void lostSwapReplyToldTruly_data();
    void lostSwapReplyToldTruly();
    void historyStoredOnceAfterLostReply_data();
    void historyStoredOnceAfterLostReply();
    void historyRecordsEachRun();
    void historyDescribesTheBytesRead();
};

void TestParkingTicketImport::transferRules_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QStringList>("tickets");   // ticketnumber|regcitynumber|name|address
    QTest::addColumn<int>("staged");

    QTest::newRow("statuses 3 and 5 stay staged")
        << QList<QByteArray>{Ticket("A1", {{5, "3"}}), Ticket("A2", {{5, "5"}}), Ticket("A3", {{5, "4"}})}
        << QStringList{"A3|BG123AA|Pera Peric|Glavna 12"} << 3;
    QTest::newRow("issue date boundary")
        << QList<QByteArray>{Ticket("B1", {{0, "2000-01-01 00:00:00"}}), Ticket("B2", {{0, "2000-01-01 00:00:01"}}),
                             Ticket("B3", {{0, ""}})}
        << QStringList{"B2|BG123AA|Pera Peric|Glavna 12"} << 3;
    QTest::newRow("empty line staged, not transferred")
        << QList<QByteArray>{"", Ticket("C1")} << QStringList{"C1|BG123AA|Pera Peric|Glavna 12"} << 2;
    QTest::newRow("cut to field sizes, empty address")
        << QList<QByteArray>{Ticket("D1", {{3, "ABCDEFGHIJKLMN"}, {11, ""}, {12, ""}, {10, QByteArray(60, 'n')}})}
        << QStringList{"D1|ABCDEFGHIJK|" + QString(50, 'n') + "| "} << 1;
    QTest::newRow("later duplicate replaces earlier, case counts")
        << QList<QByteArray>{Ticket("E1", {{3, "OLD"}}), Ticket("e1", {{3, "LOWER"}}), Ticket("E1", {{3, "NEW"}})}
        << QStringList{"E1|NEW|Pera Peric|Glavna 12", "e1|LOWER|Pera Peric|Glavna 12"} << 2;
    QTest::newRow("backslashes arrive as written")
        << QList<QByteArray>{Ticket("F1", {{10, "a'b\\c"}, {11, "x\\"}, {17, "K\\"}}), Ticket("F2")}
        << QStringList{"F1|BG123AA|a'b\\c|x\\ 12", "F2|BG123AA|Pera Peric|Glavna 12"} << 2;
}

void TestParkingTicketImport::transferRules()
{
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QStringList, tickets);
    QFETCH(int, staged);
    TestDatabase db;
    QTemporaryDir dir;
    TicketImportJob job;
    const ImportSummary summary = RunImport(job, WriteExport(dir, lines), db.params());
    QCOMPARE(summary.linesRead, lines.size());
    QCOMPARE(summary.rowsStored, tickets.size());
    QCOMPARE(Tickets(db.connection()), tickets);
    QCOMPARE(Rows(db.connection(), "SELECT COUNT(*) FROM parkingticketraw").first().toInt(), staged);
}

// A file with a mark, one in Windows-1250 and UTF-8 without a mark store the same letters.
void TestParkingTicketImport::encodingsReachTheTables()
{
    const QString name = QStringLiteral("Đorđe Čačić");
    const QByteArray utf8 = Ticket("G1", {{10, name.toUtf8()}, {13, "Šabac"}});
    TestDatabase db;
    QTemporaryDir dir;
    const QByteArray body = kHeader + "\r\n" + utf8 + "\r\n";
    const QList<QPair<QString, QByteArray>> files{
        {"utf8.csv", body},
        {"bom.CSV", "\xEF\xBB\xBF" + body},
        {"ansi.csv", ToWin1250(QString::fromUtf8(body))},
    };
    for (const auto &[file, bytes] : files) {
        TicketImportJob job;
        RunImport(job, WriteTestFile(dir, file, bytes), db.params());
        QCOMPARE(Rows(db.connection(), "SELECT name, city FROM parkingticket"),
                 QStringList{name + "|Šabac"});
        QCOMPARE(Rows(db.connection(), "SELECT ime_i_prezime FROM parkingticketraw"), QStringList{name});
    }
}

void TestParkingTicketImport::replacesPreviousContent()
{
    TestDatabase db;
    QTemporaryDir dir;
    TicketImportJob first;
    RunImport(first, WriteExport(dir, {Ticket("H1"), Ticket("H2")}), db.params());
    TicketImportJob second;
    RunImport(second, WriteExport(dir, {Ticket("H3")}, "b.csv"), db.params());
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket"), QStringList{"H3"});
    QCOMPARE(Rows(db.connection(), "SELECT id_DK FROM parkingticketraw"), QStringList{"H3"});
    // No fresh or old copy is left behind (beside the kept previous generation).
    QCOMPARE(Rows(db.connection(),
                  "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = "
                  "DATABASE() AND table_name LIKE 'parkingticket%' "
                  "AND table_name NOT LIKE '%\\_prev'"),
             QStringList{"2"});
}

// The import's connection is killed once the server has loaded the file: the error is a
// database error and both tables keep what they held.
void TestParkingTicketImport::failureLeavesTablesAsTheyWere()
{
    TestDatabase db;
    QTemporaryDir dir;
    TicketImportJob first;
    RunImport(first, WriteExport(dir, {Ticket("K1")}), db.params());

    dataset::Connection observer;
    observer.Connect(db.params());
    const auto killImport = [&](qint64 done, qint64 total) {
        if (done * 4 != total * 3)
            return;
        const QStringList ids = Rows(observer, QStringLiteral(
            "SELECT id FROM information_schema.processlist WHERE db = %1 AND id <> CONNECTION_ID() "
            "AND id <> %2").arg(dataset::Connection::Quote(db.name())).arg(db.connection().ThreadId()));
        for (const QString &id : ids)
            observer.Execute("KILL " + id);
    };
    TicketImportJob second;
    try {
        RunImport(second, WriteExport(dir, {Ticket("K2"), Ticket("K3")}, "b.csv"), db.params(), killImport);
        QFAIL("the import went through");
    } catch (const ImportError &e) {
        QCOMPARE(e.kind(), ImportFailure::Database);
        QVERIFY(e.message().startsWith("Pogrešan format datoteke!\n"));
        QVERIFY2(e.message().endsWith("Sadržaj tabela je ostao nepromenjen."), qPrintable(e.message()));
        // Killed again after its one restart, the import gives up.
        QVERIFY2(e.message().contains(RestartNote()), qPrintable(e.message()));
    }
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket"), QStringList{"K1"});
    QCOMPARE(Rows(db.connection(), "SELECT id_DK FROM parkingticketraw"), QStringList{"K1"});
}

void TestParkingTicketImport::streamedLoadKeepsKeysAndLeavesNoCopies()
{
    TestDatabase db;
    QTemporaryDir dir;
    const auto keys = [&db] {
        return Rows(db.connection(), "SELECT table_name, index_name, non_unique, column_name, sub_part "
                                     "FROM information_schema.statistics WHERE table_schema = DATABASE() AND "
                                     "table_name IN ('parkingticketraw', 'parkingticket') "
                                     "ORDER BY table_name, index_name, seq_in_index");
    };
    const QStringList before = keys();
    QVERIFY(before.join(';').contains("parkingticketraw|parkingticketraw_issued"));
    TicketImportJob job;
    RunImport(job, WriteExport(dir, {Ticket("K1"), Ticket("K2", {{5, "3"}})}), db.params());
    // The keys the load leaves out are built again before the swap.
    QCOMPARE(keys(), before);
    QCOMPARE(Rows(db.connection(), "SELECT id_DK FROM parkingticketraw FORCE INDEX (parkingticketraw_issued) "
                                   "WHERE vreme_izdavanja_DK = '2024-05-01 10:00:00' ORDER BY id_DK"),
             (QStringList{"K1", "K2"}));

    // A file that cannot be read fails the stream at once: the cause is told, the tables
    // stay, and the fresh copies are gone.
    const QString missing = dir.filePath("nema.csv");
    try {
        RunImport(job, missing, db.params());
        QFAIL("the import went through");
    } catch (const ImportError &e) {
        QVERIFY2(e.message().contains("\nDatoteku " + missing + " nije moguće otvoriti"), qPrintable(e.message()));
        QVERIFY2(e.message().endsWith("Sadržaj tabela je ostao nepromenjen."), qPrintable(e.message()));
    }
    QCOMPARE(Tickets(db.connection()), QStringList{"K1|BG123AA|Pera Peric|Glavna 12"});
    QCOMPARE(Rows(db.connection(), "SELECT table_name FROM information_schema.tables WHERE table_schema = "
                                   "DATABASE() AND table_name REGEXP '^parkingticket(raw)?_n'"),
             QStringList());
}

void TestParkingTicketImport::wrongExtensionTouchesNothing()
{
    QTemporaryDir dir;
    TicketImportJob job;
    try {
        // No server behind these parameters: the name is refused before any connection.
        RunImport(job, WriteExport(dir, {Ticket("L1")}, "karte.csv.txt"), dataset::ConnectionParams{});
        QFAIL("accepted");
    } catch (const ImportError &e) {
        QCOMPARE(e.kind(), ImportFailure::File);
        QVERIFY(e.message().contains(".csv"));
    }
}

namespace {

QString Checksums(dataset::Connection &connection)
{
    return Rows(connection, "CHECKSUM TABLE parkingticketraw, parkingticket").join(',');
}

} // namespace

void TestParkingTicketImport::otherFilesRefusedBeforeAnyChange_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("cause");
    const QString date = QStringLiteral("red 2: datum izdavanja");
    QByteArray noise;
    quint32 seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise.append(char(seed >> 24));
    }
    QTest::newRow("random bytes") << noise << date;
    QTest::newRow("subscription export") << QByteArray(
        "broj,registracija,od,do,ime,prezime,jmbg,zona,lista,x,status\r\n"
        "P1,BG123AA,01.01.2026,31.12.2026,Pera,Peric,0101990710000,1,A,,aktivna\r\n"
        "P2,NS456BB,01.02.2026,31.12.2026,Mika,Mikic,0101990710001,2,B,,aktivna\r\n"
        "P3,NI789CC,01.03.2026,31.12.2026,Zika,Zikic,0101990710002,3,C,,aktivna\r\n") << date;
    QTest::newRow("terminal controls") << QByteArray("h\n\x1b[2J\x1b[31m\a\xe2\x80\xae,1,2\n")
                                       << QStringLiteral("red 2: datum izdavanja \u201E[2J\\x1b[31m\\x07");
    QTest::newRow("line ends only") << QByteArray(10 << 20, '\n')
                                    << QStringLiteral("Datoteka sadrži samo prazne redove; tabela parkingticket bi "
                                                      "ostala prazna.");
}

// Neither file is a ticket export: the import names the first unreadable lines and
// leaves both tables exactly as they were.
void TestParkingTicketImport::otherFilesRefusedBeforeAnyChange()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, cause);
    TestDatabase db;
    QTemporaryDir dir;
    TicketImportJob first;
    RunImport(first, WriteExport(dir, {Ticket("M1"), Ticket("M2")}), db.params());
    const QString before = Checksums(db.connection());
    TicketImportJob second;
    try {
        RunImport(second, WriteTestFile(dir, "drugo.csv", content), db.params());
        QFAIL("accepted");
    } catch (const ImportError &e) {
        QCOMPARE(e.kind(), ImportFailure::File);
        const QStringList lines = e.message().split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("Pogrešan format datoteke!"));
        QVERIFY2(lines.at(1).contains(cause), qPrintable(lines.at(1)));
        QVERIFY(lines.at(1).size() < 600);
        QVERIFY(!e.message().contains(QChar(0x1B)) && !e.message().contains(QChar(0x202E)));
        QCOMPARE(lines.at(2), QStringLiteral("Sadržaj tabela je ostao nepromenjen."));
    }
    QCOMPARE(Checksums(db.connection()), before);
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket ORDER BY 1"), QStringList({"M1", "M2"}));
}

// A real export with two damaged lines is taken; the lines are counted and listed.
void TestParkingTicketImport::damagedLinesCountedAndListed()
{
    TestDatabase db;
    QTemporaryDir dir;
    TicketImportJob job;
    const ImportSummary summary = RunImport(job,
                                            WriteExport(dir,
                                                        {Ticket("N1"), Ticket("N2", {{0, "32.13.2026 25:61:00"}}),
                                                         Ticket("N3"), Ticket("N4", {{2, "zona2"}}), Ticket("N5")}),
                                            db.params());
    QCOMPARE(summary.linesRead, 5);
    QVERIFY(summary.details.contains("Nečitljivih redova (server ih čita kako može): 2"));
    QVERIFY(summary.details.contains(
        QStringLiteral("  red 3: datum izdavanja \u201E32.13.2026 25:61:00\u201C nije ispravan")));
    QVERIFY(summary.details.contains(QStringLiteral("  red 5: zona \u201Ezona2\u201C nije broj")));
    qint64 leftOut = 0;
    for (const auto &entry : summary.leftOut)
        leftOut += entry.second;
    QCOMPARE(summary.rowsStored + leftOut, summary.linesRead);
}

// Empty lines count as empty lines, a short line without a registration is left out and
// listed; every line is counted exactly once.
void TestParkingTicketImport::summaryCountsEachReasonOnce()
{
    TestDatabase db;
    QTemporaryDir dir;
    TicketImportJob job;
    const ImportSummary summary =
        RunImport(job,
                  WriteExport(dir,
                              {Ticket("P1"), "", "2024-05-01 10:00:00,P2", "", Ticket("P3", {{5, "3"}}), Ticket("P1"),
                               Ticket("P4", {{0, "1999-01-01 00:00:00"}}), "", Ticket("P5")}),
                  db.params());
    QCOMPARE(summary.linesRead, 9);
    QCOMPARE(summary.rowsStored, 2);
    using Counts = QList<QPair<QString, qint64>>;
    QCOMPARE(summary.leftOut,
             Counts({{"prazan red", 3},
                     {"ponovljen broj karte, važi kasniji red", 1},
                     {"status 3 ili 5 (naplaćena ili poništena)", 1},
                     {"datum izdavanja prazan ili do 2000-01-01 00:00:00", 1},
                     {"nema registracije", 1}}));
    QVERIFY(summary.details.contains("  red 4: nema registracije"));
    QCOMPARE(Tickets(db.connection()),
             QStringList({"P1|BG123AA|Pera Peric|Glavna 12", "P5|BG123AA|Pera Peric|Glavna 12"}));
    QCOMPARE(Rows(db.connection(), "SELECT COUNT(*) FROM parkingticketraw WHERE id_DK = 'P2'"), QStringList{"1"});
}

// Letters Windows-1250 cannot hold become "?" from UTF-16 and from UTF-8 with a mark.
void TestParkingTicketImport::lettersOutsideTheCodePageBecomeQuestionMarks()
{
    const QString body =
        QString::fromUtf8(kHeader) + "\r\n" + QString::fromUtf8(Ticket("Q1", {{10, "Ωmega Søren ¥ Đorđe"}})) + "\r\n";
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : body)
        utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    TestDatabase db;
    QTemporaryDir dir;
    for (const QByteArray &bytes : {utf16, QByteArray("\xEF\xBB\xBF") + body.toUtf8()}) {
        TicketImportJob job;
        RunImport(job, WriteTestFile(dir, "znaci.csv", bytes), db.params());
        QCOMPARE(Rows(db.connection(), "SELECT name FROM parkingticket"), QStringList{"?mega S?ren ? Đorđe"});
    }
}

// Import, import, undo gives the first import's tables; a second undo is refused.
void TestParkingTicketImport::undoPutsBackThePreviousImportOnce()
{
    TestDatabase db;
    QTemporaryDir dir;
    TicketImportJob first;
    RunImport(first, WriteExport(dir, {Ticket("R1"), Ticket("R2", {{5, "3"}})}, "prva.csv"), db.params());
    const QString afterFirst = Checksums(db.connection());
    TicketImportJob second;
    RunImport(second, WriteExport(dir, {Ticket("R3")}, "druga.csv"), db.params());
    const std::optional<ImportGeneration> undone = PreviousImport(db.connection(), TicketImportJob::Tables());
    QVERIFY(undone);
    QVERIFY2(undone->label.endsWith(", druga.csv"), qPrintable(undone->label));
    RestorePreviousImport(db.connection(), TicketImportJob::Tables());
    QCOMPARE(Checksums(db.connection()), afterFirst);
    QCOMPARE(Tickets(db.connection()), QStringList{"R1|BG123AA|Pera Peric|Glavna 12"});
    QVERIFY(!PreviousImport(db.connection(), TicketImportJob::Tables()));
    try {
        RestorePreviousImport(db.connection(), TicketImportJob::Tables());
        QFAIL("undone twice");
    } catch (const ImportError &e) {
        QVERIFY(e.message().contains("nema prethodnog uvoza"));
    }
    QCOMPARE(Checksums(db.connection()), afterFirst);
}

// The undo names the import it removes; when another import (here of a file with the
// same name) came after the question, the undo is refused and changes nothing.
void TestParkingTicketImport::undoUndoesOnlyTheImportItNamed()
{
    TestDatabase db;
    QTemporaryDir dir;
    QTemporaryDir otherDesk;
    for (const auto &[ticket, file] : {std::pair{"A1", &dir}, std::pair{"B1", &dir}}) {
        TicketImportJob job;
        RunImport(job, WriteExport(*file, {Ticket(ticket)}, ticket + QStringLiteral(".csv")), db.params());
    }
    const std::optional<ImportGeneration> asked = PreviousImport(db.connection(), TicketImportJob::Tables());
    QVERIFY(asked && asked->label.endsWith(", B1.csv"));
    TicketImportJob meanwhile;
    RunImport(meanwhile, WriteExport(otherDesk, {Ticket("C1")}, "B1.csv"), db.params());
    const QString afterC = Checksums(db.connection());
    try {
        UndoLastImport(db.connection(), TicketImportJob::Tables(), parking::ImportKind::TicketUndo, "Ana Anić", asked);
        QFAIL("another import was undone");
    } catch (const ImportError &e) {
        QVERIFY2(e.cause().startsWith("U međuvremenu je napravljen novi uvoz"), qPrintable(e.message()));
    }
    QCOMPARE(Checksums(db.connection()), afterC);
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket_prev"), QStringList{"B1"});
    // Asked again, the undo names the newest import and removes it.
    const std::optional<ImportGeneration> now = PreviousImport(db.connection(), TicketImportJob::Tables());
    QVERIFY(now && *now != *asked);
    QCOMPARE(
        UndoLastImport(db.connection(), TicketImportJob::Tables(), parking::ImportKind::TicketUndo, "Ana Anić", now),
        now->label);
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket"), QStringList{"B1"});
    QCOMPARE(Rows(db.connection(),
                  "SELECT outcome FROM parkingimporthistory WHERE kind = 'ticket-undo' "
                  "ORDER BY parkingimporthistoryid"),
             (QStringList{"greška", "uspeh"}));
}

// A previous table kept from before an upgrade (without the plate key) is never swapped
// back: the undo says why and the tables stay.
void TestParkingTicketImport::undoRefusesAnOlderPreviousTable()
{
    TestDatabase db;
    QTemporaryDir dir;
    for (const char *ticket : {"A1", "B1"}) {
        TicketImportJob job;
        RunImport(job, WriteExport(dir, {Ticket(ticket)}), db.params());
    }
    db.connection().Execute("ALTER TABLE parkingticket_prev DROP INDEX parkingticket_platekey, DROP COLUMN platekey");
    const QString before = Checksums(db.connection());
    try {
        UndoLastImport(db.connection(), TicketImportJob::Tables(), parking::ImportKind::TicketUndo, {});
        QFAIL("an older structure was swapped in");
    } catch (const ImportError &e) {
        QVERIFY2(e.cause().contains("parkingticket_prev nije građena kao parkingticket")
                     && e.cause().contains("nema: kolona platekey") && e.cause().contains("parking-dbserver upgrade"),
                 qPrintable(e.cause()));
    }
    QCOMPARE(Checksums(db.connection()), before);
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket WHERE platekey = 'BG123AA'"),
             QStringList{"B1"});
}

namespace {

// Tables of the ticket import's copies (fresh, old, undone) left in the database.
QStringList Copies(dataset::Connection &connection)
{
    return Rows(connection, "SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE() "
                            "AND table_name REGEXP '^parkingticket(raw)?_[nou][0-9]'");
}

} // namespace

void TestParkingTicketImport::undoToldTrulyAfterLostReply_data()
{
    QTest::addColumn<QByteArray>("statement");
    QTest::newRow("reply to the swap lost") << QByteArray("RENAME TABLE");
    QTest::newRow("reply to the history row lost") << QByteArray("COMMIT");
}

// The link breaks as the server answers the undo's swap or its history row: the undo is
// told as done, recorded once, and leaves no undone copy behind.
void TestParkingTicketImport::undoToldTrulyAfterLostReply()
{
    QFETCH(QByteArray, statement);
    TestDatabase db;
    QTemporaryDir dir;
    for (const char *ticket : {"A1", "B1"}) {
        TicketImportJob job;
        RunImport(job, WriteExport(dir, {Ticket(ticket)}, ticket + QStringLiteral(".csv")), db.params());
    }
    CommitCutProxy proxy(db.params().socket);
    dataset::Connection desk;
    desk.Connect(proxy.Params(db.params()));
    const std::optional<ImportGeneration> asked = PreviousImport(desk, TicketImportJob::Tables());
    proxy.CutNextStatement(statement, CommitCutProxy::Cut::AfterCommit);
    QCOMPARE(UndoLastImport(desk, TicketImportJob::Tables(), parking::ImportKind::TicketUndo, {}, asked), asked->label);
    QVERIFY(proxy.Done());
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket"), QStringList{"A1"});
    QCOMPARE(Copies(db.connection()), QStringList());
    QCOMPARE(Rows(db.connection(), "SELECT outcome FROM parkingimporthistory WHERE kind = 'ticket-undo'"),
             QStringList{"uspeh"});
}

void TestParkingTicketImport::lostSwapReplyToldTruly_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<bool>("restarted");
    QTest::newRow("reply lost after the swap") << int(CommitCutProxy::Cut::AfterCommit) << false;
    QTest::newRow("link lost before the swap") << int(CommitCutProxy::Cut::BeforeCommit) << true;
    QTest::newRow("server out of reach after the swap") << int(CommitCutProxy::Cut::AfterCommitThenRefuse) << false;
}

// The link breaks around the swap's RENAME: a swap that was done is reported as done
// (never started again, which would move the real previous generation away), one that
// was not is started again, and one nobody can look at is reported as unknown.
void TestParkingTicketImport::lostSwapReplyToldTruly()
{
    QFETCH(int, cut);
    QFETCH(bool, restarted);
    TestDatabase db;
    QTemporaryDir dir;
    TicketImportJob first;
    RunImport(first, WriteExport(dir, {Ticket("O1")}, "stara.csv"), db.params());
    CommitCutProxy proxy(db.params().socket);
    proxy.CutNextStatement("RENAME TABLE", CommitCutProxy::Cut(cut));
    TicketImportJob second;
    if (CommitCutProxy::Cut(cut) == CommitCutProxy::Cut::AfterCommitThenRefuse) {
        try {
            RunImport(second, WriteExport(dir, {Ticket("N1")}, "nova.csv"), proxy.Params(db.params()));
            QFAIL("an unknown outcome was told as known");
        } catch (const ImportError &e) {
            QVERIFY2(e.cause().contains("nije poznato da li su tabele zamenjene"), qPrintable(e.message()));
            QVERIFY2(!e.message().contains("nepromenjen"), qPrintable(e.message()));
        }
        proxy.AcceptAgain();
    } else {
        const ImportSummary summary =
            RunImport(second, WriteExport(dir, {Ticket("N1")}, "nova.csv"), proxy.Params(db.params()));
        QCOMPARE(summary.rowsStored, 1);
        QCOMPARE(summary.details.contains(RestartNote()), restarted);
        QVERIFY2(!summary.details.join('\n').contains("Istorija"), qPrintable(summary.details.join('\n')));
        QCOMPARE(Copies(db.connection()), QStringList());
        QCOMPARE(Rows(db.connection(), "SELECT outcome, SUBSTRING_INDEX(filename, '/', -1) FROM parkingimporthistory "
                                       "ORDER BY parkingimporthistoryid"),
                 (QStringList{"uspeh|stara.csv", "uspeh|nova.csv"}));
    }
    QVERIFY(proxy.Done());
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket"), QStringList{"N1"});
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket_prev"), QStringList{"O1"});
    QVERIFY(PreviousImport(db.connection(), TicketImportJob::Tables())->label.endsWith(", nova.csv"));
}

void TestParkingTicketImport::historyStoredOnceAfterLostReply_data()
{
    QTest::addColumn<int>("cut");
    QTest::newRow("reply to the stored row lost") << int(CommitCutProxy::Cut::AfterCommit);
    QTest::newRow("link lost before the row was stored") << int(CommitCutProxy::Cut::BeforeCommit);
}

// The link breaks while the import's history row is written: the row is written again on
// a new connection, and stored once.
void TestParkingTicketImport::historyStoredOnceAfterLostReply()
{
    QFETCH(int, cut);
    TestDatabase db;
    QTemporaryDir dir;
    CommitCutProxy proxy(db.params().socket);
    const auto cutAfterSwap = [&proxy, cut](qint64 done, qint64 total) {
        if (done == total)
            proxy.CutNextCommit(CommitCutProxy::Cut(cut));
    };
    TicketImportJob job;
    const ImportSummary summary =
        RunImport(job, WriteExport(dir, {Ticket("H1")}), proxy.Params(db.params()), cutAfterSwap);
    QVERIFY(proxy.Done());
    QVERIFY2(!summary.details.join('\n').contains("Istorija"), qPrintable(summary.details.join('\n')));
    QCOMPARE(Rows(db.connection(), "SELECT kind, outcome, rowsstored FROM parkingimporthistory"),
             QStringList{"ticket-import|uspeh|1"});
}

// Every import and undo is on record, refused ones with their first error line.
void TestParkingTicketImport::historyRecordsEachRun()
{
    TestDatabase db;
    QTemporaryDir dir;
    // The user comes from the process's user id, not from the environment.
    const QByteArray savedUser = qgetenv("USER");
    qputenv("USER", "mallory");
    const QString system = QString::fromLocal8Bit(getpwuid(geteuid())->pw_name);
    const QString good = WriteExport(dir, {Ticket("S1"), "", Ticket("S2", {{5, "5"}})}, "dobra.csv");
    TicketImportJob first;
    RunImport(first, good, db.params(), {}, "Ana Anić");
    TicketImportJob second;
    QVERIFY_THROWS_EXCEPTION(
        ImportError, RunImport(second,
                               WriteTestFile(dir, "losa.csv",
                                             "root:$6$abc:19000:0:99999:7:::\ndaemon:*:19000:0:99999:7:::\n"
                                             "bin:*:19000:0:99999:7:::\n"),
                               db.params()));
    qputenv("USER", savedUser);
    UndoLastImport(db.connection(), TicketImportJob::Tables(), parking::ImportKind::TicketUndo, "Ana Anić");
    QVERIFY_THROWS_EXCEPTION(
        ImportError,
        UndoLastImport(db.connection(), TicketImportJob::Tables(), parking::ImportKind::TicketUndo, "Ana Anić"));
    QFile file(good);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString sha = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    const QStringList rows =
        Rows(db.connection(),
             "SELECT kind, outcome, username, computer <> '', SUBSTRING_INDEX(filename, '/', -1), filesize, sha256, "
             "linesread, rowsstored, leftout, firsterror, endedat >= startedat FROM parkingimporthistory "
             "ORDER BY parkingimporthistoryid");
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.at(0),
             QStringLiteral("ticket-import|uspeh|Ana Anić (sistem: %3)|1|dobra.csv|%1|%2|3|1|"
                            "prazan red: 1; status 3 ili 5 (naplaćena ili poništena): 1||1")
                 .arg(file.size())
                 .arg(sha, system));
    QVERIFY2(rows.at(1).startsWith("ticket-import|greška|" + system + "|"), qPrintable(rows.at(1)));
    // The refused file's lines are kept as position and cause, not as content.
    QVERIFY2(rows.at(1).contains("|Datoteka nije izvoz parking karata (2 nečitljivih redova): red 2: datum "
                                 "izdavanja \u201E\u2026\u201C nije ispravan; red 3: "),
             qPrintable(rows.at(1)));
    QVERIFY2(!rows.at(1).contains("daemon") && !rows.at(1).contains("bin:"), qPrintable(rows.at(1)));
    QVERIFY2(rows.at(2).startsWith("ticket-undo|uspeh|Ana Anić (sistem: " + system + ")|1|"), qPrintable(rows.at(2)));
    QVERIFY2(rows.at(2).contains(", dobra.csv|"), qPrintable(rows.at(2)));
    QVERIFY2(rows.at(3).contains("nema prethodnog uvoza"), qPrintable(rows.at(3)));
}

// A file that grows while it is imported (a second thread appends to it once the import
// has begun reading): the history's size and SHA-256 are those of the lines imported.
void TestParkingTicketImport::historyDescribesTheBytesRead()
{
    TestDatabase db;
    QTemporaryDir dir;
    QList<QByteArray> lines;
    for (int i = 0; i < 100000; ++i)
        lines << Ticket("G" + QByteArray::number(i));
    const QString path = WriteExport(dir, lines, "raste.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray read = file.readAll();
    file.close();
    std::atomic<bool> grown = false;
    const auto progress = [&](qint64 done, qint64) {
        if (done == 0 || grown.exchange(true))
            return;
        std::thread writer([&path] {
            QFile more(path);
            if (!more.open(QIODevice::Append))
                return;
            for (int i = 0; i < 30000; ++i)
                more.write(Ticket("H" + QByteArray::number(i)) + "\r\n");
        });
        writer.join();
    };
    TicketImportJob job;
    const ImportSummary summary = RunImport(job, path, db.params(), progress);
    QVERIFY(grown);
    QCOMPARE(summary.linesRead, 100000);
    QVERIFY(QFileInfo(path).size() > read.size());
    QCOMPARE(Rows(db.connection(), "SELECT filesize, sha256 FROM parkingimporthistory"),
             QStringList(QStringLiteral("%1|%2").arg(read.size()).arg(
                 QString::fromLatin1(QCryptographicHash::hash(read, QCryptographicHash::Sha256).toHex()))));
}

QTEST_GUILESS_MAIN(TestParkingTicketImport)
#include "tst_ParkingTicketImport.moc"
