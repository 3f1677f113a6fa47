#include "PayDeskChartBuild.h"

#include <routines/FormatFloat.h>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QCursor>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>

namespace paydesk {

namespace {

const QString kDateShown = QStringLiteral("dd.MM.yyyy");
const char *const kMessageKey = "paydeskMessage";

std::unique_ptr<QChart> NewChart(const QString &title)
{
    auto chart = std::make_unique<QChart>();
    chart->setTitle(title);
    QFont font = chart->titleFont();
    font.setBold(true);
    chart->setTitleFont(font);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    chart->legend()->hide();
    return chart;
}

// A text over the middle of the plot, kept there when the chart is resized.
void ShowMessage(QChart &chart, const QString &message)
{
    auto *text = new QGraphicsSimpleTextItem(message, &chart);
    QFont font = chart.titleFont();
    font.setBold(false);
    text->setFont(font);
    text->setBrush(chart.titleBrush());
    text->setData(0, QLatin1String(kMessageKey));
    const auto place = [text](const QRectF &plot) { text->setPos(plot.center() - text->boundingRect().center()); };
    QObject::connect(&chart, &QChart::plotAreaChanged, &chart, place);
    place(chart.plotArea());
}

// Hovering a bar tells its name and amount; 'names' are the bars' in the set's order.
void ExplainOnHover(QBarSet &set, const QStringList &names)
{
    QObject::connect(&set, &QBarSet::hovered, &set, [&set, names](bool over, int index) {
        if (!over || index < 0 || index >= names.size()) {
            QToolTip::hideText();
            return;
        }
        QToolTip::showText(
            QCursor::pos(),
            QStringLiteral("%1: %2 RSD").arg(names[index], FormatFloat(QStringLiteral("#,##0.00"), set.at(index))));
    });
}

QString NoTakings(const ChartData &data)
{
    return QStringLiteral("Za %1 nema naplate.").arg(data.day.toString(kDateShown));
}

// An axis of amounts in dinars that always holds zero, so negative takings show below it.
QValueAxis *NewAmountAxis(double low, double high)
{
    auto *axis = new QValueAxis;
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setRange(std::min(0.0, low), std::max(high, 10.0));
    axis->applyNiceNumbers();
    return axis;
}

// The amounts as bars: at most kMostBars, the smallest beyond them summed as 'rest';
// labels made unique, since an axis keeps only the first of equal categories.
std::vector<Amount> Shown(const std::vector<Amount> &amounts, const QString &rest)
{
    std::vector<Amount> shown(amounts.begin(), amounts.begin() + std::min<size_t>(amounts.size(), kMostBars));
    if (amounts.size() > size_t(kMostBars)) {
        shown.back() = {rest, 0.0};
        for (size_t i = kMostBars - 1; i < amounts.size(); ++i)
            shown.back().value += amounts[i].value;
    }
    QStringList seen;
    for (Amount &amount : shown) {
        const QString label = amount.label;
        for (int n = 2; seen.contains(amount.label); ++n)
            amount.label = QStringLiteral("%1 (%2)").arg(label).arg(n);
        seen << amount.label;
    }
    return shown;
}

// Horizontal bars, the largest on top.
std::unique_ptr<QChart> NewRankedChart(const QString &title, const ChartData &data, const std::vector<Amount> &amounts,
                                       const QString &rest)
{
    auto chart = NewChart(title);
    if (!data.hasItems) {
        if (data.day.isValid())
            ShowMessage(*chart, NoTakings(data));
        return chart;
    }
    const std::vector<Amount> shown = Shown(amounts, rest);
    auto *set = new QBarSet(QStringLiteral("RSD"));
    auto *labels = new QBarCategoryAxis;
    double low = 0.0;
    double high = 0.0;
    for (auto amount = shown.rbegin(); amount != shown.rend(); ++amount) {
        set->append(amount->value);
        labels->append(amount->label);
        low = std::min(low, amount->value);
        high = std::max(high, amount->value);
    }
    set->setLabelColor(chart->titleBrush().color());
    ExplainOnHover(*set, labels->categories());
    auto *series = new QHorizontalBarSeries;
    series->append(set);
    series->setBarWidth(0.7);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsFormat(QStringLiteral("@value"));
    series->setLabelsPrecision(12);
    chart->addSeries(series);
    chart->addAxis(labels, Qt::AlignLeft);
    series->attachAxis(labels);
    QValueAxis *values = NewAmountAxis(low, high);
    chart->addAxis(values, Qt::AlignBottom);
    series->attachAxis(values);
    return chart;
}

} // namespace

std::unique_ptr<QChart> NewHourChart(const ChartData &data)
{
    auto chart = NewChart(QStringLiteral("Naplata po satima"));
    if (!data.hasItems) {
        if (data.day.isValid())
            ShowMessage(*chart, NoTakings(data));
        return chart;
    }
    auto *set = new QBarSet(QStringLiteral("RSD"));
    QStringList names;
    for (const double amount : data.hours) {
        names << QStringLiteral("%1-%2 h").arg(names.size()).arg(names.size() + 1);
        set->append(amount);
    }
    ExplainOnHover(*set, names);
    // Bar n stands at n; every third hour is named, so the names fit a narrow chart.
    auto *hours = new QCategoryAxis;
    hours->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    hours->setStartValue(-0.5);
    for (int hour = 0; hour < int(data.hours.size()); hour += 3)
        hours->append(QString::number(hour), hour);
    hours->setRange(-0.5, data.hours.size() - 0.5);
    hours->setTruncateLabels(false);
    auto *series = new QBarSeries;
    series->append(set);
    series->setBarWidth(0.8);
    chart->addSeries(series);
    chart->addAxis(hours, Qt::AlignBottom);
    series->attachAxis(hours);
    const auto [low, high] = std::minmax_element(data.hours.begin(), data.hours.end());
    QValueAxis *values = NewAmountAxis(*low, *high);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    return chart;
}

std::unique_ptr<QChart> NewProductChart(const ChartData &data)
{
    return NewRankedChart(QStringLiteral("Naplata po proizvodima"), data, data.products,
                          QStringLiteral("Ostali proizvodi"));
}

std::unique_ptr<QChart> NewUserChart(const ChartData &data)
{
    return NewRankedChart(QStringLiteral("Naplata po korisnicima"), data, data.users,
                          QStringLiteral("Ostali korisnici"));
}

// The daily totals as a line over day indexes (never times, so a change of daylight
// saving cannot move a point), the chosen day marked at its end.
std::unique_ptr<QChart> NewDaysChart(const ChartData &data)
{
    auto chart = NewChart(QStringLiteral("Naplata po danima, 30 dana"));
    if (!data.day.isValid())
        return chart;
    auto *line = new QLineSeries;
    line->setName(QStringLiteral("Dnevna naplata"));
    for (int index = 0; index < kLineDays; ++index)
        line->append(index, data.days[index]);
    auto *mark = new QScatterSeries;
    mark->setName(QStringLiteral("Izabrani dan"));
    mark->setMarkerSize(10);
    mark->setColor(QColor(0xe0, 0x60, 0x10));
    mark->setBorderColor(QColor(0xe0, 0x60, 0x10));
    mark->append(kLineDays - 1, data.days[kLineDays - 1]);
    chart->addSeries(line);
    chart->addSeries(mark);

    auto *days = new QCategoryAxis;
    days->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    days->setStartValue(-0.5);
    const QDate first = data.day.addDays(1 - kLineDays);
    for (int index = (kLineDays - 1) % 7; index < kLineDays; index += 7)
        days->append(first.addDays(index).toString(QStringLiteral("dd.MM.")), index);
    days->setRange(-0.5, kLineDays - 0.5);
    days->setTruncateLabels(false);
    // Room for the last day's name, which stands at the plot's right edge.
    chart->setMargins(chart->margins() + QMargins(0, 0, days->labelsFont().pointSize() * 2, 0));
    chart->addAxis(days, Qt::AlignBottom);
    const auto [low, high] = std::minmax_element(data.days.begin(), data.days.end());
    QValueAxis *values = NewAmountAxis(*low, *high);
    chart->addAxis(values, Qt::AlignLeft);
    for (QAbstractSeries *series : chart->series()) {
        series->attachAxis(days);
        series->attachAxis(values);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->show();
    if (*low == 0.0 && *high == 0.0)
        ShowMessage(
            *chart,
            QStringLiteral("Nema naplate od %1 do %2.").arg(first.toString(kDateShown), data.day.toString(kDateShown)));
    return chart;
}

QString ChartMessage(const QChart &chart)
{
    for (const QGraphicsItem *item : chart.childItems()) {
        if (item->data(0).toString() == QLatin1String(kMessageKey))
            return static_cast<const QGraphicsSimpleTextItem *>(item)->text();
    }
    return {};
}

} // namespace paydesk
