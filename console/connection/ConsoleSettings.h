#pragma once

#include <dataset/Connection.h>

#include <QString>
#include <optional>

namespace console {

// The console's INI file. It is also the module's configuration file, so it lives
// beside the executable as "<executable path>.ini" unless another path is given.
//
//   [Database]  host, port, socket, user, password or password-file (first line: the
//               password; relative to this file), database, timeout,
//               ssl (required | preferred | off; preferred when absent), ssl-ca (CA file,
//               relative to this file),
//               ssl-verify (on | off; on when absent: chain and host name are checked)
//   [Document]  DefaultCurrency (RSD when absent), DefWarehouseName (read by the module)
class ConsoleSettings {
public:
    explicit ConsoleSettings(QString iniPath);

    // "<application file path>.ini" (the executable has no extension to replace).
    static QString DefaultPath();

    const QString &Path() const { return m_path; }

    // The configured server, or nothing when neither host nor socket is set; then the
    // console runs its private server.
    std::optional<dataset::ConnectionParams> Database() const;
    QString DefaultCurrency() const;

    // The first line of a password file; throws dataset::Error saying why it could not
    // be read.
    static QString ReadPasswordFile(const QString &path);

    // Where the private server keeps its files: PARKING_DATA_DIR, else
    // ~/.local/share/parking/db.
    static QString PrivateDataDir();

private:
    // A relative file named in the settings: beside the settings file.
    QString BesideSettings(const QString &file) const;

    QString m_path;
};

} // namespace console
