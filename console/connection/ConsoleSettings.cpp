#include "ConsoleSettings.h"

#include <algorithm>
#include <dataset/Error.h>

#include <QCoreApplication>
#include <QDir>
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

std::optional<dataset::ConnectionParams> ConsoleSettings::Database() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Database"));
    dataset::ConnectionParams p;
    p.host = ini.value(QStringLiteral("host")).toString().trimmed();
    p.socket = ini.value(QStringLiteral("socket")).toString().trimmed();
    if (p.host.isEmpty() && p.socket.isEmpty())
        return std::nullopt;
    p.port = ini.value(QStringLiteral("port"), 0).toUInt();
    p.user = ini.value(QStringLiteral("user")).toString();
    p.password = ini.value(QStringLiteral("password")).toString();
    p.database = ini.value(QStringLiteral("database"), QStringLiteral("parking")).toString();
    // Seconds a statement may wait for a server that does not answer.
    p.timeout = std::max(1u, ini.value(QStringLiteral("timeout"), p.timeout).toUInt());
    const QString tls = ini.value(QStringLiteral("ssl"), QStringLiteral("preferred")).toString().trimmed().toLower();
    if (tls == QLatin1String("required"))
        p.tls = dataset::TlsMode::Required;
    else if (tls == QLatin1String("off"))
        p.tls = dataset::TlsMode::Off;
    else if (tls == QLatin1String("preferred"))
        p.tls = dataset::TlsMode::Preferred;
    else
        throw dataset::Error(QStringLiteral("Vrednost ssl=%1 u odeljku [Database] datoteke %2 nije dozvoljena "
                                            "(required, preferred ili off).")
                                 .arg(tls, m_path));
    p.tlsCaFile = ini.value(QStringLiteral("ssl-ca")).toString().trimmed();
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
