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

// One backup as the retention sees it: when it was taken and which binary log goes on
// from it (a restored data directory starts a log of its own).
struct BackupPoint {
    QDateTime time;
    QString log;
};

// The indexes into 'backups' of those to keep at 'now', ascending: per log, the newest of
// each of the last days, weeks and months. The newest backup is always kept, whatever the
// counts: the log copied after it can be replayed onto nothing else. Per log, so the only
// backup a log can be replayed onto goes only when its day, week and month are all past.
QList<qsizetype> BackupsToKeep(const QList<BackupPoint> &backups, const QDateTime &now, const RetentionPolicy &policy);

} // namespace dbserver
