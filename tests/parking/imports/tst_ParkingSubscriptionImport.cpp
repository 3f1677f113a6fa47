#include "ImportTestFiles.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <parking/imports/ImportError.h>
#include <parking/imports/SubscriptionImportJob.h>
#include <parking/imports/TableReplacement.h>
#include <routines/CodePages.h>
#include <tests/support/TestDatabase.h>

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <future>

using namespace imports;

// Subscription export: one line to a row, and the file replacing the table as one step.
class TestSubscriptionImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void line_data();
    void line();
    void lineErrors_data();
    void lineErrors();
    void fileReplacesTable();
    void failureKeepsTable();
    void hugeValueGivesShortMessage();
    void emptyLinesCountedAsEmpty();
    void otherFilesRefusedTableKept_data();
    void otherFilesRefusedTableKept();
    void emptyingTheTableAsked();
    void fifoRefusedWithoutWaiting();
    void staleCopyOfAGoneSessionDropped();
    void swapGivesUpWhileTableIsLocked();
    void copiesOfTwoImportsOnOneSessionApart();
    void swapPlannedAgainWhenAPreviousGenerationAppears();
    void importRestartsAfterItsSessionIsKilled();
};

namespace {

QStringList Shown(const QByteArray &line)
{
    const std::optional<SubscriptionRow> row = ReadSubscriptionLine(line);
    if (!row)
        return {QStringLiteral("<left out>")};
    const auto date = [](const std::pair<QDate, QTime> &value) {
        return QDateTime(value.first, value.second).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    return {row->subscriptionNumber, row->regCityNumber, date(row->fromDate), date(row->toDate),
            row->firstName, row->lastName, row->personalIdentificator, row->zone, row->list, row->status};
}

QString Value(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << sql;
    query.Open();
    return query.Fields(0).AsString();
}

QString WriteFile(const QTemporaryDir &dir, const QByteArray &content)
{
    return WriteTestFile(dir, QStringLiteral("PRETPLATE.CSV"), content);
}

QStringList Table(dataset::Connection &connection)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << QStringLiteral("SELECT subscriptionnumber, regcitynumber, subscriptionfromdate, lastname,"
                                  " status FROM parkingsubscription ORDER BY parkingsubscriptionid");
    query.Open();
    QStringList rows;
    for (; !query.Eof(); query.Next()) {
        QStringList values;
        for (int i = 0; i < query.FieldCount(); ++i)
            values << query.Fields(i).AsString();
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

const QByteArray Header = "broj,reg,od,do,ime,prezime,jmbg,zona,lista,x,status\r\n";

} // namespace

void TestSubscriptionImport::line_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("row");
    const QStringList common{"P1", "BG123", "2024-01-01 00:00", "2024-01-31 23:59", "Ana", "Ban", "123", "Z1", "L"};
    QTest::newRow("9 separators: no status")
        << QByteArray("P1,BG123,2024-01-01,2024-01-31 23:59,Ana,Ban,123,Z1,L,skip") << common + QStringList{""};
    QTest::newRow("10 separators: field 10 never stored")
        << QByteArray("P1,BG123,2024-01-01,2024-01-31 23:59,Ana,Ban,123,Z1,L,skip,")
        << common + QStringList{""};
    QTest::newRow("11 separators: status keeps its comma")
        << QByteArray("P1,BG123,2024-01-01,2024-01-31 23:59,Ana,Ban,123,Z1,L,skip,a,b")
        << common + QStringList{"a,b"};
    QTest::newRow("Serbian lower-case registration")
        << ToWin1250(QStringLiteral("P1,bg 123-šđ,1.1.2024,31.1.2024 23:59,Ana,Ban,123,Z1,L,,aktivna"))
        << QStringList{"P1", "BG 123-ŠĐ", "2024-01-01 00:00", "2024-01-31 23:59", "Ana", "Ban", "123", "Z1", "L",
                       "aktivna"};
    QTest::newRow("Cyrillic transliterated, cut to the column sizes")
        << QStringLiteral("P1,ns-čć,2024-01-01,2024-01-31 23:59,Љиљана Јовановић-Џаковић,Шћекић,"
                          "123,Z1,L,,веома дугачак статус 123")
               .toUtf8()
        << QStringList{"P1", "NS-ČĆ", "2024-01-01 00:00", "2024-01-31 23:59", "Ljiljana Jovanović-D", "Šćekić",
                       "123", "Z1", "L", "veoma dugačak status"};
    QTest::newRow("empty registration left out") << QByteArray("P1,,x,y,,,,,,,") << QStringList{"<left out>"};
    QTest::newRow("empty line left out") << QByteArray("") << QStringList{"<left out>"};
}

void TestSubscriptionImport::line()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, row);
    QCOMPARE(Shown(line), row);
}

void TestSubscriptionImport::lineErrors_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("date not readable") << QByteArray("P1,BG1,2024-13-01,2024-01-31,,,,,,,");
    QTest::newRow("missing end date") << QByteArray("P1,BG1,2024-01-01,,,,,,,,");
    QTest::newRow("missing subscription number") << QByteArray(",BG1,2024-01-01,2024-01-31,,,,,,,");
}

void TestSubscriptionImport::lineErrors()
{
    QFETCH(QByteArray, line);
    QVERIFY_THROWS_EXCEPTION(std::exception, ReadSubscriptionLine(line));
}

void TestSubscriptionImport::fileReplacesTable()
{
    TestDatabase db(true);
    QTemporaryDir dir;
    const QString path = WriteFile(dir, Header + ToWin1250(QStringLiteral(
        "P2,bg1,2024-01-01,2024-01-31,Ana,O'Brien\\,1,Z,L,,a\tb\n"
        ",,,,,,,,,,\n"
        "\n"
        "P1,ns2,2024-02-01 08:00,2024-02-28,Ivo,Šarić,2,Z,L,,\n")));
    SubscriptionImportJob job;
    for (int run = 0; run < 2; ++run) {
        const ImportSummary summary = RunImport(job, path, db.params());
        QCOMPARE(summary.linesRead, 4);
        QCOMPARE(summary.rowsStored, 2);
        // The demo rows are gone; the file's rows come in file order, values exact.
        QCOMPARE(Table(db.connection()),
                 QStringList({"P2|BG1|2024-01-01 00:00:00|O'Brien\\|a\tb", "P1|NS2|2024-02-01 08:00:00|Šarić|"}));
    }
}

void TestSubscriptionImport::failureKeepsTable()
{
    TestDatabase db(true);
    const QStringList before = Table(db.connection());
    QVERIFY(!before.isEmpty());
    QTemporaryDir dir;
    const QString path = WriteFile(dir, Header + "P1,BG1,2024-01-01,2024-01-31,,,,,,,\n"
                                                 "P2,BG2,2024-01-01,31.02.2024,,,,,,,\n");
    SubscriptionImportJob job;
    try {
        RunImport(job, path, db.params());
        QFAIL("an unreadable date must end the import");
    } catch (const ImportError &e) {
        QCOMPARE(e.line(), 3);
        QVERIFY(e.message().startsWith(QStringLiteral("Pogrešan format datoteke!\nRed 3: ")));
    }
    QCOMPARE(Table(db.connection()), before);
}

// A damaged line with a 10 MB date: the message quotes at most 80 characters of it.
void TestSubscriptionImport::hugeValueGivesShortMessage()
{
    TestDatabase db;
    QTemporaryDir dir;
    const QString path = WriteFile(dir, Header + "P1,BG1," + QByteArray(10 << 20, '7') + ",2024-01-31,,,,,,,\n");
    SubscriptionImportJob job;
    QElapsedTimer clock;
    clock.start();
    try {
        RunImport(job, path, db.params());
        QFAIL("accepted");
    } catch (const ImportError &e) {
        QVERIFY2(e.message().size() < 400, qPrintable(e.message().left(400)));
        QVERIFY(e.message().contains(QString(80, '7') + QChar(0x2026)));
        QVERIFY(!e.message().contains(QString(81, '7')));
    }
    QVERIFY(clock.elapsed() < 20000);
}

void TestSubscriptionImport::emptyLinesCountedAsEmpty()
{
    TestDatabase db;
    QTemporaryDir dir;
    SubscriptionImportJob job;
    const ImportSummary summary =
        RunImport(job,
                  WriteFile(dir, Header + "\n\nP1,,2024-01-01,2024-01-31,,,,,,,\n \nP2,BG2,2024-01-01,2024-01-31,,,,,,,\n"),
                  db.params());
    using Counts = QList<QPair<QString, qint64>>;
    QCOMPARE(summary.leftOut, Counts({{"prazan red", 3}, {"prazna registracija", 1}}));
    QCOMPARE(summary.rowsStored, 1);
}

namespace {

QString Checksum(dataset::Connection &connection)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << QStringLiteral("CHECKSUM TABLE parkingsubscription, parkingsubscription_prev");
    query.Open();
    QStringList sums;
    for (; !query.Eof(); query.Next())
        sums << query.Fields(1).AsString();
    return sums.join(',');
}

qint64 Count(dataset::Connection &connection)
{
    return Value(connection, QStringLiteral("SELECT COUNT(*) FROM parkingsubscription")).toLongLong();
}

} // namespace

// Files that are no subscription export, or that would leave the table empty, are refused
// with the table and its previous generation unchanged.
void TestSubscriptionImport::otherFilesRefusedTableKept_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<bool>("emptiesTable");
    const QString other = QStringLiteral("Datoteka nije izvoz pretplata (");
    QTest::newRow("start-stop export")
        << QByteArray("id|name|address|code|zip|city|phone|note|reg|zone|date|start|stop|\r\n"
                      "1|Pera|Ulica 1|123|21000|Novi Sad|064|nap|NS123AB|Z1|2024-03-15|08:15|09:45|\r\n"
                      "2|Mika|Ulica 2|124|21000|Novi Sad|064|nap|NS124AB|Z1|2024-03-15|08:15|09:45|\r\n")
        << other + "2 nečitljivih redova): red 2: nema registracije; red 3: nema registracije" << false;
    QTest::newRow("two-line log") << QByteArray("Dec  8 06:00:01 host cron[1]: start\nDec  8 06:00:02 host cron[1]: end\n")
                                  << other + "1 nečitljivih redova): red 2: nema registracije" << false;
    QByteArray commas;
    for (int i = 0; i < 200000; ++i)
        commas += ",,,,,,,,,,\n";
    QTest::newRow("lines of commas") << commas << other + "199999 nečitljivih redova)" << false;
    QTest::newRow("one long line") << QByteArray(10 << 20, 'x')
                                   << "Datoteka nema nijedan red za upis; tabela parkingsubscription bi ostala prazna."
                                   << true;
    QTest::newRow("header only") << Header
                                 << "Datoteka nema nijedan red za upis; tabela parkingsubscription bi ostala prazna."
                                 << true;
    QTest::newRow("line ends only") << QByteArray(10 << 20, '\n')
                                    << "Datoteka sadrži samo prazne redove; tabela parkingsubscription bi ostala prazna."
                                    << false;
}

void TestSubscriptionImport::otherFilesRefusedTableKept()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, cause);
    QFETCH(bool, emptiesTable);
    TestDatabase db(true);
    QTemporaryDir dir;
    SubscriptionImportJob first;
    RunImport(first, WriteFile(dir, Header + "P1,BG1,2024-01-01,2024-01-31,,,,,,,\n"), db.params());
    const QString before = Checksum(db.connection());
    SubscriptionImportJob job;
    try {
        RunImport(job, WriteFile(dir, content), db.params());
        QFAIL("accepted");
    } catch (const ImportError &e) {
        QCOMPARE(e.kind(), ImportFailure::File);
        QCOMPARE(e.emptiesTable(), emptiesTable);
        const QStringList lines = e.message().split('\n');
        QCOMPARE(lines.value(0), QStringLiteral("Pogrešan format datoteke!"));
        QVERIFY2(lines.value(1).startsWith(cause), qPrintable(lines.value(1)));
        QCOMPARE(lines.value(2), QStringLiteral("Sadržaj tabela je ostao nepromenjen."));
    }
    QCOMPARE(Checksum(db.connection()), before);
    QCOMPARE(Count(db.connection()), 1);
}

// A non-empty file without a row empties the table only when allowed; a file of no bytes
// at all always does.
void TestSubscriptionImport::emptyingTheTableAsked()
{
    TestDatabase db(true);
    QVERIFY(Count(db.connection()) > 0);
    QTemporaryDir dir;
    SubscriptionImportJob job;
    QVERIFY_THROWS_EXCEPTION(ImportError, RunImport(job, WriteFile(dir, Header + "\n"), db.params()));
    QVERIFY(Count(db.connection()) > 0);
    const ImportSummary summary = RunImport(job, WriteFile(dir, Header + "\n"), db.params(), {}, {}, Emptying::Allowed);
    QCOMPARE(summary.rowsStored, 0);
    QCOMPARE(Count(db.connection()), 0);
    RunImport(job, WriteFile(dir, Header + "P1,BG1,2024-01-01,2024-01-31,,,,,,,\n"), db.params());
    QCOMPARE(Count(db.connection()), 1);
    RunImport(job, WriteFile(dir, {}), db.params());
    QCOMPARE(Count(db.connection()), 0);
}

// A FIFO is refused by what it is, before the table is touched and without waiting for a
// writer; a writer is opened after 20 s should the import wait after all.
void TestSubscriptionImport::fifoRefusedWithoutWaiting()
{
    TestDatabase db(true);
    const QString before = Checksum(db.connection());
    QTemporaryDir dir;
    const QString path = dir.filePath("cev.csv");
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const dataset::ConnectionParams params = db.params();
    const std::optional<QString> refusal = RefusalWithin20s(path, [&path, &params] {
        SubscriptionImportJob job;
        RunImport(job, path, params);
    });
    QVERIFY2(refusal, "the import waited for a writer");
    const QString message = *refusal;
    QVERIFY2(message.contains("cev.csv nije obična datoteka, već imenovana cev (FIFO)"), qPrintable(message));
    QCOMPARE(Checksum(db.connection()), before);
}

namespace {

// The import copies of the table (the kept previous generation is no copy).
QStringList Copies(dataset::Connection &connection)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE()"
                                  " AND table_name LIKE 'parkingsubscription\\_%'"
                                  " AND table_name <> 'parkingsubscription_prev' ORDER BY 1");
    query.Open();
    QStringList names;
    for (; !query.Eof(); query.Next())
        names << query.Fields(0).AsString();
    return names;
}

} // namespace

// A copy left by a crashed import is dropped by the next import once it is a day old by
// the name's clock (or, for a copy named after a session, by the server's record of it);
// a younger one may belong to an import still running on another node and stays.
void TestSubscriptionImport::staleCopyOfAGoneSessionDropped()
{
    TestDatabase db;
    dataset::Connection &c = db.connection();
    const qint64 now = Value(c, QStringLiteral("SELECT UNIX_TIMESTAMP()")).toLongLong();
    const QString old = QStringLiteral("parkingsubscription_n%1x0000abcd").arg(now - 25 * 3600);
    const QString young = QStringLiteral("parkingsubscription_n%1x0000beef").arg(now - 23 * 3600);
    const QString session = QStringLiteral("parkingsubscription_n4000000000");
    for (const QString &copy : {old, young, session})
        c.Execute(QStringLiteral("CREATE TABLE %1 LIKE parkingsubscription").arg(copy));
    QTemporaryDir dir;
    SubscriptionImportJob job;
    RunImport(job, WriteFile(dir, Header + "P1,BG1,2024-01-01,2024-01-31,,,,,,,\n"), db.params());
    QCOMPARE(Copies(c), (QStringList{young, session}));
    QCOMPARE(Table(c).size(), 1);
}

// Another session holds a read lock on the table: the swap gives up after its few
// seconds' wait with its own message, and the table keeps its rows.
void TestSubscriptionImport::swapGivesUpWhileTableIsLocked()
{
    TestDatabase db(true);
    const QStringList before = Table(db.connection());
    dataset::Connection reader;
    reader.Connect(db.params());
    reader.Execute("LOCK TABLES parkingsubscription READ");
    QTemporaryDir dir;
    SubscriptionImportJob job;
    QElapsedTimer clock;
    clock.start();
    try {
        RunImport(job, WriteFile(dir, Header + "P1,BG1,2024-01-01,2024-01-31,,,,,,,\n"), db.params());
        QFAIL("swapped under a lock");
    } catch (const ImportError &e) {
        QCOMPARE(e.kind(), ImportFailure::Database);
        QCOMPARE(e.message(),
                 QStringLiteral("Pogrešan format datoteke!\nTabelu trenutno koristi drugi korisnik; "
                                "pokušajte ponovo.\nSadržaj tabela je ostao nepromenjen."));
    }
    QVERIFY(clock.elapsed() >= (TableReplacement::kSwapWaitSeconds - 1) * 1000 && clock.elapsed() < 30000);
    reader.Execute("UNLOCK TABLES");
    QCOMPARE(Table(db.connection()), before);
    QCOMPARE(Copies(db.connection()), QStringList{});
}

// Two imports on one session (as two nodes' sessions with the same id) keep their copies
// apart: neither drops the other's, and each swap puts in its own rows.
void TestSubscriptionImport::copiesOfTwoImportsOnOneSessionApart()
{
    TestDatabase db;
    dataset::Connection &c = db.connection();
    const QStringList tables = SubscriptionImportJob::Tables();
    TableReplacement first(c, tables);
    c.Execute(QStringLiteral("INSERT INTO %1 (subscriptionnumber, regcitynumber) VALUES ('A', 'BG1')")
                  .arg(first.Fresh(tables.first())));
    TableReplacement second(c, tables);
    QVERIFY(first.Fresh(tables.first()) != second.Fresh(tables.first()));
    c.Execute(QStringLiteral("INSERT INTO %1 (subscriptionnumber, regcitynumber) VALUES ('B', 'BG2')")
                  .arg(second.Fresh(tables.first())));
    QCOMPARE(Copies(c).size(), 2);
    first.Commit();
    QCOMPARE(Table(c).size(), 1);
    QVERIFY(Table(c).first().startsWith(QStringLiteral("A|")));
    second.Commit();
    QVERIFY(Table(c).first().startsWith(QStringLiteral("B|")));
    QCOMPARE(Copies(c), QStringList{});
}

// Between the swap's look at the tables and its RENAME another import (through another
// cluster node, whose lock is its own) makes a previous generation: the RENAME fails
// whole and is planned again, and the import goes through.
void TestSubscriptionImport::swapPlannedAgainWhenAPreviousGenerationAppears()
{
    TestDatabase db;
    dataset::Connection &c = db.connection();
    // An open transaction on the table holds the swap's RENAME after its look.
    dataset::Connection reader;
    reader.Connect(db.params());
    reader.Execute("START TRANSACTION");
    Value(reader, "SELECT COUNT(*) FROM parkingsubscription");
    QTemporaryDir dir;
    const QString file = WriteFile(dir, Header + "P1,BG1,2024-01-01,2024-01-31,,,,,,,\n");
    auto import = std::async(std::launch::async, [&db, &file] {
        SubscriptionImportJob job;
        return RunImport(job, file, db.params()).rowsStored;
    });
    const auto renameWaits = [&c] {
        return Value(c, "SELECT COUNT(*) FROM information_schema.processlist WHERE db = DATABASE() "
                        "AND info LIKE 'RENAME TABLE%' AND state LIKE 'Waiting%'")
            == "1";
    };
    QTRY_VERIFY_WITH_TIMEOUT(renameWaits(), 20000);
    // (Not LIKE the table: that would queue behind the waiting RENAME.)
    c.Execute("CREATE TABLE parkingsubscription_prev (other INT)");
    reader.Execute("COMMIT");
    QCOMPARE(import.get(), 1);
    QCOMPARE(Table(c).size(), 1);
    // The table replaced is the previous generation now; the other one is gone.
    QCOMPARE(Value(c, "SELECT COUNT(*) FROM parkingsubscription_prev WHERE regcitynumber = ''"), QStringLiteral("0"));
    QCOMPARE(Copies(c), QStringList{});
}

// The import's session is killed while it reads the file (after its copy was made): the
// import starts again from the file on a new connection, once, says so, and replaces the
// table with every row; the first run's copy is gone.
void TestSubscriptionImport::importRestartsAfterItsSessionIsKilled()
{
    TestDatabase db;
    dataset::Connection &c = db.connection();
    QByteArray content = Header;
    for (int i = 1; i <= 2100; ++i)
        content += QStringLiteral("P%1,BG%1,2024-01-01,2024-01-31,,,,,,,\n").arg(i).toUtf8();
    QTemporaryDir dir;
    SubscriptionImportJob job;
    bool killed = false;
    const auto killOnce = [&](qint64, qint64) {
        if (killed)
            return;
        killed = true;
        const QString import = Value(
            c,
            QStringLiteral("SELECT MAX(id) FROM information_schema.processlist WHERE db = DATABASE() AND id <> %1")
                .arg(c.ThreadId()));
        QVERIFY(!import.isEmpty());
        c.Execute(QStringLiteral("KILL ") + import);
    };
    const ImportSummary summary = RunImport(job, WriteFile(dir, content), db.params(), killOnce);
    QVERIFY(killed);
    QCOMPARE(summary.details.constLast(), QStringLiteral("Veza sa serverom je prekinuta; uvoz je ponovo pokrenut."));
    QCOMPARE(summary.linesRead, 2100);
    QCOMPARE(Table(c).size(), 2100);
    QCOMPARE(Copies(c), QStringList{});
}

QTEST_GUILESS_MAIN(TestSubscriptionImport)
#include "tst_ParkingSubscriptionImport.moc"
