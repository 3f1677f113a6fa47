// Times log-ins against a database with the demo users: the right password, a wrong
// one, and a name that does not exist, beside the key derivation alone. The last two
// log-ins should cost what the derivation costs, so the answer's timing does not tell
// which names exist.
//
//   bench_login [--socket PATH] [--rounds N]
//
// Without --socket a private server is started in a temporary folder and stopped at
// the end.

#include <bench/common/BenchRun.h>
#include <console/Authentication.h>
#include <console/dbserver/PasswordHash.h>
#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <exception>
#include <vector>

namespace {

QTextStream out(stdout);

void Print(const QString &label, const std::function<void()> &step, int rounds)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i)
        times.push_back(bench::SecondsOf(step) * 1000);
    out << qSetFieldWidth(26) << Qt::left << label << qSetFieldWidth(0) << "median "
        << QString::number(bench::Median(times), 'f', 1) << " ms, min "
        << QString::number(*std::min_element(times.begin(), times.end()), 'f', 1) << " ms\n";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QString socket;
    int rounds = 20;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--rounds"))
            rounds = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--socket"))
            socket = arguments[i + 1];
    }
    try {
        QTemporaryDir work;
        const bench::BenchServer server(socket, QString(), work.path());
        dataset::Connection connection;
        connection.Connect(dbserver::AdministratorParams(server.Socket()));
        const QString database = QStringLiteral("bench_login");
        dbserver::DropDatabase(connection, database);
        dbserver::CreateDatabase(connection, database, true);
        // A fresh authenticator per try keeps wrong tries below the delay.
        auto logIn = [&connection](const QString &name, const QString &password) {
            return [&connection, name, password] { console::Authenticator(connection).LogIn(name, password); };
        };
        out << rounds << " rounds each:\n";
        Print(QStringLiteral("key derivation alone"),
              [] { dbserver::VerifyPassword(QStringLiteral("x"), dbserver::DecoyPasswordHash()); }, rounds);
        Print(QStringLiteral("right password"), logIn(QStringLiteral("admin"), QStringLiteral("admin123")), rounds);
        Print(QStringLiteral("wrong password"), logIn(QStringLiteral("admin"), QStringLiteral("pogresna")), rounds);
        Print(QStringLiteral("unknown name"), logIn(QStringLiteral("nepoznat"), QStringLiteral("admin123")), rounds);
        dbserver::DropDatabase(connection, database);
        out.flush();
        return 0;
    } catch (const std::exception &error) {
        QTextStream(stderr) << "bench_login: " << QString::fromUtf8(error.what()) << "\n";
        return 1;
    }
}
