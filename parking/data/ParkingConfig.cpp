#include "ParkingConfig.h"

#include <framework/Interfaces.h>
#include <parking/shared/HostServices.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QTextStream>

QString ParkingConfigFilePath(const parking::HostServices &host)
{
    // The console may have been told to read another file (--config); it says which.
    if (const auto configuration = host.HostModule<IConfigurationModule>()) {
        const QString path = configuration->GetConfigFile();
        if (!path.isEmpty())
            return path;
    }
    const QString program = QCoreApplication::applicationFilePath();
    const QString suffix = QFileInfo(program).suffix();
    const QString base = suffix.isEmpty() ? program : program.chopped(suffix.size() + 1);
    return base + QStringLiteral(".ini");
}

QString ReadIniValue(const QString &filePath, const QString &section, const QString &key)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);

    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}
