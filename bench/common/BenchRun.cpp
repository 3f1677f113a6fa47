#include "BenchRun.h"

#include "BenchProcess.h"
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace bench {

BenchServer::BenchServer(const QString &socket, const QString &dataDir, const QString &workDir) : m_socket(socket)
{
    if (!m_socket.isEmpty())
        return;
    m_server.emplace(dataDir.isEmpty() ? QDir(workDir).filePath(QStringLiteral("db")) : dataDir);
    QTextStream(stdout) << "starting a private server in " << m_server->DataDir() << Qt::endl;
    m_server->Start();
    m_socket = m_server->SocketPath();
}

BenchServer::~BenchServer()
{
    if (m_server && !m_server->Reused())
        m_server->Stop();
}

int WidgetsMain(int argc, char *argv[], const std::function<int(ClientRunner &, const QStringList &)> &body)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ClientRunner runner;
    QApplication app(argc, argv);
    try {
        return body(runner, app.arguments());
    } catch (const dataset::Error &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    return 1;
}

double SecondsOf(const std::function<void()> &step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return double(timer.nsecsElapsed()) / 1e9;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QHash<QString, QString> ParseOptions(const QStringList &arguments, const QStringList &names)
{
    QHash<QString, QString> options;
    for (int i = 1; i < arguments.size(); i += 2) {
        const QString &name = arguments[i];
        if (!name.startsWith(QLatin1String("--")) || !names.contains(name.mid(2)))
            throw dataset::Error(QStringLiteral("Nepoznata opcija %1.").arg(name));
        if (i + 1 >= arguments.size())
            throw dataset::Error(QStringLiteral("Opcija %1 nema vrednost.").arg(name));
        options.insert(name.mid(2), arguments[i + 1]);
    }
    return options;
}

QString Scalar(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << sql;
    query.Open();
    return query.IsEmpty() ? QString() : query.Fields(0).AsString();
}

} // namespace bench
