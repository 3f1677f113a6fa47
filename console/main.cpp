// The host console: opens the database, logs the user in, loads the snap-ins and
// shows them in its window.

#include "Authentication.h"
#include "BackupControl.h"
#include "CommandLine.h"
#include "ConsoleApplication.h"
#include "ErrorDisplay.h"
#include "LoginDialog.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "SnapinManager.h"
#include <console/connection/ConsoleSettings.h>
#include <console/connection/DatabaseStartup.h>
#include <console/dbserver/Backup.h>
#include <console/services/ConsoleSession.h>
#include <console/services/SecurityModule.h>
#include <dataset/Connection.h>

#include <QAction>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

using namespace console;

namespace {

void PrintError(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

// The user for this run: automatic login when a user name was given, else the dialog.
std::optional<TUserDesc> LogIn(Authenticator &authenticator, const CommandLine &options)
{
    if (!options.userName.isEmpty()) {
        const auto password = options.Password();
        if (!password) {
            PrintError(QStringLiteral("Za automatsku prijavu korisnika %1 nedostaje lozinka "
                                      "(--password-file ili PARKING_PASSWORD).").arg(options.userName));
            return std::nullopt;
        }
        const LoginResult result = authenticator.LogIn(options.userName, *password);
        if (result.status == LoginResult::Status::Accepted)
            return result.user;
        PrintError(result.status == LoginResult::Status::PasswordNotSet
                       ? QStringLiteral("Korisnik %1 još nema lozinku; postavite je pri prijavi u prozoru konzole.")
                             .arg(options.userName)
                       : QStringLiteral("Prijava nije uspela: pogrešno korisničko ime ili lozinka (%1).")
                             .arg(options.userName));
        return std::nullopt;
    }
    LoginDialog dialog(
        [&authenticator](const QString &name, const QString &password) { return authenticator.LogIn(name, password); },
        [&authenticator](int userId, const QString &newPassword, const QString &repeated) {
            authenticator.ChangePassword(userId, QString(), newPassword, repeated);
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

    Authenticator authenticator(connection);
    const auto user = LogIn(authenticator, options);
    if (!user)
        return options.userName.isEmpty() ? 0 : 3;

    ConsoleSession session(connection, settings);
    session.Security().SetCurrentUser(*user);
    if (!session.Security().AfterConnect())
        ErrorDisplay::Show(QStringLiteral("Verzija šeme baze podataka ne odgovara ovoj konzoli; "
                                          "neki delovi možda neće raditi."));

    SnapinManager snapins;
    MainWindow window(session.GetConsole(), session.Notices());
    QObject::connect(window.PasswordAction(), &QAction::triggered, &window, [&window, &authenticator, &user] {
        PasswordDialog dialog(
            [&authenticator, &user](const QString &current, const QString &newPassword, const QString &repeated) {
                authenticator.ChangePassword(user->UserID, current, newPassword, repeated);
            },
            true, &window);
        dialog.exec();
    });
    const auto showUser = [&window, &database, &connection,
                           name = user->FirstName + QLatin1Char(' ') + user->LastName] {
        window.SetUserText(QStringLiteral("%1  |  %2").arg(name, database.Description(connection)));
    };
    showUser();
    // After a lost node the connection goes on on another one; the status bar names it.
    QObject::connect(&connection, &dataset::Connection::connectedChanged, &window, showUser);
    // On the private server the console keeps its backups going (see BackupControl).
    std::unique_ptr<BackupControl> backups;
    if (!database.PrivateDataDir().isEmpty()) {
        backups = std::make_unique<BackupControl>(window, *window.FileMenu(), window.PasswordAction(),
                                                  database.PrivateDataDir(), dbserver::DefaultBackupDirectory(),
                                                  QCoreApplication::applicationDirPath() + QStringLiteral("/parking-dbserver"));
        backups->Start();
    }
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
