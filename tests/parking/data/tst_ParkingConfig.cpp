#include "../host/FakeHost.h"
#include <parking/data/ParkingConfig.h>
#include <parking/shared/HostServices.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestParkingConfig : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void configBesideProgram();
    void configNamedByConsole();
    void readValue_data();
    void readValue();
    void missingFile();
};

void TestParkingConfig::configBesideProgram()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    const QFileInfo config(ParkingConfigFilePath(parking::HostServices()));
    QCOMPARE(config.absolutePath(), program.absolutePath());
    QCOMPARE(config.fileName(), program.completeBaseName() + QStringLiteral(".ini"));
}

// The console's --config reaches the module: the file the console names wins.
void TestParkingConfig::configNamedByConsole()
{
    IntfPtr<FakeConsole> console(new FakeConsole);
    console->modules.insert(IConfigurationModule::IID,
                            IntfPtr<IInterface>(static_cast<IConfigurationModule *>(
                                new FakeConfiguration(QStringLiteral("/etc/parking/konzola.ini")))));
    const parking::HostServices host{IntfPtr<IConsole>(console.get())};
    QCOMPARE(ParkingConfigFilePath(host), QStringLiteral("/etc/parking/konzola.ini"));
    console->modules.clear();
    const QFileInfo beside(ParkingConfigFilePath(host));
    QCOMPARE(beside.absolutePath(), QFileInfo(QCoreApplication::applicationFilePath()).absolutePath());
}

void TestParkingConfig::readValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString sample = QStringLiteral(
        "; warehouses per user\n"
        "[Document]\n"
        "DefWarehouseName = Glavni magacin \n"
        "[Parking]\n"
        "7=Centar, Novi Sad\n"
        "8=\"Lager 2\"\n"
        "9=C:\\magacin\\\"a\"\n"
        "7=later duplicate\n"
        "[Other]\n"
        "10=x\n");
    QTest::newRow("trimmed") << sample << "Document" << "DefWarehouseName" << "Glavni magacin";
    QTest::newRow("names ignore case") << sample << "document" << "defwarehousename" << "Glavni magacin";
    QTest::newRow("comma is text") << sample << "Parking" << "7" << "Centar, Novi Sad";
    QTest::newRow("quotes removed") << sample << "Parking" << "8" << "Lager 2";
    QTest::newRow("backslashes kept") << sample << "Parking" << "9" << "C:\\magacin\\\"a\"";
    QTest::newRow("key of another section") << sample << "Parking" << "10" << "";
    QTest::newRow("absent key") << sample << "Parking" << "-1" << "";
    QTest::newRow("absent section") << sample << "Nema" << "7" << "";
    QTest::newRow("byte-order mark and diacritics")
        << QStringLiteral("\uFEFF[Parking]\n0=Čukarica\n") << "Parking" << "0" << "Čukarica";
}

void TestParkingConfig::readValue()
{
    QFETCH(QString, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("console.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();
    QCOMPARE(ReadIniValue(path, section, key), expected);
}

void TestParkingConfig::missingFile()
{
    QTemporaryDir dir;
    QCOMPARE(ReadIniValue(dir.filePath(QStringLiteral("none.ini")), QStringLiteral("Parking"),
                          QStringLiteral("0")),
             QString());
}

QTEST_GUILESS_MAIN(TestParkingConfig)
#include "tst_ParkingConfig.moc"
