#include "Scalar.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <tests/support/TestDatabase.h>

#include <QTest>

using namespace dataset;

// Cached updates: kept until applied, cancelled as a whole, a failed apply keeps the rest.
class TestCached : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void applyWritesEverything();
    void cancelRestoresRows();
    void failedApplyKeepsTheRest();
    void editedThenDeletedRowIsFoundByOldKey();
    void pendingUntilTheTransactionCommits();

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Query> m_items;
    QString itemsInDatabase();
    QString itemsInQuery();
};

void TestCached::init()
{
    m_db = std::make_unique<TestDatabase>();
    Connection &c = m_db->connection();
    c.Execute(QStringLiteral("INSERT INTO parkingdocument (parkingdocumentid, number, documentdatetime)"
                             " VALUES (1, '1/13', '2013-05-01 10:00:00')"));
    c.Execute(QStringLiteral(
        "INSERT INTO parkingdocumentitem (parkingdocumentitemid, quantity, itemvalue, taxid, productid, parkingdocumentid, ticketnumber)"
        " VALUES (1, 1, 10, 1, 1, 1, 'A'), (2, 1, 20, 1, 1, 1, 'B'), (3, 1, 30, 1, 1, 1, 'C')"));
    m_items = std::make_unique<Query>();
    m_items->SetConnection(&c);
    m_items->SQL() << QStringLiteral("SELECT *, ROUND(itemvalue * (1 + taxvalue/100),2) AS ItemTotal FROM parkingdocumentitem"
                                     " WHERE parkingdocumentid = :idparkingdocument");
    m_items->SetParam(QStringLiteral("idparkingdocument"), 1);
    m_items->SetRequestLive(true);
    m_items->SetCachedUpdates(true);
    m_items->SetSortedFields(QStringLiteral("parkingdocumentitemid"));
    m_items->Open();
}

void TestCached::cleanup()
{
    m_items.reset();
    m_db.reset();
}

QString TestCached::itemsInDatabase()
{
    return Scalar(m_db->connection(), QStringLiteral("SELECT GROUP_CONCAT(ticketnumber, itemvalue ORDER BY parkingdocumentitemid)"
                                                     " FROM parkingdocumentitem"));
}

QString TestCached::itemsInQuery()
{
    QStringList rows;
    const Bookmark here = m_items->GetBookmark();
    for (m_items->First(); !m_items->Eof(); m_items->Next())
        rows << m_items->FieldByName(QStringLiteral("ticketnumber")).AsString()
                + m_items->FieldByName(QStringLiteral("itemvalue")).AsString();
    if (m_items->BookmarkValid(here))
        m_items->GotoBookmark(here);
    return rows.join(QLatin1Char(','));
}

namespace {

void addItem(Query &items, const QString &ticket, double value, int document = 1)
{
    items.Append();
    items.FieldByName(QStringLiteral("ticketnumber")).SetAsString(ticket);
    items.FieldByName(QStringLiteral("itemvalue")).SetAsFloat(value);
    items.FieldByName(QStringLiteral("taxid")).SetAsInteger(1);
    items.FieldByName(QStringLiteral("productid")).SetAsInteger(1);
    items.FieldByName(QStringLiteral("parkingdocumentid")).SetAsInteger(document);
    items.Post();
}

bool locate(Query &items, const QString &ticket)
{
    for (items.First(); !items.Eof(); items.Next()) {
        if (items.FieldByName(QStringLiteral("ticketnumber")).AsString() == ticket)
            return true;
    }
    return false;
}

} // namespace

void TestCached::applyWritesEverything()
{
    Query &items = *m_items;
    items.SetRecNo(2);
    items.Edit();
    items.FieldByName(QStringLiteral("itemvalue")).SetAsFloat(25);
    items.Post();
    QCOMPARE(items.RowUpdateStatus(), UpdateStatus::Modified);
    items.First();
    items.Delete();
    QCOMPARE(items.RecordCount(), 2);   // gone from view at once
    addItem(items, QStringLiteral("D"), 40);
    QCOMPARE(items.RowUpdateStatus(), UpdateStatus::Inserted);
    QVERIFY(items.UpdatesPending());
    QCOMPARE(itemsInDatabase(), QStringLiteral("A10,B20,C30"));

    items.ApplyUpdates();
    QVERIFY(!items.UpdatesPending());
    QCOMPARE(itemsInDatabase(), QStringLiteral("B25,C30,D40"));
    QCOMPARE(itemsInQuery(), QStringLiteral("B25,C30,D40"));
    // The inserted row now carries its generated key.
    items.Last();
    QCOMPARE(items.FieldByName(QStringLiteral("parkingdocumentitemid")).AsString(),
             Scalar(m_db->connection(), QStringLiteral("SELECT parkingdocumentitemid FROM parkingdocumentitem WHERE ticketnumber = 'D'")));
    QCOMPARE(items.RowUpdateStatus(), UpdateStatus::Unmodified);
}

void TestCached::cancelRestoresRows()
{
    Query &items = *m_items;
    items.SetRecNo(3);
    items.Edit();
    items.FieldByName(QStringLiteral("itemvalue")).SetAsFloat(99);
    items.Post();
    items.SetRecNo(2);
    items.Delete();
    addItem(items, QStringLiteral("D"), 40);
    items.Edit();   // editing the new row again keeps it an insert
    items.FieldByName(QStringLiteral("itemvalue")).SetAsFloat(41);
    items.Post();
    QCOMPARE(items.RowUpdateStatus(), UpdateStatus::Inserted);
    // No key yet: it will get one above every stored key, so it stays after them.
    QCOMPARE(itemsInQuery(), QStringLiteral("A10,C99,D41"));

    items.CancelUpdates();
    QVERIFY(!items.UpdatesPending());
    QCOMPARE(itemsInQuery(), QStringLiteral("A10,B20,C30"));
    QCOMPARE(itemsInDatabase(), QStringLiteral("A10,B20,C30"));
    items.ApplyUpdates();
    QCOMPARE(itemsInDatabase(), QStringLiteral("A10,B20,C30"));
}

void TestCached::failedApplyKeepsTheRest()
{
    Query &items = *m_items;
    addItem(items, QStringLiteral("D"), 40);
    addItem(items, QStringLiteral("E"), 50, 77);   // no such document: the server refuses it
    addItem(items, QStringLiteral("F"), 60);
    // All or nothing: D, written before E failed, is undone and pending again, without
    // the key the rolled-back insert gave it.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, items.ApplyUpdates());
    QCOMPARE(itemsInDatabase(), QStringLiteral("A10,B20,C30"));
    QVERIFY(items.UpdatesPending());
    QVERIFY(locate(items, QStringLiteral("D")));
    QCOMPARE(items.RowUpdateStatus(), UpdateStatus::Inserted);
    QVERIFY(items.FieldByName(QStringLiteral("parkingdocumentitemid")).IsNull());
    QVERIFY(locate(items, QStringLiteral("F")));
    QCOMPARE(items.RowUpdateStatus(), UpdateStatus::Inserted);
    QVERIFY(locate(items, QStringLiteral("E")));
    QCOMPARE(items.RowUpdateStatus(), UpdateStatus::Inserted);

    items.Edit();
    items.FieldByName(QStringLiteral("parkingdocumentid")).SetAsInteger(1);
    items.Post();
    items.ApplyUpdates();
    QVERIFY(!items.UpdatesPending());
    QCOMPARE(itemsInDatabase(), QStringLiteral("A10,B20,C30,D40,E50,F60"));
}

void TestCached::editedThenDeletedRowIsFoundByOldKey()
{
    Query &items = *m_items;
    items.First();
    items.Edit();
    items.FieldByName(QStringLiteral("parkingdocumentitemid")).SetAsInteger(100);
    items.Post();
    items.Delete();
    QCOMPARE(items.RecordCount(), 2);
    items.ApplyUpdates();
    QCOMPARE(itemsInDatabase(), QStringLiteral("B20,C30"));
}

// Applied inside a caller's transaction, the rows stay the caller's: its rollback (a
// later step failed, or the server went away) makes them pending again, header post
// included, and applying again writes them again.
void TestCached::pendingUntilTheTransactionCommits()
{
    Query &items = *m_items;
    Connection &c = m_db->connection();
    Query header;
    header.SetConnection(&c);
    header.SQL() << QStringLiteral("SELECT * FROM parkingdocument");
    header.SetRequestLive(true);
    header.Open();
    header.Append();
    header.FieldByName(QStringLiteral("number")).SetAsString(QStringLiteral("2/13"));
    header.FieldByName(QStringLiteral("documentdatetime")).SetAsString(QStringLiteral("2013-05-02 10:00:00"));
    items.SetRecNo(2);
    items.Delete();
    items.Edit();
    items.FieldByName(QStringLiteral("itemvalue")).SetAsFloat(31);
    items.Post();
    addItem(items, QStringLiteral("D"), 40);

    for (const bool commit : {false, true}) {
        Transaction transaction(c);
        header.Post();
        items.ApplyUpdates();
        QCOMPARE(itemsInDatabase(), QStringLiteral("A10,C31,D40"));
        if (commit)
            transaction.Commit();
    }
    QVERIFY(!items.UpdatesPending());
    QCOMPARE(itemsInDatabase(), QStringLiteral("A10,C31,D40"));
    QCOMPARE(header.State(), DataSetState::Browse);
    QCOMPARE(Scalar(c, QStringLiteral("SELECT COUNT(*) FROM parkingdocument WHERE number = '2/13'")), QStringLiteral("1"));

    // A server lost inside the transaction undoes the rows as the server did.
    items.Last();
    items.Edit();
    items.FieldByName(QStringLiteral("itemvalue")).SetAsFloat(41);
    items.Post();
    Transaction lost(c);
    items.ApplyUpdates();
    Connection killer;
    killer.Connect(m_db->params());
    killer.Execute(QStringLiteral("KILL %1").arg(c.ThreadId()));
    QVERIFY_THROWS_EXCEPTION(Error, c.Execute(QStringLiteral("SELECT 1")));
    QVERIFY(items.UpdatesPending());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, lost.Commit());
    items.ApplyUpdates();
    QCOMPARE(itemsInDatabase(), QStringLiteral("A10,C31,D41"));
}

QTEST_GUILESS_MAIN(TestCached)
#include "tst_cached.moc"
