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

// Summed from the totals the documents keep, each the sum ItemTotalSum makes of its
// items, so the day is read from one index without the items. A document without items
// counts for no cashier, as when its items are summed; only a zero total asks for them.
QString UserSumsStatement()
{
    return QStringLiteral("SELECT CONCAT(u.firstname,' ',u.lastname) AS UserName, s.SumItemTotal\n"
                          "FROM (SELECT pd.userid, SUM(pd.itemtotal) AS SumItemTotal FROM parkingdocument AS pd\n"
                          "%1\nAND (pd.itemtotal <> 0 OR EXISTS (SELECT 1 FROM parkingdocumentitem AS pdi "
                          "WHERE pdi.parkingdocumentid = pd.parkingdocumentid))\n"
                          "GROUP BY pd.userid) AS s LEFT JOIN user AS u ON s.userid = u.userid\n"
                          "ORDER BY UserName, s.userid")
        .arg(PeriodCondition());
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
