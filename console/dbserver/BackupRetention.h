#pragma once

// Which backups to keep: the newest of each of the last days, weeks (Monday to Sunday)
// and months, counted in calendar days of local time.

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace dbserver {

struct RetentionPolicy {
    int daily = 7;
    int weekly = 4;
    int monthly = 12;
    // "7,4,12" (daily, weekly, monthly); nullopt when the text is not three counts.
    static std::optional<RetentionPolicy> FromText(const QString &text);
};

// The indexes into 'times' (one per backup) of the backups to keep at 'now', ascending.
// The newest backup is always kept, whatever the counts: the binary log copied after it
// can be replayed onto nothing else.
QList<qsizetype> BackupsToKeep(const QList<QDateTime> &times, const QDateTime &now, const RetentionPolicy &policy);

} // namespace dbserver
