// Fills a table shaped like parkingticket with many rows, opens a Query over it and
// prints its speed and memory beside the mariadb command-line client fetching the
// same rows.
//
//   bench_query [--socket PATH] [--rows N]
//
// Without --socket a private server is started in a temporary folder and stopped at
// the end.

#include <bench/common/BenchProcess.h>
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <optional>
#include <random>


namespace {

QTextStream out(stdout);

void writeRows(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw dataset::Error(QStringLiteral("Datoteka %1 se ne može napraviti.").arg(path));
    std::mt19937 random(12345);
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    static const char *const names[] = {"Petar Petrović", "Ana Jovanović", "Marko Nikolić", "Jelena Đorđević",
                                        "Stefan Ilić", "Milica Stojanović"};
    static const char *const streets[] = {"Kneza Miloša", "Bulevar kralja Aleksandra", "Takovska", "Nemanjina",
                                          "Cara Dušana", "Vojvode Stepe"};
    static const char *const cities[] = {"Beograd", "Novi Sad", "Niš", "Kragujevac", "Subotica"};
    QByteArray line;
    for (int i = 0; i < count; ++i) {
        line.clear();
        line += "2013-" + QByteArray::number(1 + pick(12)).rightJustified(2, '0') + '-'
            + QByteArray::number(1 + pick(28)).rightJustified(2, '0') + ' '
            + QByteArray::number(pick(24)).rightJustified(2, '0') + ":"
            + QByteArray::number(pick(60)).rightJustified(2, '0') + ":00\t";
        line += "DK" + QByteArray::number(1000000 + i) + '\t';
        line += QByteArray::number(1 + pick(4)) + '\t';
        line += "BG" + QByteArray::number(100 + pick(900)) + "AB\t";
        line += QByteArray::number(500 + 100 * pick(20)) + '\t';
        line += QByteArray::number(pick(5)) + '\t';
        line += QByteArray(names[pick(6)]) + '\t';
        line += QByteArray::number(1000000000000LL + pick(1000000)) + '\t';
        line += QByteArray(streets[pick(6)]) + ' ' + QByteArray::number(1 + pick(150)) + '\t';
        line += QByteArray::number(11000 + pick(30) * 10) + '\t';
        line += QByteArray(cities[pick(5)]) + '\n';
        file.write(line);
    }
}

QString scalar(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << sql;
    query.Open();
    return query.Fields(0).AsString();
}

int run(const QStringList &arguments, bench::ClientRunner &runner)
{
    QString socket;
    int rows = 1000000;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--socket"))
            socket = arguments[i + 1];
        else if (arguments[i] == QLatin1String("--rows"))
            rows = arguments[i + 1].toInt();
    }

    QTemporaryDir work;
    std::optional<dbserver::PrivateServer> server;
    if (socket.isEmpty()) {
        out << "starting a private server in " << work.path() << Qt::endl;
        server.emplace(work.filePath(QStringLiteral("db")));
        server->Start();
        socket = server->SocketPath();
    }

    dataset::Connection connection;
    dataset::ConnectionParams params = dbserver::AdministratorParams(socket);
    params.localLoad = true;
    connection.Connect(params);
    const QString database = QStringLiteral("bench_dataset");
    connection.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(database));
    connection.Execute(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4").arg(database));
    connection.Execute(QStringLiteral("USE %1").arg(database));
    connection.Execute(QStringLiteral(
        "CREATE TABLE parkingticket (parkingticketid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,"
        " ticketdate DATETIME NULL, ticketnumber VARCHAR(20) NOT NULL DEFAULT '',"
        " zone SMALLINT NOT NULL DEFAULT 0, regcitynumber VARCHAR(11) NOT NULL DEFAULT '',"
        " ticketprice DOUBLE NOT NULL DEFAULT 0, status SMALLINT NOT NULL DEFAULT 0,"
        " name VARCHAR(50) NOT NULL DEFAULT '', personalidentificator VARCHAR(20) NOT NULL DEFAULT '',"
        " address VARCHAR(200) NOT NULL DEFAULT '', zip VARCHAR(20) NOT NULL DEFAULT '',"
        " city VARCHAR(50) NOT NULL DEFAULT '') ENGINE=InnoDB"));

    const QString dataFile = work.filePath(QStringLiteral("tickets.tsv"));
    QElapsedTimer timer;
    timer.start();
    writeRows(dataFile, rows);
    const auto loaded = connection.ExecuteLocalLoad(
        QStringLiteral("LOAD DATA LOCAL INFILE %1 INTO TABLE parkingticket CHARACTER SET utf8mb4"
                       " (ticketdate, ticketnumber, zone, regcitynumber, ticketprice, status, name,"
                       " personalidentificator, address, zip, city)")
            .arg(dataset::Connection::Quote(dataFile)),
        dataFile);
    out << "loaded " << loaded << " rows in " << double(timer.elapsed()) / 1000 << " s" << Qt::endl;

    const QString raw = scalar(connection, QStringLiteral(
        "SELECT SUM(LENGTH(parkingticketid) + COALESCE(LENGTH(ticketdate), 0) + LENGTH(ticketnumber)"
        " + LENGTH(zone) + LENGTH(regcitynumber) + LENGTH(ticketprice) + LENGTH(status) + LENGTH(name)"
        " + LENGTH(personalidentificator) + LENGTH(address) + LENGTH(zip) + LENGTH(city)) FROM parkingticket"));
    const double rawMb = raw.toDouble() / (1024.0 * 1024.0);
    const QString select = QStringLiteral("SELECT * FROM parkingticket");

    // Warm the server's buffer pool so that both readers see the same cache.
    runner.Run(socket, database, select);

    const bench::ClientRun client = runner.Run(socket, database, select);

    const long rssBefore = bench::StatusKb("VmRSS");
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << select;
    timer.restart();
    query.Open();
    const double openSeconds = double(timer.nsecsElapsed()) / 1e9;
    const long rssAfter = bench::StatusKb("VmRSS");
    const long peak = bench::StatusKb("VmHWM");

    timer.restart();
    qint64 checksum = 0;
    const int idColumn = query.FieldByName(QStringLiteral("parkingticketid")).Index();
    const int nameColumn = query.FieldByName(QStringLiteral("name")).Index();
    for (int row = 0; row < query.RecordCount(); ++row)
        checksum += query.RowValue(row, idColumn).toLongLong() + query.RowValue(row, nameColumn).toString().size();
    const double scanSeconds = double(timer.nsecsElapsed()) / 1e9;

    const double queryMb = double(rssAfter - rssBefore) / 1024.0;
    const double peakMb = double(peak - rssBefore) / 1024.0;
    out << Qt::fixed;
    out.setRealNumberPrecision(2);
    out << "rows:                  " << query.RecordCount() << Qt::endl;
    out << "raw data:              " << rawMb << " MB (sum of LENGTH of the columns)" << Qt::endl;
    out << "Query::Open:           " << openSeconds << " s, " << double(query.RecordCount()) / openSeconds
        << " rows/s" << Qt::endl;
    out << "  memory held:         " << queryMb << " MB (" << queryMb / rawMb << " x raw)" << Qt::endl;
    out << "  peak while opening:  " << peakMb << " MB above the start (VmHWM " << double(peak) / 1024.0 << " MB)"
        << Qt::endl;
    out << "  scan of 2 columns:   " << scanSeconds << " s (checksum " << checksum << ")" << Qt::endl;
    out << "mariadb --batch --quick: " << client.seconds << " s, " << double(query.RecordCount()) / client.seconds
        << " rows/s, max RSS " << double(client.maxRssKb) / 1024.0 << " MB, exit " << client.exitCode << Qt::endl;
    out << "time ratio (Query / client): " << openSeconds / client.seconds << Qt::endl;

    query.Close();
    connection.Execute(QStringLiteral("DROP DATABASE %1").arg(database));
    if (server)
        server->Stop();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // The client's helper process is forked while this one is still small.
    bench::ClientRunner runner;
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments(), runner);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
