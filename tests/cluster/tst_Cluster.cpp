#include <console/connection/ConsoleSettings.h>
#include <console/connection/DatabaseStartup.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <dataset/UnitOfWork.h>
#include <parking/data/ParkingNumbering.h>
#include <tests/support/ProcessRun.h>
#include <tests/support/ClusterTestServer.h>

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

// The module on a three-node cluster: sessions on the node that answers, moving on when
// their node is lost, reads that see what another node just wrote, and numbers that stay
// unique when two nodes take them at once.
class TestCluster : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void connectsToFirstNodeThatAnswers();
    void consoleSessionOutlivesItsNode();
    void lookupOnThirdNodeSeesImport();
    void twoNodesSaveSixHundredDocuments();
    void ticketDocumentsOnTwoNodes();

private:
    ClusterTestServer m_cluster;
};

namespace {

using Result = ProcessResult;

Result RunImport(const QStringList &arguments)
{
    return RunProcess(QStringLiteral(PARKING_IMPORT_PROGRAM), arguments, 180000);
}

// 'count' ticket lines of one day, numbers DK<first>..; every one is stored.
QByteArray TicketLines(int first, int count)
{
    QByteArray text = "h\r\n";
    for (int i = first; i < first + count; ++i)
        text += QStringLiteral("2026-12-05 10:00:00,DK%1,1,BG%1,300,1,,0,,1,A,,,,,1,,K\r\n").arg(i).toUtf8();
    return text;
}

QString WriteFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

// One desk's save of a parking document: the number taken and the document stored in
// one transaction, run again as a whole after a conflict at commit, as a save is. Two
// desks saving back to back without a pause meet on the counter far more often than
// cashiers do, so they may try more often than a desk's default.
void StoreDocument(dataset::Connection &connection, const QDateTime &date)
{
    constexpr dataset::RetryLimits kBackToBack{.tries = 30, .pauseStepMs = 20};
    dataset::RetryUnitOfWork(connection, [&] {
        dataset::Transaction transaction(connection);
        dataset::Query insert;
        insert.SetConnection(&connection);
        insert.SetSQL({QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber) "
                                      "VALUES (:number, :date, 'BG', '1')")});
        insert.SetParam(QStringLiteral("number"), numbering::TakeParkingNumber(connection, date));
        insert.SetParam(QStringLiteral("date"), date);
        insert.ExecSQL();
        transaction.Commit();
    }, kBackToBack);
}

} // namespace

// A test that killed a node leaves the cluster whole for the next one.
void TestCluster::cleanup()
{
    m_cluster.Restore();
}

// A node that does not answer is passed over; the session says which node it is on, knows
// the cluster and waits for the cluster's writes before a read.
void TestCluster::connectsToFirstNodeThatAnswers()
{
    m_cluster.Kill(1);
    dataset::Connection connection;
    connection.Connect(m_cluster.Params({1, 2, 3}));
    QCOMPARE(connection.ServerName(), m_cluster.Node(2).Text());
    QVERIFY(connection.Galera());
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT @@SESSION.wsrep_sync_wait")});
    query.Open();
    QCOMPARE(query.Fields(0).AsInteger(), 1);
}

// The console on hosts=…: its status bar names the node; when that node dies the action
// under way fails, the next one works through another node, and the status bar says so.
void TestCluster::consoleSessionOutlivesItsNode()
{
    const ClusterDatabase db(m_cluster);
    QTemporaryDir dir;
    QStringList hosts;
    for (const dataset::ServerAddress &node : m_cluster.NodesFrom(1))
        hosts << node.Text();
    const QString ini = WriteFile(dir, QStringLiteral("desk.ini"),
                                  QStringLiteral("[Database]\nhosts=%1\ndatabase=%2\nuser=cluster_admin\n"
                                                 "password-file=%3\n%4\ntimeout=10\n")
                                      .arg(hosts.join(QLatin1Char(',')), db.Name(), m_cluster.PasswordFile(),
                                           m_cluster.CaFile().isEmpty()
                                               ? QStringLiteral("ssl=off")
                                               : QStringLiteral("ssl=required\nssl-ca=") + m_cluster.CaFile())
                                      .toUtf8());
    dataset::Connection connection;
    console::DatabaseStartup startup;
    startup.Open(connection, console::ConsoleSettings(ini), dir.filePath(QStringLiteral("unused")));
    // The cluster's nodes offer TLS (unless made without it); the link says which.
    const QString link = m_cluster.CaFile().isEmpty() ? QStringLiteral("veza nije šifrovana")
                                                      : QStringLiteral("TLS (TLSv1.3)");
    QCOMPARE(startup.Description(connection),
             QStringLiteral("Baza %1 na %2  |  %3").arg(db.Name(), m_cluster.Node(1).Text(), link));

    m_cluster.Kill(1);
    const QString count = QStringLiteral("SELECT COUNT(*) FROM parkingdocument");
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({count});
    QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, query.Open());
    query.Close();
    query.Open();
    QCOMPARE(connection.ServerName(), m_cluster.Node(2).Text());
    QVERIFY2(startup.Description(connection).contains(m_cluster.Node(2).Text()),
             qPrintable(startup.Description(connection)));
}

// A lookup on node 3 right after an import through node 1 returned sees every new row.
void TestCluster::lookupOnThirdNodeSeesImport()
{
    const ClusterDatabase db(m_cluster);
    QTemporaryDir dir;
    dataset::Connection lookup;
    lookup.Connect(db.Params({3}));
    for (int round = 0; round < 3; ++round) {
        const int rows = 2000 + round * 500;
        const QString file = WriteFile(dir, QStringLiteral("karte.csv"), TicketLines(round * 10000, rows));
        const Result result = RunImport(QStringList{"tickets", file} + m_cluster.ImportOptions({1}, db.Name()));
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        dataset::Query query;
        query.SetConnection(&lookup);
        // Each import replaces the table: an old copy would show the previous round's count.
        query.SetSQL({QStringLiteral("SELECT COUNT(*) FROM parkingticket")});
        query.Open();
        QCOMPARE(query.Fields(0).AsInteger(), rows);
    }
}

// Two sessions on two nodes store 300 documents each at once: 600 documents, 600 numbers.
void TestCluster::twoNodesSaveSixHundredDocuments()
{
    const ClusterDatabase db(m_cluster);
    constexpr int kEach = 300;
    const QDateTime date(QDate(2026, 3, 2), QTime(9, 0));
    QStringList failures[2];
    const auto desk = [&](int index) {
        try {
            dataset::Connection connection;
            connection.Connect(db.Params({index + 1}));
            for (int i = 0; i < kEach; ++i)
                StoreDocument(connection, date);
        } catch (const std::exception &error) {
            failures[index] << QString::fromUtf8(error.what());
        }
    };
    std::thread first(desk, 0);
    std::thread second(desk, 1);
    first.join();
    second.join();
    QVERIFY2(failures[0].isEmpty() && failures[1].isEmpty(), qPrintable((failures[0] + failures[1]).join('\n')));
    QCOMPARE(db.Scalar(3, QStringLiteral("SELECT COUNT(*) FROM parkingdocument")), QStringLiteral("600"));
    QCOMPARE(db.Scalar(3, QStringLiteral("SELECT COUNT(DISTINCT number) FROM parkingdocument")), QStringLiteral("600"));
}

// The ticket documents of two days made at once on two nodes get different numbers.
void TestCluster::ticketDocumentsOnTwoNodes()
{
    const ClusterDatabase db(m_cluster);
    {
        dataset::Connection c;
        c.Connect(db.Params({1}));
        c.Execute("INSERT INTO tax (taxid, name, value) VALUES (3, 'PDV', 20)");
        c.Execute("INSERT INTO product (name, code, barcode, price, taxid) VALUES ('Doplatna 300', 'P300', 'DK300', "
                  "250, 3)");
        c.Execute("INSERT INTO parkingticketraw (id_DK, cena_DK, vreme_izdavanja_DK, datum_storniranja) VALUES "
                  "('A1', 300, '2026-12-05 08:00:00', NULL), ('B2', 300, '2026-12-06 09:00:00', NULL)");
    }
    Result results[2];
    std::thread first([&] {
        results[0] = RunImport(QStringList{"ticket-document", "2026-12-05"} + m_cluster.ImportOptions({1}, db.Name()));
    });
    std::thread second([&] {
        results[1] = RunImport(QStringList{"ticket-document", "2026-12-06"} + m_cluster.ImportOptions({3}, db.Name()));
    });
    first.join();
    second.join();
    for (const Result &result : results)
        QVERIFY2(result.exitCode == 0, qPrintable(result.err + result.out));
    static const QRegularExpression number(QStringLiteral("Dokument (\\S+) sa"));
    const QString one = number.match(results[0].out).captured(1);
    const QString two = number.match(results[1].out).captured(1);
    QVERIFY2(!one.isEmpty() && !two.isEmpty() && one != two, qPrintable(results[0].out + results[1].out));
}

QTEST_GUILESS_MAIN(TestCluster)
#include "tst_Cluster.moc"
