#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// A program of the build run to its end, with what it wrote, for the tests of commands.
struct ProgramResult {
    int exitCode = -1;
    QString out;
    QString err;
};

inline ProgramResult RunProgram(const QString &program, const QStringList &arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs))
        qFatal("%s did not finish", qPrintable(program));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
