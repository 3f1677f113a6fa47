// parking-test-tlsserver start|stop|restart DIR: the network test servers of the CTest
// fixture 'tlsserver' (see TlsTestServer.h).

#include "TlsTestServer.h"

#include <QCoreApplication>
#include <QTextStream>

#include <exception>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        QTextStream(stderr) << "Upotreba: parking-test-tlsserver start|stop|restart DIR\n";
        return 2;
    }
    try {
        TlsTestServer server(arguments.at(2));
        const QString command = arguments.at(1);
        if (command == QLatin1String("start"))
            server.Start();
        else if (command == QLatin1String("stop"))
            server.Stop();
        else if (command == QLatin1String("restart"))
            server.Restart(TlsTestServer::Kind::Tls);
        else
            return 2;
        return 0;
    } catch (const std::exception &error) {
        QTextStream(stderr) << "parking-test-tlsserver: " << QString::fromUtf8(error.what()) << "\n";
        return 1;
    }
}
