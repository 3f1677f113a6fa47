#pragma once

#include <QString>
#include <optional>

class QCoreApplication;

namespace console {

// When the console would need a display that is not there (no -platform argument, no
// QT_QPA_PLATFORM, no DISPLAY or WAYLAND_DISPLAY), the text telling how to run it.
std::optional<QString> MissingDisplayMessage(int argc, char **argv);

struct CommandLine {
    QString configFile;      // --config; default: beside the executable
    QString userName;        // --user, else PARKING_USER
    QString passwordFile;    // --password-file
    QString pluginFolder;    // --plugins; default: plugins beside the executable
    QString screenshotFile;  // --screenshot: save the window as PNG and quit
    QString dataDir;         // --data-dir, else PARKING_DATA_DIR

    // Parses the application's arguments; exits with the usage text on errors.
    static CommandLine Parse(const QCoreApplication &app);

    // The password for automatic login: the first line of the password file, else
    // PARKING_PASSWORD. Nothing when neither is given. Throws when the file cannot be read.
    std::optional<QString> Password() const;
};

} // namespace console
