#include "PayDeskSql.h"

#include <dataset/Query.h>
#include <parking/data/DocumentTotals.h>

namespace paydesk {

namespace {
const QLatin1String kStartTime(" 00:00:00");
const QLatin1String kEndTime(" 23:59:59");
} // namespace

QString ItemsFrom()
{
    return QStringLiteral("FROM parkingdocumentitem AS pdi LEFT JOIN parkingdocument AS pd "
                          "ON pdi.parkingdocumentid = pd.parkingdocumentid");
}

QString ItemTotalSum()
{
    return QStringLiteral("SUM(%1)").arg(ItemTotal(QStringLiteral("pdi")));
}

QString PeriodCondition()
{
    return QStringLiteral("WHERE pd.documentdatetime >= :dayStart AND pd.documentdatetime <= :dayEnd");
}

void BindPeriod(dataset::Query &query, const QString &firstDay, const QString &lastDay)
{
    query.SetParam(QStringLiteral("dayStart"), firstDay + kStartTime);
    query.SetParam(QStringLiteral("dayEnd"), lastDay + kEndTime);
}

QString BoundLastDay(const dataset::Query &query)
{
    const QString end = query.Param(QStringLiteral("dayEnd")).toString();
    return end.endsWith(kEndTime) ? end.chopped(kEndTime.size()) : QString();
}

} // namespace paydesk
