#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <tests/support/ClusterTestServer.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Ticket imports on a cluster: a node lost in the middle of one, and two imports on two
// nodes whose sessions have the same connection id.
class TestClusterImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void nodeLostDuringImport_data();
    void nodeLostDuringImport();
    void sameConnectionIdOnTwoNodes();

private:
    ClusterTestServer m_cluster;
};

namespace {

// A ticket export of 'count' lines, every one stored.
QString WriteTickets(const QTemporaryDir &dir, const QString &name, int count)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write("h\r\n");
    for (int i = 0; i < count; ++i)
        file.write(QStringLiteral("2026-12-05 10:00:00,DK%1,1,BG%1,300,1,,0,,1,A,,,,,1,,K\r\n").arg(i).toUtf8());
    return file.fileName();
}

QString Count(dataset::Connection &connection, const QString &table)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT COUNT(*) FROM ") + table});
    query.Open();
    return query.Fields(0).AsString();
}

} // namespace

void TestClusterImport::cleanup()
{
    m_cluster.Restore();
}

void TestClusterImport::nodeLostDuringImport_data()
{
    QTest::addColumn<int>("killed");
    QTest::newRow("another node") << 2;
    QTest::newRow("the import's own node") << 1;
}

// The import through node 1 loses a node while it loads: it ends with every row through
// another node, or fails with the tables as they were; a second run succeeds.
void TestClusterImport::nodeLostDuringImport()
{
    QFETCH(int, killed);
    const ClusterDatabase db(m_cluster);
    QTemporaryDir dir;
    constexpr int kBefore = 1000;
    constexpr int kRows = 300000;
    const QStringList options = m_cluster.ImportOptions({1, 2, 3}, db.Name());
    QProcess before;
    before.start(QStringLiteral(PARKING_IMPORT_PROGRAM),
                 QStringList{"tickets", WriteTickets(dir, "prije.csv", kBefore)} + options);
    QVERIFY(before.waitForFinished(120000) && before.exitCode() == 0);

    QProcess import;
    import.start(QStringLiteral(PARKING_IMPORT_PROGRAM),
                 QStringList{"tickets", WriteTickets(dir, "karte.csv", kRows)} + options);
    // Killed once the import has sent part of the file.
    QDeadlineTimer deadline(120000);
    QByteArray progress;
    while (!progress.contains(" %") && !deadline.hasExpired() && import.state() != QProcess::NotRunning) {
        import.waitForReadyRead(500);
        progress += import.readAllStandardError();
    }
    QVERIFY2(progress.contains(" %"), progress.constData());
    m_cluster.Kill(killed);
    if (!import.waitForFinished(150000)) {
        import.kill();
        import.waitForFinished();
        QFAIL("the import neither ended nor failed within 150 s of the node's loss");
    }
    const QString err = QString::fromUtf8(progress + import.readAllStandardError());

    dataset::Connection check;
    check.Connect(db.Params({3, 2}));
    if (import.exitCode() == 0) {
        QCOMPARE(Count(check, "parkingticket"), QString::number(kRows));
    } else {
        QVERIFY2(import.exitCode() == 2, qPrintable(err));
        QCOMPARE(Count(check, "parkingticket"), QString::number(kBefore));
        QProcess again;
        again.start(QStringLiteral(PARKING_IMPORT_PROGRAM),
                    QStringList{"tickets", dir.filePath("karte.csv")} + options);
        QVERIFY(again.waitForFinished(240000));
        QVERIFY2(again.exitCode() == 0, again.readAllStandardError().constData());
        QCOMPARE(Count(check, "parkingticket"), QString::number(kRows));
    }
}

// Two imports at once on nodes 1 and 2, started when both nodes hand out the same next
// connection id: both succeed, each table holds one import's rows.
void TestClusterImport::sameConnectionIdOnTwoNodes()
{
    const ClusterDatabase db(m_cluster);
    QTemporaryDir dir;
    // The node behind takes throwaway connections until both give the same next id.
    const auto nextId = [this, &db](int node) {
        dataset::Connection probe;
        probe.Connect(db.Params({node}));
        return probe.ThreadId() + 1;
    };
    for (int i = 0; i < 5000; ++i) {
        const unsigned long one = nextId(1);
        const unsigned long two = nextId(2);
        if (one == two)
            break;
        if (one < two)
            nextId(1);
        else
            nextId(2);
    }
    QProcess imports[2];
    for (int i = 0; i < 2; ++i)
        imports[i].start(QStringLiteral(PARKING_IMPORT_PROGRAM),
                         QStringList{"tickets", WriteTickets(dir, QStringLiteral("karte%1.csv").arg(i), 20000 + i)}
                             + m_cluster.ImportOptions({i + 1}, db.Name()));
    bool finished[2];
    for (int i = 0; i < 2; ++i)
        finished[i] = imports[i].waitForFinished(240000);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(finished[i]);
        QVERIFY2(imports[i].exitCode() == 0, imports[i].readAllStandardError().constData());
    }
    dataset::Connection check;
    check.Connect(db.Params({3}));
    const QString rows = Count(check, "parkingticket");
    QVERIFY2(rows == "20000" || rows == "20001", qPrintable(rows));
}

QTEST_GUILESS_MAIN(TestClusterImport)
#include "tst_ClusterImport.moc"
