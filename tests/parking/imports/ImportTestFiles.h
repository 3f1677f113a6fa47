#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

// Writes 'bytes' to the file 'name' in 'dir' and returns its path.
inline QString WriteTestFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}
