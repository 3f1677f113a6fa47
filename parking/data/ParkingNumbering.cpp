#include "ParkingNumbering.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/FreeNumber.h>
#include <dataset/Query.h>
#include <routines/FormatFloat.h>

namespace numbering {

namespace {

QString YearSuffix(const QDateTime &date)
{
    return QLatin1Char('/') + FormatDateTime(QStringLiteral("yy"), date);
}

// The first of 'from', 'from' + 1, ... whose "n/yy" no parking document carries yet.
qint64 FirstFreeIndex(dataset::Connection &connection, qint64 from, const QString &year)
{
    return dataset::FirstFreeNumber(connection, QStringLiteral("parkingdocument"), QStringLiteral("number"), from,
                                    [&year](qint64 n) { return QString::number(n) + year; });
}

} // namespace

qint64 PeekParkingIndex(dataset::Connection &connection, const QDateTime &date)
{
    dataset::Query counter;
    counter.SetConnection(&connection);
    counter.SetSQL({QStringLiteral("SELECT n FROM numbercounter"),
                    QStringLiteral("WHERE series = 'parkingdocument' AND documenttype = '' AND year = 0"),
                    QStringLiteral("  AND warehouseid = 0")});
    counter.Open();
    const qint64 last = counter.IsEmpty() ? 0 : counter.Fields(0).AsLargeInt();
    return FirstFreeIndex(connection, last + 1, YearSuffix(date));
}

// Every new document advances the counter once, a number typed by hand included, so the
// counter keeps pace with the stored documents as the count did. Numbers already stored
// (written beside the counter) are passed over and the counter moves past them.
QString TakeParkingNumber(dataset::Connection &connection, const QDateTime &date)
{
    if (!connection.InTransaction())
        throw dataset::Error(QStringLiteral("Broj dokumenta se uzima samo pri snimanju dokumenta."));
    const QString year = YearSuffix(date);
    dataset::Query draw;
    draw.SetConnection(&connection);
    draw.SetSQL({QStringLiteral("INSERT INTO numbercounter (series, documenttype, year, warehouseid, n)"),
                 QStringLiteral("VALUES ('parkingdocument', '', 0, 0, LAST_INSERT_ID(1))"),
                 QStringLiteral("ON DUPLICATE KEY UPDATE n = LAST_INSERT_ID(n + 1)")});
    draw.ExecSQL();
    const qint64 drawn = connection.LastInsertId();
    const qint64 free = FirstFreeIndex(connection, drawn, year);
    if (free != drawn)
        connection.Execute(QStringLiteral("UPDATE numbercounter SET n = %1 WHERE series = 'parkingdocument' "
                                          "AND documenttype = '' AND year = 0 AND warehouseid = 0")
                               .arg(free));
    return QString::number(free) + year;
}

} // namespace numbering
