// Speed of the lookups by registration and by bar code: a vehicle's tickets among
// millions, its subscriptions, and a ticket product among ten thousand products, each
// done by the module's own lookup code (query plus the picker's list lines, no window)
// beside the mariadb command-line client running the same statement.
//
//   bench_lookups [--rows N] [--products P] [--runs R] [--datadir DIR] [--socket PATH]
//
// --rows      tickets to generate (5000000); subscriptions are a fifth of them: five
//             tickets per registration, two subscriptions for every other registration
// --products  products to generate (10000), bar codes DK1 .. DKP
// --runs      times each lookup is measured; the median is reported (5)
// --datadir   data folder of the private server, kept for the next run, which then
//             reuses the generated rows; a temporary folder by default
// --socket    use the server already listening there instead of starting one

#include "LookupData.h"
#include <bench/common/BenchProcess.h>
#include <bench/common/BenchRun.h>

#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <console/services/ProductModule.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/base/InterfaceSupport.h>
#include <framework/Interfaces.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/HostServices.h>
#include <parking/lookups/ParkingSelectProductUnit.h>
#include <parking/lookups/ParkingSelectTicketUnit.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QTextStream out(stdout);

const QString Database = QStringLiteral("bench_lookups");

struct Options {
    int rows = 5000000;
    int products = 10000;
    int runs = 5;
    QString dataDir;
    QString socket;
};

Options parse(const QStringList &arguments)
{
    const QHash<QString, QString> given =
        bench::ParseOptions(arguments, {"rows", "products", "runs", "datadir", "socket"});
    Options options;
    options.rows = std::max(5, given.value(QStringLiteral("rows"), QString::number(options.rows)).toInt());
    options.products = std::max(1, given.value(QStringLiteral("products"), QString::number(options.products)).toInt());
    options.runs = std::max(1, given.value(QStringLiteral("runs"), QString::number(options.runs)).toInt());
    options.dataDir = given.value(QStringLiteral("datadir"));
    options.socket = given.value(QStringLiteral("socket"));
    return options;
}


// The console the module asks for its product module.
class BenchConsole : public IConsole, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    explicit BenchConsole(dataset::Connection &connection)
        : m_products(CreateInterfaced<console::ProductModule>(connection))
    {
    }
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<IConsole>(this, iid); }
    bool GetModule(const QUuid &iid, IntfPtr<IInterface> &module) override
    {
        if (iid != IProductModule::IID)
            return false;
        module = IntfPtr<IInterface>(static_cast<IProductModule *>(m_products.get()));
        return true;
    }
    void SetPrintGrid(dataset::DBGrid *) override {}
    dataset::DBGrid *GetPrintGrid() override { return nullptr; }
    void RunWizard(const QString &, const QString &) override {}

private:
    IntfPtr<console::ProductModule> m_products;
};

bool loaded(dataset::Connection &connection, const Options &options)
{
    return bench::LookupDataLoaded(connection, options.rows, options.products);
}

struct Timed {
    std::vector<double> module;
    std::vector<double> client;
    std::vector<double> query;   // the statement alone through a dataset query
    int lines = 0;
};


Timed measure(bench::ClientRunner &runner, const Options &options, const QString &socket, const QString &sql,
              const std::function<int()> &lookup)
{
    Timed timed;
    runner.Run(socket, Database, sql);   // warms the buffer pool for both
    lookup();
    for (int run = 0; run < options.runs; ++run) {
        timed.client.push_back(runner.Run(socket, Database, sql).seconds);
        timed.module.push_back(bench::SecondsOf([&] { timed.lines = lookup(); }));
        timed.query.push_back(bench::SecondsOf([&] { bench::Scalar(*ParkingDM->Connection(), sql); }));
    }
    return timed;
}

void print(const char *title, const QString &sql, const Timed &timed)
{
    const double module = bench::Median(timed.module) * 1000;
    const double client = bench::Median(timed.client) * 1000;
    out << title << Qt::endl;
    out << "  SQL: " << sql << Qt::endl;
    out << "  lines: " << timed.lines << Qt::endl;
    out << "  module: " << module << " ms median; mariadb client: " << client << " ms median (process included); "
        << "the statement alone: " << bench::Median(timed.query) * 1000 << " ms median" << Qt::endl;
    out << "  goal under 20 ms: " << (module < 20 ? "met" : "missed") << "; within 2x the client: "
        << (module <= 2 * client ? "met" : "missed") << Qt::endl;
}

int run(bench::ClientRunner &runner, const Options &options)
{
    QTemporaryDir work;
    if (!work.isValid())
        throw dataset::Error(QStringLiteral("Privremena fascikla se ne može napraviti."));
    const bench::BenchServer server(options.socket, options.dataDir, work.path());
    const QString socket = server.Socket();

    dataset::Connection connection;
    connection.Connect(dbserver::AdministratorParams(socket));
    connection.Execute(QStringLiteral("SET GLOBAL innodb_buffer_pool_size = 2147483648"));
    // A data folder kept from an earlier run is brought to the current schema.
    dbserver::PrepareDatabase(connection, Database, false, std::nullopt, true);
    if (loaded(connection, options)) {
        out << "reusing " << options.rows << " tickets" << Qt::endl;
    } else {
        QElapsedTimer timer;
        timer.start();
        bench::GenerateLookupData(connection, options.rows, options.products);
        out << "generated " << options.rows << " tickets, " << bench::LookupRegistrations(options.rows)
            << " subscriptions and "
            << options.products << " products in " << double(timer.elapsed()) / 1000 << " s" << Qt::endl;
    }

    parking::HostServices host(CreateInterfaced<BenchConsole>(connection));
    ParkingDM = TCustomDM::Create<TParkingDM>(host);
    struct Release {
        ~Release() { ParkingDM.reset(); }
    } release;
    ParkingDM->SetZConnection(&connection);

    out << Qt::fixed;
    out.setRealNumberPrecision(2);
    // Five tickets, two subscriptions.
    const QString reg = bench::LookupRegistration(bench::LookupRegistrations(options.rows) / 4 + 17);
    const QString quoted = dataset::Connection::Quote(reg);

    const QString tickets = QStringLiteral("SELECT * FROM parkingticket WHERE regcitynumber = %1 "
                                           "ORDER BY ticketdate, ticketnumber").arg(quoted);
    print("TicketByReg (query and list lines)", tickets, measure(runner, options, socket, tickets, [&] {
              int lines = 0;
              for (const parking::TicketRow &ticket : parking::FindTickets(connection, reg))
                  lines += int(!parking::TicketLine(ticket).isEmpty());
              return lines;
          }));

    const QString subscriptions = QStringLiteral("SELECT * FROM parkingsubscription WHERE regcitynumber = %1 "
                                                 "ORDER BY subscriptiontodate DESC, subscriptionnumber DESC")
                                      .arg(quoted);
    print("SubscriptionByReg (query and list lines)", subscriptions,
          measure(runner, options, socket, subscriptions, [&] {
              int lines = 0;
              for (const parking::SubscriptionRow &row : parking::FindSubscriptions(connection, reg))
                  lines += int(!parking::SubscriptionLine(row).isEmpty());
              return lines;
          }));

    // The product module's statement for a code or bar code (the same text it sends).
    const QString barCode = QStringLiteral("DK%1").arg(options.products / 2 + 3);
    const QString value = QStringLiteral("LOWER(") + dataset::Connection::Quote(barCode) + QLatin1Char(')');
    const QString products =
        QStringLiteral("SELECT p.productid, p.code, p.barcode, p.additionalcode, p.name, p.price, p.taxid, "
                       "t.value AS taxvalue FROM product AS p LEFT JOIN tax AS t ON p.taxid = t.taxid WHERE "
                       "LOWER(p.code) = %1 OR LOWER(p.barcode) = %1 OR LOWER(p.additionalcode) = %1 "
                       "ORDER BY p.name, p.productid")
            .arg(value);
    print("ProductByBarCode (one match, no picker)", products, measure(runner, options, socket, products, [&] {
              TProductDesc product;
              return ProductByBarCode(host, barCode, product, 0, 0) ? 1 : 0;
          }));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, [](bench::ClientRunner &runner, const QStringList &arguments) {
        return run(runner, parse(arguments));
    });
}
