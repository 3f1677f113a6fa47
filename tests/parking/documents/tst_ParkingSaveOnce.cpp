#include "../host/FakeDocumentHost.h"
#include "DocumentsFixture.h"

#include <console/dbserver/ServerAccounts.h>
#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBGrid.h>
#include <parking/data/HostDocumentWriter.h>
#include <parking/documents/ParkingDetailUnit.h>
#include <tests/support/CommitCutProxy.h>

#include <QTemporaryDir>
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

// A new document with one item in an editor on the data module.
void FillNewDocument(TParkingDetailForm &form)
{
    TProductDesc product;
    product.ProductID = 2;
    product.Code = QStringLiteral("DK600");
    product.Name = QStringLiteral("Doplatna karta");
    product.Price = 500;
    product.TaxValue = 20;
    product.TaxID = 1;
    form.AddDocumentItem(product);
    Items().FieldByName(QStringLiteral("ticketnumber")).SetAsString(QStringLiteral("K1"));
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

PARKING_TEST_MAIN(TestParkingSaveOnce)
#include "tst_ParkingSaveOnce.moc"
