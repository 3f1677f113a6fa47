#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <parking/data/ParkingNumbering.h>
#include <tests/support/TestDatabase.h>

#include <QSet>
#include <QTest>

#include <thread>

// Parking document numbers from the counter: shown without being taken, taken inside the
// storing transaction, never the same for two desks.
class TestParkingNumbering : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void peekTakesNothing();
    void takenOnlyInsideTransaction();
    void rollbackGivesNumberBack();
    void twoDesksNeverShareNumber();
};

namespace {

const QDateTime kDate(QDate(2026, 3, 2), QTime(9, 0));

QString Scalar(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.Open();
    return query.IsEmpty() ? QString() : query.Fields(0).AsString();
}

const QString kCounter = QStringLiteral("SELECT n FROM numbercounter WHERE series = 'parkingdocument'");

// One desk's save: the number taken and the document stored in one transaction.
void StoreDocument(dataset::Connection &connection)
{
    dataset::Transaction transaction(connection);
    dataset::Query insert;
    insert.SetConnection(&connection);
    insert.SetSQL({QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber) "
                                  "VALUES (:number, :date, 'BG', '1')")});
    insert.SetParam(QStringLiteral("number"), numbering::TakeParkingNumber(connection, kDate));
    insert.SetParam(QStringLiteral("date"), kDate);
    insert.ExecSQL();
    transaction.Commit();
}

} // namespace

// The shown number is the counter's next one, or the first free after it; showing it
// again changes nothing.
void TestParkingNumbering::peekTakesNothing()
{
    TestDatabase db;
    dataset::Connection &c = db.connection();
    QCOMPARE(numbering::PeekParkingIndex(c, kDate), qint64(1));
    c.Execute(QStringLiteral("UPDATE numbercounter SET n = 41 WHERE series = 'parkingdocument'"));
    c.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber) VALUES "
                             "('42/26', '2026-01-01', 'BG', '1'), ('42/25', '2025-01-01', 'BG', '1')"));
    QCOMPARE(numbering::PeekParkingIndex(c, kDate), qint64(43));
    QCOMPARE(numbering::PeekParkingIndex(c, kDate.addYears(2)), qint64(42));
    QCOMPARE(numbering::PeekParkingIndex(c, kDate), qint64(43));
    QCOMPARE(Scalar(c, kCounter), QStringLiteral("41"));
}

void TestParkingNumbering::takenOnlyInsideTransaction()
{
    TestDatabase db;
    QVERIFY_THROWS_EXCEPTION(dataset::Error, numbering::TakeParkingNumber(db.connection(), kDate));
    QCOMPARE(Scalar(db.connection(), kCounter), QStringLiteral("0"));
}

// A save that fails leaves the counter where it was, so its number is given again; a
// number typed by hand that holds the counter's next value is passed over.
void TestParkingNumbering::rollbackGivesNumberBack()
{
    TestDatabase db;
    dataset::Connection &c = db.connection();
    {
        dataset::Transaction transaction(c);
        QCOMPARE(numbering::TakeParkingNumber(c, kDate), QStringLiteral("1/26"));
    }
    c.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber) "
                             "VALUES ('2/26', '2026-01-01', 'BG', '1')"));
    dataset::Transaction transaction(c);
    QCOMPARE(numbering::TakeParkingNumber(c, kDate), QStringLiteral("1/26"));
    QCOMPARE(numbering::TakeParkingNumber(c, kDate), QStringLiteral("3/26"));
    transaction.Commit();
    QCOMPARE(Scalar(c, kCounter), QStringLiteral("3"));
}

// Two desks store 300 documents each at the same time: 600 numbers, none twice, and the
// counter at 600.
void TestParkingNumbering::twoDesksNeverShareNumber()
{
    TestDatabase db;
    constexpr int kEach = 300;
    QStringList failures[2];
    const auto desk = [&db, &failures](int index) {
        try {
            dataset::Connection connection;
            connection.Connect(db.params());
            for (int i = 0; i < kEach; ++i)
                StoreDocument(connection);
        } catch (const std::exception &error) {
            failures[index] << QString::fromUtf8(error.what());
        }
    };
    std::thread first(desk, 0);
    std::thread second(desk, 1);
    first.join();
    second.join();
    QVERIFY2(failures[0].isEmpty() && failures[1].isEmpty(), qPrintable((failures[0] + failures[1]).join('\n')));
    dataset::Connection &c = db.connection();
    QCOMPARE(Scalar(c, QStringLiteral("SELECT COUNT(DISTINCT number) FROM parkingdocument")), QStringLiteral("600"));
    QCOMPARE(Scalar(c, QStringLiteral("SELECT MAX(CAST(number AS UNSIGNED)) FROM parkingdocument")),
             QStringLiteral("600"));
    QCOMPARE(Scalar(c, kCounter), QStringLiteral("600"));
}

QTEST_GUILESS_MAIN(TestParkingNumbering)
#include "tst_ParkingNumbering.moc"
