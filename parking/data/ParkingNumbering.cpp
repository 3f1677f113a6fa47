#include "ParkingNumbering.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <routines/FormatFloat.h>

#include <QSet>
#include <QStringList>

namespace numbering {

namespace {

QString YearSuffix(const QDateTime &date)
{
    return QLatin1Char('/') + FormatDateTime(QStringLiteral("yy"), date);
}

// The first of 'from', 'from' + 1, ... whose "n/yy" no parking document carries yet.
// Candidates are checked in batches against the unique number index, so the common case
// costs one point look-up.
qint64 FirstFreeIndex(dataset::Connection &connection, qint64 from, const QString &year)
{
    constexpr int kBatch = 32;
    QStringList names;
    for (int i = 0; i < kBatch; ++i)
        names << QStringLiteral(":n%1").arg(i);
    for (qint64 batch = from;; batch += kBatch) {
        dataset::Query taken;
        taken.SetConnection(&connection);
        taken.SetSQL({QStringLiteral("SELECT number FROM parkingdocument WHERE number IN (%1)")
                          .arg(names.join(QLatin1Char(',')))});
        for (int i = 0; i < kBatch; ++i)
            taken.SetParam(QStringLiteral("n%1").arg(i), QString::number(batch + i) + year);
        taken.Open();
        QSet<QString> used;
        for (taken.First(); !taken.Eof(); taken.Next())
            used.insert(taken.FieldByName(QStringLiteral("number")).AsString());
        for (qint64 n = batch; n < batch + kBatch; ++n)
            if (!used.contains(QString::number(n) + year))
                return n;
    }
}

bool NumberTaken(dataset::Connection &connection, const QString &number)
{
    dataset::Query taken;
    taken.SetConnection(&connection);
    taken.SetSQL({QStringLiteral("SELECT 1 FROM parkingdocument WHERE number = :number")});
    taken.SetParam(QStringLiteral("number"), number);
    taken.Open();
    return !taken.IsEmpty();
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
// counter keeps pace with the stored documents as the count did.
QString TakeParkingNumber(dataset::Connection &connection, const QDateTime &date)
{
    if (!connection.InTransaction())
        throw dataset::Error(QStringLiteral("Broj dokumenta se uzima samo pri snimanju dokumenta."));
    const QString year = YearSuffix(date);
    for (;;) {
        dataset::Query draw;
        draw.SetConnection(&connection);
        draw.SetSQL({QStringLiteral("INSERT INTO numbercounter (series, documenttype, year, warehouseid, n)"),
                     QStringLiteral("VALUES ('parkingdocument', '', 0, 0, LAST_INSERT_ID(1))"),
                     QStringLiteral("ON DUPLICATE KEY UPDATE n = LAST_INSERT_ID(n + 1)")});
        draw.ExecSQL();
        const QString number = QString::number(connection.LastInsertId()) + year;
        if (!NumberTaken(connection, number))
            return number;
    }
}

} // namespace numbering
