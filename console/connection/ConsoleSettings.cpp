#include "ConsoleSettings.h"

#include <algorithm>
#include <dataset/Error.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace console {

ConsoleSettings::ConsoleSettings(QString iniPath)
    : m_path(std::move(iniPath))
{
}

QString ConsoleSettings::DefaultPath()
{
    return QCoreApplication::applicationFilePath() + QStringLiteral(".ini");
}

QString ConsoleSettings::ReadPasswordFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw dataset::Error(
            QStringLiteral("Datoteka sa lozinkom %1 ne može da se pročita: %2").arg(path, file.errorString()));
    return QString::fromUtf8(file.readLine()).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
}

// Beside the file itself when the settings path is a link (the installed programs find
// theirs through one to /etc/parking).
QString ConsoleSettings::BesideSettings(const QString &file) const
{
    const QString real = QFileInfo(m_path).canonicalFilePath();
    return QFileInfo(real.isEmpty() ? m_path : real).dir().filePath(file);
}

std::optional<dataset::ConnectionParams> ConsoleSettings::Database() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Database"));
    dataset::ConnectionParams p;
    p.host = ini.value(QStringLiteral("host")).toString().trimmed();
    p.socket = ini.value(QStringLiteral("socket")).toString().trimmed();
    // The nodes of a cluster; the ini reader splits the list at its commas already.
    const QString hosts = ini.value(QStringLiteral("hosts")).toStringList().join(QLatin1Char(',')).trimmed();
    if (!hosts.isEmpty()) {
        try {
            p.hosts = dataset::ParseServerList(hosts);
        } catch (const dataset::Error &e) {
            throw dataset::Error(
                QStringLiteral("%1 (hosts u odeljku [Database] datoteke %2)").arg(e.message(), m_path));
        }
    }
    if (p.host.isEmpty() && p.socket.isEmpty() && p.hosts.isEmpty())
        return std::nullopt;
    p.port = ini.value(QStringLiteral("port"), 0).toUInt();
    p.user = ini.value(QStringLiteral("user")).toString();
    p.password = ini.value(QStringLiteral("password")).toString();
    // A relative password file lies beside the settings file.
    if (const QString file = ini.value(QStringLiteral("password-file")).toString().trimmed(); !file.isEmpty()) {
        const QString path = BesideSettings(file);
        try {
            p.password = ReadPasswordFile(path);
        } catch (const dataset::Error &e) {
            throw dataset::Error(
                QStringLiteral("%1 (password-file u odeljku [Database] datoteke %2)").arg(e.message(), m_path));
        }
    }
    p.database = ini.value(QStringLiteral("database"), QStringLiteral("parking")).toString();
    // Seconds a statement may wait for a server that does not answer.
    p.timeout = std::max(1u, ini.value(QStringLiteral("timeout"), p.timeout).toUInt());
    const QString tls = ini.value(QStringLiteral("ssl"), QStringLiteral("preferred")).toString();
    const auto mode = dataset::TlsModeFromText(tls);
    if (!mode)
        throw dataset::Error(QStringLiteral("Vrednost ssl=%1 u odeljku [Database] datoteke %2 nije dozvoljena "
                                            "(required, preferred ili off).")
                                 .arg(tls.trimmed(), m_path));
    p.tls = *mode;
    // A relative CA file lies beside the settings file too, wherever the program was started.
    if (const QString file = ini.value(QStringLiteral("ssl-ca")).toString().trimmed(); !file.isEmpty())
        p.tlsCaFile = BesideSettings(file);
    const QString verify = ini.value(QStringLiteral("ssl-verify"), QStringLiteral("on")).toString();
    const auto verifyOn = dataset::SwitchFromText(verify);
    if (!verifyOn)
        throw dataset::Error(QStringLiteral("Vrednost ssl-verify=%1 u odeljku [Database] datoteke %2 nije "
                                            "dozvoljena (on ili off).")
                                 .arg(verify.trimmed(), m_path));
    p.tlsVerify = *verifyOn;
    return p;
}

QString ConsoleSettings::DefaultCurrency() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    const QString currency = ini.value(QStringLiteral("Document/DefaultCurrency")).toString().trimmed();
    return currency.isEmpty() ? QStringLiteral("RSD") : currency;
}

QString ConsoleSettings::PrivateDataDir()
{
    const QString fromEnv = qEnvironmentVariable("PARKING_DATA_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir::homePath() + QStringLiteral("/.local/share/parking/db");
}

} // namespace console
