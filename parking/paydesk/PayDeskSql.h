#pragma once

// The SQL the pay desk's grids and charts share, so that every figure of a day is summed
// over the same items, the same bounds and the same rounding.

#include <QString>
#include <QStringList>

namespace dataset {
class Query;
}

namespace paydesk {

// Items joined to their documents, as "pdi" and "pd".
QString ItemsFrom();
// The items' value with tax, each rounded to two decimals as the receipt shows it.
QString ItemTotalSum();
// Documents from :dayStart to :dayEnd, both included.
QString PeriodCondition();
// The sums of the period's items by product, and by the user who wrote the document,
// each with its total with tax ("SumItemTotal"); bind the period with BindPeriod.
QString ProductSumsStatement();
QString UserSumsStatement();
// Binds the bounds from 00:00:00 of 'firstDay' to 23:59:59 of 'lastDay' ("yyyy-MM-dd").
void BindPeriod(dataset::Query &query, const QString &firstDay, const QString &lastDay);
// The day ("yyyy-MM-dd") whose end a query of the period was bound to; empty when unbound.
QString BoundLastDay(const dataset::Query &query);

} // namespace paydesk
