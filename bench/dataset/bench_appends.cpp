// Appending and posting rows to a cached query (an item list being filled) with nothing,
// a data-set model, or a grid attached: the views follow row by row, so the time should
// grow linearly and stay close to that of the bare query.
//
//   bench_appends [--socket PATH] [--rows N]
//
// Prints the running time after a quarter, a half and all of N rows (100000 by default)
// for each case. Without --socket a private server is started in a temporary folder.

#include <bench/common/BenchRun.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/DataSource.h>
#include <dataset/Error.h>
#include <dataset/Field.h>
#include <dataset/Query.h>
#include <dataset/widgets/DataSetModel.h>
#include <dataset/widgets/DBGrid.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>
#include <vector>

namespace {

QTextStream out(stdout);

enum class Viewer { None, Model, Grid };

// Seconds after each of 'marks' rows.
std::vector<double> appendRows(dataset::Connection &connection, Viewer viewer, const std::vector<int> &marks)
{
    dataset::Query items;
    items.SetConnection(&connection);
    items.SQL() << QStringLiteral("SELECT *, ROUND(itemvalue * (1 + taxvalue/100),2) AS ItemTotal FROM "
                                  "parkingdocumentitem WHERE parkingdocumentid = -1");
    items.SetRequestLive(true);
    items.SetCachedUpdates(true);
    items.SetSortedFields(QStringLiteral("parkingdocumentitemid"));
    items.Open();
    dataset::DataSource source;
    source.SetDataSet(&items);
    std::unique_ptr<dataset::DataSetModel> model;
    std::unique_ptr<dataset::DBGrid> grid;
    if (viewer == Viewer::Model) {
        model = std::make_unique<dataset::DataSetModel>();
        model->SetQuery(&items);
    } else if (viewer == Viewer::Grid) {
        grid = std::make_unique<dataset::DBGrid>();
        grid->resize(800, 400);
        grid->SetDataSource(&source);
        grid->show();
    }
    dataset::Field &quantity = items.FieldByName(QStringLiteral("quantity"));
    dataset::Field &value = items.FieldByName(QStringLiteral("itemvalue"));
    dataset::Field &ticket = items.FieldByName(QStringLiteral("ticketnumber"));
    std::vector<double> seconds;
    QElapsedTimer timer;
    timer.start();
    int done = 0;
    for (const int mark : marks) {
        for (; done < mark; ++done) {
            items.Append();
            quantity.SetAsFloat(1);
            value.SetAsFloat(done % 1000);
            ticket.SetAsString(QString::number(done));
            items.Post();
        }
        if (grid)
            QCoreApplication::processEvents();
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    if (items.RecordCount() != marks.back())
        throw dataset::Error(QStringLiteral("Upit ima %1 redova umesto %2.").arg(items.RecordCount()).arg(marks.back()));
    if (model && model->rowCount() != marks.back())
        throw dataset::Error(QStringLiteral("Model ne prati upit."));
    return seconds;
}

int run(const QStringList &arguments)
{
    QString socket;
    int rows = 100000;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--socket"))
            socket = arguments[i + 1];
        else if (arguments[i] == QLatin1String("--rows"))
            rows = std::max(4, arguments[i + 1].toInt());
    }
    QTemporaryDir work;
    const bench::BenchServer server(socket, QString(), work.path());
    dataset::Connection connection;
    connection.Connect(dbserver::AdministratorParams(server.Socket()));
    const QString database = QStringLiteral("bench_appends");
    connection.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(database));
    connection.Execute(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4").arg(database));
    connection.Execute(QStringLiteral("USE %1").arg(database));
    connection.Execute(QStringLiteral(
        "CREATE TABLE parkingdocumentitem (parkingdocumentitemid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,"
        " quantity DOUBLE NOT NULL DEFAULT 0, price DOUBLE NOT NULL DEFAULT 0, itemvalue DOUBLE NOT NULL DEFAULT 0,"
        " taxid BIGINT NULL, taxvalue DOUBLE NOT NULL DEFAULT 0, productid BIGINT NULL,"
        " productcode VARCHAR(20) NOT NULL DEFAULT '', productname VARCHAR(100) NOT NULL DEFAULT '',"
        " parkingdocumentid BIGINT NULL, ticketnumber VARCHAR(20) NOT NULL DEFAULT '') ENGINE=InnoDB"));

    const std::vector<int> marks{rows / 4, rows / 2, rows};
    out << Qt::fixed;
    out.setRealNumberPrecision(3);
    out << "appending and posting rows to a cached, sorted query (seconds after ";
    for (const int mark : marks)
        out << mark << ' ';
    out << "rows)" << Qt::endl;
    // A first pass unmeasured, so the first measured case does not pay for warming up.
    appendRows(connection, Viewer::None, marks);
    std::vector<double> bare;
    for (const auto &[viewer, name] : {std::pair{Viewer::None, "no view"}, std::pair{Viewer::Model, "data-set model"},
                                       std::pair{Viewer::Grid, "grid (shown offscreen)"}}) {
        const std::vector<double> seconds = appendRows(connection, viewer, marks);
        if (bare.empty())
            bare = seconds;
        out << "  " << name << ":";
        for (const double s : seconds)
            out << ' ' << s;
        out << "  (per row at the end " << (seconds[2] - seconds[1]) / (marks[2] - marks[1]) * 1e6 << " us, at the start "
            << seconds[0] / marks[0] * 1e6 << " us; " << seconds.back() / bare.back() << " x no view)" << Qt::endl;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, [](bench::ClientRunner &, const QStringList &arguments) { return run(arguments); });
}
