// bench_backup: over 1,000,000 documents and 2,000,000 items, the full backup beside
// mariadb-backup --backup and --prepare run by hand, the restore beside --copy-back and a
// start by hand, the 50-item save with and without a backup running, and the follower's
// lag from COMMIT to the change being in the backup folder.

#include "../common/BenchRun.h"
#include "../parking/BenchData.h"
#include <console/dbserver/Backup.h>
#include <console/dbserver/BackupRestore.h>
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/Query.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

const QString Database = QStringLiteral("parking");

struct Options {
    int documents = 1000000;
    int saves = 1000;
    QString workDir;
};

Options parse(const QStringList &arguments)
{
    const auto values = bench::ParseOptions(arguments, {QStringLiteral("documents"), QStringLiteral("saves"),
                                                        QStringLiteral("workdir")});
    Options options;
    options.documents = values.value(QStringLiteral("documents"), QString::number(options.documents)).toInt();
    options.saves = values.value(QStringLiteral("saves"), QString::number(options.saves)).toInt();
    options.workDir = values.value(QStringLiteral("workdir"));
    return options;
}

void RunTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(QStringLiteral("%1 failed:\n%2").arg(program, QString::fromLocal8Bit(process.readAll().right(2000))).toStdString());
}

// A 50-item document saved in one transaction; returns its seconds.
double Save(dataset::Connection &connection, int n)
{
    return bench::SecondsOf([&] {
        connection.Execute(QStringLiteral("START TRANSACTION"));
        connection.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime) VALUES ('b%1', NOW())").arg(n));
        const qint64 id = connection.LastInsertId();
        QStringList rows;
        for (int item = 0; item < 50; ++item)
            rows << QStringLiteral("(1, 100, 100, 1, 20, 1, %1)").arg(id);
        connection.Execute(QStringLiteral("INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, "
                                          "productid, parkingdocumentid) VALUES ") + rows.join(QLatin1Char(',')));
        connection.Execute(QStringLiteral("UPDATE parkingdocument SET itemtotal = 6000 WHERE parkingdocumentid = %1").arg(id));
        connection.Execute(QStringLiteral("COMMIT"));
    });
}

QString Figures(std::vector<double> values)
{
    const double max = values.empty() ? 0 : *std::max_element(values.begin(), values.end());
    return QStringLiteral("median %1 ms, max %2 ms (%3 saves)")
        .arg(bench::Median(values) * 1000, 0, 'f', 1).arg(max * 1000, 0, 'f', 1).arg(values.size());
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values.at(std::min(values.size() - 1, std::size_t(p * double(values.size()))));
}

int run(const Options &options)
{
    QTextStream out(stdout);
    QTemporaryDir temp;
    const QString work = options.workDir.isEmpty() ? temp.path() : options.workDir;
    dbserver::PrivateServer server(work + QStringLiteral("/db"));
    server.Start();
    const QString dest = work + QStringLiteral("/backups");
    const QString admin = dbserver::AdministratorName();
    {
        dataset::Connection connection;
        dataset::ConnectionParams params = server.ConnectionParams();
        params.localLoad = true;
        connection.Connect(params);
        dbserver::CreateDatabase(connection, Database, false);
        connection.Execute(QStringLiteral("USE parking"));
        bench::DataShape shape;
        shape.documents = options.documents;
        shape.newest = QDateTime::currentDateTime();
        out << "loaded " << options.documents << " documents in " << bench::LoadData(connection, work, shape) << " s\n";
        out.flush();
    }

    // Each twice, alternating, the second run counted: the first after the load also
    // pays for the load's redo and the cold caches.
    const QString byHand = work + QStringLiteral("/by-hand");
    const QString tool = QStringLiteral("mariadb-backup");
    double ours = 0;
    double theirs = 0;
    for (int round = 0; round < 2; ++round) {
        QDir(byHand).removeRecursively();
        theirs = bench::SecondsOf([&] {
            RunTool(tool, {QStringLiteral("--no-defaults"), QStringLiteral("--backup"), QStringLiteral("--target-dir=") + byHand,
                           QStringLiteral("--datadir=") + server.DataDir(), QStringLiteral("--socket=") + server.SocketPath(),
                           QStringLiteral("--user=") + admin});
            RunTool(tool, {QStringLiteral("--no-defaults"), QStringLiteral("--prepare"), QStringLiteral("--target-dir=") + byHand});
        });
        ours = bench::SecondsOf([&] { dbserver::TakeBackup(server, dest); });
    }
    out << "full backup: " << ours << " s; mariadb-backup --backup + --prepare by hand: " << theirs << " s ("
        << ours / theirs << "x)\n";
    out.flush();

    const QString restored = work + QStringLiteral("/restored");
    const double restore = bench::SecondsOf([&] { dbserver::Restore(dest, restored, std::nullopt); });
    dbserver::PrivateServer(restored).Stop();
    const QString handRestored = work + QStringLiteral("/restored-by-hand");
    const double handRestore = bench::SecondsOf([&] {
        RunTool(tool, {QStringLiteral("--no-defaults"), QStringLiteral("--copy-back"), QStringLiteral("--target-dir=") + byHand,
                       QStringLiteral("--datadir=") + handRestored});
        dbserver::PrivateServer(handRestored).Start();
    });
    dbserver::PrivateServer(handRestored).Stop();
    out << "restore (with its checks): " << restore << " s; --copy-back and a start by hand: " << handRestore << " s ("
        << restore / handRestore << "x)\n";
    out.flush();

    dataset::Connection desk;
    desk.Connect(server.ConnectionParams(Database));
    std::vector<double> quiet;
    int n = 0;
    for (int i = 0; i < 100; ++i)
        quiet.push_back(Save(desk, ++n));
    std::vector<double> busy;
    std::atomic<bool> done = false;
    std::thread backup([&] {
        dbserver::PrivateServer again(server.DataDir());
        dbserver::TakeBackup(again, dest);
        done = true;
    });
    while (!done)
        busy.push_back(Save(desk, ++n));
    backup.join();
    out << "50-item save without a backup: " << Figures(quiet) << "\n50-item save during a backup: " << Figures(busy) << "\n";
    out.flush();

    QProcess follower;
    follower.start(QCoreApplication::applicationDirPath() + QStringLiteral("/parking-dbserver"),
                   {QStringLiteral("follow"), server.DataDir(), QStringLiteral("--to"), dest});
    const QString logDir = dbserver::BinaryLogDirectory(dest, dbserver::BinaryLogId(server.DataDir()));
    std::vector<double> lags;
    for (int i = 0; i < options.saves; ++i) {
        Save(desk, ++n);
        QElapsedTimer timer;
        timer.start();
        dataset::Query status;
        status.SetConnection(&desk);
        status.SQL() << QStringLiteral("SHOW MASTER STATUS");
        status.Open();
        const QString copy = logDir + QLatin1Char('/') + status.Fields(0).AsString();
        const qint64 position = status.Fields(1).AsLargeInt();
        while (QFileInfo(copy).size() < position && timer.elapsed() < 10000)
            QThread::usleep(200);
        lags.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    follower.kill();
    follower.waitForFinished();
    out << "follower lag from COMMIT to the copy: median " << bench::Median(lags) * 1000 << " ms, 99th percentile "
        << Percentile(lags, 0.99) * 1000 << " ms, max " << *std::max_element(lags.begin(), lags.end()) * 1000
        << " ms over " << lags.size() << " saves\n";
    server.Stop();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, [](bench::ClientRunner &, const QStringList &arguments) {
        return run(parse(arguments));
    });
}
