#include "ImportTestFiles.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <tests/support/ProcessRun.h>
#include <tests/support/TestDatabase.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

QStringList ServerArguments(const dataset::ConnectionParams &params);

using Result = ProcessResult;

Result Run(const QStringList &arguments)
{
    return RunProcess(QStringLiteral(PARKING_IMPORT_PROGRAM), arguments, 60000);
}

} // namespace

class TestParkingImportCommand : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exitCodes_data();
    void exitCodes();
    void otherSchemaVersionRefused();
    void ticketsEndToEnd();
    void ticketDocument();
    void ticketDocumentOfTwoDesksAtOnce();
    void subscriptionsEndToEnd();
    void startStopOutput_data();
    void startStopOutput();
    void startStopFailureKeepsOutput();
    void controlCharactersShownEscaped();
    void subscriptionsOfAnotherFileRefused();
    void fifoRefused();
};

void TestParkingImportCommand::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stderrStart");
    QTest::newRow("help") << QStringList{"--help"} << 0 << QString();
    QTest::newRow("wrong extension") << QStringList{"tickets", "FILE.txt"} << 1
                                     << "Pogrešan format datoteke!\nDatoteka mora imati nastavak .csv";
    // The database's failures are no file format's: exit 2 and the server named.
    QTest::newRow("no server") << QStringList{"--socket", "SOCKET", "tickets", "FILE.csv"} << 2
                               << "Povezivanje sa bazom nije uspelo: Unix soket SOCKET: ";
    QTest::newRow("localhost is the socket")
        << QStringList{"--host", "localhost", "--user", "nobody_here", "tickets", "FILE.csv"} << 2
        << "Povezivanje sa bazom nije uspelo: localhost (podrazumevani Unix soket servera, ne TCP";
    QTest::newRow("CA file unreadable")
        << QStringList{"--host", "127.0.0.1", "--port", "1", "--ssl-ca", "DIR/none.pem", "tickets", "FILE.csv"} << 2
        << "Povezivanje sa bazom nije uspelo: 127.0.0.1:1: Datoteka sertifikata izdavača (ssl-ca) DIR/none.pem ne može";
    // A relative ssl-ca of the settings file lies beside it, not in the working folder.
    QTest::newRow("relative CA file of the settings")
        << QStringList{"--config", "DIR/podesavanja.ini", "tickets", "FILE.csv"} << 2
        << "Povezivanje sa bazom nije uspelo: 127.0.0.1:1: Datoteka sertifikata izdavača (ssl-ca) DIR/izdavac.pem ne";
    QTest::newRow("settings not allowed")
        << QStringList{"--config", "DIR/lose.ini", "tickets", "FILE.csv"} << 2
        << "Povezivanje sa bazom nije uspelo: Vrednost ssl=maybe";
    QTest::newRow("unknown option") << QStringList{"tickets", "FILE.csv", "--colour"} << 3 << "Nepoznata opcija";
    QTest::newRow("missing argument") << QStringList{"tickets"} << 3 << "Upotreba: parking-import tickets FILE";
    QTest::newRow("no command") << QStringList{} << 3 << "Naredba nije navedena.";
}

void TestParkingImportCommand::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stderrStart);
    QTemporaryDir dir;
    const QString file = WriteTestFile(dir, "karte.csv", "h\r\n");
    WriteTestFile(dir, "podesavanja.ini", "[Database]\nhost=127.0.0.1\nport=1\nssl-ca=izdavac.pem\n");
    WriteTestFile(dir, "lose.ini", "[Database]\nhost=127.0.0.1\nport=1\nssl=maybe\n");
    const auto placeholders = [&](QString &text) {
        text.replace("SOCKET", dir.filePath("none.sock")).replace("DIR", dir.path());
    };
    for (QString &argument : arguments)
        placeholders(argument.replace("FILE", dir.filePath("karte")));
    placeholders(stderrStart);
    const Result result = Run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(result.err.startsWith(stderrStart), qPrintable(result.err));
    if (exitCode == 0)
        QVERIFY(result.out.contains("Izlazni kodovi"));
}

// Options after the subcommand; progress on standard error as plain lines, the summary on
// standard output.
// A database of another schema version is not written to: exit 2 with the reason.
void TestParkingImportCommand::otherSchemaVersionRefused()
{
    TestDatabase db;
    QTemporaryDir dir;
    const QString file = WriteTestFile(dir, "karte.csv", "h\r\n2024-05-01 10:00:00,DK1,1,BG1,300,1,,0,,1,A,,,,,1,,K\r\n");
    const dataset::ConnectionParams params = db.params();
    const QStringList arguments{"tickets", file, "--socket", params.socket, "--user", params.user,
                                "--database=" + params.database};
    db.connection().Execute("UPDATE schemaversion SET version = 1");
    Result result = Run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("Baza je verzije 1; pokrenite parking-dbserver upgrade."), qPrintable(result.err));
    db.connection().Execute("INSERT INTO schemaversion (version) VALUES (99)");
    result = Run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("verzije 99") && result.err.contains("verzijom"), qPrintable(result.err));
    dataset::Query raw;
    raw.SetConnection(&db.connection());
    raw.SetSQL({"SELECT COUNT(*) AS n FROM parkingticketraw"});
    raw.Open();
    QCOMPARE(raw.FieldByName("n").AsInteger(), 0);
}

void TestParkingImportCommand::ticketsEndToEnd()
{
    TestDatabase db;
    QTemporaryDir dir;
    const QString file = WriteTestFile(dir, "karte.csv",
                               "h\r\n2024-05-01 10:00:00,DK1,1,BG1,300,1,,0,,1,A,,,,,1,,K\r\n"
                               "2024-05-01 10:00:00,DK2,1,BG2,300,3,,0,,1,B,,,,,1,,K\r\n");
    const dataset::ConnectionParams params = db.params();
    const Result result = Run({"tickets", file, "--socket", params.socket, "--user", params.user,
                               "--database=" + params.database});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.startsWith("Pročitano redova: 2\nUpisano redova: 1\nIzostavljeno redova: 1\n"),
             qPrintable(result.out));
    QVERIFY(result.out.contains("status 3 ili 5 (naplaćena ili poništena): 1"));
    QVERIFY(!result.err.contains('\r'));
    QVERIFY2(result.err.endsWith(file + ": 100 %\n"), qPrintable(result.err));
    dataset::Query tickets;
    tickets.SetConnection(&db.connection());
    tickets.SetSQL({"SELECT ticketnumber FROM parkingticket"});
    tickets.Open();
    QCOMPARE(tickets.RecordCount(), 1);

    // The import is undone once: the tables are empty again, as before it.
    const QStringList server{"--socket", params.socket, "--user", params.user, "--database", params.database};
    const Result undone = Run(server + QStringList{"undo", "tickets"});
    QCOMPARE(undone.exitCode, 0);
    QVERIFY2(undone.out.contains(", karte.csv"), qPrintable(undone.out));
    tickets.Close();
    tickets.Open();
    QCOMPARE(tickets.RecordCount(), 0);
    const Result again = Run(server + QStringList{"undo", "tickets"});
    QCOMPARE(again.exitCode, 1);
    QVERIFY2(again.err.contains("nema prethodnog uvoza"), qPrintable(again.err));
}

// Tickets without a single product are listed with the reason; a day without issued
// tickets is no failure.
void TestParkingImportCommand::ticketDocument()
{
    TestDatabase db;
    dataset::Connection &c = db.connection();
    c.Execute("INSERT INTO tax (taxid, name, value) VALUES (3, 'PDV', 20)");
    c.Execute("INSERT INTO product (name, code, barcode, price, taxid) VALUES "
              "('Doplatna 300', 'P300', 'DK300', 250, 3), ('Doplatna 500 a', 'P500A', 'DK500', 400, 3), "
              "('Doplatna 500 b', 'P500B', 'DK500', 400, 3)");
    c.Execute("INSERT INTO parkingticketraw (id_DK, cena_DK, vreme_izdavanja_DK, datum_storniranja) VALUES "
              "('A1', 300, '2026-12-05 08:00:00', NULL), ('B2', 500, '2026-12-05 09:00:00', NULL), "
              "('C3', 999, '2026-12-05 10:00:00', NULL), ('D4', 300, '2026-12-01 10:00:00', '2026-12-05')");
    const dataset::ConnectionParams params = db.params();
    const QStringList server{"--socket", params.socket, "--user", params.user, "--database", params.database};

    const Result written = Run(QStringList{"ticket-document", "2026-12-05"} + server);
    QCOMPARE(written.exitCode, 0);
    QCOMPARE(written.out, QStringLiteral("Izdatih karata: 3\nStorniranih karata: 1\nDokument M-1 sa 2 stavki\n"
                                         "Izostavljeno karata: 2\n  B2: više proizvoda za DK500\n"
                                         "  C3: nema proizvoda za DK999\n"
                                         "Baza %1 na Unix soket %2, veza: lokalni Unix soket, ne ide preko mreže\n")
                              .arg(params.database, params.socket));
    dataset::Query items;
    items.SetConnection(&c);
    items.SetSQL({"SELECT GROUP_CONCAT(CONCAT(sort, ':', productname, ':', quantity, ':', itemvalue) ORDER BY sort) "
                  "FROM documentitem"});
    items.Open();
    QCOMPARE(items.Fields(0).AsString(), QStringLiteral("1:A1 - ident. Doplatna 300:1:250,2:D4 - ident. Doplatna 300:-1:-250"));

    const Result empty = Run(server + QStringList{"ticket-document", "2026-12-06"});
    QCOMPARE(empty.exitCode, 0);
    QVERIFY(empty.out.contains("nije izdata nijedna karta"));

    // Tickets whose prices have no single product: no empty document.
    c.Execute("INSERT INTO parkingticketraw (id_DK, cena_DK, vreme_izdavanja_DK) VALUES "
              "('E5', 999, '2026-12-03 08:00:00'), ('F6', 500, '2026-12-03 09:00:00')");
    const Result noItems = Run(server + QStringList{"ticket-document", "2026-12-03"});
    QCOMPARE(noItems.exitCode, 0);
    QVERIFY2(noItems.out.contains("Za 03.12.2026 nema stavki za dokument.\nIzostavljeno karata: 2\n"),
             qPrintable(noItems.out));
    dataset::Query documents;
    documents.SetConnection(&c);
    documents.SetSQL({"SELECT COUNT(*) FROM document"});
    documents.Open();
    QCOMPARE(documents.Fields(0).AsInteger(), 1);

    // A second document for a day is refused unless asked for with --again.
    const Result second = Run(server + QStringList{"ticket-document", "2026-12-05"});
    QCOMPARE(second.exitCode, 4);
    QVERIFY2(second.err.contains("Dokument za 05.12.2026 je već napravljen"), qPrintable(second.err));
    const Result again = Run(server + QStringList{"ticket-document", "2026-12-05", "--again"});
    QCOMPARE(again.exitCode, 0);
    QVERIFY(again.out.contains("Dokument M-2 sa 2 stavki"));

    // The history lists the runs newest first.
    const Result history = Run(server + QStringList{"history", "--limit", "2"});
    QCOMPARE(history.exitCode, 0);
    const QStringList lines = history.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(1).contains("| dokument karata | uspeh |") && lines.at(1).contains("| 2026-12-05 | M-2 |"),
             qPrintable(lines.at(1)));
    QVERIFY2(lines.at(2).contains("| dokument karata | bez dokumenta |"), qPrintable(lines.at(2)));
    QCOMPARE(Run(server + QStringList{"ticket-document", "6.12.2026"}).exitCode, 3);
}

// Two desks' nightly runs for one day started together: the database lets one through,
// the other is refused with its own exit code, and the day has one document.
void TestParkingImportCommand::ticketDocumentOfTwoDesksAtOnce()
{
    TestDatabase db;
    dataset::Connection &c = db.connection();
    c.Execute("INSERT INTO tax (taxid, name, value) VALUES (3, 'PDV', 20)");
    c.Execute("INSERT INTO product (name, code, barcode, price, taxid) VALUES ('Doplatna 300', 'P300', 'DK300', 250, 3)");
    c.Execute("INSERT INTO parkingticketraw (id_DK, cena_DK, vreme_izdavanja_DK) VALUES "
              "('A1', 300, '2026-12-05 08:00:00'), ('A2', 300, '2026-12-05 09:00:00')");
    const QStringList arguments = ServerArguments(db.params()) + QStringList{"ticket-document", "2026-12-05"};
    for (int round = 0; round < 3; ++round) {
        c.Execute("DELETE FROM documentitem");
        c.Execute("DELETE FROM document");
        c.Execute("DELETE FROM parkingimporthistory");
        QProcess desks[2];
        for (QProcess &desk : desks)
            desk.start(QStringLiteral(PARKING_IMPORT_PROGRAM), arguments);
        QList<int> codes;
        for (QProcess &desk : desks) {
            QVERIFY(desk.waitForFinished(60000));
            codes << desk.exitCode();
            if (desk.exitCode() == 4)
                QVERIFY(QString::fromUtf8(desk.readAllStandardError()).contains("Dokument za 05.12.2026 je već napravljen"));
        }
        std::sort(codes.begin(), codes.end());
        QCOMPARE(codes, (QList<int>{0, 4}));
        dataset::Query documents;
        documents.SetConnection(&c);
        documents.SetSQL({"SELECT COUNT(*) FROM document"});
        documents.Open();
        QCOMPARE(documents.Fields(0).AsInteger(), 1);
    }
}

void TestParkingImportCommand::subscriptionsEndToEnd()
{
    TestDatabase db(true);
    QTemporaryDir dir;
    const QString file = WriteTestFile(dir, "pretplate.csv",
                               "h\nP1,ns1,2024-01-01,2024-01-31,Ana,Ban,1,Z,L,,aktivna\n"
                               "P2,,2024-01-01,2024-01-31,,,,,,,\n");
    const dataset::ConnectionParams params = db.params();
    const Result result = Run({"--socket", params.socket, "--user", params.user, "--database", params.database,
                               "subscriptions", file});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.startsWith("Pročitano redova: 2\nUpisano redova: 1\nIzostavljeno redova: 1\n"),
             qPrintable(result.out));
    dataset::Query rows;
    rows.SetConnection(&db.connection());
    rows.SetSQL({"SELECT regcitynumber FROM parkingsubscription"});
    rows.Open();
    QCOMPARE(rows.RecordCount(), 1);
    QCOMPARE(rows.Fields(0).AsString(), QStringLiteral("NS1"));
}

namespace {

QStringList ServerArguments(const dataset::ConnectionParams &params)
{
    return {"--socket", params.socket, "--user", params.user, "--database", params.database};
}

bool HasRawControls(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c.unicode() < 0x20 && c != '\n') || c.unicode() == 0x202E || c.unicode() == 0x7F;
    });
}

} // namespace

// A file named to forge a history line and clear the screen, holding escape sequences: the
// summary, the progress, the refusal and the history listing show them written out.
void TestParkingImportCommand::controlCharactersShownEscaped()
{
    TestDatabase db;
    QTemporaryDir dir;
    const QString name = QString::fromUtf8("ev\nFAKE | uspeh | root\x1b[2J\xe2\x80\xae.csv");
    const QString file = WriteTestFile(dir, name,
                                       "h\r\n2024-05-01 10:00:00,DK1,1,BG1,300,1,,0,,1,A,,,,,1,,K\r\n"
                                       "2024-05-01 10:00:00,DK2,1,BG2,300,1,,0,,1,A,,,,,1,,K\r\n"
                                       "2024-05-01 10:00:00,DK3,\x1b[31m\a,BG3,300,1,,0,,1,A,,,,,1,,K\r\n");
    const QStringList server = ServerArguments(db.params());
    const Result imported = Run(server + QStringList{"tickets", file});
    QCOMPARE(imported.exitCode, 0);
    QVERIFY2(!HasRawControls(imported.out) && !HasRawControls(imported.err), qPrintable(imported.out + imported.err));
    QVERIFY2(imported.out.contains(QStringLiteral("zona \u201E\\x1b[31m\\x07\u201C nije broj")), qPrintable(imported.out));
    QVERIFY2(imported.err.contains("ev\\nFAKE | uspeh | root\\x1b[2J\\u202e.csv: 100 %"), qPrintable(imported.err));
    const QString refusedName = dir.filePath(QString::fromUtf8("x\x1b]0;\xe2\x80\xae\n.txt"));
    const Result refused = Run(server + QStringList{"tickets", refusedName});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(!HasRawControls(refused.err), qPrintable(refused.err));
    const Result history = Run(server + QStringList{"history"});
    QCOMPARE(history.exitCode, 0);
    const QStringList lines = history.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2); // the titles and the one import
    QVERIFY2(!HasRawControls(history.out), qPrintable(history.out));
    QVERIFY2(lines.at(1).contains("ev\\nFAKE | uspeh | root\\x1b[2J\\u202e.csv | "), qPrintable(lines.at(1)));
}

// Files that are no subscription export leave the table as it was (exit 1); one that
// would leave it empty does so only with --allow-empty.
void TestParkingImportCommand::subscriptionsOfAnotherFileRefused()
{
    TestDatabase db(true);
    QTemporaryDir dir;
    const QStringList server = ServerArguments(db.params());
    dataset::Query rows;
    rows.SetConnection(&db.connection());
    rows.SetSQL({"SELECT COUNT(*) FROM parkingsubscription"});
    rows.Open();
    const int before = rows.Fields(0).AsInteger();
    QVERIFY(before > 0);
    const QString startStop = WriteTestFile(dir, "startstop.csv",
                                            "id|name|address|code|zip|city|phone|note|reg|zone|date|start|stop|\n"
                                            "1|A|B|C|D|E|F|G|BG1|Z|2024-03-15|08:00|09:00|\n");
    Result result = Run(server + QStringList{"subscriptions", startStop});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith("Pogrešan format datoteke!\nDatoteka nije izvoz pretplata (1 nečitljivih redova)"),
             qPrintable(result.err));
    const QString headerOnly = WriteTestFile(dir, "prazno.csv", "broj,reg,od,do,ime,prezime,jmbg,zona,lista,x,status\n");
    result = Run(server + QStringList{"subscriptions", headerOnly});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains("bi ostala prazna") && result.err.contains("--allow-empty"), qPrintable(result.err));
    rows.Close();
    rows.Open();
    QCOMPARE(rows.Fields(0).AsInteger(), before);
    result = Run(server + QStringList{"subscriptions", headerOnly, "--allow-empty"});
    QCOMPARE(result.exitCode, 0);
    rows.Close();
    rows.Open();
    QCOMPARE(rows.Fields(0).AsInteger(), 0);
}

// A FIFO given as the file is refused at once (Run gives up after 60 s).
void TestParkingImportCommand::fifoRefused()
{
    TestDatabase db;
    QTemporaryDir dir;
    const QString fifo = dir.filePath("cev.csv");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const Result result = Run(ServerArguments(db.params()) + QStringList{"tickets", fifo});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains("cev.csv nije obična datoteka, već imenovana cev (FIFO)"), qPrintable(result.err));
}

void TestParkingImportCommand::startStopOutput_data()
{
    QTest::addColumn<QString>("output");
    QTest::newRow("standard output") << QString();
    QTest::newRow("lines") << "tabela.txt";
    QTest::newRow("json") << "tabela.JSON";
}

// No database is asked for: the command runs with a socket that does not exist. The
// second line lacks the "|" after its stop time, which is then midnight.
void TestParkingImportCommand::startStopOutput()
{
    QFETCH(QString, output);
    QTemporaryDir dir;
    const QString file = WriteTestFile(dir, "ss.csv",
                               "h\n1|Zoran|NUL|2|z|c|p|n|bg9|Z1|2024-03-15|10:00|11:00|\n"
                               "2|Ana|a|1|z|c|p|n|bo1|Z1|15.03.2024|09:00|09:30\n");
    QStringList arguments{"startstop", file, "--socket", dir.filePath("none.sock")};
    if (!output.isEmpty())
        arguments << "--output" << dir.filePath(output);
    const Result result = Run(arguments);
    QCOMPARE(result.exitCode, 0);
    const QString lines = "Ana|a|1|z|c|p|n|BO1|Z1|2024-03-15 09:00:00|2024-03-15 00:00:00\n"
                          "Zoran|NUL|2|z|c|p|n|BG9|Z1|2024-03-15 10:00:00|2024-03-15 11:00:00\n";
    if (output.isEmpty()) {
        QCOMPARE(result.out, lines);
        QVERIFY(result.err.contains("Upisano redova: 2\n"));
        return;
    }
    QVERIFY(result.out.contains("Upisano redova: 2\n"));
    QFile written(dir.filePath(output));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    const QByteArray content = written.readAll();
    if (!output.endsWith("JSON")) {
        QCOMPARE(QString::fromUtf8(content), lines);
        return;
    }
    const QJsonArray rows = QJsonDocument::fromJson(content).array();
    QCOMPARE(rows.size(), 2);
    const QJsonObject zoran = rows.at(1).toObject();
    QVERIFY(zoran.value("address").isNull());
    QCOMPARE(zoran.value("stopdatetime").toString(), QStringLiteral("2024-03-15T11:00:00"));
}

void TestParkingImportCommand::startStopFailureKeepsOutput()
{
    QTemporaryDir dir;
    const QString file = WriteTestFile(dir, "ss.csv",
                               "h\n1|Zoran|a|2|z|c|p|n|bg9|Z1|2024-03-15|10:00|11:00|\n"
                               "2|Ana|a|1|z|c|p|n|bo1|Z1|2024-03-15|9 sati|09:30|\n");
    const QString output = WriteTestFile(dir, "out.json", "[]\n");
    const Result result = Run({"startstop", file, "--output", output});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith("Pogrešan format datoteke!\nRed 3: "), qPrintable(result.err));
    QVERIFY(result.out.isEmpty());
    QFile kept(output);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("[]\n"));
}

QTEST_GUILESS_MAIN(TestParkingImportCommand)
#include "tst_ParkingImportCommand.moc"
