#include "../documents/DocumentsFixture.h"
#include "../host/FakeDocumentHost.h"

#include <parking/data/HostDocumentWriter.h>

// The one writer of host documents: header and items with their fixed settings, one
// transaction per document, refused rows left out and reported to the caller.
class TestParkingHostDocument : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void headerAndItemsWritten();
    void warehouseOnlyWhenThereIsOne();
    void refusedItemSkipped();
    void unfinishedDocumentRolledBack();
    void lostServerLeavesNothing();
};

namespace {

// 1 while the session asking has a transaction open on the server.
const QString kInTransaction = QStringLiteral("SELECT @@in_transaction");

struct Host {
    DocumentsFixture world;
    FakeDocumentHost fakes{*world.console};
    FakeDocumentService &service = *fakes.service;

    explicit Host(bool withWarehouse = true)
    {
        if (withWarehouse)
            world.connection().Execute(
                QStringLiteral("INSERT INTO warehouse (warehouseid, name, status) VALUES (4, 'Glavni', 'primary')"));
    }
    QString Row(const QString &sql) const
    {
        dataset::Query query;
        query.SetConnection(&const_cast<Host *>(this)->world.connection());
        query.SetSQL({sql});
        query.Open();
        QStringList values;
        for (int i = 0; !query.IsEmpty() && i < query.FieldCount(); ++i)
            values << (query.Fields(i).IsNull() ? QStringLiteral("NULL") : query.Fields(i).AsString());
        return values.join(QLatin1Char('|'));
    }
    int Count(const QString &table) const { return Row(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt(); }
};

THostDocumentItem Item(const QString &name, int sort, double quantity = 2)
{
    THostDocumentItem item;
    item.productId = 11;
    item.productCode = QStringLiteral("PK1");
    item.productName = name;
    item.taxId = 3;
    item.taxValue = 20;
    item.price = 50;
    item.itemValue = 100;
    item.quantity = quantity;
    item.sort = sort;
    return item;
}

THostDocumentHeader Header(const QString &type)
{
    return {type, QDate(2026, 12, 6), nullptr, std::nullopt};
}

} // namespace

void TestParkingHostDocument::headerAndItemsWritten()
{
    Host host;
    TPartnerDesc partner{QStringLiteral("Firma"), {}, {}, {}, QStringLiteral("F1"), 8};
    THostDocumentHeader header = Header(QStringLiteral("R"));
    header.partner = &partner;
    THostDocumentWriter writer(*ParkingDM);
    QCOMPARE(writer.PostHeader(header), PostOutcome::Posted);
    QCOMPARE(writer.PostItem(Item(QStringLiteral("Sat - ident. 123"), 1)), PostOutcome::Posted);
    const int id = writer.Commit();
    QVERIFY(id > 0);
    QCOMPARE(writer.DocumentCaption(), QStringLiteral("R-1"));
    QCOMPARE(host.service.calls, QStringList{QStringLiteral("number R n 2026-12-06 4")});
    QCOMPARE(host.Row(QStringLiteral("SELECT documenttype, number, documentcurrency, documentdate, valutedate, "
                                     "documentissuedate, warehouseid, direction, partnerid, partneraddressid "
                                     "FROM document")),
             QStringLiteral("R|1|RSD|2026-12-06|2026-12-06|2026-12-06|4|-1|8|NULL"));
    QCOMPARE(host.Row(QStringLiteral("SELECT documentid, productid, productname, quantity, price, itemvalue, "
                                     "taxid, taxvalue, rebate, margin, cost, rebatetype, specialrebatetype, "
                                     "marginetype, costtype, sort FROM documentitem")),
             QStringLiteral("%1|11|Sat - ident. 123|2|50|100|3|20|0|0|0|P|P|P|T|1").arg(id));
    QVERIFY(host.world.dialogs.Errors().isEmpty());
    QCOMPARE(host.Row(kInTransaction), QStringLiteral("0"));
}

void TestParkingHostDocument::warehouseOnlyWhenThereIsOne()
{
    Host host(false);
    THostDocumentWriter writer(*ParkingDM);
    QCOMPARE(writer.PostHeader(Header(QStringLiteral("M"))), PostOutcome::Posted);
    writer.Commit();
    QCOMPARE(host.Row(QStringLiteral("SELECT warehouseid, number FROM document")), QStringLiteral("NULL|1"));
    QCOMPARE(host.service.calls, QStringList{QStringLiteral("number M n 2026-12-06 0")});
}

void TestParkingHostDocument::refusedItemSkipped()
{
    Host host;
    host.world.connection().Execute(
        QStringLiteral("CREATE TRIGGER refuse_item BEFORE INSERT ON documentitem FOR EACH ROW "
                       "IF NEW.productname = 'Loša' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'odbijeno'; "
                       "END IF"));
    THostDocumentWriter writer(*ParkingDM);
    QCOMPARE(writer.PostHeader(Header(QStringLiteral("M"))), PostOutcome::Posted);
    QCOMPARE(writer.PostItem(Item(QStringLiteral("Prva"), 1)), PostOutcome::Posted);
    QCOMPARE(writer.PostItem(Item(QStringLiteral("Loša"), 2)), PostOutcome::Refused);
    QCOMPARE(writer.PostItem(Item(QStringLiteral("Treća"), 3)), PostOutcome::Posted);
    QVERIFY_THROWS_EXCEPTION(dataset::Error, writer.Messages()); // not while the transaction is open
    writer.Commit();
    // The writer shows nothing itself; its caller shows the message after Commit.
    QVERIFY(host.world.dialogs.Errors().isEmpty());
    QCOMPARE(writer.Messages(), QStringList{QStringLiteral("Proizvod Loša nije snimljen u dokumentu M-1.")});
    QCOMPARE(host.Row(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(productname, ':', sort) ORDER BY sort) "
                                     "FROM documentitem")),
             QStringLiteral("Prva:1,Treća:3"));
}

// A writer that ends before Commit (an error, a lost server) leaves no half document.
void TestParkingHostDocument::unfinishedDocumentRolledBack()
{
    Host host;
    {
        THostDocumentWriter writer(*ParkingDM);
        QCOMPARE(writer.PostHeader(Header(QStringLiteral("M"))), PostOutcome::Posted);
        QCOMPARE(writer.PostItem(Item(QStringLiteral("Prva"), 1)), PostOutcome::Posted);
    }
    QCOMPARE(host.Count(QStringLiteral("document")), 0);
    QCOMPARE(host.Count(QStringLiteral("documentitem")), 0);
    QVERIFY(!host.world.connection().InTransaction());
    QCOMPARE(host.Row(kInTransaction), QStringLiteral("0"));
}

// A lost server is not taken for a refused item: nothing of the document stays, and what
// the writer's transaction held (its document's number) is free for the other cashier.
void TestParkingHostDocument::lostServerLeavesNothing()
{
    Host host;
    dataset::Connection other;
    other.Connect(host.world.db.params());
    const auto ask = [&other](const QString &sql) {
        dataset::Query query;
        query.SetConnection(&other);
        query.SetSQL({sql});
        query.Open();
        return query.Fields(0).AsString();
    };
    {
        THostDocumentWriter writer(*ParkingDM);
        QCOMPARE(writer.PostHeader(Header(QStringLiteral("M"))), PostOutcome::Posted);
        other.Execute(QStringLiteral("KILL %1").arg(host.world.connection().ThreadId()));
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, writer.PostItem(Item(QStringLiteral("Prva"), 1)));
    }
    QVERIFY(host.world.dialogs.Errors().isEmpty());
    QCOMPARE(ask(QStringLiteral("SELECT COUNT(*) FROM document")), QStringLiteral("0"));
    // The server ends a killed session a moment after the KILL returns; then the other
    // cashier stores a document under the same type, year, warehouse and number at once.
    QTRY_COMPARE(ask(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID = %1")
                         .arg(host.world.connection().ThreadId())),
                 QStringLiteral("0"));
    other.Execute(QStringLiteral("SET SESSION innodb_lock_wait_timeout = 1"));
    other.Execute(QStringLiteral("INSERT INTO document (documenttype, documentdate, warehouseid, number) "
                                 "VALUES ('M', '2026-12-06', 4, '1')"));
    QCOMPARE(ask(QStringLiteral("SELECT COUNT(*) FROM document")), QStringLiteral("1"));
}

PARKING_TEST_MAIN(TestParkingHostDocument)
#include "tst_ParkingHostDocument.moc"
