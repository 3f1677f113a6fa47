#include "../host/FakeDocumentHost.h"
#include "DocumentsFixture.h"

#include <console/dbserver/ServerAccounts.h>
#include <dataset/widgets/DBEdit.h>
#include <parking/data/HostDocumentWriter.h>
#include <parking/documents/ParkingDetailUnit.h>

#include <QTemporaryDir>

// The module's saves on the pay desks' account of a shared server, which may change the
// data but neither the tables nor the users: the editor's document with its number and
// items, and a host document.
class TestParkingDeskAccount : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void editorSaves();
    void hostDocumentSaves();
};

namespace {

// The fixture's module on a desks' account of its database.
struct DeskWorld {
    DocumentsFixture fx;
    QTemporaryDir dir;
    QString user = QStringLiteral("t_desk_%1").arg(QCoreApplication::applicationPid());
    dataset::Connection desk;

    DeskWorld()
    {
        Drop();
        const QString passwordFile = dir.filePath(QStringLiteral("desk.pw"));
        dbserver::CreateApplicationAccount(fx.connection(), user, QStringLiteral("localhost"), false, passwordFile);
        dbserver::GrantSharedAccess(fx.connection(), fx.db.name(), user, QStringLiteral("localhost"),
                                    dbserver::SharedAccount::Desk);
        QFile file(passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("no desk password");
        dataset::ConnectionParams params = fx.db.params();
        params.user = user;
        params.password = QString::fromUtf8(file.readLine()).trimmed();
        desk.Connect(params);
        ParkingDM->SetZConnection(&desk);
    }
    ~DeskWorld()
    {
        ParkingDM->SetZConnection(&fx.connection());
        Drop();
    }
    void Drop() { fx.connection().Execute(QStringLiteral("DROP USER IF EXISTS '%1'@'localhost'").arg(user)); }
};

} // namespace

void TestParkingDeskAccount::editorSaves()
{
    DeskWorld world;
    QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, world.desk.Execute(QStringLiteral("DROP TABLE parkingdocument")));
    world.fx.OpenDocuments();
    dataset::Query &documents = ParkingDM->ParkingDocumentZQ();
    documents.Append();
    documents.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("BG"));
    documents.FieldByName(QStringLiteral("regnumber")).SetAsString(QStringLiteral("123AB"));
    TParkingDetailForm form(*ParkingDM);
    TProductDesc product;
    product.ProductID = 2;
    product.Code = QStringLiteral("DK600");
    product.Name = QStringLiteral("Doplatna karta");
    product.Price = 500;
    product.TaxValue = 20;
    product.TaxID = 1;
    form.AddDocumentItem(product);
    ParkingDM->ParkingDocumentItemZQ().FieldByName(QStringLiteral("ticketnumber")).SetAsString(QStringLiteral("K1"));
    form.CustomApplyExecute();
    const QString number = QStringLiteral("1/") + QDate::currentDate().toString(QStringLiteral("yy"));
    QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number) FROM parkingdocument")).toString(), number);
    QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).toInt(), 1);
    QVERIFY2(TestApplication::instance()->errors.isEmpty(), qPrintable(TestApplication::instance()->errors.join('\n')));
}

void TestParkingDeskAccount::hostDocumentSaves()
{
    DeskWorld world;
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
    const int id = writer.Commit();
    QCOMPARE(world.fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(documentid) FROM document")).toInt(), id);
}

PARKING_TEST_MAIN(TestParkingDeskAccount)
#include "tst_ParkingDeskAccount.moc"
