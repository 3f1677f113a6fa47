#include "BackupRetention.h"

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

// For each of the last 'count' periods, the newest backup in it.
void KeepNewestPerPeriod(const QList<QDateTime> &times, const QDate &today, int count,
                         const std::function<qint64(const QDate &)> &period, QSet<qsizetype> &keep)
{
    const qint64 current = period(today);
    QHash<qint64, qsizetype> newest;
    for (qsizetype i = 0; i < times.size(); ++i) {
        const qint64 p = period(times.at(i).toLocalTime().date());
        if (p > current || p <= current - count)
            continue;
        const auto found = newest.constFind(p);
        if (found == newest.cend() || times.at(*found) < times.at(i))
            newest.insert(p, i);
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

QList<qsizetype> BackupsToKeep(const QList<QDateTime> &times, const QDateTime &now, const RetentionPolicy &policy)
{
    QSet<qsizetype> keep;
    const QDate today = now.toLocalTime().date();
    KeepNewestPerPeriod(times, today, policy.daily, DayOf, keep);
    KeepNewestPerPeriod(times, today, policy.weekly, WeekOf, keep);
    KeepNewestPerPeriod(times, today, policy.monthly, MonthOf, keep);
    if (!times.isEmpty())
        keep.insert(std::max_element(times.cbegin(), times.cend()) - times.cbegin());
    QList<qsizetype> sorted(keep.cbegin(), keep.cend());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

} // namespace dbserver
