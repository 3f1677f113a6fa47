// The host console: opens the database, logs the user in, loads the snap-ins and
// shows them in its window.

#include "Authentication.h"
#include "CommandLine.h"
#include "Connection.h"
#include "ConsoleApplication.h"
#include "ConsoleSession.h"
#include "ConsoleSettings.h"
#include "DatabaseStartup.h"
#include "ErrorDisplay.h"
#include "LoginDialog.h"
#include "MainWindow.h"
#include "SecurityModule.h"
#include "SnapinManager.h"

#include <QTimer>
#include <cstdio>

using namespace console;

namespace {

void PrintError(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

// The user for this run: automatic login when a user name was given, else the dialog.
std::optional<TUserDesc> LogIn(dataset::Connection &connection, const CommandLine &options)
{
    if (!options.userName.isEmpty()) {
        const auto password = options.Password();
        if (!password) {
            PrintError(QStringLiteral("Za automatsku prijavu korisnika %1 nedostaje lozinka "
                                      "(--password-file ili PARKING_PASSWORD).").arg(options.userName));
            return std::nullopt;
        }
        auto user = Authenticate(connection, options.userName, *password);
        if (!user)
            PrintError(QStringLiteral("Prijava nije uspela: pogrešno korisničko ime ili lozinka (%1).")
                           .arg(options.userName));
        return user;
    }
    LoginDialog dialog([&connection](const QString &name, const QString &password) {
        return Authenticate(connection, name, password);
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.User();
}

int Run(ConsoleApplication &app)
{
    const CommandLine options = CommandLine::Parse(app);
    // Without a screen nobody could close an error box: errors go to stderr.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        ErrorDisplay::SetSink(&PrintError);

    const ConsoleSettings settings(options.configFile.isEmpty() ? ConsoleSettings::DefaultPath()
                                                                : options.configFile);
    DatabaseStartup database;   // outlives the connection: the server stops last
    dataset::Connection connection;
    database.Open(connection, settings,
                  options.dataDir.isEmpty() ? ConsoleSettings::PrivateDataDir() : options.dataDir);

    const auto user = LogIn(connection, options);
    if (!user)
        return options.userName.isEmpty() ? 0 : 3;

    ConsoleSession session(connection, settings);
    session.Security().SetCurrentUser(*user);
    if (!session.Security().AfterConnect())
        ErrorDisplay::Show(QStringLiteral("Verzija šeme baze podataka ne odgovara ovoj konzoli; "
                                          "neki delovi možda neće raditi."));

    SnapinManager snapins;
    MainWindow window(session.GetConsole(), session.Notices());
    window.SetUserText(QStringLiteral("%1 %2  |  %3").arg(user->FirstName, user->LastName,
                                                          database.Description()));
    snapins.LoadFolder(options.pluginFolder.isEmpty() ? SnapinManager::DefaultFolder()
                                                      : options.pluginFolder,
                       session.ConsoleInterface());
    window.ShowSnapins(snapins);
    window.show();

    if (!options.screenshotFile.isEmpty()) {
        QTimer::singleShot(700, &window, [&window, &options] {
            if (!window.grab().save(options.screenshotFile))
                PrintError(QStringLiteral("Slika prozora nije sačuvana u %1.").arg(options.screenshotFile));
            window.close();
        });
    }
    const int result = app.exec();
    // Snap-ins go first, while the console and its connection still exist.
    window.ShutdownSnapins();
    snapins.StopAll();
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (const auto message = MissingDisplayMessage(argc, argv)) {
        std::fputs(message->toUtf8().constData(), stderr);
        return 2;
    }
    ConsoleApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("parking-console"));
    QCoreApplication::setOrganizationName(QStringLiteral("parking"));
    try {
        return Run(app);
    } catch (...) {
        ErrorDisplay::Show(ErrorDisplay::MessageOf(std::current_exception()));
        return 1;
    }
}
