#include "PayDeskSql.h"

#include <dataset/Query.h>
#include <parking/core/DocumentTotals.h>

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
    return QStringLiteral("SUM(%1)").arg(parking::ItemTotal(QStringLiteral("pdi")));
}

QString PeriodCondition()
{
    return QStringLiteral("WHERE pd.documentdatetime >= :dayStart AND pd.documentdatetime <= :dayEnd");
}

QString ProductSumsStatement()
{
    return QStringLiteral("SELECT pdi.productcode, pdi.productname, SUM(pdi.quantity) AS SumQuantity, %1 AS SumItemTotal, "
                          "pdi.productid, pdi.taxid, pdi.taxvalue, pdi.price, SUM(pdi.itemvalue) AS SumItemValue\n"
                          "%2\n%3\nGROUP BY pdi.productid ORDER BY pdi.productname")
        .arg(ItemTotalSum(), ItemsFrom(), PeriodCondition());
}

QString UserSumsStatement()
{
    return QStringLiteral("SELECT CONCAT(u.firstname,' ',u.lastname) AS UserName, %1 AS SumItemTotal\n"
                          "%2\nLEFT JOIN user AS u ON pd.userid = u.userid\n%3\nGROUP BY pd.userid ORDER BY UserName")
        .arg(ItemTotalSum(), ItemsFrom(), PeriodCondition());
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
