// Speed of the pay desk and the receipt: one day's two summaries loaded by the pay desk
// over a year of parking documents and the day's charts with their 30-day line, each
// beside the mariadb command-line client running the same statements, and the receipt of
// one document written as PDF.
//
//   bench_paydesk [--rows N] [--runs R] [--datadir DIR] [--socket PATH]
//
// --rows      documents to generate over one year (two items each); 1000000 by default
// --runs      times each step is measured; the median is reported (5)
// --datadir   data folder of the private server, kept for the next run, which then
//             reuses the loaded rows; a temporary folder by default
// --socket    use the server already listening there instead of starting one

#include "BenchData.h"
#include <bench/common/BenchProcess.h>
#include <bench/common/BenchRun.h>

#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/report/ReportEngine.h>
#include <parking/documents/ParkingReport.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/paydesk/ParkingPayDeskUnit.h>
#include <parking/paydesk/PayDeskCharts.h>

#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

QTextStream out(stdout);

const QString Database = QStringLiteral("bench_paydesk");

struct Options {
    int rows = 1000000;
    int runs = 5;
    QString dataDir;
    QString socket;
};

Options parse(const QStringList &arguments)
{
    const QHash<QString, QString> given = bench::ParseOptions(arguments, {"rows", "runs", "datadir", "socket"});
    Options options;
    options.rows = std::max(1, given.value(QStringLiteral("rows"), QString::number(options.rows)).toInt());
    options.runs = std::max(1, given.value(QStringLiteral("runs"), QString::number(options.runs)).toInt());
    options.dataDir = given.value(QStringLiteral("datadir"));
    options.socket = given.value(QStringLiteral("socket"));
    return options;
}

QString listed(const std::vector<double> &values)
{
    QStringList texts;
    for (const double value : values)
        texts << QString::number(value, 'f', 1);
    return texts.join(QLatin1Char(' '));
}

std::vector<double> clientMs(bench::ClientRunner &runner, const QString &socket, const QString &sql, int runs)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const bench::ClientRun done = runner.Run(socket, Database, sql);
        if (done.exitCode != 0)
            throw dataset::Error(QStringLiteral("mariadb refused: ") + sql);
        times.push_back(done.seconds * 1000);
    }
    return times;
}

// The statement of 'query' as the client is given it: each :name parameter replaced by
// its bound value, quoted.
QString literalSql(const dataset::Query &query)
{
    QString sql = query.SQLText().simplified();
    for (const QString &name : query.ParamNames())
        sql.replace(QLatin1Char(':') + name, dataset::Connection::Quote(query.Param(name).toString()));
    return sql;
}

// One year of documents up to an hour ago; a run before with the same count is reused.
void ensureData(dataset::Connection &connection, const Options &options, const QString &workDir)
{
    const int documents = bench::Scalar(connection, QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt();
    const int days = bench::Scalar(connection, QStringLiteral("SELECT DATEDIFF(MAX(documentdatetime), "
                                                       "MIN(documentdatetime)) FROM parkingdocument")).toInt();
    if (documents == options.rows && days <= 366 && days >= 364) {
        out << "reusing " << documents << " documents" << Qt::endl;
        return;
    }
    bench::DataShape shape;
    shape.documents = options.rows;
    shape.spanDays = 365;
    shape.newest = QDateTime::currentDateTime().addSecs(-3600);
    const double seconds = bench::LoadData(connection, workDir, shape);
    out << "loaded " << options.rows << " documents and " << 2 * options.rows << " items over one year in "
        << seconds << " s" << Qt::endl;
}

void summaries(bench::ClientRunner &runner, const QString &socket, const Options &options, const QString &day)
{
    // The first load warms the buffer pool for both readers.
    TParkingPayDeskForm::LoadSummaries(*ParkingDM, day);
    const QString productSql = literalSql(ParkingDM->ParkingPayDeskProductZQ());
    const QString userSql = literalSql(ParkingDM->ParkingPayDeskUserZQ());
    std::vector<double> module;
    for (int run = 0; run < options.runs; ++run)
        module.push_back(1000 * bench::SecondsOf([&day] { TParkingPayDeskForm::LoadSummaries(*ParkingDM, day); }));
    const std::vector<double> product = clientMs(runner, socket, productSql, options.runs);
    const std::vector<double> user = clientMs(runner, socket, userSql, options.runs);
    const double clientBoth = bench::Median(product) + bench::Median(user);
    const double moduleBoth = bench::Median(module);

    out << "(a) pay desk summaries of " << day << ": " << ParkingDM->ParkingPayDeskProductZQ().RecordCount()
        << " product rows, " << ParkingDM->ParkingPayDeskUserZQ().RecordCount() << " user rows, from "
        << bench::Scalar(*ParkingDM->Connection(),
                         QStringLiteral("SELECT COUNT(*) FROM parkingdocument WHERE documentdatetime >= '%1 00:00:00' "
                                        "AND documentdatetime <= '%1 23:59:59'")
                             .arg(day))
        << " documents" << Qt::endl;
    out << "  SQL (products): " << productSql << Qt::endl;
    out << "  SQL (users):    " << userSql << Qt::endl;
    out << "  module, both (LoadSummaries): " << moduleBoth << " ms median [" << listed(module) << "]"
        << Qt::endl;
    out << "  mariadb client: products " << bench::Median(product) << " ms [" << listed(product)
        << "], users " << bench::Median(user) << " ms [" << listed(user) << "], both " << clientBoth
        << " ms" << Qt::endl;
    out << "  (the client figure includes starting the client process)" << Qt::endl;
    const double ratio = moduleBoth / clientBoth;
    out << "  module / client: " << ratio << " (goal at most 2: " << (ratio <= 2 ? "met" : "missed")
        << "); under 50 ms: " << (moduleBoth < 50 ? "met" : "missed") << Qt::endl;
}

// The charts of the day the summaries hold: the statement of hours and days, the four
// charts built and drawn once in their views, beside the client running that statement.
void charts(bench::ClientRunner &runner, const QString &socket, const Options &options, const QString &day)
{
    TParkingPayDeskForm::LoadSummaries(*ParkingDM, day);
    paydesk::PayDeskCharts panel(ParkingDM->ParkingPayDeskProductZQ(), ParkingDM->ParkingPayDeskUserZQ());
    panel.resize(880, 540);
    panel.Refresh();
    std::vector<double> read;
    std::vector<double> drawn;
    std::vector<double> whole;
    QPixmap picture(panel.size());
    for (int run = 0; run < options.runs; ++run) {
        read.push_back(1000 * bench::SecondsOf([&panel] { panel.Refresh(); }));
        drawn.push_back(1000 * bench::SecondsOf([&panel, &picture] { panel.render(&picture); }));
        whole.push_back(1000 * bench::SecondsOf([&] {
                            TParkingPayDeskForm::LoadSummaries(*ParkingDM, day);
                            panel.Refresh();
                            panel.render(&picture);
                        }));
    }
    // The same statement with the bounds the charts bind.
    dataset::Query hours;
    hours.SetSQL({paydesk::HoursAndDaysSql()});
    const QDate shown = QDate::fromString(day, Qt::ISODate);
    hours.SetParam(QStringLiteral("dayStart"),
                   shown.addDays(1 - paydesk::kLineDays).toString(Qt::ISODate) + QStringLiteral(" 00:00:00"));
    hours.SetParam(QStringLiteral("dayEnd"), day + QStringLiteral(" 23:59:59"));
    const QString hoursSql = literalSql(hours);
    const std::vector<double> client = clientMs(runner, socket, hoursSql, options.runs);
    const std::vector<double> clientDay =
        clientMs(runner, socket,
                 literalSql(ParkingDM->ParkingPayDeskProductZQ()) + QLatin1Char(';')
                     + literalSql(ParkingDM->ParkingPayDeskUserZQ()) + QLatin1Char(';') + hoursSql,
                 options.runs);

    const paydesk::ChartData &data = panel.Data();
    out << "(c) pay desk charts of " << day << " (30-day line from "
        << shown.addDays(1 - paydesk::kLineDays).toString(Qt::ISODate) << "): " << data.products.size() << " products, "
        << data.users.size() << " cashiers, day total " << QString::number(data.days.back(), 'f', 2) << " RSD"
        << Qt::endl;
    out << "  SQL (hours and days): " << hoursSql << Qt::endl;
    out << "  module, charts read and built (Refresh): " << bench::Median(read) << " ms median [" << listed(read) << "]"
        << Qt::endl;
    out << "  module, charts painted (880x540): " << bench::Median(drawn) << " ms median [" << listed(drawn) << "]"
        << Qt::endl;
    out << "  module, day shown with charts (summaries, charts, paint): " << bench::Median(whole) << " ms median ["
        << listed(whole) << "]" << Qt::endl;
    out << "  mariadb client: hours and days " << bench::Median(client) << " ms [" << listed(client)
        << "], all three statements in one run " << bench::Median(clientDay) << " ms [" << listed(clientDay) << "]"
        << Qt::endl;
    const double charts = bench::Median(read) + bench::Median(drawn);
    out << "  charts read, built and painted: " << charts << " ms; under 100 ms: " << (charts < 100 ? "met" : "missed")
        << "; day with charts under 100 ms: " << (bench::Median(whole) < 100 ? "met" : "missed") << Qt::endl;
}

void receipt(const Options &options, const QString &reportDir)
{
    qputenv("PARKING_REPORT_DIR", reportDir.toUtf8());
    dataset::Query &documents = ParkingDM->ParkingDocumentZQ();
    dataset::Query &items = ParkingDM->ParkingDocumentItemZQ();
    documents.Close();
    documents.SetSQL({QStringLiteral("SELECT pd.* FROM parkingdocument AS pd WHERE pd.parkingdocumentid = 4")});
    documents.Open();
    items.Close();
    items.SetSQL({QStringLiteral("SELECT *, ROUND(itemvalue * (1 + taxvalue/100),2) AS ItemTotal "
                                 "FROM parkingdocumentitem WHERE parkingdocumentid = 4")});
    items.Open();
    TReportEngine engine(nullptr);
    const QString title = QStringLiteral("Priznanica ") + documents.FieldByName(QStringLiteral("number")).AsString();
    std::vector<double> times;
    for (int run = 0; run < options.runs + 1; ++run) {
        const double ms = 1000 * bench::SecondsOf([&] {
            ExecuteParkingReport(engine, documents, items, title, QStringLiteral("06.12.2026 10:15"), false, {});
        });
        if (run > 0)   // the first run loads the fonts
            times.push_back(ms);
    }
    const double typical = bench::Median(times);
    out << "(b) receipt as PDF (ExecuteParkingReport, " << items.RecordCount() << " items): " << typical
        << " ms median [" << listed(times) << "]; goal under 100 ms: " << (typical < 100 ? "met" : "missed")
        << Qt::endl;
}

int run(bench::ClientRunner &runner, const Options &options)
{
    QTemporaryDir work;
    if (!work.isValid())
        throw dataset::Error(QStringLiteral("Privremena fascikla se ne može napraviti."));
    const bench::BenchServer server(options.socket, options.dataDir, work.path());
    const QString &socket = server.Socket();

    dataset::Connection connection;
    dataset::ConnectionParams params = dbserver::AdministratorParams(socket);
    params.localLoad = true;
    connection.Connect(params);
    connection.Execute(QStringLiteral("SET GLOBAL innodb_buffer_pool_size = 1073741824"));
    // A data folder kept from an earlier run is brought to the current schema.
    dbserver::PrepareDatabase(connection, Database, false, std::nullopt, true);
    ensureData(connection, options, work.path());

    ParkingDM = TCustomDM::Create<TParkingDM>();
    struct FreeDataModule {
        ~FreeDataModule() { ParkingDM.reset(); }
    } freeDataModule;
    ParkingDM->SetZConnection(&connection);
    out << Qt::fixed;
    out.setRealNumberPrecision(1);
    const QString day = bench::Scalar(
        connection, QStringLiteral("SELECT DATE(MAX(documentdatetime) - INTERVAL 180 DAY) FROM parkingdocument"));
    summaries(runner, socket, options, day);
    charts(runner, socket, options, day);
    receipt(options, work.filePath(QStringLiteral("reports")));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, [](bench::ClientRunner &runner, const QStringList &arguments) {
        return run(runner, parse(arguments));
    });
}
