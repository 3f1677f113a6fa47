#pragma once

// parking-dbserver run as a user runs it: its exit code and everything it wrote.

#include <QProcess>
#include <QString>
#include <QStringList>

struct Run {
    int code = -1;
    QString output;
};

inline Run Dbserver(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(PARKING_DBSERVER_EXE), arguments);
    process.waitForFinished(300000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAll())};
}
