// The subscription and start-stop imports over generated exports, each beside its floor:
// for subscriptions the mariadb client loading the same prepared rows with LOAD DATA into
// a fresh table, for start-stop `sort` ordering the same file on the same keys, bytewise
// (LC_ALL=C) and under the Serbian locale when the machine has it. Prints
// times, their ratio, the peak memory of each import and the size of each file.
//
//   bench_import_rows [--socket PATH] [--rows N] [--only startstop|subscriptions]
//
// N is the start-stop line count (default 1,000,000); the subscription export has a fifth
// of it. --only runs one of the two imports. Without --socket a private server is started
// in a temporary folder.

#include "ImportBench.h"
#include <bench/common/BenchProcess.h>
#include <bench/common/BenchRun.h>
#include <dataset/Error.h>
#include <parking/imports/StartStopImportJob.h>
#include <parking/imports/SubscriptionImportJob.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

using importbench::Pick;

const char *const FirstNames[] = {"Petar", "Ana", "Marko", "Jelena", "Stefan", "Milica", "Жарко", "Љиљана"};
const char *const LastNames[] = {"Petrović", "Jovanović", "Nikolić", "Đorđević", "Ilić", "Stojanović", "Шљивић",
                                 "Ћосић"};
const char *const Cities[] = {"Beograd", "Novi Sad", "Niš", "Kragujevac", "Subotica", "Čačak", "Ниш"};

QByteArray Two(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

QByteArray Day(const Pick &pick)
{
    return "2024-" + Two(1 + pick(12)) + '-' + Two(1 + pick(28));
}

QByteArray Registration(const Pick &pick)
{
    static const char *const towns[] = {"bg", "NS", "ni", "KG", "su", "ČA"};
    return QByteArray(towns[pick(6)]) + QByteArray::number(100 + pick(900)) + (pick(10) == 0 ? "šđ" : "AB");
}

// Subscriptions: lower-case and Serbian registrations, some Cyrillic names, the status
// after the tenth comma, one line in a hundred without a registration.
QByteArray SubscriptionLine(int i, const Pick &pick)
{
    const QByteArray day = Day(pick);
    QByteArray line = "PR-" + QByteArray::number(100000 + i) + ',';
    line += (pick(100) == 0 ? QByteArray() : Registration(pick)) + ',';
    line += day + ',' + day + " 23:59,";
    line += QByteArray(FirstNames[pick(8)]) + ',' + LastNames[pick(8)] + ',';
    line += QByteArray::number(1000000000000LL + pick(1000000)) + ',';
    line += pick(2) ? "Pretplatna Crvena zona - mesecna," : "Pretplatna Zelena zona - godisnja,";
    line += pick(3) ? "Stanari," : "Pravna lica,";
    line += QByteArray::number(pick(10)) + ',' + (pick(5) ? "aktivna" : "istekla") + "\r\n";
    return line;
}

// Start-stop records: customers repeating, NUL for missing values, some Cyrillic.
QByteArray StartStopLine(int i, const Pick &pick)
{
    const int customer = pick(50000);
    const auto orNul = [&pick](const QByteArray &value) { return pick(8) == 0 ? QByteArray("NUL") : value; };
    QByteArray line = QByteArray::number(i) + '|';
    line += QByteArray(FirstNames[customer % 8]) + ' ' + LastNames[customer / 8 % 8] + ' '
        + QByteArray::number(customer) + '|';
    line += orNul("Ulica " + QByteArray::number(1 + customer % 200)) + '|';
    line += QByteArray::number(100000000 + customer) + '|';
    line += orNul(QByteArray::number(11000 + customer % 30 * 10)) + '|';
    line += QByteArray(Cities[customer % 7]) + '|';
    line += orNul("06" + QByteArray::number(1000000 + customer)) + '|';
    line += (pick(4) == 0 ? QByteArray("napomena") : QByteArray("NUL")) + '|';
    line += Registration(pick) + '|' + "Zona " + QByteArray::number(1 + pick(4)) + '|';
    const int start = pick(20);
    line += Day(pick) + '|' + Two(start) + ':' + Two(pick(60)) + '|' + Two(start + 1 + pick(3)) + ":00|\n";
    return line;
}

// A subscription line as the import hands it to the server; empty when it is left out.
QByteArray PreparedSubscription(const QByteArray &line)
{
    const auto row = imports::ReadSubscriptionLine(line);
    if (!row)
        return {};
    const auto date = [](const std::pair<QDate, QTime> &value) {
        return QDateTime(value.first, value.second).toString("yyyy-MM-dd HH:mm:ss").toUtf8();
    };
    QByteArray prepared = QStringList{row->subscriptionNumber, row->regCityNumber}.join('\t').toUtf8() + '\t';
    prepared += date(row->fromDate) + '\t' + date(row->toDate) + '\t';
    prepared += QStringList{row->firstName, row->lastName, row->personalIdentificator, row->zone, row->list,
                            row->status}.join('\t').toUtf8() + '\n';
    return prepared;
}

// `sort` under 'locale' ordering the file as the import orders the table, best of two.
double SortSeconds(const QString &file, const QString &sorted, const QString &locale)
{
    return importbench::BestOfTwo([&] {
        QProcess sort;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), locale);
        sort.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        // Case folded, stable, by name, code, registration, zone, date and start time.
        sort.start(QStringLiteral("sort"), {"-f", "-s", "-t", "|", "-k2,2", "-k4,4", "-k9,9", "-k10,10", "-k11,11",
                                            "-k12,12", "-o", sorted, file});
        if (!sort.waitForFinished(-1) || sort.exitCode() != 0)
            throw dataset::Error(QStringLiteral("sort nije uspeo."));
        return double(timer.nsecsElapsed()) / 1e9;
    });
}

// The Serbian Latin locale (scripts/install-deps.sh generates it), else the nearest
// Serbian one the machine has; empty when there is none.
QString SerbianLocale()
{
    QProcess list;
    list.start(QStringLiteral("locale"), {QStringLiteral("-a")});
    if (!list.waitForFinished(-1))
        return {};
    QString nearest;
    for (const QString &name : QString::fromLocal8Bit(list.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString folded = name.trimmed().toLower();
        if (folded == QLatin1String("sr_rs.utf8@latin"))
            return name.trimmed();
        const bool utf8 = folded.contains(QLatin1String("utf8")) || folded.contains(QLatin1String("utf-8"));
        if (folded.startsWith(QLatin1String("sr_")) && utf8 && (nearest.isEmpty() || folded.endsWith(QLatin1String("@latin"))))
            nearest = name.trimmed();
    }
    return nearest;
}

// Start-stop needs no database: the import beside sort on the same keys, bytewise and
// under the Serbian locale.
void RunStartStop(const QTemporaryDir &work, int rows)
{
    const QString startStop = work.filePath(QStringLiteral("startstop.csv"));
    importbench::WriteExport(startStop, "id|partner|adresa|pib|ptt|grad|telefon|napomena|reg|zona|datum|start|stop|\r\n",
                             rows, StartStopLine);
    const QString sorted = work.filePath(QStringLiteral("startstop-sorted.csv"));
    const double sortSeconds = SortSeconds(startStop, sorted, QStringLiteral("C"));
    const QString serbian = SerbianLocale();
    const double serbianSeconds = serbian.isEmpty() ? 0 : SortSeconds(startStop, sorted, serbian);
    const importbench::Measured startStopImport = importbench::Measure([&] {
        imports::StartStopImportJob job;
        imports::ImportSummary summary = imports::RunImport(job, startStop, {});
        const dataset::MemoryRows table = job.TakeRows();
        return summary;
    });
    importbench::Report("start-stop", rows, importbench::FileMb(startStop), startStopImport,
                        "LC_ALL=C sort on the same keys", sortSeconds, 2.0);
    if (serbian.isEmpty())
        QTextStream(stdout) << "  floor (sort under a Serbian locale): none on this machine; "
                               "scripts/install-deps.sh generates sr_RS.UTF-8@latin"
                            << Qt::endl;
    else
        importbench::ReportFloor(QStringLiteral("LC_ALL=%1 sort on the same keys").arg(serbian), startStopImport.seconds,
                                 serbianSeconds, 1.3);
}

int Run(bench::ClientRunner &runner, const QStringList &arguments)
{
    const auto options = bench::ParseOptions(arguments,
                                             {QStringLiteral("socket"), QStringLiteral("rows"), QStringLiteral("only")});
    const QString only = options.value(QStringLiteral("only"));
    QString socket = options.value(QStringLiteral("socket"));
    const int rows = options.value(QStringLiteral("rows"), QStringLiteral("1000000")).toInt();
    QTemporaryDir work;

    if (only != QLatin1String("subscriptions"))
        RunStartStop(work, rows);
    if (only == QLatin1String("startstop"))
        return 0;

    // Subscriptions, on a server.
    const bench::BenchServer server(socket, QString(), work.path());
    socket = server.Socket();
    const importbench::BenchDatabase database(socket, QStringLiteral("bench_import_rows"));
    const int subscriptionRows = rows / 5;
    const QString subscriptions = work.filePath(QStringLiteral("pretplate.csv"));
    const QString prepared = work.filePath(QStringLiteral("pretplate.tsv"));
    importbench::WriteExport(subscriptions, "broj,reg,od,do,ime,prezime,jmbg,zona,lista,x,status\r\n",
                             subscriptionRows, SubscriptionLine);
    importbench::WritePrepared(subscriptions, prepared, PreparedSubscription);
    const double floorSeconds = importbench::BestOfTwo([&] {
        return runner.Run(socket, database.Name(),
                          QStringLiteral("DROP TABLE IF EXISTS floor_sub; CREATE TABLE floor_sub LIKE "
                                         "parkingsubscription; LOAD DATA LOCAL INFILE %1 INTO TABLE floor_sub "
                                         "CHARACTER SET utf8mb4 (subscriptionnumber, regcitynumber, "
                                         "subscriptionfromdate, subscriptiontodate, firstname, lastname, "
                                         "personalidentificator, zone, list, status); DROP TABLE floor_sub;")
                              .arg(dataset::Connection::Quote(prepared)),
                          {"--local-infile=1"})
            .seconds;
    });
    const importbench::Measured subscriptionImport = importbench::Measure([&] {
        imports::SubscriptionImportJob job;
        return imports::RunImport(job, subscriptions, database.Params());
    });
    importbench::Report("subscription", subscriptionRows, importbench::FileMb(subscriptions), subscriptionImport,
                        "mariadb LOAD DATA of the prepared rows", floorSeconds, 1.3);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, Run);
}
