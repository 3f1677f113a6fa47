#include "BackupRetention.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <functional>

namespace dbserver {

namespace {

// Calendar periods as ordinal numbers: day, ISO week and month, so "the last n" is a
// difference of at most n - 1 from now's.
qint64 DayOf(const QDate &date)
{
    return date.toJulianDay();
}

qint64 WeekOf(const QDate &date)
{
    return (date.toJulianDay() - (date.dayOfWeek() - 1)) / 7;
}

qint64 MonthOf(const QDate &date)
{
    return qint64(date.year()) * 12 + date.month() - 1;
}

// For each of the last 'count' periods, the newest backup of each log in it.
void KeepNewestPerPeriod(const QList<BackupPoint> &backups, const QDate &today, int count,
                         const std::function<qint64(const QDate &)> &period, QSet<qsizetype> &keep)
{
    const qint64 current = period(today);
    QHash<std::pair<qint64, QString>, qsizetype> newest;
    for (qsizetype i = 0; i < backups.size(); ++i) {
        const qint64 p = period(backups.at(i).time.toLocalTime().date());
        if (p > current || p <= current - count)
            continue;
        const std::pair key{p, backups.at(i).log};
        const auto found = newest.constFind(key);
        if (found == newest.cend() || backups.at(*found).time < backups.at(i).time)
            newest.insert(key, i);
    }
    for (const qsizetype index : std::as_const(newest))
        keep.insert(index);
}


} // namespace

std::optional<RetentionPolicy> RetentionPolicy::FromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return std::nullopt;
    RetentionPolicy policy;
    int *const counts[] = {&policy.daily, &policy.weekly, &policy.monthly};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        *counts[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok || *counts[i] < 0)
            return std::nullopt;
    }
    return policy;
}

QList<qsizetype> BackupsToKeep(const QList<BackupPoint> &backups, const QDateTime &now, const RetentionPolicy &policy)
{
    QSet<qsizetype> keep;
    const QDate today = now.toLocalTime().date();
    KeepNewestPerPeriod(backups, today, policy.daily, DayOf, keep);
    KeepNewestPerPeriod(backups, today, policy.weekly, WeekOf, keep);
    KeepNewestPerPeriod(backups, today, policy.monthly, MonthOf, keep);
    const auto newest = std::max_element(backups.cbegin(), backups.cend(),
                                         [](const BackupPoint &a, const BackupPoint &b) { return a.time < b.time; });
    if (newest != backups.cend())
        keep.insert(newest - backups.cbegin());
    QList<qsizetype> sorted(keep.cbegin(), keep.cend());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

} // namespace dbserver
