#include "../host/FakeHost.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/base/Validator.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DocDescription.h>
#include <parking/data/ParkingConfig.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/HostServices.h>
#include <routines/FormatFloat.h>
#include <tests/support/TestDatabase.h>

#include <QFile>
#include <QTest>

namespace {

// How the console answers who the current user is.
enum UserMode { NoConsole = -100, NoSecurity = -101, NoUser = -1 };

// Makes a fake console the console of 'host' for one test; user ids >= 0 are logged in.
class ConsoleScope {
public:
    ConsoleScope(parking::HostServices &host, int mode) : m_host(host)
    {
        if (mode == NoConsole)
            return;
        auto console = CreateInterfaced<FakeConsole>();
        if (mode != NoSecurity) {
            console->security = CreateInterfaced<FakeSecurityModule>();
            console->security->currentUserId = mode;
        }
        m_host.SetConsole(console);
    }
    ~ConsoleScope() { m_host.SetConsole({}); }
    ConsoleScope(const ConsoleScope &) = delete;
    ConsoleScope &operator=(const ConsoleScope &) = delete;

private:
    parking::HostServices &m_host;
};

// Writes the configuration file beside the test program and removes it afterwards.
class ConfigFile {
public:
    explicit ConfigFile(const QString &text) : m_path(ParkingConfigFilePath(parking::HostServices()))
    {
        QFile::remove(m_path);
        if (text.isEmpty())
            return;
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(m_path));
        file.write(text.toUtf8());
    }
    ~ConfigFile() { QFile::remove(m_path); }
    ConfigFile(const ConfigFile &) = delete;
    ConfigFile &operator=(const ConfigFile &) = delete;

private:
    QString m_path;
};

qint64 InsertDocument(dataset::Connection &db, const QString &number, const QString &dateTime)
{
    db.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber) "
                              "VALUES (%1, %2, 'BG', '123AB')")
                   .arg(dataset::Connection::Quote(number), dataset::Connection::Quote(dateTime)));
    const qint64 id = db.LastInsertId();
    CountParkingDocument(db);
    return id;
}

int RowCount(dataset::Connection &db, const QString &table)
{
    dataset::Query count;
    count.SetConnection(&db);
    count.SetSQL({QStringLiteral("SELECT COUNT(*) AS n FROM ") + table});
    count.Open();
    return count.FieldByName(QStringLiteral("n")).AsInteger();
}

} // namespace

class TestParkingDM : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void datasetsOpen_data();
    void datasetsOpen();
    void itemTotal();
    void docIndex_data();
    void docIndex();
    void newRecordDefaults_data();
    void newRecordDefaults();
    void documentRules_data();
    void documentRules();
    void itemNeedsTicketNumber();
    void publisher_data();
    void publisher();
    void defaultWarehouse_data();
    void defaultWarehouse();
    void documentDisplayTexts();

private:
    dataset::Connection &db() { return m_db->connection(); }

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TParkingDM> m_dm;
};

void TestParkingDM::init()
{
    m_db = std::make_unique<TestDatabase>();
    m_dm = TCustomDM::Create<TParkingDM>();
    m_dm->SetZConnection(&db());
}

void TestParkingDM::cleanup()
{
    m_dm.reset();
    m_db.reset();
}

void TestParkingDM::datasetsOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("opensEmpty");
    QTest::newRow("zone frame") << QStringLiteral("ParkingZoneFrameZQ") << false;
    QTest::newRow("documents") << QStringLiteral("ParkingDocumentZQ") << true;
    QTest::newRow("items") << QStringLiteral("ParkingDocumentItemZQ") << true;
    QTest::newRow("pay desk users") << QStringLiteral("ParkingPayDeskUserZQ") << false;
    QTest::newRow("pay desk products") << QStringLiteral("ParkingPayDeskProductZQ") << false;
    QTest::newRow("tickets") << QStringLiteral("ParkingTicketZQ") << false;
    QTest::newRow("subscriptions") << QStringLiteral("ParkingSubscriptionZQ") << false;
    QTest::newRow("ticket staging") << QStringLiteral("ParkingTicketRawZQ") << false;
    QTest::newRow("host document") << QStringLiteral("DocumentZQ") << true;
    QTest::newRow("host items") << QStringLiteral("DocumentItemZQ") << true;
}

// Every dataset's SQL runs against the schema and yields the declared fields; the
// ones meant to open empty do so even with rows in their tables.
void TestParkingDM::datasetsOpen()
{
    QFETCH(QString, name);
    QFETCH(bool, opensEmpty);

    const qint64 doc = InsertDocument(db(), QStringLiteral("1/13"), QStringLiteral("2013-05-01 10:00:00"));
    db().Execute(QStringLiteral("INSERT INTO parkingdocumentitem (taxid, productid, parkingdocumentid, ticketnumber) "
                                "VALUES (1, 1, %1, 'K1')").arg(doc));
    db().Execute(QStringLiteral("INSERT INTO document (number, documenttype) VALUES ('1', 'F')"));
    db().Execute(QStringLiteral("INSERT INTO documentitem (documentid, productid, taxid) VALUES (%1, 1, 1)")
                     .arg(db().LastInsertId()));

    auto *query = m_dm->findChild<dataset::Query *>(name);
    QVERIFY(query);
    QVERIFY(!query->Active());
    query->Open();
    if (opensEmpty)
        QVERIFY(query->IsEmpty());
    for (int i = 0; i < query->FieldCount(); ++i)
        QVERIFY(!query->Fields(i).FieldName().isEmpty());
    query->Close();
}

void TestParkingDM::itemTotal()
{
    const qint64 doc = InsertDocument(db(), QStringLiteral("1/13"), QStringLiteral("2013-05-01 10:00:00"));
    db().Execute(QStringLiteral("INSERT INTO parkingdocumentitem (itemvalue, taxvalue, taxid, productid, "
                                "parkingdocumentid, ticketnumber) VALUES (100, 20, 1, 1, %1, 'K1')").arg(doc));
    dataset::Query &items = m_dm->ParkingDocumentItemZQ();
    items.SQL().last() = QStringLiteral("FROM parkingdocumentitem WHERE parkingdocumentid = %1").arg(doc);
    items.Open();
    QCOMPARE(items.RecordCount(), 1);
    const dataset::Field &total = items.FieldByName(QStringLiteral("ItemTotal"));
    QCOMPARE(total.AsFloat(), 120.0);
    FormatSettingsGuard keep;
    FormatSettings::Current().DecimalSeparator = QLatin1Char('.');
    QCOMPARE(total.DisplayText(), QStringLiteral("120.00"));
    QCOMPARE(total.DisplayLabel(), QStringLiteral("Vred.+PDV"));
}

void TestParkingDM::docIndex_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<int>("expected");

    const QDateTime in2013(QDate(2013, 6, 1), QTime(9, 0));
    QTest::newRow("empty table") << QStringList{} << QDateTime(QDate(2014, 1, 2), QTime(8, 0)) << 1;
    QTest::newRow("count plus one") << QStringList{"1/13", "2/13"} << in2013 << 3;
    QTest::newRow("count covers every year") << QStringList{"1/12", "2/12", "1/13"} << in2013 << 4;
    // Document 1/13 was deleted: count + 1 is 3/13, which is taken.
    QTest::newRow("after a deletion") << QStringList{"2/13", "3/13"} << in2013 << 4;
    QTest::newRow("steps over a run") << QStringList{"3/13", "4/13", "6/13"} << in2013 << 5;
    QStringList longRun;    // 40 documents numbered 41..80: count + 1 is the first of them
    for (int n = 41; n <= 80; ++n)
        longRun << QStringLiteral("%1/13").arg(n);
    QTest::newRow("steps over a long run") << longRun << in2013 << 81;
    QTest::newRow("other year does not block") << QStringList{"3/12", "1/13"} << in2013 << 3;
}

void TestParkingDM::docIndex()
{
    QFETCH(QStringList, existing);
    QFETCH(QDateTime, date);
    QFETCH(int, expected);
    for (const QString &number : existing)
        InsertDocument(db(), number, QStringLiteral("2013-05-01 10:00:00"));
    QCOMPARE(m_dm->GetParkingDocIndex(date), expected);
}

void TestParkingDM::newRecordDefaults_data()
{
    QTest::addColumn<int>("userMode");
    QTest::addColumn<int>("expectedUser");
    QTest::newRow("logged-in user") << 9 << 9;
    QTest::newRow("no security module") << int(NoSecurity) << 0;
    QTest::newRow("no user") << int(NoUser) << -1;
}

void TestParkingDM::newRecordDefaults()
{
    QFETCH(int, userMode);
    QFETCH(int, expectedUser);
    ConsoleScope console(m_dm->Host(), userMode);
    InsertDocument(db(), QStringLiteral("7/01"), QStringLiteral("2001-05-01 10:00:00"));

    dataset::Query &documents = m_dm->ParkingDocumentZQ();
    documents.Open();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    documents.Append();
    const QDateTime stamped = documents.FieldByName(QStringLiteral("documentdatetime")).AsDateTime();
    QVERIFY(stamped >= before && stamped <= QDateTime::currentDateTime().addSecs(1));
    QCOMPARE(documents.FieldByName(QStringLiteral("number")).AsString(),
             QStringLiteral("2/") + stamped.toString(QStringLiteral("yy")));
    QCOMPARE(documents.FieldByName(QStringLiteral("userid")).AsInteger(), expectedUser);
    documents.Cancel();

    dataset::Query &items = m_dm->ParkingDocumentItemZQ();
    items.Open();
    items.Append();
    QCOMPARE(items.FieldByName(QStringLiteral("quantity")).AsFloat(), 1.0);
    QVERIFY(items.FieldByName(QStringLiteral("ticketnumber")).AsString().isEmpty());
    items.Cancel();
}

void TestParkingDM::documentRules_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("cityreg");
    QTest::addColumn<QString>("regnumber");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("ruleField");   // the field rule that must refuse, if any

    QTest::newRow("complete") << QString() << QStringLiteral("BG") << QStringLiteral("123-AB") << true
                              << QString();
    QTest::newRow("no town mark") << QString() << QString() << QStringLiteral("123-AB") << false << QString();
    QTest::newRow("blank town mark") << QString() << QStringLiteral("  ") << QStringLiteral("123-AB") << false
                                     << QStringLiteral("cityreg");
    QTest::newRow("no number plate") << QString() << QStringLiteral("BG") << QString() << false << QString();
    QTest::newRow("blank number plate") << QString() << QStringLiteral("BG") << QStringLiteral(" ") << false
                                        << QStringLiteral("regnumber");
    QTest::newRow("empty document number") << QStringLiteral("") << QStringLiteral("BG")
                                           << QStringLiteral("1") << false << QString();
    // Refused by the rule before the database's unique key is reached.
    QTest::newRow("number in use") << QStringLiteral("5/13") << QStringLiteral("BG")
                                   << QStringLiteral("1") << false << QStringLiteral("number");
}

void TestParkingDM::documentRules()
{
    QFETCH(QString, number);
    QFETCH(QString, cityreg);
    QFETCH(QString, regnumber);
    QFETCH(bool, accepted);
    QFETCH(QString, ruleField);
    InsertDocument(db(), QStringLiteral("5/13"), QStringLiteral("2013-05-01 10:00:00"));

    dataset::Query &documents = m_dm->ParkingDocumentZQ();
    documents.Open();
    documents.Append();
    if (!number.isNull())
        documents.FieldByName(QStringLiteral("number")).SetAsString(number);
    documents.FieldByName(QStringLiteral("cityreg")).SetAsString(cityreg);
    documents.FieldByName(QStringLiteral("regnumber")).SetAsString(regnumber);
    if (accepted) {
        documents.Post();
    } else {
        try {
            documents.Post();
            QFAIL("the post was not refused");
        } catch (const EValidationError &refused) {
            if (!ruleField.isEmpty())
                QCOMPARE(refused.FieldName(), ruleField);
        } catch (const dataset::Error &) {
            QVERIFY2(ruleField.isEmpty(), "refused, but not by the field rule");
        }
        QCOMPARE(documents.State(), dataset::DataSetState::Insert);
        documents.Cancel();
    }
    QCOMPARE(RowCount(db(), QStringLiteral("parkingdocument")), accepted ? 2 : 1);
}

void TestParkingDM::itemNeedsTicketNumber()
{
    const qint64 doc = InsertDocument(db(), QStringLiteral("1/13"), QStringLiteral("2013-05-01 10:00:00"));
    dataset::Query &items = m_dm->ParkingDocumentItemZQ();
    items.Open();
    items.Append();
    const QList<std::pair<QString, QVariant>> values{
        {QStringLiteral("price"), 100.0}, {QStringLiteral("itemvalue"), 100.0},
        {QStringLiteral("taxid"), 1},     {QStringLiteral("taxvalue"), 20.0},
        {QStringLiteral("productid"), 1}, {QStringLiteral("productcode"), QStringLiteral("DK1200")},
        {QStringLiteral("productname"), QStringLiteral("Doplatna karta")},
        {QStringLiteral("parkingdocumentid"), doc},
    };
    for (const auto &[field, value] : values)
        items.FieldByName(field).SetValue(value);
    QVERIFY_THROWS_EXCEPTION(dataset::Error, items.Post());

    items.FieldByName(QStringLiteral("ticketnumber")).SetAsString(QStringLiteral("K-77"));
    items.Post();
    items.ApplyUpdates();
    QCOMPARE(RowCount(db(), QStringLiteral("parkingdocumentitem")), 1);
}

void TestParkingDM::publisher_data()
{
    QTest::addColumn<int>("userMode");
    QTest::addColumn<bool>("current");
    QTest::addColumn<int>("inId");
    QTest::addColumn<int>("outId");
    QTest::addColumn<QString>("outName");

    const QString untouched = QStringLiteral("nepromenjeno");
    QTest::newRow("no console") << int(NoConsole) << true << 5 << 5 << untouched;
    QTest::newRow("no security module") << int(NoSecurity) << true << 5 << 5 << untouched;
    QTest::newRow("current user") << 7 << true << 0 << 7 << QStringLiteral("Petar Petrović");
    QTest::newRow("no current user") << int(NoUser) << true << 0 << -1 << QString();
    QTest::newRow("user by id") << 7 << false << 9 << 9 << QStringLiteral("Ana Đokić");
    QTest::newRow("unknown id") << 7 << false << 42 << -1 << QString();
}

void TestParkingDM::publisher()
{
    QFETCH(int, userMode);
    QFETCH(bool, current);
    QFETCH(int, inId);
    QFETCH(int, outId);
    QFETCH(QString, outName);
    ConsoleScope console(m_dm->Host(), userMode);

    int userId = inId;
    QString userName = QStringLiteral("nepromenjeno");
    m_dm->GetPublisher(userId, userName, current);
    QCOMPARE(userId, outId);
    QCOMPARE(userName, outName);
}

void TestParkingDM::defaultWarehouse_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("userMode");
    QTest::addColumn<bool>("withPrimary");
    QTest::addColumn<QString>("expected");    // warehouse name; empty: none found

    const QString config = QStringLiteral("[Document]\nDefWarehouseName=Sedmica\n"
                                          "[Parking]\n7=Centar\n0=Lager\n-1=Lager\n");
    const QString odd = QStringLiteral("O'Brien \\ Lager");
    QTest::newRow("user's own warehouse") << config << QString() << 7 << true << QStringLiteral("Centar");
    QTest::newRow("user without one") << config << QString() << 9 << true << QStringLiteral("Sedmica");
    QTest::newRow("no security module: user 0") << config << QString() << int(NoSecurity) << true
                                                << QStringLiteral("Lager");
    QTest::newRow("no current user: user -1") << config << QString() << int(NoUser) << true
                                              << QStringLiteral("Lager");
    QTest::newRow("name given wins") << config << QStringLiteral("Sedmica") << 7 << true
                                     << QStringLiteral("Sedmica");
    QTest::newRow("nothing configured") << QString() << QString() << 7 << true << QStringLiteral("Glavni");
    QTest::newRow("no primary warehouse") << QString() << QString() << 7 << false << QString();
    QTest::newRow("configured name missing") << QStringLiteral("[Document]\nDefWarehouseName=Nema\n")
                                             << QString() << 7 << true << QString();
    QTest::newRow("quote and backslash given") << QString() << odd << 7 << true << odd;
    QTest::newRow("quote and backslash configured")
        << QStringLiteral("[parking]\n7 = %1\n").arg(odd) << QString() << 7 << true << odd;
    QTest::newRow("quote cannot widen the search")
        << QString() << QStringLiteral("x' OR status = 'primary") << 7 << true << QString();
    QTest::newRow("backslash cannot end the literal")
        << QString() << QStringLiteral("x\\' OR status = 'primary' -- ") << 7 << true << QString();
}

void TestParkingDM::defaultWarehouse()
{
    QFETCH(QString, config);
    QFETCH(QString, name);
    QFETCH(int, userMode);
    QFETCH(bool, withPrimary);
    QFETCH(QString, expected);

    struct Warehouse { QString name; QString priceType; QString currency; QString status; };
    const QList<Warehouse> warehouses{
        {QStringLiteral("Centar"), QStringLiteral("m"), QStringLiteral("EUR"), QStringLiteral("")},
        {QStringLiteral("Sedmica"), QStringLiteral("n"), QStringLiteral("RSD"), QStringLiteral("")},
        {QStringLiteral("Lager"), QStringLiteral("v"), QStringLiteral("USD"), QStringLiteral("")},
        {QStringLiteral("O'Brien \\ Lager"), QStringLiteral("b"), QStringLiteral("CHF"), QStringLiteral("")},
        {QStringLiteral("Glavni"), QStringLiteral("v"), QStringLiteral("RSD"),
         withPrimary ? QStringLiteral("primary") : QStringLiteral("")},
    };
    int expectedId = -1;
    QChar expectedType = QLatin1Char('v');
    QString expectedCurrency;
    for (const Warehouse &w : warehouses) {
        db().Execute(QStringLiteral("INSERT INTO warehouse (name, pricetype, warehousecurrency, status) "
                                    "VALUES (%1, %2, %3, %4)")
                         .arg(dataset::Connection::Quote(w.name), dataset::Connection::Quote(w.priceType),
                              dataset::Connection::Quote(w.currency), dataset::Connection::Quote(w.status)));
        if (w.name == expected) {
            expectedId = int(db().LastInsertId());
            expectedType = w.priceType.at(0);
            expectedCurrency = w.currency;
        }
    }
    QVERIFY(expected.isEmpty() || expectedId > 0);

    ConfigFile file(config);
    ConsoleScope console(m_dm->Host(), userMode);
    int warehouseId = 0;
    QChar priceType;
    QString currency = QStringLiteral("x");
    m_dm->GetDefaultWarehouse(name, warehouseId, priceType, currency);
    QCOMPARE(warehouseId, expectedId);
    QCOMPARE(priceType, expectedType);
    QCOMPARE(currency, expectedCurrency);
}

void TestParkingDM::documentDisplayTexts()
{
    dataset::Query &documents = m_dm->DocumentZQ();
    documents.Open();
    QVERIFY(documents.IsEmpty());
    QCOMPARE(documents.FieldByName(QStringLiteral("status")).DisplayText(), QString());
    documents.Close();

    db().Execute(QStringLiteral("INSERT INTO document (number, status, documenttype) VALUES "
                                "('1', 'p', 'F'), ('2', 'n', 'G'), ('3', '', 'M')"));
    documents.SQL().last() = QStringLiteral("ORDER BY d.number");
    documents.Open();
    const QStringList statuses{CommonResourceString(u"_DOC_REG_STATUS_CAPTION"),
                               CommonResourceString(u"_DOC_NOT_REG_STATUS_CAPTION"),
                               CommonResourceString(u"_DOC_NOT_REG_STATUS_CAPTION")};
    const QStringList types{QStringLiteral("F"), QStringLiteral("G"), QStringLiteral("M")};
    QCOMPARE(documents.RecordCount(), 3);
    documents.First();
    for (int row = 0; row < 3; ++row, documents.Next()) {
        QCOMPARE(documents.FieldByName(QStringLiteral("status")).DisplayText(), statuses.at(row));
        QCOMPARE(documents.FieldByName(QStringLiteral("documenttype")).DisplayText(),
                 GetDocDescription(types.at(row)));
    }
}

QTEST_MAIN(TestParkingDM)
#include "tst_ParkingDM.moc"
