// Times log-ins against a database with the demo users: the right password, a wrong
// one, and a name that does not exist. The last two should cost the same, so the
// answer's timing does not tell which names exist.
//
//   bench_login [--rounds N]
//
// A private server is started in a temporary folder and stopped at the end.

#include "Authentication.h"
#include "Connection.h"
#include "PasswordHash.h"
#include "PrivateServer.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <exception>
#include <vector>

namespace {

QTextStream out(stdout);

struct StopServer {
    dbserver::PrivateServer &server;
    ~StopServer()
    {
        try {
            server.Stop();
        } catch (const std::exception &) {
        }
    }
};

void Measure(dataset::Connection &connection, const QString &label, const QString &name,
             const QString &password, int rounds)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        // A fresh authenticator per try keeps wrong tries below the delay.
        console::Authenticator authenticator(connection);
        QElapsedTimer timer;
        timer.start();
        authenticator.LogIn(name, password);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    out << qSetFieldWidth(26) << Qt::left << label << qSetFieldWidth(0) << "median "
        << QString::number(times[times.size() / 2], 'f', 1) << " ms, min " << QString::number(times.front(), 'f', 1)
        << " ms, max " << QString::number(times.back(), 'f', 1) << " ms\n";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    int rounds = 20;
    for (int i = 1; i + 1 < arguments.size(); i += 2)
        if (arguments[i] == QLatin1String("--rounds"))
            rounds = std::max(1, arguments[i + 1].toInt());
    try {
        QTemporaryDir work;
        dbserver::PrivateServer server(work.filePath(QStringLiteral("db")));
        StopServer stop{server};
        server.Start();
        dataset::Connection connection;
        connection.Connect(server.ConnectionParams());
        dbserver::CreateDatabase(connection, QStringLiteral("bench_login"), true);
        out << rounds << " log-ins each:\n";
        std::vector<double> derivations;
        for (int i = 0; i < rounds; ++i) {
            QElapsedTimer timer;
            timer.start();
            dbserver::VerifyPassword(QStringLiteral("x"), dbserver::DecoyPasswordHash());
            derivations.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(derivations.begin(), derivations.end());
        out << qSetFieldWidth(26) << Qt::left << "key derivation alone" << qSetFieldWidth(0) << "median "
            << QString::number(derivations[derivations.size() / 2], 'f', 1) << " ms\n";
        Measure(connection, QStringLiteral("right password"), QStringLiteral("admin"), QStringLiteral("admin123"), rounds);
        Measure(connection, QStringLiteral("wrong password"), QStringLiteral("admin"), QStringLiteral("pogresna"), rounds);
        Measure(connection, QStringLiteral("unknown name"), QStringLiteral("nepoznat"), QStringLiteral("admin123"), rounds);
        out.flush();
        return 0;
    } catch (const std::exception &error) {
        QTextStream(stderr) << "bench_login: " << QString::fromUtf8(error.what()) << "\n";
        return 1;
    }
}
