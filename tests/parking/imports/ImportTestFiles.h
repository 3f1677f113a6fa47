#pragma once

#include <parking/imports/ImportError.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <future>
#include <optional>

// Writes 'bytes' to the file 'name' in 'dir' and returns its path.
inline QString WriteTestFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

// Runs 'attempt' (which may open 'fifo') on a thread of its own and returns the message of
// the ImportError it threw ("accepted" when none). Should it still run after 20 s, a writer
// opened on the FIFO releases it and the result is empty: the test fails instead of hanging.
inline std::optional<QString> RefusalWithin20s(const QString &fifo, const std::function<void()> &attempt)
{
    auto running = std::async(std::launch::async, [&attempt]() -> QString {
        try {
            attempt();
            return QStringLiteral("accepted");
        } catch (const imports::ImportError &e) {
            return e.message();
        }
    });
    if (running.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return running.get();
    QFile writer(fifo);
    if (writer.open(QIODevice::WriteOnly))
        writer.close();
    running.wait();
    return std::nullopt;
}
