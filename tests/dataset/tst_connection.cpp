#include "Scalar.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <tests/support/TestDatabase.h>

#include <QDate>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

using namespace dataset;

class TestConnection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quoteRoundTrip_data();
    void quoteRoundTrip();
    void paramsOutsideLiterals_data();
    void paramsOutsideLiterals();
    void unknownParamThrows();
    void serverErrorCarriesCode();
    void lostConnectionGivesError();
    void columnDefaults();
    void loadDataLocalInfile();
    void streamedLocalLoad();
    void transactions();
};

void TestConnection::quoteRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("quote") << QStringLiteral("it's");
    QTest::newRow("backslash") << QStringLiteral("C:\\temp\\");
    QTest::newRow("escaped quote") << QStringLiteral("a\\'b");
    QTest::newRow("injection") << QStringLiteral("x'); DROP TABLE parkingzoneframe; --");
    QTest::newRow("control chars") << QStringLiteral("a\nb\rc") + QChar(0x1a) + QChar(0) + QStringLiteral("d");
    QTest::newRow("serbian") << QStringLiteral("Čačak, Šabac, Đurđevo, Žabalj, Ćuprija");
    QTest::newRow("empty") << QString(QLatin1String(""));
}

void TestConnection::quoteRoundTrip()
{
    QFETCH(QString, text);
    TestDatabase db;
    db.connection().Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES ('1', '1', %1)")
                                .arg(Connection::Quote(text)));
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT street FROM parkingzoneframe")), text);
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingzoneframe")), QStringLiteral("1"));
    QCOMPARE(Connection::Quote(QString()), QStringLiteral("NULL"));
}

void TestConnection::paramsOutsideLiterals_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");

    const QStringList none;
    QTest::newRow("integer") << "SELECT :id + 1" << QStringList{"id"} << QVariant(41) << "42";
    QTest::newRow("date literal") << "SELECT '2013-05-01 00:00:00' < :d" << QStringList{"d"}
                                  << QVariant(QDateTime(QDate(2013, 5, 2), QTime(10, 0))) << "1";
    QTest::newRow("colon in literal") << "SELECT CONCAT(':x', :name)" << QStringList{"name"}
                                      << QVariant(QStringLiteral("it's")) << ":xit's";
    QTest::newRow("assignment") << "SELECT @v:=3" << none << QVariant() << "3";
    QTest::newRow("double colon") << "SELECT '::a'" << none << QVariant() << "::a";
    QTest::newRow("comment") << "SELECT 5 -- :hidden\n" << none << QVariant() << "5";
    QTest::newRow("quoted identifier") << "SELECT `a:b`.v FROM (SELECT 7 AS v) AS `a:b`" << none << QVariant() << "7";
    QTest::newRow("null") << "SELECT :n IS NULL" << QStringList{"n"} << QVariant() << "1";
    QTest::newRow("date") << "SELECT DAYOFMONTH(:day)" << QStringList{"day"} << QVariant(QDate(2013, 5, 17)) << "17";
    QTest::newRow("injection") << "SELECT :p" << QStringList{"p"}
                               << QVariant(QStringLiteral("\\'; SELECT 1; --")) << "\\'; SELECT 1; --";
    QTest::newRow("repeated name") << "SELECT :a * :A" << QStringList{"a"} << QVariant(2.5) << "6.25";
}

void TestConnection::paramsOutsideLiterals()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, names);
    QFETCH(QVariant, value);
    QFETCH(QString, expected);

    TestDatabase db;
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << sql.split(QLatin1Char('\n'));
    QCOMPARE(query.ParamNames(), names);
    for (const QString &name : names)
        query.SetParam(name, value);
    query.Open();
    QCOMPARE(query.Fields(0).AsString(), expected);
}

void TestConnection::unknownParamThrows()
{
    Query query;
    query.SQL() << QStringLiteral("SELECT * FROM parkingdocumentitem WHERE parkingdocumentid = :idparkingdocument");
    query.SetParam(QStringLiteral("idparkingdocument"), 1);
    QVERIFY_THROWS_EXCEPTION(Error, query.SetParam(QStringLiteral("other"), 1));
    // A new text keeps the values of the names it still has.
    query.SQL().append(QStringLiteral("AND 1 = 1"));
    QCOMPARE(query.ParamNames(), QStringList{QStringLiteral("idparkingdocument")});
    QCOMPARE(query.Param(QStringLiteral("IDPARKINGDOCUMENT")).toInt(), 1);
}

void TestConnection::serverErrorCarriesCode()
{
    TestDatabase db;
    try {
        // Placeholders inside the server's text stay as they are.
        db.connection().Execute(QStringLiteral("SELECT * FROM `nosuch%1table%3`"));
        QFAIL("no error");
    } catch (const DatabaseError &error) {
        QCOMPARE(error.serverCode(), 1146u);
        QVERIFY(error.serverMessage().contains(QLatin1String("nosuch%1table%3")));
        QVERIFY(error.message().contains(error.serverMessage() + QStringLiteral(" (kod 1146)")));
        QCOMPARE(QString::fromUtf8(error.what()), error.message());
    }
    QVERIFY(db.connection().Connected());
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT 1")), QStringLiteral("1"));
}

void TestConnection::lostConnectionGivesError()
{
    TestDatabase db;
    Connection other;
    other.Connect(db.params());
    other.Execute(QStringLiteral("KILL %1").arg(db.connection().ThreadId()));

    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingticket");
    QVERIFY_THROWS_EXCEPTION(DatabaseError, query.Open());
    QVERIFY(!query.Active());
    QVERIFY(!db.connection().Connected());
    // The next statement connects again, once, and says so.
    QSignalSpy reconnected(&db.connection(), &Connection::reconnected);
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT 1")), QStringLiteral("1"));
    QCOMPARE(reconnected.count(), 1);

    // A query open when the link went: its failed refresh closes it, the next one reopens it.
    query.Open();
    other.Execute(QStringLiteral("KILL %1").arg(db.connection().ThreadId()));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, query.Refresh());
    QVERIFY(!query.Active());
    query.Refresh();
    QVERIFY(query.Active());
    QCOMPARE(reconnected.count(), 2);
}

void TestConnection::columnDefaults()
{
    TestDatabase db;
    Connection &c = db.connection();
    c.Execute(QStringLiteral("CREATE TABLE defaults_t (id BIGINT AUTO_INCREMENT PRIMARY KEY,"
                             " s VARCHAR(20) DEFAULT 'it''s\\\\x', n INT DEFAULT 5, d DATETIME DEFAULT"
                             " CURRENT_TIMESTAMP, e VARCHAR(5) DEFAULT NULL, t VARCHAR(5) NOT NULL DEFAULT '')"));
    const QHash<QString, QString> defaults = c.ColumnDefaults(QStringLiteral("defaults_t"));
    QCOMPARE(defaults.value(QStringLiteral("s")), QStringLiteral("it's\\x"));
    QCOMPARE(defaults.value(QStringLiteral("n")), QStringLiteral("5"));
    QVERIFY(defaults.value(QStringLiteral("id")).isNull());
    QVERIFY(defaults.value(QStringLiteral("e")).isNull());
    QVERIFY(!defaults.value(QStringLiteral("t")).isNull());
    QVERIFY(defaults.value(QStringLiteral("t")).isEmpty());
    const QDateTime now = QDateTime::fromString(defaults.value(QStringLiteral("d")), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY(now.isValid());
    QVERIFY_THROWS_EXCEPTION(Error, c.ColumnDefaults(QStringLiteral("nosuchtable")));
}

void TestConnection::loadDataLocalInfile()
{
    TestDatabase db;
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write("1,A,Prva ulica\n2,B,Druga\\, ulica\n");
    file.close();
    QTemporaryFile other;
    QVERIFY(other.open());
    other.write("9,Z,Tuđa datoteka\n");
    other.close();
    auto load = [](const QString &path) {
        return QStringLiteral("LOAD DATA LOCAL INFILE %1 INTO TABLE parkingzoneframe FIELDS TERMINATED BY ','"
                              " LINES TERMINATED BY '\\n' (zone, sector, street)")
            .arg(Connection::Quote(path));
    };

    // An ordinary connection sends no file at all.
    QVERIFY_THROWS_EXCEPTION(Error, db.connection().Execute(load(file.fileName())));
    QVERIFY_THROWS_EXCEPTION(Error, db.connection().ExecuteLocalLoad(load(file.fileName()), file.fileName()));

    ConnectionParams params = db.params();
    params.localLoad = true;
    Connection loader;
    loader.Connect(params);
    // A loading connection sends only the file it was asked to load, and only during that call.
    QVERIFY_THROWS_EXCEPTION(Error, loader.Execute(load(file.fileName())));
    QVERIFY_THROWS_EXCEPTION(Error, loader.ExecuteLocalLoad(load(other.fileName()), file.fileName()));
    QCOMPARE(loader.ExecuteLocalLoad(load(file.fileName()), file.fileName()), std::uint64_t(2));
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT GROUP_CONCAT(street ORDER BY zone) FROM parkingzoneframe")),
             QStringLiteral("Prva ulica,Druga, ulica"));
}

void TestConnection::streamedLocalLoad()
{
    TestDatabase db;
    ConnectionParams params = db.params();
    params.localLoad = true;
    Connection loader;
    loader.Connect(params);
    const QString name = QStringLiteral("zone.csv");
    const QString load = QStringLiteral("LOAD DATA LOCAL INFILE %1 INTO TABLE parkingzoneframe FIELDS TERMINATED BY ','"
                                        " LINES TERMINATED BY '\\n' (zone, sector, street)")
                             .arg(Connection::Quote(name));
    // Pieces smaller than a line: the server sees one byte stream.
    const auto pieces = [](const QByteArray &bytes, qsizetype failAt) {
        return [bytes, failAt, at = qsizetype(0)](char *buffer, qint64 size) mutable -> qint64 {
            if (at >= failAt)
                throw std::runtime_error("izvor je prekinut");
            const qint64 n = std::min<qint64>({size, 3, bytes.size() - at});
            std::memcpy(buffer, bytes.constData() + at, size_t(n));
            at += n;
            return n;
        };
    };
    const QByteArray rows = "1,A,Prva ulica\n2,B,Druga\n";
    QCOMPARE(loader.ExecuteLocalLoad(load, name, pieces(rows, rows.size() + 1)), std::uint64_t(2));
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT GROUP_CONCAT(street ORDER BY zone) FROM parkingzoneframe")),
             QStringLiteral("Prva ulica,Druga"));
    QCOMPARE(loader.ExecuteLocalLoad(load, name, pieces({}, 1)), std::uint64_t(0));

    // The reader's own error comes out of the load, and the connection stays usable.
    try {
        loader.ExecuteLocalLoad(load, name, pieces("3,C,Treca\n4,D,Cetvrta\n", 12));
        QFAIL("the load went through");
    } catch (const std::runtime_error &e) {
        QCOMPARE(QByteArray(e.what()), QByteArray("izvor je prekinut"));
    }
    QCOMPARE(Scalar(loader, QStringLiteral("SELECT 7")), QStringLiteral("7"));

    // A request for any other name gets nothing from the reader.
    bool asked = false;
    const LocalLoadReader spy = [&](char *, qint64) -> qint64 {
        asked = true;
        return 0;
    };
    QVERIFY_THROWS_EXCEPTION(Error, loader.ExecuteLocalLoad(load, QStringLiteral("druga.csv"), spy));
    QVERIFY(!asked);
}

void TestConnection::transactions()
{
    TestDatabase db;
    Connection &c = db.connection();
    auto insert = [&c](const char *street) {
        c.Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES ('1', '1', '%1')")
                      .arg(QLatin1String(street)));
    };
    auto streets = [&c] {
        return Scalar(c, QStringLiteral("SELECT COALESCE(GROUP_CONCAT(street ORDER BY street), '') FROM parkingzoneframe"));
    };
    int committed = 0;
    int rolledBack = 0;
    connect(&c, &Connection::transactionCommitted, this, [&committed] { ++committed; });
    connect(&c, &Connection::transactionRolledBack, this, [&rolledBack] { ++rolledBack; });

    {   // Leaving the scope without Commit undoes the work, also through an exception.
        try {
            Transaction tx(c);
            QVERIFY(c.InTransaction());
            insert("a");
            throw std::runtime_error("stop");
        } catch (const std::runtime_error &) {
        }
    }
    QVERIFY(!c.InTransaction());
    QCOMPARE(streets(), QString());
    QCOMPARE(rolledBack, 1);

    {   // A nested transaction is a savepoint: undoing it keeps the outer work.
        Transaction outer(c);
        insert("b");
        {
            Transaction inner(c);
            QVERIFY(inner.Nested());
            insert("c");
        }
        {
            Transaction inner(c);
            insert("d");
            inner.Commit();
        }
        outer.Commit();
    }
    QCOMPARE(streets(), QStringLiteral("b,d"));
    QCOMPARE(committed, 1);

    // A connection lost inside the transaction: nothing is stored, and the commit says so.
    Transaction lost(c);
    insert("e");
    Connection killer;
    killer.Connect(db.params());
    killer.Execute(QStringLiteral("KILL %1").arg(c.ThreadId()));
    QVERIFY_THROWS_EXCEPTION(Error, insert("f"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, lost.Commit());
    c.Connect(db.params());
    QCOMPARE(streets(), QStringLiteral("b,d"));
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
