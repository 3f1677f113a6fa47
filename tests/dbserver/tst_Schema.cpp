// The installed schema and demo data on the test server, through TestDatabase.

#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <console/dbserver/SharedDatabase.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/MysqlHandles.h>
#include <dataset/Query.h>
#include <tests/support/TestDatabase.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <mariadb/mysql.h>
#include <sodium.h>

#include <algorithm>
#include <memory>

namespace {

// Rows of a query, each row's values joined with '|' (NULL as "NULL").
QStringList Rows(dataset::Connection &connection, const QString &sql)
{
    MYSQL *handle = connection.Handle();
    const QByteArray text = sql.toUtf8();
    if (mysql_real_query(handle, text.constData(), text.size()) != 0)
        throw dataset::DatabaseError(sql, QString::fromUtf8(mysql_error(handle)), mysql_errno(handle));
    const dataset::detail::ResultPtr result(mysql_store_result(handle));
    QStringList rows;
    if (!result)
        return rows;
    const unsigned columns = mysql_num_fields(result.get());
    while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
        QStringList values;
        for (unsigned i = 0; i < columns; ++i)
            values << (row[i] ? QString::fromUtf8(row[i]) : QStringLiteral("NULL"));
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

QString Value(dataset::Connection &connection, const QString &sql)
{
    const QStringList rows = Rows(connection, sql);
    return rows.isEmpty() ? QString() : rows.first();
}

bool DatabaseExists(dataset::Connection &connection, const QString &name)
{
    return !Rows(connection, QStringLiteral("SELECT 1 FROM information_schema.schemata WHERE schema_name = %1")
                                 .arg(dataset::Connection::Quote(name)))
                .isEmpty();
}

// Per table of the current database, the list of its columns as an SQL expression.
QMap<QString, QString> ColumnLists(dataset::Connection &connection)
{
    QMap<QString, QString> columns;
    connection.Execute(QStringLiteral("SET SESSION group_concat_max_len = 65536"));
    const QStringList rows = Rows(connection, QStringLiteral(
        "SELECT table_name, GROUP_CONCAT(CONCAT('COALESCE(`', column_name, '`, ''~'')') ORDER BY ordinal_position "
        "SEPARATOR ',') FROM information_schema.columns WHERE table_schema = DATABASE() GROUP BY table_name"));
    for (const QString &row : rows)
        columns[row.section(QLatin1Char('|'), 0, 0)] = row.section(QLatin1Char('|'), 1);
    return columns;
}

// Per table: its row count and a checksum over the given columns, so that a lost row
// or a changed value shows.
QMap<QString, QString> TableDigests(dataset::Connection &connection, const QMap<QString, QString> &columns)
{
    QMap<QString, QString> digests;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        digests[it.key()] = Value(connection, QStringLiteral("SELECT CONCAT(COUNT(*), '/', BIT_XOR(CRC32(CONCAT_WS('|', %1)))) "
                                                             "FROM `%2`")
                                                  .arg(it.value(), it.key()));
    return digests;
}

// Replaces the database 'name' by one as version 1 left it: its schema and data.
void MakeVersion1Database(dataset::Connection &connection, const QString &name)
{
    const QString quoted = dataset::Connection::QuoteIdentifier(name);
    connection.Execute(QStringLiteral("DROP DATABASE %1").arg(quoted));
    connection.Execute(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci").arg(quoted));
    connection.Execute(QStringLiteral("USE %1").arg(quoted));
    for (const QString &statement : dbserver::SplitSqlScript(dbserver::SchemaScript()))
        connection.Execute(statement);
    QFile data(QStringLiteral(VERSION1_DATA));
    if (!data.open(QIODevice::ReadOnly))
        throw dataset::Error(data.fileName());
    for (const QString &statement : dbserver::SplitSqlScript(QString::fromUtf8(data.readAll())))
        connection.Execute(statement);
    connection.Execute(QStringLiteral("INSERT INTO schemaversion (version) VALUES (1)"));
}

// Documents whose stored total is not what their items come to with tax, and how many
// documents store a total at all.
QStringList DocumentTotals(dataset::Connection &connection)
{
    return {Value(connection, QStringLiteral("SELECT COUNT(*) FROM parkingdocument AS pd WHERE pd.itemtotal <> "
                                             "(SELECT COALESCE(SUM(ROUND(i.itemvalue * (1 + i.taxvalue/100), 2)), 0) "
                                             "FROM parkingdocumentitem AS i WHERE i.parkingdocumentid = pd.parkingdocumentid)")),
            Value(connection, QStringLiteral("SELECT COUNT(*) > 0 FROM parkingdocument WHERE itemtotal > 0"))};
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(sodium_init() >= 0);
        // A database left by a test process that died: the first TestDatabase drops it.
        QProcess finished;
        finished.start(QStringLiteral("sleep"), {QStringLiteral("0.1")});
        QVERIFY(finished.waitForStarted());
        const qint64 deadPid = finished.processId();
        QVERIFY(finished.waitForFinished());
        m_orphan = QStringLiteral("t_orphan_%1_1").arg(deadPid);
        m_server.Connect(dbserver::PrivateServer(qEnvironmentVariable("PARKING_TEST_SERVER_DIR")).ConnectionParams());
        m_server.Execute(QStringLiteral("CREATE DATABASE IF NOT EXISTS ") + dataset::Connection::QuoteIdentifier(m_orphan));
    }

    void orphanDropped()
    {
        QVERIFY(DatabaseExists(m_server, m_orphan));
        TestDatabase db;
        QVERIFY(!DatabaseExists(m_server, m_orphan));
        QVERIFY(DatabaseExists(m_server, db.name()));
    }

    void installedAndVersioned()
    {
        TestDatabase db;
        QCOMPARE(dbserver::InstalledSchemaVersion(db.connection()), dbserver::SchemaVersion);
        // Every table, those of the migrations too, is InnoDB in utf8mb4.
        QCOMPARE(Value(db.connection(),
                       QStringLiteral("SELECT SUM(engine = 'InnoDB' AND table_collation = 'utf8mb4_unicode_ci') = COUNT(*) "
                                      "AND COUNT(*) > 14 FROM information_schema.tables WHERE table_schema = DATABASE()")),
                 QStringLiteral("1"));
        // Installing again over a complete schema changes nothing.
        QVERIFY(!dbserver::CreateDatabase(db.connection(), db.name(), true));
        QCOMPARE(Value(db.connection(), QStringLiteral("SELECT COUNT(*) FROM user")), QStringLiteral("0"));
    }

    void otherVersionRefused()
    {
        TestDatabase db;
        db.connection().Execute(QStringLiteral("UPDATE schemaversion SET version = version + 1"));
        try {
            dbserver::CreateDatabase(db.connection(), db.name(), false);
            QFAIL("a database with another schema version was accepted");
        } catch (const dataset::Error &error) {
            QVERIFY2(error.message().contains(db.name()), qPrintable(error.message()));
        }
    }

    void deletingDocumentDeletesItems()
    {
        TestDatabase db;
        auto &c = db.connection();
        c.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber) "
                                 "VALUES ('1/26', '2026-01-05 10:00:00', 'NS', '123AB'), "
                                 "('2/26', '2026-01-05 11:00:00', 'BG', '456CD')"));
        c.Execute(QStringLiteral("INSERT INTO parkingdocumentitem (parkingdocumentid, productid, taxid, ticketnumber) "
                                 "VALUES (1, 1, 1, 'A'), (1, 1, 1, 'B'), (2, 1, 1, 'C')"));
        QCOMPARE(c.Execute(QStringLiteral("DELETE FROM parkingdocument WHERE parkingdocumentid = 1")), 1u);
        QCOMPARE(Rows(c, QStringLiteral("SELECT ticketnumber FROM parkingdocumentitem")), QStringList{"C"});

        // An item needs its document.
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError,
                                 c.Execute(QStringLiteral("INSERT INTO parkingdocumentitem (parkingdocumentid, "
                                                          "productid, taxid) VALUES (99, 1, 1)")));
    }

    void hostItemsFollowTheirDocument()
    {
        TestDatabase db;
        auto &c = db.connection();
        c.Execute(QStringLiteral("INSERT INTO document (documentid, documenttype, number) VALUES (7, 'M', '1')"));
        c.Execute(QStringLiteral("INSERT INTO documentitem (documentid, productid, taxid) VALUES (7, 1, 1)"));
        c.Execute(QStringLiteral("DELETE FROM document"));
        QCOMPARE(Value(c, QStringLiteral("SELECT COUNT(*) FROM documentitem")), QStringLiteral("0"));
    }

    void parkingDocumentNumberIsUnique()
    {
        TestDatabase db;
        auto &c = db.connection();
        const QString insert = QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime) "
                                              "VALUES ('5/26', '2026-02-01 08:00:00')");
        c.Execute(insert);
        try {
            c.Execute(insert);
            QFAIL("a second document with the same number was stored");
        } catch (const dataset::DatabaseError &error) {
            QCOMPARE(error.serverCode(), 1062u); // duplicate key
        }
    }

    // Defaults a new row receives where the module leaves fields empty.
    void columnDefaults_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::newRow("document status") << "document" << "status" << "n";
        QTest::newRow("document direction") << "document" << "direction" << "0";
        QTest::newRow("document partner") << "document" << "partnerid" << "NULL";
        QTest::newRow("host item cost type") << "documentitem" << "costtype" << "T";
        QTest::newRow("host item rebate type") << "documentitem" << "rebatetype" << "P";
        QTest::newRow("parking item quantity") << "parkingdocumentitem" << "quantity" << "0";
        QTest::newRow("parking document comment") << "parkingdocument" << "comment" << "";
        QTest::newRow("parking document streets") << "parkingdocument" << "parkingstreets" << "NULL";
        QTest::newRow("warehouse price type") << "warehouse" << "pricetype" << "v";
        QTest::newRow("ticket status") << "parkingticket" << "status" << "0";
    }
    void columnDefaults()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(QString, value);
        TestDatabase db;
        const QString defaults = QStringLiteral("SELECT COALESCE(column_default, 'NULL') FROM information_schema.columns "
                                                "WHERE table_schema = DATABASE() AND table_name = %1 AND column_name = %2")
                                     .arg(dataset::Connection::Quote(table), dataset::Connection::Quote(column));
        QString stored = Value(db.connection(), defaults);
        if (stored.startsWith(QLatin1Char('\'')))
            stored = stored.mid(1, stored.size() - 2);
        QCOMPARE(stored, value);
    }

    // The bulk load of the ticket export: the server accepts local files, and a later
    // line of the same ticket replaces the earlier one.
    void rawTicketsReplacedByTicketId()
    {
        TestDatabase db;
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("2026-03-01 10:00:00,T1,1,NS123AB,1200,1,,,,,Prvi,Ulica,1,Novi Sad,21000,,,K1\r\n"
                   "2026-03-01 11:00:00,T2,2,BG456CD,2400,2,,,,,Drugi,,,,,,,\r\n"
                   "2026-03-02 09:00:00,T1,1,NS123AB,1200,5,,,,,Prvi,Ulica,1,Novi Sad,21000,,2026-03-02,K1\r\n");
        file.close();
        dataset::ConnectionParams params = db.params();
        params.localLoad = true;
        dataset::Connection loader;
        loader.Connect(params);
        loader.ExecuteLocalLoad(
            QStringLiteral("LOAD DATA LOCAL INFILE %1 REPLACE INTO TABLE parkingticketraw FIELDS TERMINATED BY ',' "
                           "LINES TERMINATED BY '\\r\\n' (vreme_izdavanja_DK,id_DK,id_zone,reg_oznaka,cena_DK,"
                           "status_doplatne,vreme_slanja_opomene,uplaceni_iznos,datum_uplate,JMBG,ime_i_prezime,"
                           "ulica,broj,mesto,PTTbroj,parkiraliste,datum_storniranja,ID_kontrolora)")
                .arg(dataset::Connection::Quote(file.fileName())),
            file.fileName());
        // An empty date field becomes a zero date, which sorts before any real one.
        QCOMPARE(Rows(db.connection(), QStringLiteral("SELECT id_DK, status_doplatne, "
                                                      "datum_storniranja > '2000-01-01', ulica "
                                                      "FROM parkingticketraw ORDER BY id_DK")),
                 (QStringList{"T1|5|1|Ulica", "T2|2|0|"}));
    }

    void unicodeTextRoundTrip()
    {
        TestDatabase db;
        const QString street = QStringLiteral("Đorđa Čolića – Šumadijska ž 🚗");
        db.connection().Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES ('I', '1', %1)")
                                    .arg(dataset::Connection::Quote(street)));
        QCOMPARE(Value(db.connection(), QStringLiteral("SELECT street FROM parkingzoneframe")), street);
    }

    // The log-in names and passwords that run.sh prints work against the stored hashes.
    void demoUsersLogIn_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("admin") << "admin" << "admin123";
        QTest::newRow("marko") << "marko" << "marko123";
        QTest::newRow("jelena") << "jelena" << "jelena123";
    }
    void demoUsersLogIn()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        TestDatabase db(true);
        const QByteArray hash = Value(db.connection(), QStringLiteral("SELECT passwordhash FROM user WHERE username = %1")
                                                           .arg(dataset::Connection::Quote(user)))
                                    .toUtf8();
        const QByteArray right = password.toUtf8();
        const QByteArray wrong = right + "x";
        QVERIFY(crypto_pwhash_str_verify(hash.constData(), right.constData(), size_t(right.size())) == 0);
        QVERIFY(crypto_pwhash_str_verify(hash.constData(), wrong.constData(), size_t(wrong.size())) != 0);
    }

    // What the module's lookups and documents expect to find in the demo data.
    void demoDataServesTheModule()
    {
        TestDatabase db(true);
        auto &c = db.connection();
        QCOMPARE(Rows(c, QStringLiteral("SELECT pricetype, warehousecurrency FROM warehouse WHERE status = 'primary'")),
                 QStringList{"v|RSD"});
        for (const char *price : {"1200", "2400", "3600", "5000"}) {
            const QString code = QStringLiteral("DK") + QLatin1String(price);
            // The price with tax of a surcharge product is the ticket price it stands for.
            QCOMPARE(Rows(c, QStringLiteral("SELECT ROUND(p.price * (1 + t.value / 100)) FROM product AS p "
                                            "JOIN tax AS t ON p.taxid = t.taxid WHERE p.barcode = '%1' AND p.code = '%1'")
                                 .arg(code)),
                     QStringList{QLatin1String(price)});
        }
        QVERIFY(!Value(c, QStringLiteral("SELECT productid FROM product WHERE code LIKE 'OPN%'")).isEmpty());
        QCOMPARE(Rows(c, QStringLiteral("SELECT DISTINCT zone FROM parkingzoneframe ORDER BY zone")),
                 (QStringList{"I", "II"}));
        // Paid (3) and cancelled (5) tickets stay in the staging table only.
        QCOMPARE(Value(c, QStringLiteral("SELECT COUNT(*) FROM parkingticket WHERE status IN (3, 5)")), QStringLiteral("0"));
        QVERIFY(Value(c, QStringLiteral("SELECT COUNT(*) FROM parkingticketraw WHERE status_doplatne IN (3, 5)")).toInt() > 0);
        QVERIFY(Value(c, QStringLiteral("SELECT COUNT(*) FROM parkingticket WHERE regcitynumber = 'NS123AB'")).toInt() > 1);
        QVERIFY(Value(c, QStringLiteral("SELECT COUNT(*) FROM parkingsubscription WHERE regcitynumber = 'NS123AB'")).toInt() > 0);
        // Every demo document item points at an existing product and tax.
        QCOMPARE(Value(c, QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem AS i LEFT JOIN product AS p "
                                         "ON i.productid = p.productid LEFT JOIN tax AS t ON i.taxid = t.taxid "
                                         "WHERE p.productid IS NULL OR t.taxid IS NULL OR i.productcode <> p.code")),
                 QStringLiteral("0"));
        QCOMPARE(DocumentTotals(c), (QStringList{"0", "1"}));
    }

    // An old database is brought to the newest version step by step; every row it had
    // keeps every value, and a second upgrade changes nothing.
    void upgradeKeepsEveryRow()
    {
        TestDatabase db;
        MakeVersion1Database(db.connection(), db.name());
        const QMap<QString, QString> version1Columns = ColumnLists(db.connection());
        QMap<QString, QString> before = TableDigests(db.connection(), version1Columns);
        QVERIFY(!before.value(QStringLiteral("parkingticket")).startsWith(QLatin1String("0/")));
        QCOMPARE(dbserver::UpgradeSchema(db.connection()), dbserver::SchemaVersion - 1);
        QCOMPARE(dbserver::InstalledSchemaVersion(db.connection()), dbserver::SchemaVersion);
        dbserver::CheckSchemaVersion(db.connection());
        QCOMPARE(dbserver::UpgradeSchema(db.connection()), 0);
        // The version 1 columns of every version 1 table hold what they held.
        QMap<QString, QString> after = TableDigests(db.connection(), version1Columns);
        before.remove(QStringLiteral("schemaversion"));
        after.remove(QStringLiteral("schemaversion"));
        QCOMPARE(after, before);
        // The documents it had keep what their items come to.
        QCOMPARE(DocumentTotals(db.connection()), (QStringList{"0", "1"}));
    }

    // Days that have their ticket or pay-desk documents already keep all of them, numbered
    // in the order they were made; runs without a document stay out of the numbering, and
    // from then on the key refuses a second first document for a day.
    void upgradeNumbersDayDocuments()
    {
        TestDatabase db;
        dataset::Connection &c = db.connection();
        MakeVersion1Database(c, db.name());
        for (const dbserver::Migration &migration : dbserver::Migrations()) {
            if (migration.name.contains(QStringLiteral("day-document")))
                break;
            for (const QString &statement : dbserver::SplitSqlScript(migration.script))
                c.Execute(statement);
            c.Execute(QStringLiteral("INSERT INTO schemaversion (version) VALUES (%1)").arg(migration.version));
        }
        c.Execute(QStringLiteral(
            "INSERT INTO parkingimporthistory (kind, startedat, outcome, documentday, document) VALUES "
            "('dokument karata', '2026-12-06 08:00:00', 'uspeh', '2026-12-05', 'M-1'),"
            "('dokument karata', '2026-12-06 09:00:00', 'greška', '2026-12-05', ''),"
            "('dokument karata', '2026-12-06 10:00:00', 'uspeh', '2026-12-05', 'M-2'),"
            "('dokument blagajne', '2026-12-06 11:00:00', 'uspeh', '2026-12-05', 'M-3'),"
            "('uvoz karata', '2026-12-06 12:00:00', 'uspeh', NULL, '')"));
        dbserver::UpgradeSchema(c);
        QCOMPARE(dbserver::InstalledSchemaVersion(c), dbserver::SchemaVersion);
        QCOMPARE(Value(c, QStringLiteral("SELECT GROUP_CONCAT(CONCAT(document, ':', IFNULL(daycopy, '-')) "
                                         "ORDER BY parkingimporthistoryid) FROM parkingimporthistory")),
                 QStringLiteral("M-1:0,:-,M-2:1,M-3:0,:-"));
        QVERIFY_THROWS_EXCEPTION(
            dataset::DatabaseError,
            c.Execute(QStringLiteral("INSERT INTO parkingimporthistory (kind, startedat, outcome, documentday, "
                                     "document, daycopy) VALUES ('paydesk-document', NOW(), 'uspeh', '2026-12-05', "
                                     "'M-4', 0)")));
    }

    // The history's kinds, stored as the texts the windows showed, take their stable keys;
    // every other value of those rows stays, a kind the program does not know stays as it
    // is, and running the step again changes nothing.
    void upgradeGivesImportKindsTheirKeys()
    {
        TestDatabase db;
        dataset::Connection &c = db.connection();
        MakeVersion1Database(c, db.name());
        const QList<dbserver::Migration> migrations = dbserver::Migrations();
        const auto step = std::ranges::find_if(migrations, [](const dbserver::Migration &migration) {
            return migration.name.contains(QStringLiteral("import-kind-keys"));
        });
        QVERIFY(step != migrations.end());
        for (auto migration = migrations.begin(); migration != step; ++migration) {
            for (const QString &statement : dbserver::SplitSqlScript(migration->script))
                c.Execute(statement);
            c.Execute(QStringLiteral("INSERT INTO schemaversion (version) VALUES (%1)").arg(migration->version));
        }
        c.Execute(QStringLiteral(
            "INSERT INTO parkingimporthistory (kind, startedat, outcome, documentday, document, filename, daycopy) "
            "VALUES ('uvoz karata', '2026-12-06 08:00:00', 'uspeh', NULL, '', 'k.csv', NULL),"
            "('uvoz pretplata', '2026-12-06 08:10:00', 'greška', NULL, '', 'p.csv', NULL),"
            "('vraćanje karata', '2026-12-06 08:20:00', 'uspeh', NULL, '', 'k.csv', NULL),"
            "('vraćanje pretplata', '2026-12-06 08:30:00', 'uspeh', NULL, '', 'p.csv', NULL),"
            "('dokument karata', '2026-12-06 09:00:00', 'uspeh', '2026-12-05', 'M-1', '', 0),"
            "('dokument blagajne', '2026-12-06 10:00:00', 'uspeh', '2026-12-05', 'M-2', '', 0),"
            "('nešto novo', '2026-12-06 11:00:00', 'uspeh', NULL, '', '', NULL)"));
        const QString kRest = QStringLiteral(
            "SELECT GROUP_CONCAT(CONCAT_WS('/', startedat, outcome, IFNULL(documentday, '-'), document, filename, "
            "IFNULL(daycopy, '-')) ORDER BY parkingimporthistoryid) FROM parkingimporthistory");
        const QString rest = Value(c, kRest);
        dbserver::UpgradeSchema(c);
        const QString kKinds =
            QStringLiteral("SELECT GROUP_CONCAT(kind ORDER BY parkingimporthistoryid) FROM parkingimporthistory");
        const QString keys = QStringLiteral("ticket-import,subscription-import,ticket-undo,subscription-undo,"
                                            "ticket-document,paydesk-document,nešto novo");
        QCOMPARE(Value(c, kKinds), keys);
        QCOMPARE(Value(c, kRest), rest);
        for (const QString &statement : dbserver::SplitSqlScript(step->script))
            c.Execute(statement);
        QCOMPARE(Value(c, kKinds), keys);
    }

    // An upgraded database numbers on from what it holds: parking documents from their
    // count, host documents from the highest whole number of their type, year and
    // warehouse; a second run moves nothing back.
    void upgradeContinuesNumbering()
    {
        TestDatabase db;
        dataset::Connection &c = db.connection();
        MakeVersion1Database(c, db.name());
        c.Execute(
            QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber) VALUES "
                           "('3/25', '2025-12-31 10:00:00', 'BG', '1'), ('4/26', '2026-01-02 10:00:00', 'BG', '1')"));
        c.Execute(
            QStringLiteral("INSERT INTO document (documenttype, documentdate, warehouseid, number) VALUES "
                           "('R', '2026-01-05', 1, '9'), ('R', '2026-02-01', 1, '10'), ('R', '2026-03-01', 1, 'abc'),"
                           "('R', '2025-04-04', 1, '30'), ('R', '2026-01-05', NULL, '3'), ('H', '2026-01-05', 2, '')"));
        QCOMPARE(dbserver::UpgradeSchema(c), dbserver::SchemaVersion - 1);
        const auto counters = [&c] {
            dataset::Query query;
            query.SetConnection(&c);
            query.SetSQL(
                {QStringLiteral("SELECT GROUP_CONCAT(CONCAT_WS(':', series, documenttype, year, warehouseid, n) "
                                "ORDER BY series, documenttype, year, warehouseid) FROM numbercounter")});
            query.Open();
            return query.Fields(0).AsString();
        };
        QCOMPARE(counters(),
                 QStringLiteral("document:R:2025:1:30,document:R:2026:0:3,document:R:2026:1:10,"
                                "parkingdocument::0:0:4"));
        c.Execute(QStringLiteral("UPDATE numbercounter SET n = 12 WHERE documenttype = 'R' AND year = 2026 "
                                 "AND warehouseid = 1"));
        SeedNumberCounters(c);
        QCOMPARE(counters(),
                 QStringLiteral("document:R:2025:1:30,document:R:2026:0:3,document:R:2026:1:12,"
                                "parkingdocument::0:0:4"));
        // The stored numbers are unique within type, year and warehouse from now on.
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError,
                                 c.Execute(QStringLiteral("INSERT INTO document (documenttype, documentdate, "
                                                          "warehouseid, number) VALUES ('R', '2026-07-07', 1, '9')")));
        c.Execute(QStringLiteral("INSERT INTO document (documenttype, documentdate, warehouseid, number) VALUES "
                                 "('R', '2026-07-07', 2, '9'), ('H', '2026-01-05', 2, '')"));
    }

    // An old database whose host documents repeat a number is refused at version 3 with
    // the numbers to fix, not the server's duplicate-key text; once fixed it upgrades.
    void upgradeListsDuplicateHostNumbers()
    {
        TestDatabase db;
        dataset::Connection &c = db.connection();
        MakeVersion1Database(c, db.name());
        c.Execute(QStringLiteral("INSERT INTO document (documentid, documenttype, documentdate, warehouseid, number) "
                                 "VALUES (101, 'R', '2026-01-05', 1, '9'), (102, 'R', '2026-03-01', 1, '9'), "
                                 "(103, 'R', '2025-03-01', 1, '9'), (104, 'H', '2026-01-05', NULL, '7'), "
                                 "(105, 'H', '2026-02-05', 0, '7'), (106, 'H', '2026-01-05', 2, '')"));
        try {
            dbserver::UpgradeSchema(c);
            QFAIL("duplicate numbers were upgraded");
        } catch (const dataset::Error &error) {
            const QStringList lines = error.message().split(QLatin1Char('\n'));
            QVERIFY2(lines.first().startsWith(QStringLiteral("Prelaz na verziju 3 nije moguć: brojevi dokumenata "
                                                             "se ponavljaju")),
                     qPrintable(error.message()));
            QVERIFY2(lines.last().startsWith(QStringLiteral("Poruka servera: ")), qPrintable(error.message()));
            const QStringList listed{"  vrsta H, godina 2026, magacin 0, broj 7: 2 dokumenta (documentid 104, 105)",
                                     "  vrsta R, godina 2026, magacin 1, broj 9: 2 dokumenta (documentid 101, 102)"};
            QCOMPARE(lines.mid(1, lines.size() - 2), listed);
        }
        QCOMPARE(dbserver::InstalledSchemaVersion(c), 2);
        c.Execute(QStringLiteral("UPDATE document SET number = '10' WHERE documentid IN (102, 105)"));
        QCOMPARE(dbserver::UpgradeSchema(c), dbserver::SchemaVersion - 2);
    }

    // Previous generations an import kept before the upgrade get what the migrations gave
    // their live tables, so an undo never brings an older structure back.
    void upgradeBringsPreviousGenerationsAlong()
    {
        TestDatabase db;
        dataset::Connection &c = db.connection();
        MakeVersion1Database(c, db.name());
        const QStringList replaced{"parkingticketraw", "parkingticket", "parkingsubscription"};
        for (const QString &table : replaced)
            c.Execute(QStringLiteral("CREATE TABLE %1_prev LIKE %1").arg(table));
        dbserver::UpgradeSchema(c);
        const auto structure = [&c](const QString &table, const QString &as) {
            QString text = Rows(c, QStringLiteral("SHOW CREATE TABLE ") + table).first().section(QLatin1Char('|'), 1);
            text.replace(QRegularExpression(QStringLiteral(" AUTO_INCREMENT=[0-9]+")), QString());
            return text.replace(QStringLiteral("`%1`").arg(table), QStringLiteral("`%1`").arg(as));
        };
        for (const QString &table : replaced)
            QCOMPARE(structure(table + QStringLiteral("_prev"), table), structure(table, table));
        // Without previous generations the migration has nothing to do.
        TestDatabase fresh;
        MakeVersion1Database(fresh.connection(), fresh.name());
        QCOMPARE(dbserver::UpgradeSchema(fresh.connection()), dbserver::SchemaVersion - 1);
    }

    void versionCheckMessages()
    {
        TestDatabase db;
        db.connection().Execute(QStringLiteral("UPDATE schemaversion SET version = 1"));
        try {
            dbserver::CheckSchemaVersion(db.connection());
            QFAIL("an older schema was accepted");
        } catch (const dataset::Error &error) {
            QCOMPARE(error.message(), QStringLiteral("Baza je verzije 1; pokrenite parking-dbserver upgrade."));
        }
        db.connection().Execute(QStringLiteral("INSERT INTO schemaversion (version) VALUES (%1)")
                                    .arg(dbserver::SchemaVersion + 1));
        try {
            dbserver::UpgradeSchema(db.connection());
            QFAIL("a newer schema was upgraded");
        } catch (const dataset::Error &error) {
            QVERIFY2(error.message().contains(QString::number(dbserver::SchemaVersion + 1))
                         && error.message().contains(QString::number(dbserver::SchemaVersion)),
                     qPrintable(error.message()));
        }
    }

    // createdb on a server named by its address: the database, the desks' account with
    // only the data's rights and the import account with the table swap's, their
    // passwords in private files, the console's admin; a second run changes nothing.
    void sharedCreateDatabase()
    {
        TestDatabase db;
        m_server.Execute(QStringLiteral("DROP DATABASE %1").arg(dataset::Connection::QuoteIdentifier(db.name())));
        const QString appUser = QStringLiteral("t_app_%1").arg(QCoreApplication::applicationPid());
        const QString importUser = QStringLiteral("t_imp_%1").arg(QCoreApplication::applicationPid());
        for (const QString &user : {appUser, importUser})
            m_server.Execute(QStringLiteral("DROP USER IF EXISTS '%1'@'localhost'").arg(user));
        QTemporaryDir dir;
        QFile adminPassword(dir.filePath(QStringLiteral("admin")));
        QVERIFY(adminPassword.open(QIODevice::WriteOnly));
        adminPassword.write("Prva-lozinka\n");
        adminPassword.close();
        const QString appPassword = dir.filePath(QStringLiteral("app.password"));
        const QString importPassword = dir.filePath(QStringLiteral("import.password"));
        const auto options = dbserver::ParseSharedServerOptions(
            {QStringLiteral("--socket"), m_server.Params().socket, QStringLiteral("--server-user"),
             m_server.Params().user, QStringLiteral("--app-host"), QStringLiteral("localhost"),
             QStringLiteral("--app-user"), appUser, QStringLiteral("--app-password-out"),
             appPassword, QStringLiteral("--import-user"), importUser, QStringLiteral("--import-password-out"),
             importPassword, QStringLiteral("--admin-password-file"), adminPassword.fileName(), db.name()});
        QVERIFY(options);
        QCOMPARE(options->appHost, QStringLiteral("localhost"));
        const QStringList created = dbserver::CreateSharedDatabase(*options);
        QVERIFY2(created.first().contains(QStringLiteral("napravljena")), qPrintable(created.join('\n')));
        for (const QString &file : {appPassword, importPassword})
            QCOMPARE(QFile(file).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

        const auto open = [&db](dataset::Connection &connection, const QString &user, const QString &passwordPath) {
            dataset::ConnectionParams params = db.params();
            params.user = user;
            QFile passwordFile(passwordPath);
            QVERIFY(passwordFile.open(QIODevice::ReadOnly));
            params.password = QString::fromUtf8(passwordFile.readLine()).trimmed();
            connection.Connect(params);
        };
        dataset::Connection desk;
        open(desk, appUser, appPassword);
        QCOMPARE(dbserver::InstalledSchemaVersion(desk), dbserver::SchemaVersion);
        QCOMPARE(Value(desk, QStringLiteral("SELECT username FROM user")), QStringLiteral("admin"));
        dataset::Connection import;
        open(import, importUser, importPassword);
        import.Execute(QStringLiteral("CREATE TABLE parkingticket_copy LIKE parkingticket"));
        import.Execute(QStringLiteral("RENAME TABLE parkingticket_copy TO parkingticket_old"));
        import.Execute(QStringLiteral("DROP TABLE parkingticket_old"));
        for (dataset::Connection *account : {&desk, &import}) {
            for (const QString &refused :
                 {QStringLiteral("CREATE DATABASE t_other"), QStringLiteral("SELECT * FROM mysql.user"),
                  QStringLiteral("GRANT SELECT ON *.* TO CURRENT_USER")}) {
                QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, account->Execute(refused));
            }
        }
        for (const QString &refused : {QStringLiteral("CREATE TABLE parkingticket_copy LIKE parkingticket"),
                                       QStringLiteral("UPDATE user SET passwordhash = ''")}) {
            QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, desk.Execute(refused));
        }

        const QStringList again = dbserver::CreateSharedDatabase(*options);
        QVERIFY2(again.last().contains(QStringLiteral("ništa nije promenjeno")), qPrintable(again.join('\n')));
        desk.Connect(desk.Params()); // the passwords stayed what they were
        import.Connect(import.Params());
        for (const QString &user : {appUser, importUser})
            m_server.Execute(QStringLiteral("DROP USER '%1'@'localhost'").arg(user));
    }

    // The one account of earlier versions could drop the database; createdb run again
    // narrows it to the desks' rights, and an upgrade gives them on the tables it adds.
    void sharedAccountNarrowedAndRefreshed()
    {
        TestDatabase db;
        const QString appUser = QStringLiteral("t_old_%1").arg(QCoreApplication::applicationPid());
        m_server.Execute(QStringLiteral("DROP USER IF EXISTS '%1'@'localhost'").arg(appUser));
        m_server.Execute(QStringLiteral("CREATE USER '%1'@'localhost' IDENTIFIED BY 'Stara-lozinka'").arg(appUser));
        // As earlier versions granted it: on the database's name with its wildcards escaped.
        QString literal = db.name();
        literal.replace(QLatin1Char('_'), QStringLiteral("\\_"));
        m_server.Execute(
            QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE, CREATE, DROP, ALTER ON %1.* TO '%2'@'localhost'")
                .arg(dataset::Connection::QuoteIdentifier(literal), appUser));
        dataset::ConnectionParams params = db.params();
        params.user = appUser;
        params.password = QStringLiteral("Stara-lozinka");
        dataset::Connection desk;
        dataset::Connection administrator;
        administrator.Connect(m_server.Params());
        const auto upgrade = [&] {
            db.connection().Execute(QStringLiteral("DELETE FROM schemaversion"));
            db.connection().Execute(QStringLiteral("INSERT INTO schemaversion (version) VALUES (1)"));
            QVERIFY(dbserver::UpgradeDatabase(administrator, db.name()).contains(QStringLiteral("sa verzije 1")));
        };
        // The upgrade that brings the log-in's procedures lets the old account call them.
        upgrade();
        desk.Connect(params);
        desk.Execute(QStringLiteral("CALL loginwait('admin', @wait)"));

        const auto options = dbserver::ParseSharedServerOptions(
            {QStringLiteral("--socket"), m_server.Params().socket, QStringLiteral("--server-user"),
             m_server.Params().user, QStringLiteral("--app-host"), QStringLiteral("localhost"),
             QStringLiteral("--app-user"), appUser, db.name()});
        QVERIFY(options);
        dbserver::CreateSharedDatabase(*options);
        desk.Connect(params);
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, desk.Execute(QStringLiteral("DROP TABLE parkingdocument")));

        // A later version's table, as a migration adds it.
        db.connection().Execute(QStringLiteral("CREATE TABLE laterdata (a INT)"));
        upgrade();
        desk.Execute(QStringLiteral("INSERT INTO laterdata VALUES (1)"));
        m_server.Execute(QStringLiteral("DROP USER '%1'@'localhost'").arg(appUser));
    }

    void testDatabasesAreSeparateAndDropped()
    {
        QString firstName;
        {
            TestDatabase first;
            TestDatabase second;
            firstName = first.name();
            QVERIFY(first.name() != second.name());
            QCOMPARE(first.params().database, first.name());
            first.connection().Execute(QStringLiteral("INSERT INTO tax (name, value) VALUES ('X', 1)"));
            QCOMPARE(Value(second.connection(), QStringLiteral("SELECT COUNT(*) FROM tax")), QStringLiteral("0"));
            QVERIFY(DatabaseExists(second.connection(), firstName));
        }
        QVERIFY(!DatabaseExists(m_server, firstName));
    }

private:
    dataset::Connection m_server; // to the test server, no database selected
    QString m_orphan;
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_Schema.moc"
