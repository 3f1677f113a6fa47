#include "Scalar.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <tests/support/TestDatabase.h>

#include <QSignalSpy>
#include <QTest>

using namespace dataset;

// Reading side of Query: field layout, values, navigation, bookmarks, sorting.
class TestQuery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fieldLayout_data();
    void fieldLayout();
    void emptyOpens();
    void navigation();
    void bookmarks();
    void zeroDatesReadAsNull();
    void repeatedTextsKeepEmptyAndNull();
    void fractionalSeconds_data();
    void fractionalSeconds();
    void displayText();
    void sorting_data();
    void sorting();
    void sortingNullsAndTies_data();
    void sortingNullsAndTies();
    void unknownSortFieldThrows();
    void declaredFieldsSurviveReopen();
    void refreshKeepsRow();
};

namespace {

void fillTickets(Connection &c)
{
    // Three tickets share price 10 so that the sort's stability shows.
    c.Execute(QStringLiteral(
        "INSERT INTO parkingticket (ticketdate, ticketnumber, zone, regcitynumber, ticketprice, status, name) VALUES"
        " ('2013-05-01 08:00:00', 'T1', 1, 'BG123', 10, 0, 'ana'),"
        " ('2013-05-02 09:30:00', 'T2', 2, 'NS77', 25.5, 1, 'Bora'),"
        " ('2013-05-03 10:00:00', 'T3', 1, 'BG9', 10, 0, 'ceca'),"
        " ('2013-04-30 11:00:00', 'T4', 3, 'KG1', 5, 2, NULL),"
        " ('2013-05-04 12:00:00', 'T5', 2, 'BG5', 10, 0, 'Dule')"));
}

// Nulls and a zero date, ties on every key, negative and fractional prices, a zone
// that sorts differently as text, and names with diacritics in both cases.
void fillMixedTickets(Connection &c)
{
    c.Execute(QStringLiteral(
        "INSERT INTO parkingticket (ticketdate, ticketnumber, zone, regcitynumber, ticketprice, status, name) VALUES"
        " (NULL, 'T1', 1, 'BG1', 10, 0, 'čeda'),"
        " ('2013-05-01 08:00:00', 'T2', 1, 'BG2', 10, 0, 'Zoran'),"
        " ('2013-05-01 08:00:00', 'T3', 2, 'BG3', -2.5, 0, NULL),"
        " ('0000-00-00 00:00:00', 'T4', 2, 'BG4', 9.5, 0, 'Čeda'),"
        " ('2013-05-01 07:59:59', 'T5', 1, 'BG5', 10, 0, 'ana'),"
        " ('2012-12-31 23:00:00', 'T6', 10, 'BG6', -10, 0, 'Ćira')"));
}

QStringList column(Query &query, const QString &name)
{
    QStringList values;
    for (query.First(); !query.Eof(); query.Next())
        values << query.FieldByName(name).AsString();
    return values;
}

} // namespace

void TestQuery::fieldLayout_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("writable");

    QTest::newRow("key") << "parkingdocumentitemid" << int(FieldType::Key) << 0 << true;
    QTest::newRow("real") << "quantity" << int(FieldType::Real) << 0 << true;
    QTest::newRow("text") << "productcode" << int(FieldType::String) << 20 << true;
    QTest::newRow("expression") << "ItemTotal" << int(FieldType::Real) << 0 << false;
    QTest::newRow("joined") << "documentdatetime" << int(FieldType::DateTime) << 0 << false;
    QTest::newRow("joined memo") << "parkingstreets" << int(FieldType::Memo) << 0 << false;
    QTest::newRow("joined date") << "parkingfromdate" << int(FieldType::Date) << 0 << false;
    QTest::newRow("concat") << "Partner" << int(FieldType::String) << 30 << false;
}

void TestQuery::fieldLayout()
{
    QFETCH(QString, field);
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(bool, writable);

    TestDatabase db;
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT pdi.*, ROUND(pdi.itemvalue * (1 + pdi.taxvalue/100),2) AS ItemTotal,")
                << QStringLiteral("  pd.documentdatetime, pd.parkingstreets, pd.parkingfromdate,")
                << QStringLiteral("  CONCAT(pd.number,'') AS Partner")
                << QStringLiteral("FROM parkingdocumentitem AS pdi")
                << QStringLiteral("  LEFT JOIN parkingdocument AS pd ON pd.parkingdocumentid = pdi.parkingdocumentid");
    query.SetRequestLive(true);
    query.Open();
    const Field &f = query.FieldByName(field);
    QCOMPARE(int(f.DataType()), type);
    if (f.DataType() == FieldType::String)
        QCOMPARE(f.Size(), size);
    QCOMPARE(f.Writable(), writable);
    QVERIFY(query.FindField(QStringLiteral("nosuchfield")) == nullptr);
    QVERIFY_THROWS_EXCEPTION(Error, query.FieldByName(QStringLiteral("nosuchfield")));
}

void TestQuery::emptyOpens()
{
    TestDatabase db;
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT pd.* ") << QStringLiteral("FROM parkingdocument AS pd ")
                << QStringLiteral("  LEFT JOIN user AS u ON pd.userid = u.userid ")
                << QStringLiteral("WHERE pd.parkingdocumentid = -1");
    query.Open();
    QVERIFY(query.IsEmpty());
    QVERIFY(query.Eof());
    QVERIFY(query.Bof());
    QCOMPARE(query.RecNo(), 0);
    QCOMPARE(query.GetBookmark(), Bookmark(0));
    QVERIFY(query.FieldByName(QStringLiteral("cityreg")).IsNull());
    query.Next();
    QVERIFY(query.Eof());
}

void TestQuery::navigation()
{
    TestDatabase db;
    fillTickets(db.connection());
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingticket ORDER BY parkingticketid");
    int scrolls = 0;
    QObject::connect(&query, &Query::afterScroll, [&scrolls] { ++scrolls; });
    query.Open();
    QCOMPARE(scrolls, 1);
    QCOMPARE(query.RecordCount(), 5);
    QVERIFY(query.Bof());
    QVERIFY(!query.Eof());
    QCOMPARE(column(query, QStringLiteral("ticketnumber")),
             (QStringList{"T1", "T2", "T3", "T4", "T5"}));
    // Next on the last row sets Eof and stays there.
    QVERIFY(query.Eof());
    QCOMPARE(query.RecNo(), 5);
    query.Prior();
    QCOMPARE(query.RecNo(), 4);
    QVERIFY(!query.Eof());
    query.First();
    query.Prior();
    QVERIFY(query.Bof());
    QCOMPARE(query.RecNo(), 1);
    QVERIFY(query.MoveBy(3));
    QCOMPARE(query.FieldByName(QStringLiteral("ticketnumber")).AsString(), QStringLiteral("T4"));
    QVERIFY(!query.MoveBy(10));
    QVERIFY(query.Eof());
    QCOMPARE(query.RecNo(), 5);
    query.SetRecNo(2);
    QCOMPARE(query.FieldByName(QStringLiteral("ticketprice")).AsFloat(), 25.5);
    query.Last();
    QVERIFY(query.Eof());
    QCOMPARE(query.FieldByName(QStringLiteral("zone")).AsInteger(), 2);
    query.Close();
    QVERIFY(!query.Active());
    QVERIFY(query.FieldByName(QStringLiteral("zone")).IsNull());
}

void TestQuery::bookmarks()
{
    TestDatabase db;
    fillTickets(db.connection());
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingticket ORDER BY parkingticketid");
    query.SetRequestLive(true);
    query.Open();
    query.SetRecNo(3);
    const Bookmark third = query.GetBookmark();
    query.SetRecNo(4);
    const Bookmark fourth = query.GetBookmark();
    // A bookmark follows its row when the order changes.
    query.SetSortedFields(QStringLiteral("ticketnumber DESC"));
    query.First();
    query.GotoBookmark(third);
    QCOMPARE(query.FieldByName(QStringLiteral("ticketnumber")).AsString(), QStringLiteral("T3"));
    QCOMPARE(query.RecNo(), 3);
    query.GotoBookmark(fourth);
    query.Delete();
    QVERIFY(!query.BookmarkValid(fourth));
    QVERIFY(query.BookmarkValid(third));
    QVERIFY_THROWS_EXCEPTION(Error, query.GotoBookmark(fourth));
}

void TestQuery::zeroDatesReadAsNull()
{
    TestDatabase db;
    db.connection().Execute(QStringLiteral(
        "INSERT INTO parkingdocument (number, documentdatetime, parkingfromdate, parkingtodate)"
        " VALUES ('1/13', '0000-00-00 00:00:00', '0000-00-00', '2013-05-01')"));
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingdocument");
    query.Open();
    const Field &dateTime = query.FieldByName(QStringLiteral("documentdatetime"));
    QVERIFY(dateTime.IsNull());
    QVERIFY(!dateTime.AsDateTime().isValid());
    QVERIFY(!query.FieldByName(QStringLiteral("parkingfromdate")).Value().isValid());
    QVERIFY(query.FieldByName(QStringLiteral("parkingfromdate")).AsString().isEmpty());
    QCOMPARE(query.FieldByName(QStringLiteral("parkingtodate")).AsDate(), QDate(2013, 5, 1));
}

// The server sends as many fraction digits as the column declares; values keep
// milliseconds and sorting orders by them.
void TestQuery::fractionalSeconds_data()
{
    QTest::addColumn<int>("precision");
    QTest::addColumn<QStringList>("fractions");
    QTest::addColumn<QList<int>>("msecs");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("one digit") << 1 << QStringList{".5", ".2", ""} << QList<int>{500, 200, 0}
                               << QStringList{"3", "2", "1"};
    QTest::newRow("three digits") << 3 << QStringList{".125", ".5", ".05"} << QList<int>{125, 500, 50}
                                  << QStringList{"3", "1", "2"};
    QTest::newRow("six digits, cut to milliseconds") << 6 << QStringList{".250999", ".25", ".0001"}
                                                     << QList<int>{250, 250, 0} << QStringList{"3", "1", "2"};
}

void TestQuery::fractionalSeconds()
{
    QFETCH(int, precision);
    QFETCH(QStringList, fractions);
    QFETCH(QList<int>, msecs);
    QFETCH(QStringList, sorted);
    TestDatabase db;
    QStringList rows;
    for (int i = 0; i < fractions.size(); ++i)
        rows << QStringLiteral("SELECT %1 AS n, CAST('2013-05-01 10:20:30%2' AS DATETIME(%3)) AS moment")
                    .arg(i + 1)
                    .arg(fractions[i])
                    .arg(precision);
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM (%1) AS t ORDER BY n").arg(rows.join(QStringLiteral(" UNION ALL ")));
    query.Open();
    const Field &moment = query.FieldByName(QStringLiteral("moment"));
    for (int i = 0; i < msecs.size(); ++i) {
        query.SetRecNo(i + 1);
        QCOMPARE(moment.Value().toDateTime(), QDateTime(QDate(2013, 5, 1), QTime(10, 20, 30, msecs[i])));
    }
    query.SetSortedFields(QStringLiteral("moment"));
    QCOMPARE(column(query, QStringLiteral("n")), sorted);
}

void TestQuery::displayText()
{
    TestDatabase db;
    db.connection().Execute(QStringLiteral(
        "INSERT INTO parkingdocument (parkingdocumentid, number, documentdatetime) VALUES (1, '1/13', NOW())"));
    db.connection().Execute(QStringLiteral(
        "INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, productid, parkingdocumentid)"
        " VALUES (1, 100, 100, 1, 20, 1, 1), (2, 0.5, 1.004, 1, 0, 1, 1)"));
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT *, ROUND(itemvalue * (1 + taxvalue/100),2) AS ItemTotal")
                << QStringLiteral("FROM parkingdocumentitem ORDER BY parkingdocumentitemid");
    query.SetFieldDefs({{QStringLiteral("ItemTotal"), FieldType::Real, 0, false, QStringLiteral("Vred.+PDV"),
                         QStringLiteral("0.00")},
                        {QStringLiteral("quantity"), FieldType::Real, 0, true, QStringLiteral("Količina"),
                         QStringLiteral("0.###")}});
    query.Open();
    const int total = query.FieldByName(QStringLiteral("ItemTotal")).Index();
    const int quantity = query.FieldByName(QStringLiteral("quantity")).Index();
    QCOMPARE(query.FieldByName(QStringLiteral("ItemTotal")).DisplayText(), QStringLiteral("120,00"));
    QCOMPARE(query.RowDisplayText(1, total), QStringLiteral("1,00"));
    QCOMPARE(query.RowDisplayText(1, quantity), QStringLiteral("2"));
    QCOMPARE(query.FieldByName(QStringLiteral("ItemTotal")).AsString(), QStringLiteral("120"));

    // A handler reading its own row sees the row asked for, not the current one.
    Field &price = query.FieldByName(QStringLiteral("price"));
    price.OnGetText = [](Field &sender, QString &text, bool displayText) {
        if (displayText)
            text = QStringLiteral("%1 x %2").arg(sender.DataSet().FieldByName(QStringLiteral("quantity")).AsString(),
                                                 text);
    };
    QCOMPARE(query.RowDisplayText(1, price.Index()), QStringLiteral("2 x 0.5"));
    QCOMPARE(price.DisplayText(), QStringLiteral("1 x 100"));
    QCOMPARE(price.EditText(), QStringLiteral("100"));
    QCOMPARE(query.RecNo(), 1);
}

void TestQuery::sorting_data()
{
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("stable ascending") << "ticketprice" << QStringList{"T4", "T1", "T3", "T5", "T2"};
    QTest::newRow("stable descending") << "ticketprice DESC" << QStringList{"T2", "T1", "T3", "T5", "T4"};
    QTest::newRow("two keys") << "ticketprice DESC, parkingticketid DESC" << QStringList{"T2", "T5", "T3", "T1", "T4"};
    QTest::newRow("date") << "ticketdate" << QStringList{"T4", "T1", "T2", "T3", "T5"};
    QTest::newRow("text ignores case, null first") << "name" << QStringList{"T4", "T1", "T2", "T3", "T5"};
    QTest::newRow("explicit asc") << "zone ASC, ticketnumber desc" << QStringList{"T3", "T1", "T5", "T2", "T4"};
}

void TestQuery::sorting()
{
    QFETCH(QString, sort);
    QFETCH(QStringList, expected);
    TestDatabase db;
    fillTickets(db.connection());
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingticket ORDER BY parkingticketid");
    query.SetSortedFields(sort);
    query.Open();
    QCOMPARE(column(query, QStringLiteral("ticketnumber")), expected);
    // Sorting again on an open query keeps the cursor on its row.
    query.SetRecNo(2);
    const QString current = query.FieldByName(QStringLiteral("ticketnumber")).AsString();
    query.SetSortedFields(QStringLiteral("parkingticketid"));
    QCOMPARE(query.FieldByName(QStringLiteral("ticketnumber")).AsString(), current);
}

void TestQuery::sortingNullsAndTies_data()
{
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("fetchOrder");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("newest first, null last") << "ticketdate DESC, parkingticketid DESC" << "ASC"
                                             << QStringList{"T3", "T2", "T5", "T6", "T4", "T1"};
    QTest::newRow("null first, second key descending") << "ticketdate, zone DESC" << "ASC"
                                                       << QStringList{"T4", "T1", "T6", "T5", "T3", "T2"};
    QTest::newRow("number before text order") << "zone DESC, ticketdate DESC" << "ASC"
                                              << QStringList{"T6", "T3", "T4", "T2", "T5", "T1"};
    QTest::newRow("reals descending, ties by date") << "ticketprice DESC, ticketdate" << "ASC"
                                                    << QStringList{"T1", "T5", "T2", "T4", "T3", "T6"};
    // Names in the Serbian alphabet: ana, čeda = Čeda, Ćira, Zoran.
    QTest::newRow("diacritics, case ties keep fetch order") << "name" << "ASC"
                                                            << QStringList{"T3", "T5", "T1", "T4", "T6", "T2"};
    QTest::newRow("text descending, null last") << "name DESC" << "ASC"
                                                << QStringList{"T2", "T6", "T1", "T4", "T5", "T3"};
    QTest::newRow("case ties in reverse fetch order") << "name DESC" << "DESC"
                                                     << QStringList{"T2", "T6", "T4", "T1", "T5", "T3"};
    QTest::newRow("all equal keep fetch order") << "status DESC" << "DESC"
                                                << QStringList{"T6", "T5", "T4", "T3", "T2", "T1"};
}

void TestQuery::sortingNullsAndTies()
{
    QFETCH(QString, sort);
    QFETCH(QString, fetchOrder);
    QFETCH(QStringList, expected);
    TestDatabase db;
    fillMixedTickets(db.connection());
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingticket ORDER BY parkingticketid ") + fetchOrder;
    query.Open();
    // Sorting an open query and opening a sorted one give the same order.
    query.SetSortedFields(sort);
    QCOMPARE(column(query, QStringLiteral("ticketnumber")), expected);
    query.Close();
    query.Open();
    QCOMPARE(column(query, QStringLiteral("ticketnumber")), expected);
}

void TestQuery::unknownSortFieldThrows()
{
    TestDatabase db;
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingticket");
    query.Open();
    QVERIFY_THROWS_EXCEPTION(Error, query.SetSortedFields(QStringLiteral("nosuchfield DESC")));
    QCOMPARE(query.SortedFields(), QString());
}

void TestQuery::declaredFieldsSurviveReopen()
{
    TestDatabase db;
    fillTickets(db.connection());
    Query query;
    query.SetConnection(&db.connection());
    FieldDef def;
    def.name = QStringLiteral("status");
    def.type = FieldType::SmallInt;
    def.displayLabel = QStringLiteral("Status");
    query.SetFieldDefs({def});
    // Declared fields exist before the query opens, so handlers can be set on them.
    Field &status = query.FieldByName(QStringLiteral("status"));
    status.OnGetText = [](Field &sender, QString &text, bool) {
        text = sender.AsInteger() == 0 ? QStringLiteral("Neplaćena") : QStringLiteral("Ostalo");
    };
    query.SQL() << QStringLiteral("SELECT * FROM parkingticket ORDER BY parkingticketid");
    query.Open();
    QCOMPARE(&query.FieldByName(QStringLiteral("status")), &status);
    QCOMPARE(status.DisplayText(), QStringLiteral("Neplaćena"));
    QCOMPARE(status.DisplayLabel(), QStringLiteral("Status"));
    query.Close();
    query.SQL() = QStringList{QStringLiteral("SELECT status, ticketnumber FROM parkingticket WHERE status = 1")};
    query.Open();
    QCOMPARE(status.Index(), 0);
    QCOMPARE(status.DisplayText(), QStringLiteral("Ostalo"));
}

// Texts that repeat are kept once; an empty text among them stays empty, not null, and
// is written back as such.
void TestQuery::repeatedTextsKeepEmptyAndNull()
{
    TestDatabase db;
    db.connection().Execute(QStringLiteral("CREATE TABLE repeated (repeatedid BIGINT AUTO_INCREMENT PRIMARY KEY, "
                                           "name VARCHAR(20) NOT NULL, note VARCHAR(20) NULL)"));
    db.connection().Execute(QStringLiteral("INSERT INTO repeated (name, note) VALUES ('', NULL), ('a', ''), ('', 'b'), "
                                           "('a', NULL)"));
    Query query;
    query.SetConnection(&db.connection());
    query.SetRequestLive(true);
    query.SQL() << QStringLiteral("SELECT * FROM repeated");
    query.Open();
    QStringList seen;
    for (query.First(); !query.Eof(); query.Next())
        for (const char *name : {"name", "note"}) {
            const Field &field = query.FieldByName(QString::fromLatin1(name));
            seen << (field.IsNull() ? QStringLiteral("null") : QLatin1Char('[') + field.AsString() + QLatin1Char(']'));
        }
    QCOMPARE(seen, QStringList({"[]", "null", "[a]", "[]", "[]", "[b]", "[a]", "null"}));
    query.Append();
    query.FieldByName(QStringLiteral("name")).SetAsString(QString(""));
    query.FieldByName(QStringLiteral("note")).SetAsString(QStringLiteral("c"));
    query.Post();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT CONCAT('[', name, ']', note) FROM repeated WHERE note = 'c'")),
             QStringLiteral("[]c"));
}

void TestQuery::refreshKeepsRow()
{
    TestDatabase db;
    fillTickets(db.connection());
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingticket");
    query.SetSortedFields(QStringLiteral("ticketnumber DESC"));
    query.Open();
    query.SetRecNo(2);
    db.connection().Execute(QStringLiteral("UPDATE parkingticket SET name = 'nova' WHERE ticketnumber = 'T4'"));
    db.connection().Execute(QStringLiteral("DELETE FROM parkingticket WHERE ticketnumber = 'T5'"));
    QSignalSpy changed(&query, &Query::dataSetChanged);
    query.Refresh();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(query.RecordCount(), 4);
    QCOMPARE(query.FieldByName(QStringLiteral("ticketnumber")).AsString(), QStringLiteral("T4"));
    QCOMPARE(query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("nova"));
    QCOMPARE(query.RecNo(), 1);
}

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
