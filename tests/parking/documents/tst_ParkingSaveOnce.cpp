#include "../host/FakeDocumentHost.h"
#include "DocumentsFixture.h"

#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBGrid.h>
#include <parking/data/HostDocumentWriter.h>
#include <parking/documents/ParkingDetailUnit.h>
#include <tests/support/CommitCutProxy.h>

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

} // namespace

void TestParkingSaveOnce::editorSave_data()
{
    QTest::addColumn<int>("cut");
    QTest::addColumn<bool>("savedAtOnce");
    QTest::newRow("reply to COMMIT lost") << int(Cut::AfterCommit) << true;
    QTest::newRow("COMMIT never arrived") << int(Cut::BeforeCommit) << false;
    QTest::newRow("reply lost, server out of reach") << int(Cut::AfterCommitThenRefuse) << false;
}

// A COMMIT that reached the server is a save: the editor shows the stored number and
// leaves editing, at once or (when it could not ask) at the retry, which stores nothing
// more. A COMMIT that never arrived leaves the document for a retry that stores it.
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

PARKING_TEST_MAIN(TestParkingSaveOnce)
#include "tst_ParkingSaveOnce.moc"
