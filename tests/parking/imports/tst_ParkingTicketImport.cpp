#include "ImportTestFiles.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <parking/imports/ImportError.h>
#include <parking/imports/TicketImportJob.h>
#include <routines/CodePages.h>
#include <tests/support/TestDatabase.h>

#include <QTemporaryDir>
#include <QtTest>

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
    // No fresh or old copy is left behind.
    QCOMPARE(Rows(db.connection(), "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = "
                                   "DATABASE() AND table_name LIKE 'parkingticket%'"),
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
    }
    QCOMPARE(Rows(db.connection(), "SELECT ticketnumber FROM parkingticket"), QStringList{"K1"});
    QCOMPARE(Rows(db.connection(), "SELECT id_DK FROM parkingticketraw"), QStringList{"K1"});
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

QTEST_GUILESS_MAIN(TestParkingTicketImport)
#include "tst_ParkingTicketImport.moc"
