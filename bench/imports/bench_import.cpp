// The ticket import over a generated export of a million lines, beside its floor: the
// mariadb client loading the same prepared rows with LOAD DATA and applying the transfer
// rules with INSERT ... SELECT into fresh tables. Prints times, their ratio, the peak
// memory of the import and the size of the file.
//
//   bench_import [--socket PATH] [--rows N] [--cluster DIR]
//
// Without --socket a private server is started in a temporary folder and stopped at
// the end. --cluster DIR: the same import is measured as well on the Galera cluster that
// scripts/cluster.sh runs in DIR (a database of its own there), beside the single server.

#include "ImportBench.h"
#include <bench/common/BenchCluster.h>
#include <bench/common/BenchProcess.h>
#include <bench/common/BenchRun.h>
#include <console/dbserver/Schema.h>
#include <parking/imports/ParkingImportText.h>
#include <parking/imports/TicketImportJob.h>

#include <QTemporaryDir>
#include <QTextStream>

namespace {

// A ticket export as the operator's system writes it: UTF-8 without a mark, Serbian
// Latin and some Cyrillic names, about one ticket in five paid or cancelled, a few issued
// before 2000 and one in two hundred repeating an earlier ticket's number.
QByteArray TicketLine(int i, const importbench::Pick &pick)
{
    static const char *const names[] = {"Petar Petrović", "Ana Jovanović", "Marko Nikolić", "Jelena Đorđević",
                                        "Stefan Ilić", "Milica Stojanović", "Жарко Шљивић", "Љиљана Ћосић"};
    static const char *const streets[] = {"Kneza Miloša", "Bulevar kralja Aleksandra", "Takovska", "Nemanjina",
                                          "Cara Dušana", "Vojvode Stepe", "Његошева"};
    static const char *const cities[] = {"Beograd", "Novi Sad", "Niš", "Kragujevac", "Subotica", "Čačak"};
    static const int statuses[] = {1, 1, 1, 2, 2, 4, 4, 3, 5, 6};
    const auto two = [](int n) { return QByteArray::number(n).rightJustified(2, '0'); };
    const int year = pick(100) == 0 ? 1999 : 2024 + pick(2);
    const QByteArray day = QByteArray::number(year) + '-' + two(1 + pick(12)) + '-' + two(1 + pick(28));
    const int id = pick(200) == 0 && i > 0 ? 1000000 + pick(i) : 1000000 + i;
    const int status = statuses[pick(10)];
    QByteArray line;
    line += day + ' ' + two(pick(24)) + ':' + two(pick(60)) + ':' + two(pick(60)) + ',';
    line += "DK" + QByteArray::number(id) + ',' + QByteArray::number(1 + pick(4)) + ',';
    line += "BG" + QByteArray::number(100 + pick(900)) + (pick(10) == 0 ? "ŠĐ," : "AB,");
    line += QByteArray::number(300 + 100 * pick(20)) + ',' + QByteArray::number(status) + ',';
    line += (status == 2 ? day + " 12:00:00" : QByteArray()) + ',';
    line += (status == 3 ? QByteArray("2500") : QByteArray("0")) + ',';
    line += (status == 3 ? day : QByteArray()) + ',';
    line += QByteArray::number(1000000000000LL + pick(1000000)) + ',' + names[pick(8)] + ',';
    line += QByteArray(streets[pick(7)]) + ',' + QByteArray::number(1 + pick(150)) + ',';
    line += QByteArray(cities[pick(6)]) + ',' + QByteArray::number(11000 + pick(30) * 10) + ',';
    line += QByteArray::number(1 + pick(40)) + ',' + (status == 5 ? day : QByteArray()) + ',';
    line += "K" + QByteArray::number(100 + pick(50)) + "\r\n";
    return line;
}

QString FloorSql(const QString &prepared)
{
    const QString raw = QStringLiteral("floor_raw");
    const QString tickets = QStringLiteral("floor_ticket");
    return QStringLiteral("SET SESSION sql_mode = 'NO_ENGINE_SUBSTITUTION'; "
                          "DROP TABLE IF EXISTS %1, %2; CREATE TABLE %1 LIKE parkingticketraw; "
                          "CREATE TABLE %2 LIKE parkingticket; %3; %4; DROP TABLE %1, %2;")
        .arg(raw, tickets, imports::TicketLoadStatement(prepared, raw), imports::TicketTransferStatement(raw, tickets));
}

// The same import into a database of its own on the cluster, beside the single server's,
// and the floor there too: what the cluster itself costs the client's statements on this
// machine, against which the import's ratio is read.
void MeasureOnCluster(bench::ClientRunner &runner, const QString &dir, const QString &exportFile,
                      const QString &prepared, double singleImport, double singleFloor)
{
    dataset::ConnectionParams params = bench::ClusterParams(dir);
    dataset::Connection administrator;
    administrator.Connect(params);
    const QString name = QStringLiteral("bench_import_cluster");
    administrator.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    dbserver::CreateDatabase(administrator, name, false);
    params.database = name;
    const double floorSeconds = importbench::BestOfTwo([&] {
        return runner.Run(bench::ClusterSocket(dir), name, FloorSql(prepared), {"--local-infile=1"}).seconds;
    });
    const importbench::Measured import = importbench::Measure([&] {
        imports::TicketImportJob job;
        return imports::RunImport(job, exportFile, params);
    });
    administrator.Execute(QStringLiteral("DROP DATABASE %1").arg(name));
    const double ratio = import.seconds / singleImport;
    QTextStream(stdout) << "floor on the three-node cluster (mariadb client on node 1): " << floorSeconds
                        << " s, ratio to the single server's floor " << floorSeconds / singleFloor << Qt::endl
                        << "ticket import on the three-node cluster: " << import.seconds << " s, ratio to the single "
                        << "server " << ratio << " (goal at most 1.5: " << (ratio <= 1.5 ? "met" : "missed") << ")"
                        << Qt::endl;
}

int Run(bench::ClientRunner &runner, const QStringList &arguments)
{
    const auto options =
        bench::ParseOptions(arguments, {QStringLiteral("socket"), QStringLiteral("rows"), QStringLiteral("cluster")});
    QString socket = options.value(QStringLiteral("socket"));
    const int rows = options.value(QStringLiteral("rows"), QStringLiteral("1000000")).toInt();
    QTemporaryDir work;
    const bench::BenchServer server(socket, QString(), work.path());
    socket = server.Socket();
    const importbench::BenchDatabase database(socket, QStringLiteral("bench_import"));

    const QString exportFile = work.filePath(QStringLiteral("karte.csv"));
    const QString prepared = work.filePath(QStringLiteral("karte-1250.csv"));
    importbench::WriteExport(exportFile,
                             "vreme_izdavanja_DK,id_DK,id_zone,reg_oznaka,cena_DK,status_doplatne,"
                             "vreme_slanja_opomene,uplaceni_iznos,datum_uplate,JMBG,ime_i_prezime,ulica,broj,"
                             "mesto,PTTbroj,parkiraliste,datum_storniranja,ID_kontrolora\r\n",
                             rows, TicketLine);
    // The rows as the import hands them to the server: the plain chain, Windows-1250, CR LF.
    importbench::WritePrepared(exportFile, prepared,
                               [](const QByteArray &line) { return imports::PlainChain(line) + "\r\n"; });

    const double floorSeconds = importbench::BestOfTwo([&] {
        return runner.Run(socket, database.Name(), FloorSql(prepared), {"--local-infile=1"}).seconds;
    });
    const importbench::Measured import = importbench::Measure([&] {
        imports::TicketImportJob job;
        return imports::RunImport(job, exportFile, database.Params());
    });
    importbench::Report("ticket", rows, importbench::FileMb(exportFile), import,
                        "mariadb LOAD DATA + INSERT ... SELECT", floorSeconds, 1.0);
    if (const QString clusterDir = options.value(QStringLiteral("cluster")); !clusterDir.isEmpty())
        MeasureOnCluster(runner, clusterDir, exportFile, prepared, import.seconds, floorSeconds);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, Run);
}
