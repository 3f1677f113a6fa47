#include "../host/FakeDocumentHost.h"
#include "DocumentsFixture.h"

#include <console/dbserver/ServerAccounts.h>
#include <dataset/SaveToken.h>
#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBGrid.h>
#include <parking/data/HostDocumentWriter.h>
#include <parking/documents/ParkingDetailUnit.h>
#include <parking/paydesk/ParkingPayDeskUnit.h>
#include <tests/support/CommitCutProxy.h>

#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <thread>

// A payment is stored once whatever the network does around its COMMIT: the module's
// connection runs through a proxy that breaks the link there, and the editor and the
// host-document writer must neither lose the save nor store it twice.
class TestParkingSaveOnce : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void editorSave_data();
    void editorSave();
    void hostDocumentSave_data();
    void hostDocumentSave();
    void editorSaveSurvivesDeadlock();
    void editorSaveGivesUpAfterLimit();
    void editorSaveOnDesksAccount();
    void editorSaveWaitsForServerAway();
    void editsAfterUnknownOutcomeStored();
    void payDeskDocumentOnceAfterUnknownOutcome();
    void saveRefusedAfterUpgrade_data();
    void saveRefusedAfterUpgrade();
    void ticketPaidMeanwhileAskedOutsideTransaction_data();
    void ticketPaidMeanwhileAskedOutsideTransaction();
    void ticketLookupsRunAgainAfterLostLink();
    void ticketSavedByAnotherDeskAtOnceAsked();
};

namespace {

using Cut = CommitCutProxy::Cut;

dataset::Query &Documents()
{
    return ParkingDM->ParkingDocumentZQ();
}

dataset::Query &Items()
{
    return ParkingDM->ParkingDocumentItemZQ();
}

// The test's world with the data module on a link through the proxy; the fixture goes
// first, so the data module lets go of the link before it closes.
struct CutWorld {
    std::unique_ptr<CommitCutProxy> proxy;
    dataset::Connection link;
    DocumentsFixture fx;

    CutWorld()
    {
        proxy = std::make_unique<CommitCutProxy>(fx.db.params().socket);
        link.Connect(proxy->Params(fx.db.params()));
        ParkingDM->SetZConnection(&link);
    }
    int Count(const QString &table) { return fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt(); }
};

// An item of a ticket at 'price' (tax 20 %) added in the editor.
void AddTicketItem(TParkingDetailForm &form, int productId, const QString &code, double price, const QString &ticket)
{
    TProductDesc product;
    product.ProductID = productId;
    product.Code = code;
    product.Name = QStringLiteral("Doplatna karta");
    product.Price = price;
    product.TaxValue = 20;
    product.TaxID = 1;
    form.AddDocumentItem(product);
    Items().FieldByName(QStringLiteral("ticketnumber")).SetAsString(ticket);
}

// A new document with one item in an editor on the data module.
void FillNewDocument(TParkingDetailForm &form)
{
    AddTicketItem(form, 2, QStringLiteral("DK600"), 500, QStringLiteral("K1"));
}

void AppendDocument()
{
    Documents().Append();
    Documents().FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("BG"));
    Documents().FieldByName(QStringLiteral("regnumber")).SetAsString(QStringLiteral("123AB"));
}

QString FirstNumber()
{
    return QStringLiteral("1/") + QDate::currentDate().toString(QStringLiteral("yy"));
}

// The server is out of reach for the proxy's clients for 'ms' milliseconds after the cut:
// every connect in that time is closed at the handshake (2013, as a balancer does while
// its back end is down), then connects pass again.
class ServerAway {
public:
    ServerAway(CommitCutProxy &proxy, int ms)
        : m_thread([&proxy, ms] {
            while (!proxy.Done())
                QThread::msleep(5);
            QThread::msleep(unsigned(ms));
            proxy.AcceptAgain();
        })
    {
        proxy.CutNextCommit(Cut::AfterCommitThenRefuse);
    }
    ~ServerAway() { m_thread.join(); }
    ServerAway(const ServerAway &) = delete;
    ServerAway &operator=(const ServerAway &) = delete;

private:
    std::thread m_thread;
};

// Types 'text' over the whole of the editor's field 'name', as the cashier does.
void TypeOver(TParkingDetailForm &form, const char *name, const QString &text)
{
    auto *edit = Child<dataset::DBEdit>(form, name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

} // namespace

void TestParkingSaveOnce::editorSave_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<bool>("savedAtOnce");
    QTest::newRow("reply to COMMIT lost") << int(Cut::AfterCommit) << true;
    QTest::newRow("COMMIT never arrived") << int(Cut::BeforeCommit) << true;
    QTest::newRow("reply lost, server out of reach") << int(Cut::AfterCommitThenRefuse) << false;
}

// A COMMIT that reached the server is a save: the editor shows the stored number and
// leaves editing, at once or (when it could not ask) at the retry, which stores nothing
// more. A COMMIT that never arrived is run again at once, on a new link, and stored.
void TestParkingSaveOnce::editorSave()
{
    QFETCH(int, cut);
    QFETCH(bool, savedAtOnce);
    CutWorld world;
    world.fx.OpenDocuments();
    Documents().Append();
    Documents().FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("BG"));
    Documents().FieldByName(QStringLiteral("regnumber")).SetAsString(QStringLiteral("123AB"));
    TParkingDetailForm form(*ParkingDM);
    const QString number = QStringLiteral("1/") + QDate::currentDate().toString(QStringLiteral("yy"));
    QCOMPARE(Child<dataset::DBEdit>(form, "NumberEdit")->text(), number);
    TProductDesc product;
    product.ProductID = 2;
    product.Code = QStringLiteral("DK600");
    product.Name = QStringLiteral("Doplatna karta");
    product.Price = 500;
    product.TaxValue = 20;
    product.TaxID = 1;
    form.AddDocumentItem(product);
    Items().FieldByName(QStringLiteral("ticketnumber")).SetAsString(QStringLiteral("K1"));

    world.proxy->CutNextCommit(Cut(cut));
    if (savedAtOnce) {
        form.CustomApplyExecute();
    } else {
        QVERIFY_THROWS_EXCEPTION(dataset::Error, form.CustomApplyExecute());
        QCOMPARE(Documents().State(), dataset::DataSetState::Insert);
        QVERIFY(Items().UpdatesPending());
        world.proxy->AcceptAgain();
        form.CustomApplyExecute();
    }
    QVERIFY(world.proxy->Done());
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    QVERIFY(!Items().UpdatesPending());
    QCOMPARE(Child<dataset::DBEdit>(form, "NumberEdit")->text(), number);
    QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number) FROM parkingdocument")).toString(), number);
    QCOMPARE(world.Count(QStringLiteral("parkingdocumentitem")), 1);
    QCOMPARE(Items().RecordCount(), 1);
    QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT n FROM numbercounter WHERE series = 'parkingdocument'")).toInt(),
             1);
}

void TestParkingSaveOnce::hostDocumentSave_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<bool>("stored");
    QTest::newRow("reply to COMMIT lost") << int(Cut::AfterCommit) << true;
    QTest::newRow("COMMIT never arrived") << int(Cut::BeforeCommit) << false;
}

// The writer of invoices, the pay desk's and the ticket document tells the two apart the
// same way: stored means its key is returned, not stored means the COMMIT's error.
void TestParkingSaveOnce::hostDocumentSave()
{
    QFETCH(int, cut);
    QFETCH(bool, stored);
    CutWorld world;
    FakeDocumentHost host(*world.fx.console);
    world.fx.connection().Execute(
        QStringLiteral("INSERT INTO warehouse (warehouseid, name, status) VALUES (4, 'Glavni', 'primary')"));
    THostDocumentWriter writer(*ParkingDM);
    QCOMPARE(writer.PostHeader({QStringLiteral("M"), QDate(2026, 12, 6), nullptr, std::nullopt}), PostOutcome::Posted);
    THostDocumentItem item;
    item.productId = 11;
    item.productName = QStringLiteral("Sat");
    item.taxId = 3;
    item.quantity = 1;
    QCOMPARE(writer.PostItem(item), PostOutcome::Posted);
    world.proxy->CutNextCommit(Cut(cut));
    if (stored) {
        const int id = writer.Commit();
        QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(documentid) FROM document")).toInt(), id);
        QCOMPARE(world.Count(QStringLiteral("documentitem")), 1);
    } else {
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, writer.Commit());
        QCOMPARE(world.Count(QStringLiteral("document")), 0);
    }
    QVERIFY(world.proxy->Done());
    QVERIFY(writer.Messages().isEmpty());
}

// Another desk holds a new document under the same number and then wants the counter
// the editor's save holds: a real deadlock, in which the server undoes the editor's
// lighter transaction. The editor's save runs again and stores the document under that
// number once the other desk has given it up.
void TestParkingSaveOnce::editorSaveSurvivesDeadlock()
{
    DocumentsFixture fx;
    fx.OpenDocuments();
    fx.connection().Execute(QStringLiteral(
        "INSERT INTO numbercounter (series, documenttype, year, warehouseid, n) VALUES ('parkingdocument', '', 0, 0, 0)"
        " ON DUPLICATE KEY UPDATE n = 0"));
    const auto deadlocks = [&fx] {
        return fx
            .Scalar(QStringLiteral("SELECT VARIABLE_VALUE FROM information_schema.global_status "
                                   "WHERE VARIABLE_NAME = 'INNODB_DEADLOCKS'"))
            .toLongLong();
    };
    const qint64 deadlocksBefore = deadlocks();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    FillNewDocument(form);
    QCOMPARE(Child<dataset::DBEdit>(form, "NumberEdit")->text(), FirstNumber());

    // The other desk: much written already, then the editor's number.
    dataset::Connection desk;
    desk.Connect(fx.db.params());
    desk.Execute(QStringLiteral("START TRANSACTION"));
    desk.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, regnumber) "
                                "SELECT CONCAT('w', seq), NOW(), 'W' FROM seq_1_to_200"));
    desk.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime) VALUES (%1, NOW())")
                     .arg(dataset::Connection::Quote(FirstNumber())));
    const unsigned long editorSession = fx.connection().ThreadId();
    QString deskError;
    std::thread other([&] {
        try {
            // Once the editor waits for the number, the desk asks for the counter.
            dataset::Connection watch;
            watch.Connect(fx.db.params());
            for (int i = 0; i < 200; ++i) {
                dataset::Query waiting;
                waiting.SetConnection(&watch);
                waiting.SetSQL({QStringLiteral("SELECT COUNT(*) FROM information_schema.innodb_trx "
                                               "WHERE trx_state = 'LOCK WAIT' AND trx_mysql_thread_id <> :desk")});
                waiting.SetParam(QStringLiteral("desk"), qint64(desk.ThreadId()));
                waiting.Open();
                if (waiting.Fields(0).AsInteger() > 0)
                    break;
                QThread::msleep(25);
            }
            desk.Execute(QStringLiteral("UPDATE numbercounter SET n = n WHERE series = 'parkingdocument'"));
            QThread::msleep(100);
            desk.Execute(QStringLiteral("ROLLBACK"));
        } catch (const dataset::Error &e) {
            deskError = e.message();
        }
    });
    QString saveError;
    try {
        form.CustomApplyExecute();
    } catch (const dataset::Error &e) {
        saveError = e.message();
    }
    other.join();
    QVERIFY2(deskError.isEmpty(), qPrintable(deskError));
    QVERIFY2(saveError.isEmpty(), qPrintable(saveError));
    QVERIFY(deadlocks() > deadlocksBefore);
    QCOMPARE(fx.connection().ThreadId(), editorSession);
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number) FROM parkingdocument")).toString(), FirstNumber());
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).toInt(), 1);
}

// The server refuses every try (a trigger raises a deadlock for each item): the save
// gives up with the message that nothing was stored, the editor still holds the whole
// document, and it is stored by the next save once the server takes it.
void TestParkingSaveOnce::editorSaveGivesUpAfterLimit()
{
    DocumentsFixture fx;
    fx.OpenDocuments();
    fx.connection().Execute(QStringLiteral(
        "CREATE TRIGGER item_victim BEFORE INSERT ON parkingdocumentitem FOR EACH ROW "
        "SIGNAL SQLSTATE '40001' SET MYSQL_ERRNO = 1213, MESSAGE_TEXT = 'Deadlock found when trying to get lock'"));
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    FillNewDocument(form);
    try {
        form.CustomApplyExecute();
        QFAIL("stored although refused");
    } catch (const dataset::DatabaseError &e) {
        QCOMPARE(e.serverCode(), 1213u);
        QVERIFY2(e.message().startsWith(QStringLiteral("Ništa nije snimljeno: posao je prekinut 4 puta zaredom.")),
                 qPrintable(e.message()));
    }
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt(), 0);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT n FROM numbercounter WHERE series = 'parkingdocument'")).toInt(), 0);
    QCOMPARE(Documents().State(), dataset::DataSetState::Insert);
    QVERIFY(Items().UpdatesPending());

    fx.connection().Execute(QStringLiteral("DROP TRIGGER item_victim"));
    form.CustomApplyExecute();
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number) FROM parkingdocument")).toString(), FirstNumber());
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).toInt(), 1);
}

// The pay desks' account of a shared server may change the data but neither the tables
// nor the users; the editor's save (number, document, items) needs no more.
void TestParkingSaveOnce::editorSaveOnDesksAccount()
{
    DocumentsFixture fx;
    const QString user = QStringLiteral("t_desk_%1").arg(QCoreApplication::applicationPid());
    const auto drop = [&] { fx.connection().Execute(QStringLiteral("DROP USER IF EXISTS '%1'@'localhost'").arg(user)); };
    drop();
    QTemporaryDir dir;
    const QString passwordFile = dir.filePath(QStringLiteral("desk.pw"));
    dbserver::CreateApplicationAccount(fx.connection(), user, QStringLiteral("localhost"), false, passwordFile);
    dbserver::GrantSharedAccess(fx.connection(), fx.db.name(), user, QStringLiteral("localhost"),
                                dbserver::SharedAccount::Desk);
    QFile file(passwordFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    dataset::ConnectionParams params = fx.db.params();
    params.user = user;
    params.password = QString::fromUtf8(file.readLine()).trimmed();
    dataset::Connection desk;
    desk.Connect(params);
    QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, desk.Execute(QStringLiteral("DROP TABLE parkingdocument")));
    ParkingDM->SetZConnection(&desk);
    fx.OpenDocuments();
    AppendDocument();
    {
        TParkingDetailForm form(*ParkingDM);
        FillNewDocument(form);
        form.CustomApplyExecute();
    }
    ParkingDM->SetZConnection(&fx.connection());
    drop();
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number) FROM parkingdocument")).toString(), FirstNumber());
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).toInt(), 1);
    QVERIFY2(TestApplication::instance()->errors.isEmpty(), qPrintable(TestApplication::instance()->errors.join('\n')));
}

// The reply to COMMIT is lost and the server stays away 4 s, every reconnect cut at the
// handshake: the save looks its token up until the server is back, finds the document
// stored and says so; it neither stores it twice nor claims nothing was stored.
void TestParkingSaveOnce::editorSaveWaitsForServerAway()
{
    CutWorld world;
    world.fx.OpenDocuments();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    FillNewDocument(form);
    QElapsedTimer timer;
    timer.start();
    {
        const ServerAway away(*world.proxy, 4000);
        form.CustomApplyExecute();
    }
    QVERIFY(timer.elapsed() >= 4000);
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    QVERIFY(!Items().UpdatesPending());
    QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number) FROM parkingdocument")).toString(),
             FirstNumber());
    QCOMPARE(world.Count(QStringLiteral("parkingdocumentitem")), 1);
}

// The server stays away past the look-up's time (the link's timeout, 5 s): the cashier is
// told the outcome is not known, never that nothing was stored. Once the server is back
// the cashier corrects the registration, adds a ticket and saves: the document stored by
// the first try is found and takes the edits; nothing is dropped, nothing doubled.
void TestParkingSaveOnce::editsAfterUnknownOutcomeStored()
{
    CutWorld world;
    world.fx.OpenDocuments();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    FillNewDocument(form);
    world.proxy->CutNextCommit(Cut::AfterCommitThenRefuse);
    try {
        form.CustomApplyExecute();
        QFAIL("the outcome was known although the server stayed away");
    } catch (const dataset::Error &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("Nije poznato da li je dokument snimljen; proveravam…")),
                 qPrintable(e.message()));
    }
    QVERIFY(world.proxy->Done());
    QCOMPARE(world.Count(QStringLiteral("parkingdocument")), 1); // stored after all
    world.proxy->AcceptAgain();

    TypeOver(form, "RegNumberEdit", QStringLiteral("456CD"));
    AddTicketItem(form, 3, QStringLiteral("DK300"), 250, QStringLiteral("K2"));
    form.CustomApplyExecute();

    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    QVERIFY(!Items().UpdatesPending());
    QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(number, ' ', regnumber)) FROM parkingdocument"))
                 .toString(),
             FirstNumber() + QStringLiteral(" 456CD"));
    QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(ticketnumber ORDER BY ticketnumber) "
                                            "FROM parkingdocumentitem"))
                 .toString(),
             QStringLiteral("K1,K2"));
    QCOMPARE(Items().RecordCount(), 2);
    QCOMPARE(Child<dataset::DBEdit>(form, "RegNumberEdit")->text(), QStringLiteral("456CD"));
}

// The pay desk's document is stored with its day's record in one transaction: when the
// outcome stays unknown, the next click finds the day's document made and asks (the
// default "Ne" writes nothing); a second M document for the day never appears unasked.
void TestParkingSaveOnce::payDeskDocumentOnceAfterUnknownOutcome()
{
    CutWorld world;
    FakeDocumentHost host(*world.fx.console);
    const qint64 sale = world.fx.InsertDocument(QStringLiteral("9"), QStringLiteral("2026-12-06 10:00:00"));
    world.fx.InsertItem(sale, 100, 20, QStringLiteral("P1"));
    auto *desk = new TParkingPayDeskForm(*ParkingDM);
    const auto closeDesk = qScopeGuard([desk] { delete desk; });
    Child<QLineEdit>(*desk, "DateEdit")->setText(QStringLiteral("2026-12-06"));
    TParkingPayDeskForm::LoadSummaries(*ParkingDM, QStringLiteral("2026-12-06"));
    world.fx.dialogs.QueueConfirm(true);
    world.proxy->CutNextCommit(Cut::AfterCommitThenRefuse);
    Child<QPushButton>(*desk, "CreateButton")->click();
    QCoreApplication::processEvents();
    QVERIFY(world.proxy->Done());
    const QStringList errors = TestApplication::instance()->errors + world.fx.dialogs.Errors();
    QVERIFY2(errors.size() == 1 && errors.front().startsWith(QStringLiteral("Nije poznato da li je dokument snimljen")),
             qPrintable(errors.join('\n')));
    world.proxy->AcceptAgain();
    QCOMPARE(world.Count(QStringLiteral("document")), 1);
    QCOMPARE(world.Count(QStringLiteral("parkingimporthistory")), 1);

    world.fx.dialogs.Clear();
    world.fx.dialogs.WhileShown([](const ScriptedDialogService::Shown &) {
        QVERIFY(!ParkingDM->Connection()->InTransaction());
    });
    Child<QPushButton>(*desk, "CreateButton")->click();
    const auto asked = world.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked.front().text, QStringLiteral("Dokument za 06.12.2026 je već napravljen. Napraviti još jedan?"));
    QCOMPARE(world.Count(QStringLiteral("document")), 1);
}

void TestParkingSaveOnce::saveRefusedAfterUpgrade_data()
{
    QTest::addColumn<bool>("editor");
    QTest::newRow("document editor") << true;
    QTest::newRow("host document") << false;
}

// A shared upgrade while this program stays open: its next save reads the version in its
// own transaction and refuses, writing nothing; the editor keeps what was typed.
void TestParkingSaveOnce::saveRefusedAfterUpgrade()
{
    QFETCH(bool, editor);
    DocumentsFixture fx;
    FakeDocumentHost host(*fx.console);
    fx.OpenDocuments();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    FillNewDocument(form);
    dataset::Connection upgrade;
    upgrade.Connect(fx.db.params());
    upgrade.Execute(QStringLiteral("INSERT INTO schemaversion (version) SELECT MAX(version) + 1 FROM schemaversion"));
    const QString refusal = QStringLiteral("Baza je u međuvremenu nadograđena; zatvorite i ponovo pokrenite program.");
    try {
        if (editor) {
            form.CustomApplyExecute();
        } else {
            THostDocumentWriter writer(*ParkingDM);
            writer.PostHeader({QStringLiteral("M"), QDate(2026, 12, 6), nullptr, std::nullopt});
        }
        QFAIL("saved into an upgraded database");
    } catch (const dataset::Error &e) {
        QCOMPARE(e.message(), refusal);
    }
    QVERIFY(!fx.connection().InTransaction());
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt(), 0);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")).toInt(), 0);
    if (editor) {
        QCOMPARE(Documents().State(), dataset::DataSetState::Insert);
        QVERIFY(Items().UpdatesPending());
    }
}

void TestParkingSaveOnce::ticketPaidMeanwhileAskedOutsideTransaction_data()
{
    QTest::addColumn<bool>("payAgain");
    QTest::addColumn<int>("documents");
    QTest::newRow("Ne") << false << 1;
    QTest::newRow("Da") << true << 2;
}

// Another desk pays the ticket after it was added here: the save reads that inside its
// unit of work, ends it unwritten, asks outside any transaction, and on "Da" saves.
void TestParkingSaveOnce::ticketPaidMeanwhileAskedOutsideTransaction()
{
    QFETCH(bool, payAgain);
    QFETCH(int, documents);
    DocumentsFixture fx;
    fx.OpenDocuments();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    FillNewDocument(form);
    const qint64 other = fx.InsertDocument(QStringLiteral("7/26"), QStringLiteral("2026-12-06 10:00:00"));
    fx.InsertItem(other, 500, 20, QStringLiteral("DK600"), QStringLiteral("K1"));
    bool inTransaction = true;
    fx.dialogs.WhileShown([&](const ScriptedDialogService::Shown &) {
        inTransaction = ParkingDM->Connection()->InTransaction();
    });
    fx.dialogs.QueueConfirm(payAgain);
    if (payAgain)
        form.CustomApplyExecute();
    else
        QVERIFY_THROWS_EXCEPTION(EAbort, form.CustomApplyExecute());
    const auto asked = fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(1));
    QVERIFY2(asked.front().text.startsWith(QStringLiteral("Karta K1 je već plaćena dokumentom 7/26")),
             qPrintable(asked.front().text));
    QVERIFY(!inTransaction);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt(), documents);
    QCOMPARE(Documents().State(), payAgain ? dataset::DataSetState::Browse : dataset::DataSetState::Insert);
}

// The editor's session is killed (a cluster node going down) before the save's "ticket
// already paid?" look-ups: they run in the retried unit, so the save runs again on a new
// link and is stored once, without an error.
void TestParkingSaveOnce::ticketLookupsRunAgainAfterLostLink()
{
    DocumentsFixture fx;
    fx.OpenDocuments();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    FillNewDocument(form);
    dataset::Connection admin;
    admin.Connect(fx.db.params());
    admin.Execute(QStringLiteral("KILL CONNECTION %1").arg(fx.connection().ThreadId()));
    form.CustomApplyExecute();
    QCOMPARE(fx.dialogs.Errors(), QStringList{});
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number) FROM parkingdocument")).toString(), FirstNumber());
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).toInt(), 1);
}

// Another desk saves the same ticket at the same moment and has not committed yet: the
// save's look-up waits for it instead of reading past it, so the cashier is asked.
void TestParkingSaveOnce::ticketSavedByAnotherDeskAtOnceAsked()
{
    DocumentsFixture fx;
    fx.OpenDocuments();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    FillNewDocument(form);
    dataset::Connection other;
    other.Connect(fx.db.params());
    other.Execute(QStringLiteral("START TRANSACTION"));
    other.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber, userid) "
                                 "VALUES ('8/26', '2026-12-06 10:00:00', 'BG', '999ZZ', 7)"));
    other.Execute(QStringLiteral("INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, "
                                 "productid, productcode, productname, parkingdocumentid, ticketnumber) "
                                 "VALUES (1, 500, 500, 1, 20, 1, 'DK600', 'Doplatna karta', LAST_INSERT_ID(), 'K1')"));
    std::thread commit([&other] {
        QThread::msleep(500);
        other.Execute(QStringLiteral("COMMIT"));
    });
    fx.dialogs.QueueConfirm(false);
    QVERIFY_THROWS_EXCEPTION(EAbort, form.CustomApplyExecute());
    commit.join();
    const auto asked = fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(1));
    QVERIFY2(asked.front().text.startsWith(QStringLiteral("Karta K1 je već plaćena dokumentom 8/26")),
             qPrintable(asked.front().text));
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem WHERE ticketnumber = 'K1'")).toInt(), 1);
}

PARKING_TEST_MAIN(TestParkingSaveOnce)
#include "tst_ParkingSaveOnce.moc"
