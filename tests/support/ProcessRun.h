#pragma once

// A program of the project run to its end by a test, with what it printed.

#include <QString>
#include <QStringList>

struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs 'program' with 'arguments' and waits at most 'timeoutMs'; a program that does not
// start or does not end in time ends the test program (qFatal) rather than hang the run.
ProcessResult RunProcess(const QString &program, const QStringList &arguments, int timeoutMs);
