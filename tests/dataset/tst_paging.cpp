#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <tests/support/TestDatabase.h>

#include <QSignalSpy>
#include <QTest>

using namespace dataset;

// A query read in packets shows the rows of the whole result in the same order as one
// that reads the result at once: at the first, middle and last rows, after another
// desk's insert and after a post that moves a row past the rows held.
class TestPaging : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameRowsAsWholeRead_data();
    void sameRowsAsWholeRead();
    void firstPacketOnly();
    void middleAndLast();
    void insertByAnotherDesk();
    void postedRowPastTheRowsHeld();
    void refreshFindsRowNotHeld();
    void readWholeWhenServerCannotOrder_data();
    void readWholeWhenServerCannotOrder();
};

namespace {

constexpr int Rows = 41;

// Times repeat (ties broken by the key), every fifth day is null.
void fillRows(Connection &c)
{
    c.Execute(QStringLiteral("CREATE TABLE pagerow (pagerowid BIGINT AUTO_INCREMENT PRIMARY KEY, "
                             "stamp DATETIME NOT NULL, day DATE NULL, name VARCHAR(20) NULL, KEY pagerow_stamp (stamp))"));
    QStringList values;
    for (int i = 0; i < Rows; ++i)
        values << QStringLiteral("('2026-03-%1 %2:00:00', %3, 'r%4')")
                      .arg(1 + i % 9, 2, 10, QLatin1Char('0'))
                      .arg((i * 7) % 3 + 8, 2, 10, QLatin1Char('0'))
                      .arg(i % 5 == 0 ? QStringLiteral("NULL") : QStringLiteral("'2026-04-%1'").arg(1 + i % 4, 2, 10, QLatin1Char('0')))
                      .arg(i);
    c.Execute(QStringLiteral("INSERT INTO pagerow (stamp, day, name) VALUES ") + values.join(QLatin1Char(',')));
}

// Every row's key and name, walked with Next from the first row.
QStringList walk(Query &query)
{
    QStringList seen;
    for (query.First(); !query.Eof(); query.Next())
        seen << query.FieldByName(QStringLiteral("pagerowid")).AsString() + QLatin1Char(':')
                + query.FieldByName(QStringLiteral("name")).AsString();
    return seen;
}

void openOn(Query &query, Connection &c, const QString &sql, const QString &sort, int packet)
{
    query.SetConnection(&c);
    query.SetSQL({sql});
    query.SetSortedFields(sort);
    query.SetPacketRecords(packet);
    query.Open();
}

QStringList wholeRead(Connection &c, const QString &sql, const QString &sort)
{
    Query whole;
    openOn(whole, c, sql, sort, 0);
    return walk(whole);
}

const QString kAll = QStringLiteral("SELECT * FROM pagerow");
const QString kNewestFirst = QStringLiteral("stamp DESC, pagerowid DESC");

} // namespace

void TestPaging::sameRowsAsWholeRead_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("sort");
    QTest::addColumn<int>("packet");

    QTest::newRow("newest first, packet 1") << kAll << kNewestFirst << 1;
    QTest::newRow("newest first, packet 7") << kAll << kNewestFirst << 7;
    QTest::newRow("newest first, one packet") << kAll << kNewestFirst << 100;
    QTest::newRow("ties kept in key order") << kAll << QStringLiteral("stamp") << 4;
    QTest::newRow("nullable, ascending") << kAll << QStringLiteral("day, stamp DESC") << 3;
    QTest::newRow("nullable, descending") << kAll << QStringLiteral("day DESC") << 5;
    QTest::newRow("no sort: by key") << kAll << QString() << 6;
    QTest::newRow("condition with OR kept whole")
        << QStringLiteral("SELECT p.* FROM pagerow AS p WHERE p.name LIKE 'r1%' OR p.day IS NULL -- tail")
        << kNewestFirst << 2;
    QTest::newRow("expression column, no WHERE")
        << QStringLiteral("SELECT p.*, CONCAT(p.name, '!') AS shout FROM pagerow p") << QStringLiteral("day DESC, stamp") << 4;
}

void TestPaging::sameRowsAsWholeRead()
{
    QFETCH(QString, sql);
    QFETCH(QString, sort);
    QFETCH(int, packet);
    TestDatabase db;
    fillRows(db.connection());
    Query query;
    openOn(query, db.connection(), sql, sort, packet);
    QCOMPARE(walk(query), wholeRead(db.connection(), sql, sort));
}

void TestPaging::firstPacketOnly()
{
    TestDatabase db;
    fillRows(db.connection());
    Query query;
    openOn(query, db.connection(), kAll, kNewestFirst, 10);
    QCOMPARE(query.RecordCount(), 10);
    QVERIFY(query.CanFetchMore());
    QSignalSpy appended(&query, &Query::rowsAppended);
    QCOMPARE(query.FetchMore(), 10);
    QCOMPARE(appended.count(), 1);
    QCOMPARE(appended.first().at(0).toInt(), 10);
    QCOMPARE(appended.first().at(1).toInt(), 19);
    query.FetchAll();
    QCOMPARE(query.RecordCount(), Rows);
    QVERIFY(!query.CanFetchMore());
}

// SetRecNo and MoveBy past the rows held read up to the row asked for; Last reads all.
void TestPaging::middleAndLast()
{
    TestDatabase db;
    fillRows(db.connection());
    const QStringList whole = wholeRead(db.connection(), kAll, kNewestFirst);
    Query query;
    openOn(query, db.connection(), kAll, kNewestFirst, 4);
    const auto current = [&query] {
        return query.FieldByName(QStringLiteral("pagerowid")).AsString() + QLatin1Char(':')
            + query.FieldByName(QStringLiteral("name")).AsString();
    };
    query.SetRecNo(21);
    QCOMPARE(current(), whole.at(20));
    QVERIFY(query.RecordCount() < Rows);
    QVERIFY(query.MoveBy(9));
    QCOMPARE(current(), whole.at(29));
    query.Last();
    QCOMPARE(current(), whole.last());
    QCOMPARE(query.RecordCount(), Rows);
    QCOMPARE(query.RecNo(), Rows);
}

// Rows another desk stores past the rows held come with the later packets; those before
// them show after a refresh, as with a whole read made then.
void TestPaging::insertByAnotherDesk()
{
    TestDatabase db;
    fillRows(db.connection());
    Query query;
    openOn(query, db.connection(), kAll, kNewestFirst, 5);
    Connection other;
    other.Connect(db.params());
    other.Execute(QStringLiteral("INSERT INTO pagerow (stamp, name) VALUES ('2020-01-01 00:00:00', 'old'), "
                                 "('2030-01-01 00:00:00', 'new')"));
    QStringList shown = walk(query);
    QCOMPARE(shown.size(), Rows + 1);
    QVERIFY(shown.last().endsWith(QStringLiteral(":old")));
    query.Refresh();
    QCOMPARE(walk(query), wholeRead(db.connection(), kAll, kNewestFirst));
    QVERIFY(walk(query).first().endsWith(QStringLiteral(":new")));
}

// A row whose new date sorts it past the rows held takes its place among the rows read
// up to it, and the later packets do not bring it again.
void TestPaging::postedRowPastTheRowsHeld()
{
    TestDatabase db;
    fillRows(db.connection());
    Query query;
    query.SetRequestLive(true);
    openOn(query, db.connection(), kAll, kNewestFirst, 5);
    query.First();
    const QString moved = query.FieldByName(QStringLiteral("pagerowid")).AsString();
    query.Edit();
    query.FieldByName(QStringLiteral("stamp")).SetAsDateTime(QDateTime(QDate(2026, 3, 5), QTime(8, 30)));
    query.Post();
    QCOMPARE(query.FieldByName(QStringLiteral("pagerowid")).AsString(), moved);
    const QStringList whole = wholeRead(db.connection(), kAll, kNewestFirst);
    const auto place = std::find_if(whole.begin(), whole.end(),
                                    [&](const QString &row) { return row.startsWith(moved + QLatin1Char(':')); });
    QCOMPARE(query.RecNo() - 1, int(place - whole.begin()));
    QCOMPARE(walk(query), whole);

    query.Append();
    query.FieldByName(QStringLiteral("stamp")).SetAsDateTime(QDateTime(QDate(2019, 1, 1), QTime(0, 0)));
    query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("oldest"));
    query.Post();
    QCOMPARE(query.RecNo(), Rows + 1);
    QCOMPARE(walk(query), wholeRead(db.connection(), kAll, kNewestFirst));
}

void TestPaging::refreshFindsRowNotHeld()
{
    TestDatabase db;
    fillRows(db.connection());
    Query query;
    openOn(query, db.connection(), kAll, kNewestFirst, 3);
    query.SetRecNo(30);
    const QString key = query.FieldByName(QStringLiteral("pagerowid")).AsString();
    db.connection().Execute(QStringLiteral("INSERT INTO pagerow (stamp, name) VALUES ('2030-01-01 00:00:00', 'new')"));
    query.Refresh();
    QCOMPARE(query.FieldByName(QStringLiteral("pagerowid")).AsString(), key);
    QCOMPARE(query.RecNo(), 31);
}

void TestPaging::readWholeWhenServerCannotOrder_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("sort");

    QTest::newRow("text key") << kAll << QStringLiteral("name");
    QTest::newRow("grouped") << QStringLiteral("SELECT MIN(pagerowid) AS pagerowid, name FROM pagerow GROUP BY name")
                             << QString();
    QTest::newRow("own order") << QStringLiteral("SELECT * FROM pagerow ORDER BY name DESC") << QString();
    QTest::newRow("union") << QStringLiteral("SELECT * FROM pagerow UNION ALL SELECT * FROM pagerow WHERE 0")
                           << QString();
}

void TestPaging::readWholeWhenServerCannotOrder()
{
    QFETCH(QString, sql);
    QFETCH(QString, sort);
    TestDatabase db;
    fillRows(db.connection());
    Query query;
    openOn(query, db.connection(), sql, sort, 5);
    QCOMPARE(query.RecordCount(), Rows);
    QVERIFY(!query.CanFetchMore());
    QCOMPARE(walk(query), wholeRead(db.connection(), sql, sort));
}

QTEST_GUILESS_MAIN(TestPaging)
#include "tst_paging.moc"
