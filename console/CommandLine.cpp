#include "CommandLine.h"

#include <dataset/Error.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstring>

namespace console {

std::optional<QString> MissingDisplayMessage(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0
            || std::strncmp(argv[i], "-platform=", 10) == 0)
            return std::nullopt;
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return std::nullopt;
    return QStringLiteral(
        "Nema grafičkog prikaza: ni DISPLAY ni WAYLAND_DISPLAY nisu postavljeni.\n"
        "Pokrenite konzolu u grafičkom okruženju, ili bez ekrana, na primer:\n"
        "  %1 -platform offscreen --user admin --password-file <datoteka> --screenshot konzola.png\n"
        "  xvfb-run %1\n").arg(QString::fromLocal8Bit(argv[0]));
}

CommandLine CommandLine::Parse(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Parking konzola"));
    parser.addHelpOption();
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Datoteka podešavanja (INI)."), QStringLiteral("datoteka"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Korisničko ime za automatsku prijavu."), QStringLiteral("ime"));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("Datoteka čiji je prvi red lozinka (ili promenljiva PARKING_PASSWORD)."),
        QStringLiteral("datoteka"));
    const QCommandLineOption plugins(QStringLiteral("plugins"),
                                     QStringLiteral("Folder sa modulima."), QStringLiteral("folder"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Snimi izgled prozora u PNG datoteku i završi rad."), QStringLiteral("datoteka"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Folder privatnog servera baze."), QStringLiteral("folder"));
    parser.addOptions({config, user, passwordFile, plugins, screenshot, dataDir});
    parser.process(app);

    CommandLine result;
    result.configFile = parser.value(config);
    result.userName = parser.isSet(user) ? parser.value(user) : qEnvironmentVariable("PARKING_USER");
    result.passwordFile = parser.value(passwordFile);
    result.pluginFolder = parser.value(plugins);
    result.screenshotFile = parser.value(screenshot);
    result.dataDir = parser.value(dataDir);
    return result;
}

std::optional<QString> CommandLine::Password() const
{
    if (!passwordFile.isEmpty()) {
        QFile file(passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            throw dataset::Error(QStringLiteral("Datoteka sa lozinkom %1 ne može da se pročita: %2")
                                     .arg(passwordFile, file.errorString()));
        QString line = QString::fromUtf8(file.readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        return line;
    }
    if (qEnvironmentVariableIsSet("PARKING_PASSWORD"))
        return qEnvironmentVariable("PARKING_PASSWORD");
    return std::nullopt;
}

} // namespace console
