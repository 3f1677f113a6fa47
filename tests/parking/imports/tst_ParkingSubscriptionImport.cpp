#include "ImportTestFiles.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <parking/imports/ImportError.h>
#include <parking/imports/SubscriptionImportJob.h>
#include <routines/CodePages.h>
#include <tests/support/TestDatabase.h>

#include <QTemporaryDir>
#include <QtTest>

using namespace imports;

// Subscription export: one line to a row, and the file replacing the table as one step.
class TestSubscriptionImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void line_data();
    void line();
    void lineErrors_data();
    void lineErrors();
    void fileReplacesTable();
    void failureKeepsTable();
};

namespace {

QStringList Shown(const QByteArray &line)
{
    const std::optional<SubscriptionRow> row = ReadSubscriptionLine(line);
    if (!row)
        return {QStringLiteral("<left out>")};
    const auto date = [](const std::pair<QDate, QTime> &value) {
        return QDateTime(value.first, value.second).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    return {row->subscriptionNumber, row->regCityNumber, date(row->fromDate), date(row->toDate),
            row->firstName, row->lastName, row->personalIdentificator, row->zone, row->list, row->status};
}

QString WriteFile(const QTemporaryDir &dir, const QByteArray &content)
{
    return WriteTestFile(dir, QStringLiteral("PRETPLATE.CSV"), content);
}

QStringList Table(dataset::Connection &connection)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << QStringLiteral("SELECT subscriptionnumber, regcitynumber, subscriptionfromdate, lastname,"
                                  " status FROM parkingsubscription ORDER BY parkingsubscriptionid");
    query.Open();
    QStringList rows;
    for (; !query.Eof(); query.Next()) {
        QStringList values;
        for (int i = 0; i < query.FieldCount(); ++i)
            values << query.Fields(i).AsString();
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

const QByteArray Header = "broj,reg,od,do,ime,prezime,jmbg,zona,lista,x,status\r\n";

} // namespace

void TestSubscriptionImport::line_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("row");
    const QStringList common{"P1", "BG123", "2024-01-01 00:00", "2024-01-31 23:59", "Ana", "Ban", "123", "Z1", "L"};
    QTest::newRow("9 separators: no status")
        << QByteArray("P1,BG123,2024-01-01,2024-01-31 23:59,Ana,Ban,123,Z1,L,skip") << common + QStringList{""};
    QTest::newRow("10 separators: field 10 never stored")
        << QByteArray("P1,BG123,2024-01-01,2024-01-31 23:59,Ana,Ban,123,Z1,L,skip,")
        << common + QStringList{""};
    QTest::newRow("11 separators: status keeps its comma")
        << QByteArray("P1,BG123,2024-01-01,2024-01-31 23:59,Ana,Ban,123,Z1,L,skip,a,b")
        << common + QStringList{"a,b"};
    QTest::newRow("Serbian lower-case registration")
        << ToWin1250(QStringLiteral("P1,bg 123-šđ,1.1.2024,31.1.2024 23:59,Ana,Ban,123,Z1,L,,aktivna"))
        << QStringList{"P1", "BG 123-ŠĐ", "2024-01-01 00:00", "2024-01-31 23:59", "Ana", "Ban", "123", "Z1", "L",
                       "aktivna"};
    QTest::newRow("Cyrillic transliterated, cut to the column sizes")
        << QStringLiteral("P1,ns-čć,2024-01-01,2024-01-31 23:59,Љиљана Јовановић-Џаковић,Шћекић,"
                          "123,Z1,L,,веома дугачак статус 123")
               .toUtf8()
        << QStringList{"P1", "NS-ČĆ", "2024-01-01 00:00", "2024-01-31 23:59", "Ljiljana Jovanović-D", "Šćekić",
                       "123", "Z1", "L", "veoma dugačak status"};
    QTest::newRow("empty registration left out") << QByteArray("P1,,x,y,,,,,,,") << QStringList{"<left out>"};
    QTest::newRow("empty line left out") << QByteArray("") << QStringList{"<left out>"};
}

void TestSubscriptionImport::line()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, row);
    QCOMPARE(Shown(line), row);
}

void TestSubscriptionImport::lineErrors_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("date not readable") << QByteArray("P1,BG1,2024-13-01,2024-01-31,,,,,,,");
    QTest::newRow("missing end date") << QByteArray("P1,BG1,2024-01-01,,,,,,,,");
    QTest::newRow("missing subscription number") << QByteArray(",BG1,2024-01-01,2024-01-31,,,,,,,");
}

void TestSubscriptionImport::lineErrors()
{
    QFETCH(QByteArray, line);
    QVERIFY_THROWS_EXCEPTION(std::exception, ReadSubscriptionLine(line));
}

void TestSubscriptionImport::fileReplacesTable()
{
    TestDatabase db(true);
    QTemporaryDir dir;
    const QString path = WriteFile(dir, Header + ToWin1250(QStringLiteral(
        "P2,bg1,2024-01-01,2024-01-31,Ana,O'Brien\\,1,Z,L,,a\tb\n"
        ",,,,,,,,,,\n"
        "\n"
        "P1,ns2,2024-02-01 08:00,2024-02-28,Ivo,Šarić,2,Z,L,,\n")));
    SubscriptionImportJob job;
    for (int run = 0; run < 2; ++run) {
        const ImportSummary summary = RunImport(job, path, db.params());
        QCOMPARE(summary.linesRead, 4);
        QCOMPARE(summary.rowsStored, 2);
        // The demo rows are gone; the file's rows come in file order, values exact.
        QCOMPARE(Table(db.connection()),
                 QStringList({"P2|BG1|2024-01-01 00:00:00|O'Brien\\|a\tb", "P1|NS2|2024-02-01 08:00:00|Šarić|"}));
    }
}

void TestSubscriptionImport::failureKeepsTable()
{
    TestDatabase db(true);
    const QStringList before = Table(db.connection());
    QVERIFY(!before.isEmpty());
    QTemporaryDir dir;
    const QString path = WriteFile(dir, Header + "P1,BG1,2024-01-01,2024-01-31,,,,,,,\n"
                                                 "P2,BG2,2024-01-01,31.02.2024,,,,,,,\n");
    SubscriptionImportJob job;
    try {
        RunImport(job, path, db.params());
        QFAIL("an unreadable date must end the import");
    } catch (const ImportError &e) {
        QCOMPARE(e.line(), 3);
        QVERIFY(e.message().startsWith(QStringLiteral("Pogrešan format datoteke!\nRed 3: ")));
    }
    QCOMPARE(Table(db.connection()), before);
}

QTEST_GUILESS_MAIN(TestSubscriptionImport)
#include "tst_ParkingSubscriptionImport.moc"
