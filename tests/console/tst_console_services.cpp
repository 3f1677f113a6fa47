// The console's module services and login over a real database.

#include <console/Authentication.h>
#include <console/dbserver/Schema.h>
#include <console/MainWindow.h>
#include <console/SnapinManager.h>
#include <console/connection/ConsoleSettings.h>
#include <console/services/ConsoleSession.h>
#include <console/services/Console.h>
#include <console/services/DocumentService.h>
#include <console/services/NoticeLog.h>
#include <console/services/PartnerModule.h>
#include <console/services/PartnerSelectDialog.h>
#include <console/services/ProductModule.h>
#include <console/services/ProductSelectDialog.h>
#include <console/services/SecurityModule.h>
#include <dataset/Connection.h>
#include <dataset/DataSource.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <dataset/widgets/DBGrid.h>
#include <tests/support/TestDatabase.h>

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QtTest>

#include <sodium.h>

#include <thread>

using namespace console;

class TestConsoleServices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findProducts_data();
    void findProducts();
    void productRecordIsComplete();
    void productPickerSearchesAndReturnsTheChoice();
    void partnerPickerSearchesAndReturnsTheCurrentLine();
    void serviceAnswersForItsInterfaceOnly();
    void nextNumber_data();
    void nextNumber();
    void nextNumberPassesStoredNumbers_data();
    void nextNumberPassesStoredNumbers();
    void twoDesksNeverShareNumber();
    void noticesNameTheDocument();
    void userDescription();
    void passwordCheck_data();
    void passwordCheck();
    void loginDelayAfterWrongPasswords();
    void changePassword_data();
    void changePassword();
    void afterConnectChecksSchemaVersion();
    void exportsPrintGridAsCsv();
    void mainWindowFitsAtLargeFont();
};

namespace {

void AddProducts(dataset::Connection &c)
{
    c.Execute(QStringLiteral("INSERT INTO tax (taxid, name, value) VALUES (1, 'PDV 20', 20), (2, 'PDV 10', 10)"));
    c.Execute(QStringLiteral(
        "INSERT INTO product (productid, name, code, barcode, additionalcode, price, taxid) VALUES "
        "(1, 'Doplatna karta 100', 'DK100', 'DK100', '', 100, 1),"
        "(2, 'doplatna karta 50', 'DK50', '8600001', 'ALT50', 50, 1),"
        "(3, 'Parking sat', 'PS1', '8600002', '', 80, 2),"
        "(4, 'Karta 100% popust', 'K_1', '8600003', '', 0, 1),"
        "(5, 'Karta 1000 popust', 'K11', '8600004', '', 0, 1),"
        "(6, 'Dnevna karta', 'DNE', '8600005', '', 300, 1),"
        "(7, 'O''Brien pretplata', 'OB', '8600006', '', 10, 1),"
        "(8, 'C:\\\\temp karta', 'CT', '8600007', '', 10, 1)"));
}

QStringList Names(const TProductDescArr &products)
{
    QStringList names;
    for (const TProductDesc &p : products)
        names << p.Name;
    return names;
}

} // namespace

void TestConsoleServices::findProducts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<ProductMatch>("match");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("prefix, any case, name order")
        << QStringLiteral("dOPL") << ProductMatch::NamePrefix
        << QStringList{QStringLiteral("Doplatna karta 100"), QStringLiteral("doplatna karta 50")};
    QTest::newRow("prefix is not contains")
        << QStringLiteral("karta") << ProductMatch::NamePrefix
        << QStringList{QStringLiteral("Karta 100% popust"), QStringLiteral("Karta 1000 popust")};
    QTest::newRow("contains") << QStringLiteral("KARTA") << ProductMatch::NameContains
                              << QStringList{QStringLiteral("C:\\temp karta"),     QStringLiteral("Dnevna karta"),
                                             QStringLiteral("Doplatna karta 100"), QStringLiteral("doplatna karta 50"),
                                             QStringLiteral("Karta 100% popust"),  QStringLiteral("Karta 1000 popust")};
    QTest::newRow("percent is no wildcard")
        << QStringLiteral("Karta 100%") << ProductMatch::NamePrefix << QStringList{QStringLiteral("Karta 100% popust")};
    QTest::newRow("underscore is no wildcard") << QStringLiteral("_") << ProductMatch::NameContains << QStringList();
    QTest::newRow("quote in text") << QStringLiteral("o'b") << ProductMatch::NamePrefix
                                   << QStringList{QStringLiteral("O'Brien pretplata")};
    QTest::newRow("backslash in text") << QStringLiteral("c:\\t") << ProductMatch::NamePrefix
                                       << QStringList{QStringLiteral("C:\\temp karta")};
    QTest::newRow("code equals, any case")
        << QStringLiteral("k_1") << ProductMatch::Code << QStringList{QStringLiteral("Karta 100% popust")};
    QTest::newRow("bar code equals") << QStringLiteral("8600001") << ProductMatch::Code
                                     << QStringList{QStringLiteral("doplatna karta 50")};
    QTest::newRow("additional code equals")
        << QStringLiteral("alt50") << ProductMatch::Code << QStringList{QStringLiteral("doplatna karta 50")};
    QTest::newRow("code is no prefix") << QStringLiteral("DK") << ProductMatch::Code << QStringList();
    QTest::newRow("code and bar code of one product")
        << QStringLiteral("DK100") << ProductMatch::Code << QStringList{QStringLiteral("Doplatna karta 100")};
}

void TestConsoleServices::findProducts()
{
    QFETCH(QString, text);
    QFETCH(ProductMatch, match);
    TestDatabase db;
    AddProducts(db.connection());
    const IntfPtr<ProductModule> module(new ProductModule(db.connection()));
    QTEST(Names(module->FindProducts(text, match)), "names");
}

// The picker narrows by name and falls back to codes; it returns the chosen lines'
// products in list order.
void TestConsoleServices::productPickerSearchesAndReturnsTheChoice()
{
    TestDatabase db;
    AddProducts(db.connection());
    const IntfPtr<ProductModule> module(new ProductModule(db.connection()));
    ProductSelectDialog dialog(*module);
    QCOMPARE(dialog.List()->count(), 8);

    dialog.SearchEdit()->setText(QStringLiteral("doplatna"));
    QCOMPARE(dialog.List()->count(), 2);
    dialog.List()->item(1)->setSelected(true);
    dialog.List()->item(0)->setSelected(true);
    QCOMPARE(Names(dialog.SelectedProducts()),
             (QStringList{QStringLiteral("Doplatna karta 100"), QStringLiteral("doplatna karta 50")}));

    dialog.SearchEdit()->setText(QStringLiteral("alt50"));    // no name holds it: the codes do
    QCOMPARE(dialog.List()->count(), 1);
    dialog.List()->item(0)->setSelected(true);
    QCOMPARE(Names(dialog.SelectedProducts()), QStringList{QStringLiteral("doplatna karta 50")});

    dialog.SearchEdit()->setText(QStringLiteral("nema"));
    QCOMPARE(dialog.List()->count(), 0);
    QVERIFY(dialog.SelectedProducts().empty());
}

// Name contains or code equals the text; the current line's partner comes back whole.
void TestConsoleServices::partnerPickerSearchesAndReturnsTheCurrentLine()
{
    TestDatabase db;
    db.connection().Execute(QStringLiteral("INSERT INTO partner (partnerid, name, code, address, zip, city) VALUES "
                                           "(1, 'Zeleni park', 'ZP', 'Bulevar 1', '11000', 'Beograd'),"
                                           "(2, 'Auto centar', 'AC7', 'Put 2', '21000', 'Novi Sad'),"
                                           "(3, 'Parking servis', 'PS', 'Trg 3', '18000', 'Niš')"));
    const IntfPtr<PartnerModule> module(new PartnerModule(db.connection()));
    PartnerSelectDialog dialog(*module);
    QCOMPARE(dialog.List()->count(), 3);
    QCOMPARE(dialog.List()->item(0)->text(), QStringLiteral("Auto centar   Put 2, 21000 Novi Sad"));

    dialog.SearchEdit()->setText(QStringLiteral("PARK")); // name order: "Parking servis", "Zeleni park"
    QCOMPARE(dialog.List()->count(), 2);
    dialog.List()->setCurrentRow(1);
    const auto chosen = dialog.SelectedPartner();
    QVERIFY(chosen);
    QCOMPARE(chosen->PartnerID, 1);
    QCOMPARE(chosen->Code, QStringLiteral("ZP"));
    QCOMPARE(chosen->City, QStringLiteral("Beograd"));

    dialog.SearchEdit()->setText(QStringLiteral("ac7"));
    QCOMPARE(dialog.List()->count(), 1);
    QCOMPARE(dialog.SelectedPartner()->Name, QStringLiteral("Auto centar"));

    dialog.SearchEdit()->setText(QStringLiteral("nema"));
    QVERIFY(!dialog.SelectedPartner());
}

void TestConsoleServices::serviceAnswersForItsInterfaceOnly()
{
    TestDatabase db;
    const IntfPtr<PartnerModule> module(new PartnerModule(db.connection()));
    QCOMPARE(module->RefCount(), 1);
    {
        const IntfPtr<IPartnerModule> asPartner = Supports<IPartnerModule>(module);
        QVERIFY(asPartner);
        QCOMPARE(module->RefCount(), 2);
        QVERIFY(!Supports<IProductModule>(module));
        QVERIFY(!Supports<IInterface>(module));
        QCOMPARE(module->RefCount(), 2);
    }
    QCOMPARE(module->RefCount(), 1);
}

void TestConsoleServices::productRecordIsComplete()
{
    TestDatabase db;
    AddProducts(db.connection());
    const IntfPtr<ProductModule> module(new ProductModule(db.connection()));
    const TProductDescArr found = module->FindProducts(QStringLiteral("8600001"), ProductMatch::Code);
    QCOMPARE(found.size(), std::size_t(1));
    const TProductDesc &p = found.front();
    QCOMPARE(p.ProductID, 2);
    QCOMPARE(p.Code, QStringLiteral("DK50"));
    QCOMPARE(p.BarCode, QStringLiteral("8600001"));
    QCOMPARE(p.AdditionalCode, QStringLiteral("ALT50"));
    QCOMPARE(p.Price, 50.0);
    QCOMPARE(p.TaxID, 1);
    QCOMPARE(p.TaxValue, 20.0);
    const TProductDesc sat = module->FindProducts(QStringLiteral("PS1"), ProductMatch::Code).at(0);
    QCOMPARE(sat.TaxValue, 10.0);
}

void TestConsoleServices::nextNumber_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("warehouse");
    QTest::addColumn<QString>("number");
    QTest::newRow("numeric, not text order") << "R" << QDate(2026, 3, 1) << 1 << "11";
    QTest::newRow("other year") << "R" << QDate(2025, 12, 31) << 1 << "31";
    QTest::newRow("year without documents") << "R" << QDate(2024, 1, 1) << 1 << "1";
    QTest::newRow("other type") << "M" << QDate(2026, 1, 1) << 1 << "6";
    QTest::newRow("type without documents") << "H" << QDate(2026, 1, 1) << 1 << "1";
    QTest::newRow("other warehouse") << "R" << QDate(2026, 1, 1) << 2 << "8";
    QTest::newRow("no warehouse") << "R" << QDate(2026, 1, 1) << 0 << "4";
    QTest::newRow("quote in type") << "R'" << QDate(2026, 1, 1) << 1 << "1";
}

void TestConsoleServices::nextNumber()
{
    QFETCH(QString, type);
    QFETCH(QDate, date);
    QFETCH(int, warehouse);
    TestDatabase db;
    db.connection().Execute(QStringLiteral(
        "INSERT INTO document (documenttype, documentdate, warehouseid, number) VALUES "
        "('R', '2026-01-05', 1, '1'), ('R', '2026-02-01', 1, '2'), ('R', '2026-12-31', 1, '10'),"
        "('R', '2026-06-01', 1, 'abc'), ('R', '2025-04-04', 1, '30'), ('M', '2026-01-05', 1, '5'),"
        "('R', '2026-01-05', 2, '7'), ('R', '2026-01-05', NULL, '3')"));
    SeedNumberCounters(db.connection()); // the counters an upgrade gives these documents
    NoticeLog log;
    const IntfPtr<DocumentService> service(new DocumentService(db.connection(), log));
    QTEST(service->GetNextNumber(type, QStringLiteral("n"), date, warehouse), "number");
    // The number is taken: the next call gives the one after it.
    QFETCH(QString, number);
    QCOMPARE(service->GetNextNumber(type, QStringLiteral("n"), date, warehouse), QString::number(number.toInt() + 1));
}

void TestConsoleServices::nextNumberPassesStoredNumbers_data()
{
    QTest::addColumn<int>("ahead"); // documents stored beside the counter after its last number
    QTest::addColumn<QString>("number");
    QTest::newRow("one ahead") << 1 << "12";
    QTest::newRow("more than a batch ahead") << 40 << "51";
}

// Documents stored beside the counter (a restored backup, a desk of an older program)
// hold the numbers after the counter's last one: each document of the same type, year and
// warehouse takes the first free number after them, and stores under it.
void TestConsoleServices::nextNumberPassesStoredNumbers()
{
    QFETCH(int, ahead);
    TestDatabase db;
    db.connection().Execute(QStringLiteral(
        "INSERT INTO numbercounter (series, documenttype, year, warehouseid, n) VALUES ('document', 'R', 2026, 1, 10)"));
    db.connection().Execute(QStringLiteral("INSERT INTO document (documenttype, documentdate, warehouseid, number) "
                                           "SELECT 'R', '2026-03-03', 1, 10 + seq FROM seq_1_to_%1")
                                .arg(ahead));
    // The same numbers of another warehouse and year are no obstacle.
    db.connection().Execute(QStringLiteral("INSERT INTO document (documenttype, documentdate, warehouseid, number) "
                                           "VALUES ('R', '2026-03-03', 2, '11'), ('R', '2025-03-03', 1, '11')"));
    NoticeLog log;
    const IntfPtr<DocumentService> service(new DocumentService(db.connection(), log));
    QFETCH(QString, number);
    for (const QString &expected : {number, QString::number(number.toInt() + 1)}) {
        dataset::Transaction transaction(db.connection());
        const QString drawn = service->GetNextNumber(QStringLiteral("R"), QStringLiteral("n"), QDate(2026, 5, 5), 1);
        QCOMPARE(drawn, expected);
        db.connection().Execute(QStringLiteral("INSERT INTO document (documenttype, documentdate, warehouseid, number) "
                                               "VALUES ('R', '2026-05-05', 1, %1)")
                                    .arg(dataset::Connection::Quote(drawn)));
        transaction.Commit();
    }
    dataset::Query counter;
    counter.SetConnection(&db.connection());
    counter.SetSQL({QStringLiteral("SELECT n FROM numbercounter WHERE series = 'document' AND documenttype = 'R' "
                                   "AND year = 2026 AND warehouseid = 1")});
    counter.Open();
    QCOMPARE(counter.Fields(0).AsInteger(), number.toInt() + 1);
}

// Two desks store 300 host documents each at the same time, each number drawn inside the
// transaction that stores its document: 600 numbers, none twice, the counter at 600.
void TestConsoleServices::twoDesksNeverShareNumber()
{
    TestDatabase db;
    constexpr int kEach = 300;
    QStringList failures[2];
    const auto desk = [&db, &failures](int index) {
        try {
            dataset::Connection connection;
            connection.Connect(db.params());
            NoticeLog log;
            const IntfPtr<DocumentService> service(new DocumentService(connection, log));
            for (int i = 0; i < kEach; ++i) {
                dataset::Transaction transaction(connection);
                dataset::Query insert;
                insert.SetConnection(&connection);
                insert.SetSQL({QStringLiteral("INSERT INTO document (documenttype, documentdate, warehouseid, number) "
                                              "VALUES ('H', '2026-05-05', 3, :number)")});
                insert.SetParam(QStringLiteral("number"),
                                service->GetNextNumber(QStringLiteral("H"), QStringLiteral("n"), QDate(2026, 5, 5), 3));
                insert.ExecSQL();
                transaction.Commit();
            }
        } catch (const std::exception &error) {
            failures[index] << QString::fromUtf8(error.what());
        }
    };
    std::thread first(desk, 0);
    std::thread second(desk, 1);
    first.join();
    second.join();
    QVERIFY2(failures[0].isEmpty() && failures[1].isEmpty(), qPrintable((failures[0] + failures[1]).join('\n')));
    const auto scalar = [&db](const QString &sql) {
        dataset::Query query;
        query.SetConnection(&db.connection());
        query.SetSQL({sql});
        query.Open();
        return query.Fields(0).AsString();
    };
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(DISTINCT number) FROM document")), QStringLiteral("600"));
    QCOMPARE(scalar(QStringLiteral("SELECT MAX(CAST(number AS UNSIGNED)) FROM document")), QStringLiteral("600"));
    QCOMPARE(scalar(QStringLiteral("SELECT n FROM numbercounter WHERE series = 'document' AND documenttype = 'H' "
                                   "AND year = 2026 AND warehouseid = 3")),
             QStringLiteral("600"));
}

void TestConsoleServices::noticesNameTheDocument()
{
    TestDatabase db;
    db.connection().Execute(QStringLiteral(
        "INSERT INTO document (documentid, documenttype, documentdate, number) VALUES "
        "(40, 'R', '2026-01-05', '15'), (41, 'H', '2026-01-05', '3')"));
    NoticeLog log;
    QSignalSpy added(&log, &NoticeLog::noticeAdded);
    const IntfPtr<DocumentService> service(new DocumentService(db.connection(), log));
    service->DocumentNotice(40, DocumentNoticeKind::Document);
    service->CashInvoiceNotice(41);
    QCOMPARE(added.size(), 2);
    QVERIFY(log.Entries().at(0).endsWith(QStringLiteral("Dokument R-15 je snimljen.")));
    QVERIFY(log.Entries().at(1).endsWith(QStringLiteral("Gotovinski račun H-3 je snimljen.")));
}

void TestConsoleServices::userDescription()
{
    TestDatabase db;
    db.connection().Execute(QStringLiteral(
        "INSERT INTO user (userid, username, firstname, lastname) VALUES "
        "(7, 'pera', 'Petar', 'Perić'), (8, 'mika', 'Mika', 'Mikić')"));
    const IntfPtr<SecurityModule> security(new SecurityModule(db.connection(), dbserver::SchemaVersion));

    TUserDesc user;
    QVERIFY(!security->GetUserDesc(user, false));   // nobody logged in yet

    TUserDesc current;
    current.UserID = 8;
    current.FirstName = QStringLiteral("Mika");
    current.LastName = QStringLiteral("Mikić");
    security->SetCurrentUser(current);
    user = TUserDesc();
    user.UserID = 7;   // ignored when asking for the current user
    QVERIFY(security->GetUserDesc(user, false));
    QCOMPARE(user.UserID, 8);
    QCOMPARE(user.LastName, QStringLiteral("Mikić"));

    user = TUserDesc();
    user.UserID = 7;
    QVERIFY(security->GetUserDesc(user, true));
    QCOMPARE(user.UserID, 7);
    QCOMPARE(user.FirstName, QStringLiteral("Petar"));
    QCOMPARE(user.LastName, QStringLiteral("Perić"));

    user = TUserDesc();
    user.UserID = 99;
    QVERIFY(!security->GetUserDesc(user, true));
    QVERIFY(security->GetConnection() == &db.connection());
}

namespace {

void AddUsers(dataset::Connection &c)
{
    c.Execute(QStringLiteral("INSERT INTO user (userid, username, firstname, lastname, passwordhash) VALUES "
                             "(7, 'pera', 'Petar', 'Perić', %1), (9, 'o''neil', 'Ana', 'O''Neil', %2),"
                             "(10, 'prazan', 'Bez', 'Lozinke', '')")
                  .arg(dataset::Connection::Quote(QString::fromUtf8(HashPassword(QStringLiteral("Lozinka-č1")))),
                       dataset::Connection::Quote(QString::fromUtf8(HashPassword(QStringLiteral("x'y"))))));
}

// True when 'hash' is a well-formed hash with the interactive limits: checking a
// password against it costs one full key derivation.
bool FullCost(const QByteArray &hash)
{
    return crypto_pwhash_str_needs_rehash(hash.constData(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                          crypto_pwhash_MEMLIMIT_INTERACTIVE) == 0;
}

} // namespace

void TestConsoleServices::passwordCheck_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("userId");
    const int accepted = int(LoginResult::Status::Accepted);
    const int rejected = int(LoginResult::Status::Rejected);
    QTest::newRow("right") << "pera" << "Lozinka-č1" << accepted << 7;
    QTest::newRow("wrong password") << "pera" << "lozinka-č1" << rejected << 0;
    QTest::newRow("empty password") << "pera" << "" << rejected << 0;
    QTest::newRow("unknown user") << "zika" << "Lozinka-č1" << rejected << 0;
    QTest::newRow("other case") << "PERA" << "Lozinka-č1" << rejected << 0;
    QTest::newRow("trailing blanks") << "pera  " << "Lozinka-č1" << rejected << 0;
    QTest::newRow("leading blank") << " pera" << "Lozinka-č1" << rejected << 0;
    QTest::newRow("quote in user name") << "o'neil" << "x'y" << accepted << 9;
    QTest::newRow("user without password")
        << "prazan" << "" << int(LoginResult::Status::PasswordNotSet) << 10;
}

// Every answer but "no password yet" costs exactly one key derivation of the same cost,
// whether the name exists or not.
void TestConsoleServices::passwordCheck()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, status);
    QFETCH(int, userId);
    TestDatabase db;
    AddUsers(db.connection());
    QList<QByteArray> checked;
    Authenticator authenticator(db.connection(), [&checked](const QString &typed, const QByteArray &settings) {
        checked << DerivePasswordHash(typed, settings);
        return checked.last();
    });
    const LoginResult result = authenticator.LogIn(user, password);
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.status == LoginResult::Status::Rejected ? 0 : result.user.UserID, userId);
    if (userId == 7)
        QCOMPARE(result.user.LastName, QStringLiteral("Perić"));
    if (result.status == LoginResult::Status::PasswordNotSet) {
        QVERIFY(checked.isEmpty());
        return;
    }
    QCOMPARE(checked.size(), 1);
    QVERIFY(FullCost(checked.first()));
    QVERIFY(!VerifyPassword(QStringLiteral("x"), QByteArrayLiteral("$argon2id$nije-hash")));
    QVERIFY(DerivePasswordHash(QStringLiteral("x"), QByteArrayLiteral("$argon2id$nije-hash$")).isEmpty());
    // The server compared what the desk derived; the hashes never reached the desk.
    if (result.status == LoginResult::Status::Accepted)
        QVERIFY(VerifyPassword(password, checked.first()));
}

// Five wrong passwords are free; then each try waits longer, and a try made too early
// is not checked at all. The right password after the wait resets the count. The count
// lives in the database: another console (another connection) sees the same wait.
void TestConsoleServices::loginDelayAfterWrongPasswords()
{
    TestDatabase db;
    AddUsers(db.connection());
    int checks = 0;
    Authenticator authenticator(db.connection(), [&checks](const QString &typed, const QByteArray &settings) {
        ++checks;
        return DerivePasswordHash(typed, settings);
    });
    // Time passes for the stored failures, not for the test.
    const auto elapse = [&db] {
        db.connection().Execute(QStringLiteral("UPDATE loginfailure SET lastfailure = lastfailure - INTERVAL 1 SECOND"));
    };
    using Status = LoginResult::Status;
    for (int i = 1; i < FreeLoginAttempts; ++i)
        QCOMPARE(authenticator.LogIn(QStringLiteral("pera"), QStringLiteral("x")).wait.count(), 0);
    QCOMPARE(authenticator.LogIn(QStringLiteral("pera"), QStringLiteral("x")).wait.count(), 1);
    QCOMPARE(checks, FreeLoginAttempts);

    LoginResult early = authenticator.LogIn(QStringLiteral("pera"), QStringLiteral("Lozinka-č1"));
    QCOMPARE(early.status, Status::TooEarly);
    QCOMPARE(early.wait.count(), 1);
    QCOMPARE(checks, FreeLoginAttempts);
    // Other names are not held up, nor is the same name in other letters' case.
    QCOMPARE(authenticator.LogIn(QStringLiteral("o'neil"), QStringLiteral("x'y")).status, Status::Accepted);
    QCOMPARE(authenticator.LogIn(QStringLiteral("Pera"), QStringLiteral("x")).wait.count(), 0);

    // A console started again, on its own connection, is held up just the same.
    dataset::Connection second;
    second.Connect(db.params());
    Authenticator restarted(second);
    QCOMPARE(restarted.LogIn(QStringLiteral("pera"), QStringLiteral("Lozinka-č1")).status, Status::TooEarly);

    elapse();
    QCOMPARE(authenticator.LogIn(QStringLiteral("pera"), QStringLiteral("y")).wait.count(), 2);
    elapse();
    QCOMPARE(restarted.LogIn(QStringLiteral("pera"), QStringLiteral("y")).status, Status::TooEarly);
    elapse();
    QCOMPARE(restarted.LogIn(QStringLiteral("pera"), QStringLiteral("Lozinka-č1")).status, Status::Accepted);
    QCOMPARE(authenticator.LogIn(QStringLiteral("pera"), QStringLiteral("y")).wait.count(), 0);
}

void TestConsoleServices::changePassword_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("repeated");
    QTest::addColumn<QString>("error");   // empty: changed
    QTest::newRow("changed") << "Lozinka-č1" << "Nova-lozinka" << "Nova-lozinka" << "";
    QTest::newRow("wrong current") << "Lozinka-c1" << "Nova-lozinka" << "Nova-lozinka" << "Trenutna lozinka";
    QTest::newRow("repeated differs") << "Lozinka-č1" << "Nova-lozinka" << "Nova-lozinkx" << "razlikuju";
    QTest::newRow("too short") << "Lozinka-č1" << "Kratka7" << "Kratka7" << "najmanje 8";
}

void TestConsoleServices::changePassword()
{
    QFETCH(QString, current);
    QFETCH(QString, newPassword);
    QFETCH(QString, repeated);
    QFETCH(QString, error);
    TestDatabase db;
    AddUsers(db.connection());
    Authenticator authenticator(db.connection());
    try {
        authenticator.ChangePassword(7, current, newPassword, repeated);
        QVERIFY2(error.isEmpty(), "the change was accepted");
    } catch (const dataset::Error &e) {
        QVERIFY2(!error.isEmpty() && e.message().contains(error), qPrintable(e.message()));
    }
    const bool changed = error.isEmpty();
    using Status = LoginResult::Status;
    QCOMPARE(authenticator.LogIn(QStringLiteral("pera"), newPassword).status, changed ? Status::Accepted : Status::Rejected);
    QCOMPARE(authenticator.LogIn(QStringLiteral("pera"), QStringLiteral("Lozinka-č1")).status,
             changed ? Status::Rejected : Status::Accepted);

    // A user without a password sets one without knowing a current one.
    authenticator.ChangePassword(10, QString(), QStringLiteral("Prva-lozinka"), QStringLiteral("Prva-lozinka"));
    QCOMPARE(authenticator.LogIn(QStringLiteral("prazan"), QStringLiteral("Prva-lozinka")).status, Status::Accepted);
    QVERIFY_THROWS_EXCEPTION(dataset::Error, authenticator.ChangePassword(99, QString(), newPassword, newPassword));
}

void TestConsoleServices::afterConnectChecksSchemaVersion()
{
    TestDatabase db;
    const IntfPtr<SecurityModule> security(new SecurityModule(db.connection(), dbserver::SchemaVersion));
    QVERIFY(security->AfterConnect());
    const IntfPtr<SecurityModule> newer(new SecurityModule(db.connection(), dbserver::SchemaVersion + 1));
    QVERIFY(!newer->AfterConnect());
    db.connection().Execute(QStringLiteral("DROP TABLE schemaversion"));
    QVERIFY(!security->AfterConnect());
}

void TestConsoleServices::exportsPrintGridAsCsv()
{
    TestDatabase db;
    AddProducts(db.connection());
    dataset::Query query;
    query.SetConnection(&db.connection());
    query.SetSQL({QStringLiteral("SELECT productid, code, name, price FROM product WHERE productid IN (1, 7)"),
                  QStringLiteral("ORDER BY productid")});
    dataset::FieldDef price;
    price.name = QStringLiteral("price");
    price.type = dataset::FieldType::Real;
    price.displayLabel = QStringLiteral("Cena");
    price.displayFormat = QStringLiteral("0.00");
    query.SetFieldDefs({price});
    query.Open();
    dataset::DataSource source;
    source.SetDataSet(&query);

    const IntfPtr<Console> console(new Console);
    NoticeLog notices;
    MainWindow window(*console, notices);
    auto *grid = new dataset::DBGrid(&window);
    grid->SetDataSource(&source);
    grid->setColumnHidden(0, true);   // productid
    QVERIFY(!window.ExportAction()->isEnabled());
    console->SetPrintGrid(grid);
    QVERIFY(window.ExportAction()->isEnabled());

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("izvoz.csv"));
    window.ExportTo(file, QLatin1Char(';'));
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(csv.readAll()),
             QStringLiteral("\"code\";\"name\";\"Cena\"\r\n"
                            "\"DK100\";\"Doplatna karta 100\";\"100,00\"\r\n"
                            "\"OB\";\"O'Brien pretplata\";\"10,00\"\r\n"));

    // The print wizard prints the print grid; without a display it writes a PDF.
    qputenv("PARKING_REPORT_DIR", dir.path().toUtf8());
    console->RunWizard(QStringLiteral("Štampa"), QStringLiteral("title:Blagajna 2026-12-06 - Proizvodi;header:"));
    qunsetenv("PARKING_REPORT_DIR");
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.pdf")}).size(), 1);

    // A grid that goes away is no longer the print grid.
    delete grid;
    QVERIFY(!console->GetPrintGrid());
    QVERIFY(!window.PrintAction()->isEnabled());
}

// At a desktop font of 13.5 points (150 %) the console with the module's list and search
// pane fits a screen 1280 pixels wide.
void TestConsoleServices::mainWindowFitsAtLargeFont()
{
    const QFont original = QApplication::font();
    const auto restore = qScopeGuard([&original] { QApplication::setFont(original); });
    QFont font = original;
    font.setPointSizeF(13.5);
    QApplication::setFont(font);
    TestDatabase db;
    QTemporaryDir dir;
    const ConsoleSettings settings(dir.filePath(QStringLiteral("konzola.ini")));
    ConsoleSession session(db.connection(), settings);
    SnapinManager snapins;
    QCOMPARE(snapins.LoadFolder(SnapinManager::DefaultFolder(), session.ConsoleInterface()), 1);
    {
        MainWindow window(session.GetConsole(), session.Notices());
        window.ShowSnapins(snapins);
        window.resize(1280, 900);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
        if (const QString grabs = qEnvironmentVariable("PARKING_GRAB_DIR"); !grabs.isEmpty())
            window.grab().save(QDir(grabs).filePath(QStringLiteral("main-150.png")));
        const int needed = window.minimumSizeHint().width();
        window.ShutdownSnapins();
        QVERIFY2(needed <= 1280, qPrintable(QString::number(needed)));
        QCOMPARE(window.width(), 1280);
    }
    snapins.StopAll();
}

QTEST_MAIN(TestConsoleServices)
#include "tst_console_services.moc"
