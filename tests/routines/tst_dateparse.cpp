#include <routines/DateParse.h>

#include <QtTest>

#include <stdexcept>

class TestDateParse : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dateTime_data();
    void dateTime();
    void date_data();
    void date();
};

void TestDateParse::dateTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected"); // invalid = must be rejected

    const QDate d(2024, 3, 7);
    QTest::newRow("iso") << "2024-03-07" << QDateTime(d, QTime(0, 0));
    QTest::newRow("iso minutes") << "2024-03-07 09:05" << QDateTime(d, QTime(9, 5));
    QTest::newRow("iso seconds") << "2024-03-07 23:59:59" << QDateTime(d, QTime(23, 59, 59));
    QTest::newRow("iso T") << "2024-03-07T09:05:04" << QDateTime(d, QTime(9, 5, 4));
    QTest::newRow("dotted") << "07.03.2024" << QDateTime(d, QTime(0, 0));
    QTest::newRow("dotted closing dot") << "07.03.2024." << QDateTime(d, QTime(0, 0));
    QTest::newRow("short dotted time") << "7.3.2024 9:05" << QDateTime(d, QTime(9, 5));
    QTest::newRow("start-stop join") << "07.03.2024 17:30:00" << QDateTime(d, QTime(17, 30));
    QTest::newRow("slashes") << "7/3/2024" << QDateTime(d, QTime(0, 0));
    QTest::newRow("surrounding blanks") << " 2024-03-07 " << QDateTime(d, QTime(0, 0));
    QTest::newRow("leap day") << "29.02.2024" << QDateTime(QDate(2024, 2, 29), QTime(0, 0));
    QTest::newRow("one-digit hour") << "2024-03-07 9:05" << QDateTime(d, QTime(9, 5));
    QTest::newRow("date and a blank") << "07.03.2024 " << QDateTime(d, QTime(0, 0));

    QTest::newRow("no leap day") << "29.02.2023" << QDateTime();
    QTest::newRow("month 13") << "2024-13-01" << QDateTime();
    QTest::newRow("hour 24") << "2024-03-07 24:00" << QDateTime();
    QTest::newRow("minute 60") << "2024-03-07 10:60" << QDateTime();
    QTest::newRow("date only time") << "10:00" << QDateTime();
    QTest::newRow("two-digit year") << "07.03.24" << QDateTime();
    QTest::newRow("mixed separators") << "07.03-2024" << QDateTime();
    QTest::newRow("empty") << "" << QDateTime();
    QTest::newRow("missing value") << "NUL" << QDateTime();
    QTest::newRow("trailing text") << "2024-03-07 10:00 x" << QDateTime();
    QTest::newRow("one-digit minute") << "2024-03-07 10:5" << QDateTime();
    QTest::newRow("no 31 April") << "31.04.2024 10:00" << QDateTime();
    QTest::newRow("sign in month") << "2024-+3-07" << QDateTime();
}

void TestDateParse::dateTime()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    if (expected.isValid()) {
        QCOMPARE(MyDateTimeStrToDateTime(text), expected);
        return;
    }
    try {
        MyDateTimeStrToDateTime(text);
        QFAIL("accepted an invalid date and time");
    } catch (const std::runtime_error &e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains(QStringLiteral("nije ispravan datum i vreme")),
                 qPrintable(message));
        QVERIFY2(message.contains(text), qPrintable(message));
    }
}

void TestDateParse::date_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");

    QTest::newRow("iso") << "2024-03-07" << QDate(2024, 3, 7);
    QTest::newRow("dotted") << "1.12.2023" << QDate(2023, 12, 1);
    QTest::newRow("time is not a date") << "2024-03-07 10:00" << QDate();
    QTest::newRow("day 32") << "32.01.2024" << QDate();
    QTest::newRow("words") << "danas" << QDate();
}

void TestDateParse::date()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    if (expected.isValid()) {
        QCOMPARE(MyDateStrToDate(text), expected);
        return;
    }
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, MyDateStrToDate(text));
    try {
        MyDateStrToDate(text);
    } catch (const std::runtime_error &e) {
        QCOMPARE(QString::fromUtf8(e.what()),
                 QStringLiteral("\u201E%1\u201C nije ispravan datum.").arg(text));
    }
}

QTEST_GUILESS_MAIN(TestDateParse)
#include "tst_dateparse.moc"
