#pragma once

// What the import benchmarks share: generated exports, the prepared rows their floors
// load, a fresh database, and an import measured and reported beside its floor.

#include <dataset/Connection.h>
#include <parking/imports/ImportJob.h>

#include <QByteArray>
#include <QString>

#include <functional>

namespace importbench {

// A number below n, from the benchmark's fixed random sequence.
using Pick = std::function<int(int)>;

// Writes 'header' and then 'line' for each of 'count' lines, in blocks.
void WriteExport(const QString &path, const QByteArray &header, int count,
                 const std::function<QByteArray(int, const Pick &)> &line);
// Writes, for each line of the export 'from' after its header, what 'prepare' makes of
// it, for the mariadb client to load.
void WritePrepared(const QString &from, const QString &to, const std::function<QByteArray(const QByteArray &)> &prepare);
double FileMb(const QString &path);

// A database of the given name made afresh on the server at 'socket', dropped at the end.
class BenchDatabase {
public:
    BenchDatabase(const QString &socket, const QString &name);
    ~BenchDatabase();
    BenchDatabase(const BenchDatabase &) = delete;
    BenchDatabase &operator=(const BenchDatabase &) = delete;
    const QString &Name() const { return m_name; }
    dataset::ConnectionParams Params() const;

private:
    QString m_socket;
    QString m_name;
    dataset::Connection m_connection;
};

struct Measured {
    double seconds = 1e9;
    long peakKb = 0;
    imports::ImportSummary summary;
};
// Best of two runs of 'run', with the peak resident memory above the start.
Measured Measure(const std::function<imports::ImportSummary()> &run);
// Best of two runs of 'step', in seconds.
double BestOfTwo(const std::function<double()> &step);

void Report(const char *what, int lines, double fileMb, const Measured &import, const char *floorText,
            double floorSeconds, double goal);
// A further floor of the same import: its time and the import's ratio to it.
void ReportFloor(const QString &floorText, double importSeconds, double floorSeconds, double goal);

} // namespace importbench
