// Speed and memory of the parking document list: the whole list newest first, one
// registration prefix search and adding a document, each done by the module's own
// search pane and data module over a million documents with two million items, beside
// the mariadb command-line client reading the same rows; and saving a new document with
// 50 items through the editor (measureSave takes the connection's parameters, so the same
// save can be measured over another transport).
//
//   bench_parking [--rows N] [--runs R] [--prefix TEXT] [--datadir DIR] [--socket PATH]
//                 [--regnumber-index yes] [--tls-port P --tls-ca FILE --tls-user U --tls-password-file F]
//                 [--cluster DIR]
//
// --rows      documents to generate (two items each); 1000000 by default
// --runs      times each step is measured; the median is reported (3)
// --prefix    registration prefix searched in step (b) (1234: about N/4000 documents)
// --datadir   data folder of the private server, kept for the next run, which then
//             reuses the loaded rows; a temporary folder by default
// --socket    use the server already listening there instead of starting one
// --regnumber-index yes: adds an index on parkingdocument (regnumber) to the benchmark's
//             own database before measuring (without it, one left by a run before goes)
// --tls-*     the same server (give its --socket) also listens on TCP 127.0.0.1:P with TLS
//             and admits account U (password in F): step (d) is measured over verified
//             TLS as well, beside the socket, e.g. the test fixture's server:
//             --socket build/tlsserver/tls/mysqld.sock --tls-port $(port) --tls-ca
//             build/tlsserver/ca.pem --tls-user tcp_admin --tls-password-file
//             build/tlsserver/admin.password
// --cluster   step (d) is measured on the Galera cluster of scripts/cluster.sh in DIR as well
//             (a database of its own there, dropped after), beside the single server, with
//             the cost of the reads' wait for the cluster (wsrep_sync_wait) on the counter

#include "BenchData.h"
#include <bench/common/BenchCluster.h>
#include <bench/common/BenchProcess.h>
#include <bench/common/BenchRun.h>

#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/Interfaces.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/documents/ParkingDetailUnit.h>
#include <parking/documents/ParkingNavigatorUnit.h>
#include <parking/documents/ParkingViewerUnit.h>
#include <dataset/widgets/DBGrid.h>

#include <QApplication>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QTextStream out(stdout);

const QString Database = QStringLiteral("bench_parking");
const QString NewestFirst = QStringLiteral("documentdatetime DESC, parkingdocumentid DESC");

struct Options {
    int rows = 1000000;
    int runs = 3;
    QString prefix = QStringLiteral("1234");
    QString dataDir;
    QString socket;
    bool regnumberIndex = false;
    unsigned tlsPort = 0;
    QString tlsCa;
    QString tlsUser;
    QString tlsPasswordFile;
    QString clusterDir;
};

Options parse(const QStringList &arguments)
{
    const QHash<QString, QString> given =
        bench::ParseOptions(arguments,
                            {"rows", "runs", "prefix", "datadir", "socket", "regnumber-index", "tls-port", "tls-ca",
                             "tls-user", "tls-password-file", "cluster"});
    Options options;
    options.rows = std::max(1, given.value(QStringLiteral("rows"), QString::number(options.rows)).toInt());
    options.runs = std::max(1, given.value(QStringLiteral("runs"), QString::number(options.runs)).toInt());
    options.prefix = given.value(QStringLiteral("prefix"), options.prefix);
    options.dataDir = given.value(QStringLiteral("datadir"));
    options.socket = given.value(QStringLiteral("socket"));
    options.regnumberIndex = given.value(QStringLiteral("regnumber-index")) == QLatin1String("yes");
    options.tlsPort = given.value(QStringLiteral("tls-port")).toUInt();
    options.tlsCa = given.value(QStringLiteral("tls-ca"));
    options.tlsUser = given.value(QStringLiteral("tls-user"));
    options.tlsPasswordFile = given.value(QStringLiteral("tls-password-file"));
    options.clusterDir = given.value(QStringLiteral("cluster"));
    return options;
}



QString listed(const std::vector<double> &values)
{
    QStringList texts;
    for (const double value : values)
        texts << QString::number(value, 'f', 3);
    return texts.join(QLatin1Char(' '));
}

double megabytes(long kb)
{
    return double(kb) / 1024.0;
}

// How the server reads 'table' for 'sql': access type, index and estimated rows.
QString plan(dataset::Connection &connection, const QString &sql, const QString &table = QStringLiteral("pd"))
{
    dataset::Query explain;
    explain.SetConnection(&connection);
    explain.SQL() << QStringLiteral("EXPLAIN ") + sql;
    explain.Open();
    for (explain.First(); !explain.Eof(); explain.Next()) {
        if (explain.FieldByName(QStringLiteral("table")).AsString() == table)
            return QStringLiteral("type %1, key %2, rows %3")
                .arg(explain.FieldByName(QStringLiteral("type")).AsString(),
                     explain.FieldByName(QStringLiteral("key")).AsString(),
                     explain.FieldByName(QStringLiteral("rows")).AsString());
    }
    return QStringLiteral("-");
}

struct Figures {
    std::vector<double> seconds;
    long peakKb = 0;
    long beforeKb = 0;      // resident size before the first run
    long afterKb = 0;       // and after the last
};

// The search pane's own search, 'runs' times; the peak is the largest of the runs.
Figures search(TParkingNavigatorForm &pane, int runs)
{
    Figures figures;
    figures.beforeKb = bench::StatusKb("VmRSS");
    for (int run = 0; run < runs; ++run) {
        bench::ResetPeak();
        figures.seconds.push_back(bench::SecondsOf([&pane] { pane.FindButtonClick(); }));
        figures.peakKb = std::max(figures.peakKb, bench::StatusKb("VmHWM"));
    }
    figures.afterKb = bench::StatusKb("VmRSS");
    return figures;
}

Figures client(bench::ClientRunner &runner, const Options &options, const QString &socket, const QString &sql)
{
    Figures figures;
    for (int run = 0; run < options.runs; ++run) {
        const bench::ClientRun result = runner.Run(socket, Database, sql);
        figures.seconds.push_back(result.seconds);
        figures.peakKb = std::max(figures.peakKb, result.maxRssKb);
    }
    return figures;
}

void printSearch(const char *title, const QString &sql, const Figures &module, const Figures &reader, int rows)
{
    out << title << Qt::endl;
    out << "  SQL: " << sql << Qt::endl;
    out << "  rows: " << rows << Qt::endl;
    out << "  module (FindButtonClick): " << bench::Median(module.seconds) << " s median [" << listed(module.seconds)
        << "], peak VmHWM " << megabytes(module.peakKb) << " MB (VmRSS before " << megabytes(module.beforeKb)
        << " MB, after " << megabytes(module.afterKb) << " MB)" << Qt::endl;
    out << "  mariadb --batch --quick:  " << bench::Median(reader.seconds) << " s median [" << listed(reader.seconds)
        << "], max RSS " << megabytes(reader.peakKb) << " MB" << Qt::endl;
}

// For comparison: the same SQL opened whole by a plain query, then sorted on the client.
void breakdown(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << sql;
    const double open = bench::SecondsOf([&query] { query.Open(); });
    const double sort = bench::SecondsOf([&query] { query.SetSortedFields(NewestFirst); });
    out << "  of which: open (fetch into rows) " << open << " s, client-side sort " << sort << " s" << Qt::endl;
}

// The list as a cashier sees it: the search pane's search with the list frame shown,
// until its first screen is painted; then Ctrl+End in the grid, until the last row is
// the current one and painted. Memory: the peak above the start of each run.
struct Screens {
    std::vector<double> first;
    std::vector<double> last;
    std::vector<double> firstPeakMb;
    std::vector<double> lastPeakMb;
    int rows = 0;
    QString lastNumber;
};

Screens shownList(TParkingNavigatorForm &pane, TParkingViewerForm &viewer, int runs)
{
    Screens screens;
    dataset::DBGrid &grid = *viewer.DBG;
    for (int run = 0; run < runs; ++run) {
        dataset::Query &documents = ParkingDM->ParkingDocumentZQ();
        documents.Close();
        QApplication::processEvents();
        const long start = bench::StatusKb("VmRSS");
        bench::ResetPeak();
        screens.first.push_back(bench::SecondsOf([&] {
            pane.FindButtonClick();
            QApplication::processEvents();
            grid.viewport()->repaint();
        }));
        screens.firstPeakMb.push_back(megabytes(bench::StatusKb("VmHWM") - start));
        grid.setFocus();
        screens.last.push_back(bench::SecondsOf([&] {
            QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
            QApplication::sendEvent(&grid, &end);
            QApplication::processEvents();
            grid.viewport()->repaint();
        }));
        screens.lastPeakMb.push_back(megabytes(bench::StatusKb("VmHWM") - start));
        screens.rows = documents.RecordCount();
        screens.lastNumber = QStringLiteral("%1 (row %2)")
                                 .arg(documents.FieldByName(QStringLiteral("number")).AsString())
                                 .arg(grid.currentIndex().row() + 1);
    }
    return screens;
}

void printScreens(const Screens &screens, const Figures &ordered, const Figures &unordered, const Figures &plain)
{
    const double client = bench::Median(ordered.seconds);
    out << "  first screen shown: " << bench::Median(screens.first) << " s median [" << listed(screens.first)
        << "], peak " << bench::Median(screens.firstPeakMb) << " MB above the start [" << listed(screens.firstPeakMb)
        << "] (goals under 0.05 s: " << (bench::Median(screens.first) < 0.05 ? "met" : "missed") << ", under 50 MB: "
        << (bench::Median(screens.firstPeakMb) < 50 ? "met" : "missed") << ")" << Qt::endl;
    out << "  Ctrl+End to the last row: " << bench::Median(screens.last) << " s median [" << listed(screens.last)
        << "], peak " << bench::Median(screens.lastPeakMb) << " MB above the start; " << screens.rows
        << " rows, last " << screens.lastNumber << Qt::endl;
    out << "  mariadb reading the same statement ordered: " << client << " s median [" << listed(ordered.seconds)
        << "]; last row / client " << bench::Median(screens.last) / client << " (goal under 1: "
        << (bench::Median(screens.last) < client ? "met" : "missed") << "); first screen and last row / client "
        << (bench::Median(screens.first) + bench::Median(screens.last)) / client << Qt::endl;
    out << "  last row / mariadb reading the same statement unordered: "
        << bench::Median(screens.last) / bench::Median(unordered.seconds) << " (client " << bench::Median(unordered.seconds)
        << " s median [" << listed(unordered.seconds) << "])" << Qt::endl;
    out << "  last row / mariadb reading the pane's text unordered (no invoiced column): "
        << bench::Median(screens.last) / bench::Median(plain.seconds) << Qt::endl;
}

// "Dodaj" in the list, the user's two required values, and OK: the new-row defaults with
// the numbering, then the field rules with the uniqueness test, the insert and the
// placing of the new row in the sorted list.
void addDocuments(dataset::Query &documents, int runs, const char *title)
{
    std::vector<double> defaults;
    std::vector<double> posts;
    std::vector<double> totals;
    QString number;
    for (int run = 0; run < runs; ++run) {
        defaults.push_back(bench::SecondsOf([&documents] { documents.Append(); }));
        number = documents.FieldByName(QStringLiteral("number")).AsString();
        documents.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("BG"));
        documents.FieldByName(QStringLiteral("regnumber")).SetAsString(QStringLiteral("999ZZ"));
        posts.push_back(bench::SecondsOf([&documents] { documents.Post(); }));
        totals.push_back(defaults.back() + posts.back());
    }
    out << title << Qt::endl;
    out << "  new-row defaults (numbering): " << bench::Median(defaults) << " s median [" << listed(defaults) << "]"
        << Qt::endl;
    out << "  post (rules, uniqueness, insert): " << bench::Median(posts) << " s median [" << listed(posts) << "]"
        << Qt::endl;
    out << "  new document: " << bench::Median(totals) << " s median; last number " << number << ", at row "
        << documents.RecNo() << " of " << documents.RecordCount()
        << " (goal under 0.005 s: " << (bench::Median(totals) < 0.005 ? "met" : "missed") << ")" << Qt::endl;
}

// A new document with 50 items saved by the editor, over a connection of its own made
// with 'params' (the server's socket here; a TLS connection to the same server gives the
// figure to compare): header and items in one transaction, the number taken from the
// counter at that moment, the commit durable. Returns the seconds of each save.
// The editor's questions (a ticket number not on record, …) get "Da" and are counted,
// so that a timed save never waits for a person.
class AnswerYes final : public DialogService {
public:
    void ShowError(const QString &text) override { asked << text; }
    void ShowInformation(const QString &text) override { asked << text; }
    DialogAnswer AskYesNoCancel(const QString &text) override
    {
        asked << text;
        return DialogAnswer::Yes;
    }
    bool Confirm(const QString &text) override
    {
        asked << text;
        return true;
    }
    bool PickDate(QDate &) override { return false; }
    bool PickDateTime(QDateTime &) override { return false; }
    QString GetOpenFileName(const QString &, const QString &, const QString &) override { return {}; }
    QStringList asked;
};

std::vector<double> measureSave(const dataset::ConnectionParams &params, int runs)
{
    AnswerYes answers;
    const ScopedDialogService scoped(answers);
    dataset::Connection connection;
    connection.Connect(params);
    dataset::Connection *const previous = ParkingDM->Connection();
    struct Restore {
        dataset::Connection *connection;
        ~Restore() { ParkingDM->SetZConnection(connection); }
    } restore{previous};
    ParkingDM->SetZConnection(&connection);
    dataset::Query &documents = ParkingDM->ParkingDocumentZQ();
    documents.Close();
    documents.SetSQL({QStringLiteral("SELECT pd.* FROM parkingdocument AS pd WHERE pd.parkingdocumentid = -1")});
    documents.Open();
    std::vector<double> saves;
    for (int run = 0; run < runs; ++run) {
        documents.Append();
        documents.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("BG"));
        documents.FieldByName(QStringLiteral("regnumber")).SetAsString(QStringLiteral("999ZZ"));
        TParkingDetailForm form(*ParkingDM);
        dataset::Query &items = ParkingDM->ParkingDocumentItemZQ();
        for (int item = 0; item < 50; ++item) {
            TProductDesc product;
            product.ProductID = 1;
            product.TaxID = 1;
            product.Code = QStringLiteral("DK1200");
            product.Name = QStringLiteral("Doplatna karta");
            product.Price = 1000;
            product.TaxValue = 20;
            form.AddDocumentItem(product);
            items.FieldByName(QStringLiteral("ticketnumber")).SetAsString(QString::number(item));
            items.Post();
        }
        saves.push_back(bench::SecondsOf([&form] { form.CustomApplyExecute(); }));
        form.CustomCancelExecute();
    }
    documents.Close();
    if (!answers.asked.isEmpty())
        out << "  (questions answered during the saves: " << answers.asked.size() << ", first: "
            << answers.asked.first() << ")" << Qt::endl;
    return saves;
}

// Median seconds of 'runs' counter reads with the session's wait for the cluster as given.
double counterRead(dataset::Connection &connection, int wait, int runs)
{
    connection.Execute(QStringLiteral("SET SESSION wsrep_sync_wait = %1").arg(wait));
    std::vector<double> reads;
    for (int run = 0; run < runs; ++run)
        reads.push_back(bench::SecondsOf([&connection] {
            bench::Scalar(connection, QStringLiteral("SELECT n FROM numbercounter WHERE series = 'parkingdocument'"));
        }));
    return bench::Median(reads);
}

// Step (d) on the cluster: a database of its own with the schema, the same saves.
void saveOnCluster(const Options &options, double single)
{
    const QString name = QStringLiteral("bench_parking_cluster");
    dataset::ConnectionParams params = bench::ClusterParams(options.clusterDir);
    dataset::Connection administrator;
    administrator.Connect(params);
    dbserver::CreateDatabase(administrator, name, true);
    struct Drop {
        dataset::Connection &connection;
        QString name;
        ~Drop()
        {
            try {
                dbserver::DropDatabase(connection, name);
            } catch (const std::exception &) {
                // A database left behind is dropped by the next run's CreateDatabase check.
            }
        }
    } drop{administrator, name};
    params.database = name;
    const std::vector<double> saves = measureSave(params, options.runs);
    const double ratio = bench::Median(saves) / single;
    out << "    the same on the three-node cluster (" << administrator.ServerName()
        << " first): " << bench::Median(saves) << " s median [" << listed(saves) << "], ratio to the single server "
        << ratio << " (goal at most 3: " << (ratio <= 3 ? "met" : "missed") << ")" << Qt::endl;
    dataset::Connection reader;
    reader.Connect(params);
    const double waited = counterRead(reader, 1, 200);
    const double unwaited = counterRead(reader, 0, 200);
    out << "    counter read on the cluster: " << waited * 1000 << " ms with wsrep_sync_wait=1, " << unwaited * 1000
        << " ms without" << Qt::endl;
}

void saveDocuments(const dataset::ConnectionParams &params, const Options &options)
{
    const std::vector<double> saves = measureSave(params, options.runs);
    out << "(d) new document with 50 items saved (one transaction, numbered at save, durable commit): "
        << bench::Median(saves) << " s median [" << listed(saves)
        << "] (goal under 0.05 s: " << (bench::Median(saves) < 0.05 ? "met" : "missed") << ")" << Qt::endl;
    if (!options.clusterDir.isEmpty())
        saveOnCluster(options, bench::Median(saves));
    if (options.tlsPort == 0)
        return;
    dataset::ConnectionParams tls = params;
    tls.socket.clear();
    tls.host = QStringLiteral("127.0.0.1");
    tls.port = options.tlsPort;
    tls.tls = dataset::TlsMode::Required;
    tls.tlsCaFile = options.tlsCa;
    tls.user = options.tlsUser;
    QFile password(options.tlsPasswordFile);
    if (!password.open(QIODevice::ReadOnly))
        throw dataset::Error(QStringLiteral("Lozinka se ne može pročitati iz %1.").arg(options.tlsPasswordFile));
    tls.password = QString::fromUtf8(password.readLine()).trimmed();
    const std::vector<double> overTls = measureSave(tls, options.runs);
    out << "    the same over TCP with verified TLS: " << bench::Median(overTls) << " s median [" << listed(overTls)
        << "], ratio to the socket " << bench::Median(overTls) / bench::Median(saves) << Qt::endl;
}

// The two statements of a new document on their own; 'number' is one already in use.
void statementTimes(dataset::Connection &connection, const QString &number)
{
    const QString counter = QStringLiteral("SELECT n FROM numbercounter WHERE series = 'parkingdocument' "
                                           "AND documenttype = '' AND year = 0 AND warehouseid = 0");
    const QString unique = QStringLiteral("SELECT COUNT(*) AS samecount FROM parkingdocument WHERE number = %1")
                               .arg(dataset::Connection::Quote(number));
    const QString table = QStringLiteral("parkingdocument");
    out << "  statements: counter " << bench::SecondsOf([&] { bench::Scalar(connection, counter); }) << " s ("
        << plan(connection, counter, QStringLiteral("numbercounter")) << "), uniqueness "
        << bench::SecondsOf([&] { bench::Scalar(connection, unique); }) << " s (" << plan(connection, unique, table)
        << ")" << Qt::endl;
}

bool loaded(dataset::Connection &connection, const Options &options)
{
    const int documents = bench::Scalar(connection, QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt();
    const int items = bench::Scalar(connection, QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).toInt();
    const QString newest = bench::Scalar(connection, QStringLiteral("SELECT YEAR(MAX(documentdatetime)) FROM parkingdocument"));
    return documents == options.rows && items == 2 * options.rows
        && newest == QString::number(QDate::currentDate().year());
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
    params.localLoad = true;
    connection.Connect(params);
    // Room for the whole document table, so that both readers are served from memory.
    connection.Execute(QStringLiteral("SET GLOBAL innodb_buffer_pool_size = 2147483648"));
    // A data folder kept from an earlier run is brought to the current schema.
    dbserver::PrepareDatabase(connection, Database, false, std::nullopt, true);

    if (loaded(connection, options)) {
        out << "reusing " << options.rows << " documents and " << 2 * options.rows << " items" << Qt::endl;
    } else {
        bench::DataShape shape;
        shape.documents = options.rows;
        shape.newest = QDateTime::currentDateTime().addSecs(-3600);
        const double seconds = bench::LoadData(connection, work.path(), shape);
        out << "loaded " << options.rows << " documents and " << 2 * options.rows << " items in " << seconds
            << " s (LOAD DATA LOCAL INFILE)" << Qt::endl;
    }

    // The rows were loaded around the module: its counter starts from their count, as the
    // upgrade that brought the counter in does.
    connection.Execute(
        QStringLiteral("UPDATE numbercounter SET n = GREATEST(n, (SELECT COUNT(*) FROM parkingdocument)) "
                       "WHERE series = 'parkingdocument'"));
    out << "durable commits: innodb_flush_log_at_trx_commit = "
        << bench::Scalar(connection, QStringLiteral("SELECT @@innodb_flush_log_at_trx_commit")) << Qt::endl;

    connection.Execute(options.regnumberIndex
                           ? QStringLiteral("CREATE INDEX IF NOT EXISTS bench_regnumber ON parkingdocument (regnumber)")
                           : QStringLiteral("DROP INDEX IF EXISTS bench_regnumber ON parkingdocument"));

    ParkingDM = TCustomDM::Create<TParkingDM>();
    struct FreeDataModule {
        ~FreeDataModule() { ParkingDM.reset(); }
    } freeDataModule;
    ParkingDM->SetZConnection(&connection);
    dataset::Query &documents = ParkingDM->ParkingDocumentZQ();
    TParkingNavigatorForm pane(*ParkingDM);

    // (a) every search value empty: the whole list.
    const QString all = pane.ParseSQL();
    runner.Run(socket, Database, all);     // the buffer pool holds the rows from here on
    const Figures allClient = client(runner, options, socket, all);
    const Figures allModule = search(pane, options.runs);
    const int allRows = documents.RecordCount();
    out << Qt::fixed;
    out.setRealNumberPrecision(3);
    printSearch("(a) whole list, newest first (the first packet)", all, allModule, allClient, allRows);
    {
        TParkingViewerForm viewer(*ParkingDM);
        viewer.resize(1000, 700);
        viewer.show();
        const QString ordered = documents.SQLText() + QStringLiteral(" ORDER BY ") + NewestFirst;
        const Figures orderedClient = client(runner, options, socket, ordered);
        const Figures unorderedClient = client(runner, options, socket, documents.SQLText());
        printScreens(shownList(pane, viewer, options.runs), orderedClient, unorderedClient, allClient);
    }
    breakdown(connection, all);
    pane.FindButtonClick();
    out << "  first row: " << documents.FieldByName(QStringLiteral("number")).AsString() << " at "
        << documents.FieldByName(QStringLiteral("documentdatetime")).AsString() << Qt::endl;

    // (c) a new document while the whole list is shown.
    const QString usedNumber = documents.FieldByName(QStringLiteral("number")).AsString();
    const qint64 lastLoaded = bench::Scalar(connection, QStringLiteral("SELECT MAX(parkingdocumentid) FROM parkingdocument"))
                                  .toLongLong();
    documents.SetRecNo(documents.RecordCount() / 2);
    addDocuments(documents, options.runs, "(c) new document, whole list open");
    statementTimes(connection, usedNumber);

    // (b) one registration prefix.
    pane.SetSearchValue(QStringLiteral("regnumber"), options.prefix);
    const QString prefixed = pane.ParseSQL();
    const Figures prefixClient = client(runner, options, socket, prefixed);
    const Figures prefixModule = search(pane, options.runs);
    printSearch("(b) registration prefix", prefixed, prefixModule, prefixClient, documents.RecordCount());
    out << "  plan: " << plan(connection, prefixed) << Qt::endl;
    out << "  goal under 0.2 s: " << (bench::Median(prefixModule.seconds) < 0.2 ? "met" : "missed") << Qt::endl;

    addDocuments(documents, options.runs, "(c) new document, prefix search open");
    dataset::ConnectionParams saveParams = params;
    saveParams.database = Database;
    saveParams.localLoad = false;
    saveDocuments(saveParams, options);

    // The added documents go, so that the next run with --datadir finds the rows it made.
    connection.Execute(QStringLiteral("DELETE FROM parkingdocumentitem WHERE parkingdocumentid > %1")
                           .arg(dataset::Connection::Quote(QString::number(lastLoaded))));
    connection.Execute(QStringLiteral("DELETE FROM parkingdocument WHERE parkingdocumentid > %1")
                           .arg(dataset::Connection::Quote(QString::number(lastLoaded))));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, [](bench::ClientRunner &runner, const QStringList &arguments) {
        return run(runner, parse(arguments));
    });
}
