// Speed of a vehicle's history: the three statements of the history window and the picture
// built from their rows, among millions of tickets, subscriptions and documents, beside the
// mariadb command-line client running the same statements.
//
//   bench_history [--rows N] [--documents D] [--runs R] [--datadir DIR] [--socket PATH]
//
// --rows       tickets to generate (5000000); subscriptions are a fifth of them
// --documents  parking documents to generate (1000000), two items each
// --runs       times the history is measured; the median is reported (5)
// --datadir    data folder of the private server, kept for the next run, which then
//              reuses the generated rows; a temporary folder by default
// --socket     use the server already listening there instead of starting one

#include "BenchData.h"
#include "LookupData.h"
#include <bench/common/BenchProcess.h>
#include <bench/common/BenchRun.h>

#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <parking/core/Plate.h>
#include <parking/history/TimeLine.h>
#include <parking/history/VehicleHistory.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

QTextStream out(stdout);

const QString Database = QStringLiteral("bench_history");

// The measured vehicle's own documents, written after the generated ones: each pays one
// of its tickets and carries a second item.
constexpr int VehicleDocuments = 4;

struct Options {
    int rows = 5000000;
    int documents = 1000000;
    int runs = 5;
    QString dataDir;
    QString socket;
};

Options parse(const QStringList &arguments)
{
    const QHash<QString, QString> given =
        bench::ParseOptions(arguments, {"rows", "documents", "runs", "datadir", "socket"});
    Options options;
    options.rows = std::max(10, given.value(QStringLiteral("rows"), QString::number(options.rows)).toInt());
    options.documents =
        std::max(10, given.value(QStringLiteral("documents"), QString::number(options.documents)).toInt());
    options.runs = std::max(1, given.value(QStringLiteral("runs"), QString::number(options.runs)).toInt());
    options.dataDir = given.value(QStringLiteral("datadir"));
    options.socket = given.value(QStringLiteral("socket"));
    return options;
}

// Five tickets and two subscriptions; written "BG 0000…-17" on its documents.
QString vehicle(const Options &options)
{
    return bench::LookupRegistration(bench::LookupRegistrations(options.rows) / 4 + 17);
}

bool loaded(dataset::Connection &connection, const Options &options)
{
    return bench::LookupDataLoaded(connection, options.rows, 10)
        && bench::Scalar(connection, QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt()
        == options.documents + VehicleDocuments;
}

void addVehicleDocuments(dataset::Connection &connection, const Options &options)
{
    const QString reg = vehicle(options);
    const QString tickets = bench::Scalar(connection, QStringLiteral("SELECT GROUP_CONCAT(ticketnumber) FROM "
                                                                     "parkingticket WHERE regcitynumber = %1")
                                                          .arg(dataset::Connection::Quote(reg)));
    const QStringList numbers = tickets.split(u',');
    for (int i = 0; i < VehicleDocuments; ++i) {
        connection.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber, "
                                          "userid) VALUES (%1, TIMESTAMP('2013-06-01') + INTERVAL %2 DAY, %3, %4, 1)")
                               .arg(dataset::Connection::Quote(QStringLiteral("H%1/13").arg(i + 1)))
                               .arg(i * 40)
                               .arg(dataset::Connection::Quote(reg.left(2)),
                                    dataset::Connection::Quote(reg.mid(2, 4) + u'-' + reg.mid(6))));
        const qint64 id = connection.LastInsertId();
        connection.Execute(QStringLiteral("INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, "
                                          "taxvalue, productid, productcode, productname, parkingdocumentid, "
                                          "ticketnumber) VALUES (1, 1200, 1200, 1, 20, 1, 'DK1200', "
                                          "'Doplatna karta', %1, %2), (1, 300, 300, 1, 20, 2, 'P2', 'Pretplata', %1, '')")
                               .arg(id)
                               .arg(dataset::Connection::Quote(numbers.value(i))));
    }
}

// The statements as the client gets them: the plate written in as a quoted literal.
QString clientStatements(const QString &plate)
{
    QStringList statements;
    for (QString statement : history::VehicleHistoryStatements()) {
        statement.replace(QStringLiteral(":plate2"), dataset::Connection::Quote(plate));
        statement.replace(QStringLiteral(":plate"), dataset::Connection::Quote(plate));
        statements << statement;
    }
    return statements.join(QStringLiteral(";\n")) + u';';
}

int run(bench::ClientRunner &runner, const Options &options)
{
    QTemporaryDir work;
    if (!work.isValid())
        throw dataset::Error(QStringLiteral("Privremena fascikla se ne može napraviti."));
    const bench::BenchServer server(options.socket, options.dataDir, work.path());
    const QString socket = server.Socket();

    dataset::Connection connection;
    dataset::ConnectionParams params = dbserver::AdministratorParams(socket);
    params.localLoad = true;   // the generated documents are loaded from files
    connection.Connect(params);
    connection.Execute(QStringLiteral("SET GLOBAL innodb_buffer_pool_size = 2147483648"));
    // A data folder kept from an earlier run is brought to the current schema.
    dbserver::PrepareDatabase(connection, Database, false, std::nullopt, true);
    if (loaded(connection, options)) {
        out << "reusing " << options.rows << " tickets and " << options.documents << " documents" << Qt::endl;
    } else {
        QElapsedTimer timer;
        timer.start();
        bench::GenerateLookupData(connection, options.rows, 10);
        bench::DataShape shape;
        shape.documents = options.documents;
        shape.newest = QDateTime(QDate(2016, 12, 31), QTime(18, 0));
        bench::LoadData(connection, work.path(), shape);
        addVehicleDocuments(connection, options);
        out << "generated " << options.rows << " tickets, " << bench::LookupRegistrations(options.rows)
            << " subscriptions and " << options.documents << " documents in " << double(timer.elapsed()) / 1000
            << " s" << Qt::endl;
    }

    const QString typed = vehicle(options).left(2).toLower() + u' ' + vehicle(options).mid(2, 4) + u'-'
        + vehicle(options).mid(6);
    const QString sql = clientStatements(parking::PlateKey(typed));
    history::TimeLine line;
    line.setAttribute(Qt::WA_DontShowOnScreen);
    line.resize(900, 320);
    line.show();

    int events = 0;
    const auto history = [&] {
        line.SetHistory(history::LoadVehicleHistory(connection, typed));
        events = int(line.History().events.size());
        return line.grab();   // the picture drawn, axis included
    };
    std::vector<double> module;
    std::vector<double> queries;
    std::vector<double> client;
    runner.Run(socket, Database, sql);   // warms the buffer pool for both
    history();
    for (int i = 0; i < options.runs; ++i) {
        client.push_back(runner.Run(socket, Database, sql).seconds);
        queries.push_back(bench::SecondsOf([&] { history::LoadVehicleHistory(connection, typed); }));
        module.push_back(bench::SecondsOf([&] { history(); }));
    }

    out << Qt::fixed;
    out.setRealNumberPrecision(2);
    const double total = bench::Median(module) * 1000;
    out << "Vehicle history of \"" << typed << "\" (" << events << " events)" << Qt::endl;
    out << "  SQL:\n" << sql << Qt::endl;
    out << "  queries and picture: " << total << " ms median; the queries alone: " << bench::Median(queries) * 1000
        << " ms median; mariadb client, same statements: " << bench::Median(client) * 1000
        << " ms median (process included)" << Qt::endl;
    out << "  goal under 50 ms: " << (total < 50 ? "met" : "missed") << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, [](bench::ClientRunner &runner, const QStringList &arguments) {
        return run(runner, parse(arguments));
    });
}
