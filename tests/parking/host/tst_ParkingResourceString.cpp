#include <parking/shared/ParkingResourceString.h>

#include <dataset/Error.h>

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

void TestParkingResourceString::statusCaption_data()
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

void TestParkingResourceString::statusCaption()
{
    QFETCH(int, status);
    QFETCH(QString, caption);
    QCOMPARE(ParkingStatusCaption(status), caption);
}

QTEST_APPLESS_MAIN(TestParkingResourceString)
#include "tst_ParkingResourceString.moc"
