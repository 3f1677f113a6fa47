// The ticket import over a generated export of a million lines, beside its floor: the
// mariadb client loading the same prepared rows with LOAD DATA and applying the transfer
// rules with INSERT ... SELECT into fresh tables. Prints times, their ratio, the peak
// memory of the import and the size of the file.
//
//   bench_import [--socket PATH] [--rows N]
//
// Without --socket a private server is started in a temporary folder and stopped at
// the end.

#include "BenchProcess.h"
#include "BenchRun.h"
#include "Connection.h"
#include "Error.h"
#include "ParkingImportText.h"
#include "ParkingTicketImport.h"
#include "Schema.h"
#include "ServerAccounts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <random>

namespace {

QTextStream out(stdout);

// A ticket export as the operator's system writes it: UTF-8 without a mark, Serbian
// Latin and some Cyrillic names, about one ticket in five paid or cancelled, a few issued
// before 2000 and one in two hundred repeating an earlier ticket's number.
void WriteTicketExport(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw dataset::Error(QStringLiteral("Datoteka %1 se ne može napraviti.").arg(path));
    std::mt19937 random(20261207);
    const auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    static const char *const names[] = {"Petar Petrović", "Ana Jovanović", "Marko Nikolić", "Jelena Đorđević",
                                        "Stefan Ilić", "Milica Stojanović", "Жарко Шљивић", "Љиљана Ћосић"};
    static const char *const streets[] = {"Kneza Miloša", "Bulevar kralja Aleksandra", "Takovska", "Nemanjina",
                                          "Cara Dušana", "Vojvode Stepe", "Његошева"};
    static const char *const cities[] = {"Beograd", "Novi Sad", "Niš", "Kragujevac", "Subotica", "Čačak"};
    static const int statuses[] = {1, 1, 1, 2, 2, 4, 4, 3, 5, 6};
    QByteArray block = "vreme_izdavanja_DK,id_DK,id_zone,reg_oznaka,cena_DK,status_doplatne,"
                       "vreme_slanja_opomene,uplaceni_iznos,datum_uplate,JMBG,ime_i_prezime,ulica,broj,"
                       "mesto,PTTbroj,parkiraliste,datum_storniranja,ID_kontrolora\r\n";
    const auto two = [](int n) { return QByteArray::number(n).rightJustified(2, '0'); };
    for (int i = 0; i < count; ++i) {
        const int year = pick(100) == 0 ? 1999 : 2024 + pick(2);
        const QByteArray day = QByteArray::number(year) + '-' + two(1 + pick(12)) + '-' + two(1 + pick(28));
        const int id = pick(200) == 0 && i > 0 ? 1000000 + pick(i) : 1000000 + i;
        const int status = statuses[pick(10)];
        block += day + ' ' + two(pick(24)) + ':' + two(pick(60)) + ':' + two(pick(60)) + ',';
        block += "DK" + QByteArray::number(id) + ',' + QByteArray::number(1 + pick(4)) + ',';
        block += "BG" + QByteArray::number(100 + pick(900)) + (pick(10) == 0 ? "ŠĐ," : "AB,");
        block += QByteArray::number(300 + 100 * pick(20)) + ',' + QByteArray::number(status) + ',';
        block += (status == 2 ? day + " 12:00:00" : QByteArray()) + ',';
        block += (status == 3 ? QByteArray("2500") : QByteArray("0")) + ',';
        block += (status == 3 ? day : QByteArray()) + ',';
        block += QByteArray::number(1000000000000LL + pick(1000000)) + ',' + names[pick(8)] + ',';
        block += QByteArray(streets[pick(7)]) + ',' + QByteArray::number(1 + pick(150)) + ',';
        block += QByteArray(cities[pick(6)]) + ',' + QByteArray::number(11000 + pick(30) * 10) + ',';
        block += QByteArray::number(1 + pick(40)) + ',' + (status == 5 ? day : QByteArray()) + ',';
        block += "K" + QByteArray::number(100 + pick(50)) + "\r\n";
        if (block.size() > (1 << 20)) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
}

// The rows as the import hands them to the server: the plain chain, Windows-1250, CR LF.
void WritePrepared(const QString &from, const QString &to)
{
    imports::ImportLineReader reader(from);
    reader.SkipHeader();
    QFile file(to);
    if (!file.open(QIODevice::WriteOnly))
        throw dataset::Error(QStringLiteral("Datoteka %1 se ne može napraviti.").arg(to));
    QByteArray line;
    QByteArray block;
    while (reader.ReadLine(line)) {
        block += imports::PlainChain(line) + "\r\n";
        if (block.size() > (1 << 20)) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
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

int Run(bench::ClientRunner &runner, const QStringList &arguments)
{
    const auto options = bench::ParseOptions(arguments, {QStringLiteral("socket"), QStringLiteral("rows")});
    QString socket = options.value(QStringLiteral("socket"));
    const int rows = options.value(QStringLiteral("rows"), QStringLiteral("1000000")).toInt();
    QTemporaryDir work;
    const bench::BenchServer server(socket, QString(), work.path());
    socket = server.Socket();
    const QString database = QStringLiteral("bench_import");
    dataset::Connection connection;
    connection.Connect(dbserver::AdministratorParams(socket));
    connection.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(database));
    dbserver::CreateDatabase(connection, database, false);
    const dataset::ConnectionParams params = dbserver::AdministratorParams(socket, database);

    const QString exportFile = work.filePath(QStringLiteral("karte.csv"));
    const QString prepared = work.filePath(QStringLiteral("karte-1250.csv"));
    WriteTicketExport(exportFile, rows);
    WritePrepared(exportFile, prepared);
    const double fileMb = double(QFile(exportFile).size()) / (1024.0 * 1024.0);

    double floorSeconds = 1e9;
    double importSeconds = 1e9;
    long peakKb = 0;
    imports::ImportSummary summary;
    for (int round = 0; round < 2; ++round) {
        const bench::ClientRun floor = runner.Run(socket, database, FloorSql(prepared), {"--local-infile=1"});
        floorSeconds = std::min(floorSeconds, floor.seconds);

        const long before = bench::StatusKb("VmRSS");
        bench::ResetPeak();
        QElapsedTimer timer;
        timer.start();
        imports::TicketImportJob job;
        summary = imports::RunImport(job, exportFile, params);
        importSeconds = std::min(importSeconds, double(timer.nsecsElapsed()) / 1e9);
        peakKb = std::max(peakKb, bench::StatusKb("VmHWM") - before);
    }

    out << Qt::fixed;
    out.setRealNumberPrecision(2);
    out << "ticket export:         " << rows << " lines, " << fileMb << " MB" << Qt::endl;
    for (const QString &line : summary.Lines())
        out << "  " << line << Qt::endl;
    out << "ticket import:         " << importSeconds << " s (best of 2)" << Qt::endl;
    out << "floor (mariadb LOAD DATA + INSERT ... SELECT): " << floorSeconds << " s (best of 2)" << Qt::endl;
    out << "ratio import / floor:  " << importSeconds / floorSeconds << " (goal 1.3)" << Qt::endl;
    out << "peak memory of import: " << double(peakKb) / 1024.0 << " MB above the start (goal below "
        << fileMb << " MB)" << Qt::endl;

    connection.Execute(QStringLiteral("DROP DATABASE %1").arg(database));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return bench::WidgetsMain(argc, argv, Run);
}
