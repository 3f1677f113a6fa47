#include "PayDeskChartData.h"

#include "PayDeskSql.h"

#include <dataset/Field.h>
#include <dataset/Query.h>

#include <algorithm>

namespace paydesk {

namespace {

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

// The rows of a summary as label and amount, largest first; 'fallback' names a row
// without a label (a document whose user is gone, a product without a name).
std::vector<Amount> Amounts(const dataset::Query &summary, const QString &labelField, const QString &fallback)
{
    std::vector<Amount> amounts;
    const int label = summary.FieldByName(labelField).Index();
    const int value = summary.FieldByName(QStringLiteral("SumItemTotal")).Index();
    for (int row = 0; row < summary.RecordCount(); ++row) {
        const QString text = summary.RowValue(row, label).toString().trimmed();
        amounts.push_back({text.isEmpty() ? fallback : text, summary.RowValue(row, value).toDouble()});
    }
    std::stable_sort(amounts.begin(), amounts.end(),
                     [](const Amount &a, const Amount &b) { return a.value > b.value; });
    return amounts;
}

} // namespace

// Summed from the totals the documents keep, each the sum the grids make of its items,
// by the hour each document was taken in: one index read in its order, no items. An
// hour lies within the bound period exactly when its documents do.
QString HoursAndDaysSql()
{
    return QStringLiteral("SELECT DATE(pd.salehour) AS SaleDay, HOUR(pd.salehour) AS SaleHour, "
                          "SUM(pd.itemtotal) AS SumItemTotal FROM parkingdocument AS pd "
                          "WHERE pd.salehour >= :dayStart AND pd.salehour <= :dayEnd GROUP BY pd.salehour");
}

ChartData LoadChartData(const dataset::Query &products, const dataset::Query &users)
{
    ChartData data;
    const QDate day = QDate::fromString(BoundLastDay(products), kDayFormat);
    if (!products.Active() || !users.Active() || !day.isValid())
        return data;
    data.day = day;
    data.hasItems = products.RecordCount() > 0;
    data.products = Amounts(products, QStringLiteral("productname"), QStringLiteral("Bez naziva"));
    data.users = Amounts(users, QStringLiteral("UserName"), QStringLiteral("Nepoznat korisnik"));

    // Hours and days come from the server's clock fields, never through a time zone:
    // a document stays in the hour and on the day its time was written with.
    const QDate first = day.addDays(1 - kLineDays);
    dataset::Query query;
    query.SetConnection(products.GetConnection());
    query.SetSQL({HoursAndDaysSql()});
    BindPeriod(query, first.toString(kDayFormat), day.toString(kDayFormat));
    query.Open();
    const dataset::Field &saleDay = query.FieldByName(QStringLiteral("SaleDay"));
    const dataset::Field &saleHour = query.FieldByName(QStringLiteral("SaleHour"));
    const dataset::Field &total = query.FieldByName(QStringLiteral("SumItemTotal"));
    for (query.First(); !query.Eof(); query.Next()) {
        const qint64 index = first.daysTo(saleDay.AsDate());
        if (index < 0 || index >= kLineDays)
            continue;
        data.days[index] += total.AsFloat();
        if (index == kLineDays - 1)
            data.hours[std::clamp(saleHour.AsInteger(), 0, 23)] += total.AsFloat();
    }
    return data;
}

} // namespace paydesk
