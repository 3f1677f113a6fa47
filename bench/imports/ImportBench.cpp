#include "ImportBench.h"

#include <bench/common/BenchProcess.h>
#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Error.h>
#include <parking/imports/ParkingImportText.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <malloc.h>
#include <random>

namespace importbench {

namespace {

void OpenForWriting(QFile &file)
{
    if (!file.open(QIODevice::WriteOnly))
        throw dataset::Error(QStringLiteral("Datoteka %1 se ne može napraviti.").arg(file.fileName()));
}

// Writes 'block' out once it passes a megabyte, or at the end.
void Flush(QFile &file, QByteArray &block, bool always = false)
{
    if (always || block.size() > (1 << 20)) {
        file.write(block);
        block.clear();
    }
}

} // namespace

void WriteExport(const QString &path, const QByteArray &header, int count,
                 const std::function<QByteArray(int, const Pick &)> &line)
{
    QFile file(path);
    OpenForWriting(file);
    std::mt19937 random(20261207);
    const Pick pick = [&random](int n) { return int(random() % unsigned(n)); };
    QByteArray block = header;
    for (int i = 0; i < count; ++i) {
        block += line(i, pick);
        Flush(file, block);
    }
    Flush(file, block, true);
}

void WritePrepared(const QString &from, const QString &to, const std::function<QByteArray(const QByteArray &)> &prepare)
{
    imports::ImportLineReader reader(from);
    reader.SkipHeader();
    QFile file(to);
    OpenForWriting(file);
    QByteArray line;
    QByteArray block;
    while (reader.ReadLine(line)) {
        block += prepare(line);
        Flush(file, block);
    }
    Flush(file, block, true);
}

double FileMb(const QString &path)
{
    return double(QFile(path).size()) / (1024.0 * 1024.0);
}

BenchDatabase::BenchDatabase(const QString &socket, const QString &name) : m_socket(socket), m_name(name)
{
    m_connection.Connect(dbserver::AdministratorParams(socket));
    m_connection.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    dbserver::CreateDatabase(m_connection, name, false);
}

BenchDatabase::~BenchDatabase()
{
    try {
        m_connection.Execute(QStringLiteral("DROP DATABASE %1").arg(m_name));
    } catch (const std::exception &error) {
        QTextStream(stderr) << "Baza " << m_name << " nije obrisana: " << error.what() << Qt::endl;
    }
}

dataset::ConnectionParams BenchDatabase::Params() const
{
    return dbserver::AdministratorParams(m_socket, m_name);
}

Measured Measure(const std::function<imports::ImportSummary()> &run)
{
    Measured result;
    for (int round = 0; round < 2; ++round) {
        malloc_trim(0);   // what earlier work freed goes back, so it does not hide this peak
        const long before = bench::StatusKb("VmRSS");
        bench::ResetPeak();
        QElapsedTimer timer;
        timer.start();
        result.summary = run();
        result.seconds = std::min(result.seconds, double(timer.nsecsElapsed()) / 1e9);
        result.peakKb = std::max(result.peakKb, bench::StatusKb("VmHWM") - before);
    }
    return result;
}

double BestOfTwo(const std::function<double()> &step)
{
    return std::min(step(), step());
}

void Report(const char *what, int lines, double fileMb, const Measured &import, const char *floorText,
            double floorSeconds, double goal)
{
    QTextStream out(stdout);
    out << Qt::fixed;
    out.setRealNumberPrecision(2);
    out << what << " export: " << lines << " lines, " << fileMb << " MB" << Qt::endl;
    for (const QString &line : import.summary.Lines())
        out << "  " << line << Qt::endl;
    out << "  import:  " << import.seconds << " s (best of 2)" << Qt::endl;
    out << Qt::flush;
    ReportFloor(QString::fromUtf8(floorText), import.seconds, floorSeconds, goal);
    out << "  peak memory of import: " << double(import.peakKb) / 1024.0 << " MB above the start (goal below "
        << fileMb << " MB)" << Qt::endl;
}

void ReportFloor(const QString &floorText, double importSeconds, double floorSeconds, double goal)
{
    QTextStream out(stdout);
    out << Qt::fixed;
    out.setRealNumberPrecision(2);
    out << "  floor (" << floorText << "): " << floorSeconds << " s (best of 2)" << Qt::endl;
    out << "  ratio import / floor: " << importSeconds / floorSeconds << " (goal " << goal << ")" << Qt::endl;
}

} // namespace importbench
