#include "FreeNumber.h"

#include "Connection.h"
#include "Query.h"

#include <QSet>
#include <QStringList>

namespace dataset {

qint64 FirstFreeNumber(Connection &connection, const QString &table, const QString &column, qint64 from,
                       const std::function<QString(qint64)> &valueOf)
{
    constexpr int kBatch = 32;
    QStringList names;
    for (int i = 0; i < kBatch; ++i)
        names << QStringLiteral(":n%1").arg(i);
    const QString sql = QStringLiteral("SELECT %2 FROM %1 WHERE %2 IN (%3)")
                            .arg(Connection::QuoteIdentifier(table), Connection::QuoteIdentifier(column),
                                 names.join(QLatin1Char(',')));
    for (qint64 batch = from;; batch += kBatch) {
        Query taken;
        taken.SetConnection(&connection);
        taken.SetSQL({sql});
        for (int i = 0; i < kBatch; ++i)
            taken.SetParam(QStringLiteral("n%1").arg(i), valueOf(batch + i));
        taken.Open();
        QSet<QString> used; // compared as the column's case-blind collation does
        for (taken.First(); !taken.Eof(); taken.Next())
            used.insert(taken.Fields(0).AsString().toCaseFolded());
        for (qint64 n = batch; n < batch + kBatch; ++n)
            if (!used.contains(valueOf(n).toCaseFolded()))
                return n;
    }
}

} // namespace dataset
