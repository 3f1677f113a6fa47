#include <parking/shared/ParkingResourceString.h>

#include <dataset/Error.h>
#include <parking/core/TicketStatus.h>

#include <QTest>

class TestParkingResourceString : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void texts_data();
    void texts();
    void lineBreakIsCarriageReturnLineFeed();
    void unknownName();
    void statusCaption_data();
    void statusCaption();
};

void TestParkingResourceString::texts_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("text");
    // Diacritics must survive the way from the sources to the screen.
    QTest::newRow("status 2") << QByteArray("_PARKING_STATUS2_CAP") << QStringLiteral("Nenaplaćena");
    QTest::newRow("status 5") << QByteArray("_PARKING_STATUS5_CAP") << QStringLiteral("Poništena");
    QTest::newRow("status 4") << QByteArray("_PARKING_STATUS4_CAP") << QStringLiteral("Opomena pred tužbu");
    QTest::newRow("progress") << QByteArray("_CSV_LOAD_PROGRESS_INF") << QStringLiteral("Učitavanje u toku.");
    QTest::newRow("format") << QByteArray("_CSV_LOAD_INCORR_FMT_ERR") << QStringLiteral("Pogrešan format datoteke!");
    QTest::newRow("post") << QByteArray("_DOC_POST_ERR") << QStringLiteral("Dokument %s nije moguće snimiti.");
    QTest::newRow("item post") << QByteArray("_DOCITEM_POST_ERR")
                               << QStringLiteral("Proizvod %s nije snimljen u dokumentu %s.");
    QTest::newRow("name") << QByteArray("_PARKING_MOD_NAME") << QStringLiteral("Parking");
    QTest::newRow("description") << QByteArray("_PARKING_MOD_DESC") << QStringLiteral("Upravljanje parkingom");
    QTest::newRow("user last name") << QByteArray("_PARKING_USER_LASTNAME") << QStringLiteral("Prezime korisnika");
    QTest::newRow("yearly red") << QByteArray("_PARKING_RED_ZONE_CAP2")
                                << QStringLiteral("Pretplatna Crvena zona - godisnja");
}

void TestParkingResourceString::texts()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, text);
    QCOMPARE(ParkingResourceString(name.constData()), text);
    // The published C lookup gives the same text as UTF-8.
    QCOMPARE(QString::fromUtf8(ParkingResourceStringUtf8(name.constData())), text);
}

void TestParkingResourceString::lineBreakIsCarriageReturnLineFeed()
{
    const QString text = ParkingResourceString("_CSV_LOAD_FIRST_SUCC_INF");
    QCOMPARE(text, QStringLiteral("Podaci od 2013. pa na dalje su učitani.\r\n"
                                  "Sada će i ostali podaci biti učitani."));
}

void TestParkingResourceString::unknownName()
{
    QCOMPARE(ParkingResourceStringUtf8("_NO_SUCH_ENTRY"), nullptr);
    QCOMPARE(ParkingResourceStringUtf8(nullptr), nullptr);
    QVERIFY_THROWS_EXCEPTION(dataset::Error, ParkingResourceString("_NO_SUCH_ENTRY"));
}

// The published catalogue names each status with the caption the module shows.
void TestParkingResourceString::statusCaption_data()
{
    QTest::addColumn<int>("status");
    for (int code = 1; code <= 18; ++code) {
        if (parking::TicketStatusOf(code))
            QTest::addRow("%d", code) << code;
    }
}

void TestParkingResourceString::statusCaption()
{
    QFETCH(int, status);
    const QByteArray name = "_PARKING_STATUS" + QByteArray::number(status) + "_CAP";
    QCOMPARE(ParkingResourceString(name.constData()), parking::StatusCaption(status));
}

QTEST_APPLESS_MAIN(TestParkingResourceString)
#include "tst_ParkingResourceString.moc"
