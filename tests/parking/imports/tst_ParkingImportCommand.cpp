#include "Connection.h"
#include "Query.h"
#include "TestDatabase.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

Result Run(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(PARKING_IMPORT_PROGRAM), arguments);
    if (!process.waitForFinished(60000))
        qFatal("parking-import did not finish");
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString Write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write");
    file.write(bytes);
    return file.fileName();
}

} // namespace

class TestParkingImportCommand : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exitCodes_data();
    void exitCodes();
    void ticketsEndToEnd();
};

void TestParkingImportCommand::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stderrStart");
    QTest::newRow("help") << QStringList{"--help"} << 0 << QString();
    QTest::newRow("wrong extension") << QStringList{"tickets", "FILE.txt"} << 1
                                     << "Pogrešan format datoteke!\nDatoteka mora imati nastavak .csv";
    QTest::newRow("no server") << QStringList{"--socket", "SOCKET", "tickets", "FILE.csv"} << 2
                               << "Pogrešan format datoteke!\nPovezivanje sa bazom";
    QTest::newRow("unknown option") << QStringList{"tickets", "FILE.csv", "--colour"} << 3 << "Nepoznata opcija";
    QTest::newRow("missing argument") << QStringList{"tickets"} << 3 << "Upotreba: parking-import tickets FILE";
    QTest::newRow("no command") << QStringList{} << 3 << "Naredba nije navedena.";
}

void TestParkingImportCommand::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stderrStart);
    QTemporaryDir dir;
    const QString file = Write(dir, "karte.csv", "h\r\n");
    for (QString &argument : arguments) {
        argument.replace("FILE", dir.filePath("karte"));
        argument.replace("SOCKET", dir.filePath("none.sock"));
    }
    const Result result = Run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(result.err.startsWith(stderrStart), qPrintable(result.err));
    if (exitCode == 0)
        QVERIFY(result.out.contains("Izlazni kodovi"));
}

// Options after the subcommand; progress on standard error as plain lines, the summary on
// standard output.
void TestParkingImportCommand::ticketsEndToEnd()
{
    TestDatabase db;
    QTemporaryDir dir;
    const QString file = Write(dir, "karte.csv",
                               "h\r\n2024-05-01 10:00:00,DK1,1,BG1,300,1,,0,,1,A,,,,,1,,K\r\n"
                               "2024-05-01 10:00:00,DK2,1,BG2,300,3,,0,,1,B,,,,,1,,K\r\n");
    const dataset::ConnectionParams params = db.params();
    const Result result = Run({"tickets", file, "--socket", params.socket, "--user", params.user,
                               "--database=" + params.database});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.startsWith("Pročitano redova: 2\nUpisano redova: 1\nIzostavljeno redova: 1\n"),
             qPrintable(result.out));
    QVERIFY(result.out.contains("status 3 ili 5 (naplaćena ili poništena): 1"));
    QVERIFY(!result.err.contains('\r'));
    QVERIFY2(result.err.endsWith(file + ": 100 %\n"), qPrintable(result.err));
    dataset::Query tickets;
    tickets.SetConnection(&db.connection());
    tickets.SetSQL({"SELECT ticketnumber FROM parkingticket"});
    tickets.Open();
    QCOMPARE(tickets.RecordCount(), 1);
}

QTEST_GUILESS_MAIN(TestParkingImportCommand)
#include "tst_ParkingImportCommand.moc"
