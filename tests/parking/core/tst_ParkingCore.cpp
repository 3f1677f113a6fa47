#include <parking/core/DocumentQueries.h>
#include <parking/core/Plate.h>
#include <parking/core/TicketStatus.h>

#include <QTest>

using namespace parking;

class TestParkingCore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusCaption_data();
    void statusCaption();
    void statusRules_data();
    void statusRules();
    void statusCodeLists();
    void plate_data();
    void plate();
    void documentSearchBindsValues();
};

void TestParkingCore::statusCaption_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("caption");
    const QString unknown = QStringLiteral("Nepoznat status");
    for (int code : {-1, 0, 6, 11, 12, 13, 14, 19, 100})
        QTest::addRow("%d", code) << code << unknown;
    const QList<std::pair<int, QString>> known{
        {1, QStringLiteral("Nova")},
        {2, QStringLiteral("Nenaplaćena")},
        {3, QStringLiteral("Naplaćena")},
        {4, QStringLiteral("Opomena pred tužbu")},
        {5, QStringLiteral("Poništena")},
        {7, QStringLiteral("Naplaćena opomenom")},
        {8, QStringLiteral("U postupku tuženja")},
        {9, QStringLiteral("Naplaćena tužbom")},
        {10, QStringLiteral("Vraćena pošta")},
        {15, QStringLiteral("Stranac")},
        {16, QStringLiteral("Stranac u tužbi")},
        {17, QStringLiteral("Verodostojna")},
        {18, QStringLiteral("Nema podataka u MUP-u")},
    };
    for (const auto &[code, caption] : known)
        QTest::addRow("%d", code) << code << caption;
}

void TestParkingCore::statusCaption()
{
    QFETCH(int, status);
    QFETCH(QString, caption);
    QCOMPARE(StatusCaption(status), caption);
    QCOMPARE(TicketStatusOf(status).has_value(), caption != QStringLiteral("Nepoznat status"));
}

// Paid by any of the three ways, cancelled, or chargeable; the import leaves out only the
// desk's paid and the cancelled ones.
void TestParkingCore::statusRules_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("paid");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<bool>("leftOut");
    QTest::newRow("new") << 1 << false << false << false;
    QTest::newRow("unpaid") << 2 << false << false << false;
    QTest::newRow("paid") << 3 << true << false << true;
    QTest::newRow("reminder") << 4 << false << false << false;
    QTest::newRow("cancelled") << 5 << false << true << true;
    QTest::newRow("unknown 6") << 6 << false << false << false;
    QTest::newRow("paid by reminder") << 7 << true << false << false;
    QTest::newRow("in lawsuit") << 8 << false << false << false;
    QTest::newRow("paid by lawsuit") << 9 << true << false << false;
    QTest::newRow("foreigner") << 15 << false << false << false;
    QTest::newRow("unknown 0") << 0 << false << false << false;
}

void TestParkingCore::statusRules()
{
    QFETCH(int, status);
    QFETCH(bool, paid);
    QFETCH(bool, cancelled);
    QFETCH(bool, leftOut);
    QCOMPARE(IsPaid(status), paid);
    QCOMPARE(IsCancelled(status), cancelled);
    QCOMPARE(IsChargeable(status), !paid && !cancelled);
    QCOMPARE(IsLeftOutByImport(status), leftOut);
}

void TestParkingCore::statusCodeLists()
{
    QCOMPARE(StatusCodeList(IsClosed), QStringLiteral("3, 5, 7, 9"));
    QCOMPARE(StatusCodeList(IsLeftOutByImport), QStringLiteral("3, 5"));
}

void TestParkingCore::plate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("display");
    QTest::newRow("as stored") << "NS7788" << "NS7788" << "NS7788";
    QTest::newRow("lower case, blank, dash") << " ns 77-88 " << "NS7788" << "ns 77-88";
    QTest::newRow("tab and dashes") << "BG\t123--AB" << "BG123AB" << "BG\t123--AB";
    QTest::newRow("diacritics upper") << "čž-1" << "ČŽ1" << "čž-1";
    QTest::newRow("only separators") << " - " << "" << "-";
    QTest::newRow("empty") << "" << "" << "";
}

void TestParkingCore::plate()
{
    QFETCH(QString, typed);
    QFETCH(QString, key);
    QFETCH(QString, display);
    const Plate plate(typed);
    QCOMPARE(plate.Key(), key);
    QCOMPARE(plate.Display(), display);
    QCOMPARE(plate.IsEmpty(), key.isEmpty());
    QCOMPARE(PlateKey(typed), key);
}

// The typed values reach the server only as parameters: the statement text holds none of
// them, whatever they contain, and the extra columns follow "pd.*".
void TestParkingCore::documentSearchBindsValues()
{
    const QString hostile = QStringLiteral("\\' OR 1=1 -- ");
    const Statement search = DocumentSearch({{QStringLiteral("regnumber"), hostile},
                                             {QStringLiteral("datefrom"), QStringLiteral("2013-05-01")},
                                             {QStringLiteral("number"), QString()}},
                                            QStringLiteral("1 AS one"));
    QVERIFY(!search.sql.contains(QStringLiteral("OR 1=1")));
    QVERIFY(search.sql.startsWith(QStringLiteral("SELECT pd.*, 1 AS one FROM parkingdocument AS pd ")));
    QVERIFY(search.sql.endsWith(
        QStringLiteral("WHERE pd.documentdatetime >= :datefrom AND pd.regnumber LIKE :regnumber")));
    QCOMPARE(search.params.size(), 2u);
    QCOMPARE(search.params.at(0).value.toString(), QStringLiteral("2013-05-01 00:00:00"));
    QCOMPARE(search.params.at(1).value.toString(), hostile + QLatin1Char('%'));
}

QTEST_APPLESS_MAIN(TestParkingCore)
#include "tst_ParkingCore.moc"
