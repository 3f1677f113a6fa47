#include "../documents/DocumentsFixture.h"

#include <dataset/widgets/DBGrid.h>
#include <framework/report/PicturePrint.h>
#include <framework/report/ReportDocument.h>
#include <parking/paydesk/ParkingPayDeskUnit.h>
#include <parking/paydesk/PayDeskChartBuild.h>
#include <parking/core/DocumentTotals.h>
#include <parking/paydesk/PayDeskCharts.h>
#include <tests/support/TextFit.h>

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QGraphicsSimpleTextItem>
#include <QHorizontalBarSeries>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScatterSeries>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimeZone>
#include <QValueAxis>

#include <algorithm>
#include <numeric>

// The pay desk's charts: the same figures as its grids, hours and days by the clock the
// documents were written with, thirty days with the chosen one marked, a message for an
// empty day, the day changes they follow and the printout they go into.
class TestPayDeskCharts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void seriesEqualGrids();
    void rankedBarsSumTheRest();
    void hoursByLocalClock_data();
    void hoursByLocalClock();
    void thirtyDaysWithDayMarked();
    void emptyDayShowsMessage();
    void followsDayChange();
    void printoutHoldsChartsAndGrids();
    void textsFit_data();
    void textsFit();
};

namespace {

const QString kDay = QStringLiteral("2026-12-06");

struct Bars {
    QStringList labels;
    QList<double> values;
};

QChart &ChartOf(QWidget &form, const char *name)
{
    return *Child<QChartView>(form, name)->chart();
}

// The bars of a chart with one bar series, top (horizontal) or left first.
Bars BarsOf(QChart &chart)
{
    Bars bars;
    if (chart.series().isEmpty())
        return bars;
    auto *series = qobject_cast<QAbstractBarSeries *>(chart.series().front());
    for (QAbstractAxis *axis : chart.axes(Qt::Horizontal | Qt::Vertical, series)) {
        if (auto *categories = qobject_cast<QBarCategoryAxis *>(axis))
            bars.labels = categories->categories();
    }
    for (int i = 0; i < series->barSets().front()->count(); ++i)
        bars.values << series->barSets().front()->at(i);
    if (series->type() == QAbstractSeries::SeriesTypeHorizontalBar) {
        std::reverse(bars.labels.begin(), bars.labels.end());
        std::reverse(bars.values.begin(), bars.values.end());
    }
    return bars;
}

double Sum(const QList<double> &values)
{
    return std::accumulate(values.begin(), values.end(), 0.0);
}

// Amounts compared as the grids show them, to the para.
QString Paras(double value)
{
    return QString::number(value, 'f', 2);
}

struct ChartDesk {
    DocumentsFixture fx;
    QPointer<TParkingPayDeskForm> form = new TParkingPayDeskForm(*ParkingDM);

    ~ChartDesk() { delete form; }

    // One document at 'time' with one item of 'code'.
    void Sale(const QString &time, const QString &code, double value, int userId = 7, double quantity = 1,
              const QString &name = QString())
    {
        static int number = 0;
        static QHash<QString, int> productIds;
        const int productId = productIds.contains(code) ? productIds[code] : (productIds[code] = productIds.size() + 1);
        const qint64 id = fx.InsertDocument(QStringLiteral("G%1").arg(++number), time, userId);
        fx.connection().Execute(
            QStringLiteral("INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, "
                           "productid, productcode, productname, parkingdocumentid, ticketnumber) "
                           "VALUES (%1, %2, %3, 2, 20, %4, %5, %6, %7, 'K')")
                .arg(quantity)
                .arg(value / quantity)
                .arg(value)
                .arg(productId)
                .arg(dataset::Connection::Quote(code),
                     dataset::Connection::Quote(name.isEmpty() ? QStringLiteral("Naziv ") + code : name))
                .arg(id));
        parking::StoreDocumentTotal(fx.connection(), id);
    }
    paydesk::PayDeskCharts &Charts() { return *Child<paydesk::PayDeskCharts>(*form, "PayDeskCharts"); }
    // The grids show 'day' and the charts are drawn from them.
    void Load(const QString &day)
    {
        Child<QLineEdit>(*form, "DateEdit")->setText(day);
        TParkingPayDeskForm::LoadSummaries(*ParkingDM, day);
        Charts().Refresh();
    }
    // A grid's column as the grid holds it, in the grid's order.
    QList<QPair<QString, double>> Column(dataset::Query &query, const QString &label)
    {
        QList<QPair<QString, double>> rows;
        for (query.First(); !query.Eof(); query.Next())
            rows.append(
                {query.FieldByName(label).AsString(), query.FieldByName(QStringLiteral("SumItemTotal")).AsFloat()});
        return rows;
    }
    void ShowCharts()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        Child<QTabWidget>(*form, "PayDeskPages")->setCurrentWidget(&Charts());
    }
};

} // namespace

void TestPayDeskCharts::initTestCase()
{
    // Hours and days are checked where the clock changes for daylight saving.
    QCOMPARE(QTimeZone::systemTimeZoneId(), QByteArray("Europe/Belgrade"));
}

// Several cashiers (one without a user row) and a product returned with a negative
// quantity: every bar is the grid's row, and hours, days, products and cashiers all sum
// to the grids' total.
void TestPayDeskCharts::seriesEqualGrids()
{
    ChartDesk desk;
    desk.fx.InsertUser(7, QStringLiteral("Petar"), QStringLiteral("Petrović"));
    desk.fx.InsertUser(8, QStringLiteral("Ana"), QStringLiteral("Đurić"));
    desk.Sale(kDay + QStringLiteral(" 00:00:00"), QStringLiteral("P1"), 100);
    desk.Sale(kDay + QStringLiteral(" 08:15:00"), QStringLiteral("P1"), 100.01, 8);
    desk.Sale(kDay + QStringLiteral(" 08:45:00"), QStringLiteral("DK1200"), 1000, 8);
    desk.Sale(kDay + QStringLiteral(" 13:05:00"), QStringLiteral("P2"), 33.33, 99);
    desk.Sale(kDay + QStringLiteral(" 13:10:00"), QStringLiteral("P3"), -250, 7, -2);
    desk.Sale(kDay + QStringLiteral(" 23:59:59"), QStringLiteral("P2"), 10.05, 8);
    desk.Sale(QStringLiteral("2026-12-07 00:00:00"), QStringLiteral("P1"), 5000);
    desk.Load(kDay);

    const auto products = desk.Column(ParkingDM->ParkingPayDeskProductZQ(), QStringLiteral("productname"));
    const auto users = desk.Column(ParkingDM->ParkingPayDeskUserZQ(), QStringLiteral("UserName"));
    QCOMPARE(products.size(), 4);
    QCOMPARE(users.size(), 3);
    double gridTotal = 0;
    for (const auto &row : products)
        gridTotal += row.second;

    const Bars byProduct = BarsOf(ChartOf(*desk.form, "ProductChart"));
    QCOMPARE(byProduct.labels, (QStringList{"Naziv DK1200", "Naziv P1", "Naziv P2", "Naziv P3"})); // largest first
    for (int i = 0; i < byProduct.labels.size(); ++i) {
        const auto row = std::find_if(products.begin(), products.end(),
                                      [&](const auto &p) { return p.first == byProduct.labels[i]; });
        QCOMPARE(byProduct.values[i], row->second);
    }
    QCOMPARE(Paras(byProduct.values.back()), QStringLiteral("-300.00"));
    auto *amountAxis = qobject_cast<QValueAxis *>(ChartOf(*desk.form, "ProductChart").axes(Qt::Horizontal).front());
    QVERIFY(amountAxis->min() <= -300);

    const Bars byUser = BarsOf(ChartOf(*desk.form, "UserChart"));
    QCOMPARE(byUser.labels, (QStringList{"Ana Đurić", "Nepoznat korisnik", "Petar Petrović"}));
    for (int i = 0; i < byUser.labels.size(); ++i) {
        const QString gridName = byUser.labels[i] == QLatin1String("Nepoznat korisnik") ? QString() : byUser.labels[i];
        const auto row =
            std::find_if(users.begin(), users.end(), [&](const auto &u) { return u.first.trimmed() == gridName; });
        QVERIFY(row != users.end());
        QCOMPARE(byUser.values[i], row->second);
    }

    const Bars byHour = BarsOf(ChartOf(*desk.form, "HourChart"));
    QCOMPARE(byHour.values.size(), 24);
    auto *hourAxis = qobject_cast<QCategoryAxis *>(ChartOf(*desk.form, "HourChart").axes(Qt::Horizontal).front());
    QCOMPARE(hourAxis->categoriesLabels(), (QStringList{"0", "3", "6", "9", "12", "15", "18", "21"}));
    QCOMPARE(hourAxis->endValue(QStringLiteral("12")), 12.0);
    QCOMPARE(Paras(byHour.values[0]), QStringLiteral("120.00"));
    QCOMPARE(Paras(byHour.values[8]), QStringLiteral("1320.01"));
    QCOMPARE(Paras(byHour.values[13]), QStringLiteral("-260.00"));
    QCOMPARE(Paras(byHour.values[23]), QStringLiteral("12.06"));

    const paydesk::ChartData &data = desk.Charts().Data();
    for (const double total : {Sum(byHour.values), Sum(byProduct.values), Sum(byUser.values), data.days.back()})
        QCOMPARE(Paras(total), Paras(gridTotal));
    QCOMPARE(Paras(gridTotal), QStringLiteral("1192.07"));
}

// More products than bars: the smallest are summed into the last bar; equal names get a
// number, since an axis keeps only the first of equal labels.
void TestPayDeskCharts::rankedBarsSumTheRest()
{
    ChartDesk desk;
    for (int i = 1; i <= 11; ++i)
        desk.Sale(kDay + QStringLiteral(" 10:00:00"), QStringLiteral("P%1").arg(i), 10 * i, 7, 1,
                  i <= 2 ? QStringLiteral("Sat") : QString());
    desk.Load(kDay);
    const Bars bars = BarsOf(ChartOf(*desk.form, "ProductChart"));
    QCOMPARE(bars.labels.size(), paydesk::kMostBars);
    QCOMPARE(bars.labels.first(), QStringLiteral("Naziv P11"));
    QCOMPARE(bars.labels.last(), QStringLiteral("Ostali proizvodi"));
    QCOMPARE(Paras(bars.values.last()), Paras(1.2 * (40 + 30 + 20 + 10)));
    QCOMPARE(Paras(Sum(bars.values)), Paras(1.2 * 660));

    desk.Sale(kDay + QStringLiteral(" 11:00:00"), QStringLiteral("P1"), 5000, 7, 1, QStringLiteral("Sat"));
    desk.Load(kDay);
    const Bars renamed = BarsOf(ChartOf(*desk.form, "ProductChart"));
    QCOMPARE(renamed.labels.mid(0, 2), (QStringList{"Sat", "Naziv P11"}));
    QVERIFY(!renamed.labels.contains(QStringLiteral("Sat (2)"))); // P2 "Sat" is among the rest
    desk.Sale(kDay + QStringLiteral(" 11:00:00"), QStringLiteral("P2"), 4000, 7, 1, QStringLiteral("Sat"));
    desk.Load(kDay);
    QCOMPARE(BarsOf(ChartOf(*desk.form, "ProductChart")).labels.mid(0, 2), (QStringList{"Sat", "Sat (2)"}));
}

// A document stays in the hour its time was written with, on the days the clock skips
// an hour (2026-03-29) and repeats one (2026-10-25).
void TestPayDeskCharts::hoursByLocalClock_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QList<int>>("hours");
    QTest::newRow("clock forward") << "2026-03-29"
                                   << QStringList{"2026-03-28 23:59:59", "2026-03-29 00:30:00", "2026-03-29 01:59:59",
                                                  "2026-03-29 02:30:00", "2026-03-29 03:00:00", "2026-03-29 03:30:00",
                                                  "2026-03-29 23:59:59", "2026-03-30 00:00:00"}
                                   << QList<int>{-1, 0, 1, 2, 3, 3, 23, -1};
    QTest::newRow("clock back") << "2026-10-25"
                                << QStringList{"2026-10-25 01:30:00", "2026-10-25 02:10:00", "2026-10-25 02:50:00",
                                               "2026-10-25 03:00:00", "2026-10-25 23:00:00"}
                                << QList<int>{1, 2, 2, 3, 23};
}

void TestPayDeskCharts::hoursByLocalClock()
{
    QFETCH(QString, day);
    QFETCH(QStringList, times);
    QFETCH(QList<int>, hours);
    ChartDesk desk;
    QList<double> expected(24, 0.0);
    for (qsizetype i = 0; i < times.size(); ++i) {
        desk.Sale(times[i], QStringLiteral("P1"), 100 * (i + 1));
        if (hours[i] >= 0)
            expected[hours[i]] += 120 * (i + 1);
    }
    desk.Load(day);
    const Bars bars = BarsOf(ChartOf(*desk.form, "HourChart"));
    QCOMPARE(bars.values, expected);
    QCOMPARE(desk.Charts().Data().days.back(), Sum(expected));
}

// Thirty points, one a day up to the chosen day, zero where nothing was taken, across a
// change of the clock; the chosen day is marked at the end and named on the axis.
void TestPayDeskCharts::thirtyDaysWithDayMarked()
{
    ChartDesk desk;
    desk.Sale(QStringLiteral("2026-03-11 23:59:59"), QStringLiteral("P1"), 1000); // the day before the line
    desk.Sale(QStringLiteral("2026-03-12 00:00:00"), QStringLiteral("P1"), 100);
    desk.Sale(QStringLiteral("2026-03-29 02:30:00"), QStringLiteral("P1"), 50);
    desk.Sale(QStringLiteral("2026-03-29 23:00:00"), QStringLiteral("P1"), 50);
    desk.Sale(QStringLiteral("2026-04-10 12:00:00"), QStringLiteral("P1"), 10);
    desk.Sale(QStringLiteral("2026-04-11 00:00:00"), QStringLiteral("P1"), 1000); // the day after
    desk.Load(QStringLiteral("2026-04-10"));
    QChart &chart = ChartOf(*desk.form, "DaysChart");
    QCOMPARE(chart.series().size(), 2);
    auto *line = qobject_cast<QLineSeries *>(chart.series()[0]);
    auto *mark = qobject_cast<QScatterSeries *>(chart.series()[1]);
    QVERIFY(line && mark);
    QCOMPARE(line->count(), paydesk::kLineDays);
    QList<QPointF> expected;
    for (int i = 0; i < paydesk::kLineDays; ++i)
        expected << QPointF(i, i == 0 ? 120 : i == 17 ? 120 : i == 29 ? 12 : 0);
    QCOMPARE(line->points(), expected);
    QCOMPARE(mark->points(), QList<QPointF>{QPointF(29, 12)});
    QCOMPARE(mark->name(), QStringLiteral("Izabrani dan"));
    auto *days = qobject_cast<QCategoryAxis *>(chart.axes(Qt::Horizontal).front());
    QCOMPARE(days->categoriesLabels().last(), QStringLiteral("10.04."));
    QCOMPARE(days->endValue(days->categoriesLabels().last()), 29.0);
    QCOMPARE(days->categoriesLabels().first(), QStringLiteral("13.03."));
    QCOMPARE(paydesk::ChartMessage(chart), QString());
}

// A day without takings: empty charts that say so; the line still shows the month.
void TestPayDeskCharts::emptyDayShowsMessage()
{
    ChartDesk desk;
    desk.Sale(QStringLiteral("2026-12-04 09:00:00"), QStringLiteral("P1"), 100);
    desk.Load(QStringLiteral("2026-12-07"));
    for (const char *name : {"HourChart", "ProductChart", "UserChart"}) {
        QChart &chart = ChartOf(*desk.form, name);
        QVERIFY2(chart.series().isEmpty(), name);
        QCOMPARE(paydesk::ChartMessage(chart), QStringLiteral("Za 07.12.2026 nema naplate."));
    }
    QChart &days = ChartOf(*desk.form, "DaysChart");
    QCOMPARE(paydesk::ChartMessage(days), QString());
    QCOMPARE(qobject_cast<QLineSeries *>(days.series()[0])->at(26).y(), 120.0);

    desk.Load(QStringLiteral("2027-02-01"));
    QCOMPARE(paydesk::ChartMessage(ChartOf(*desk.form, "DaysChart")),
             QStringLiteral("Nema naplate od 03.01.2027 do 01.02.2027."));
    // The message stays over the plot when the chart is drawn at another size.
    desk.ShowCharts();
    QChart &hours = ChartOf(*desk.form, "HourChart");
    const QList<QGraphicsItem *> items = hours.childItems();
    const auto message = std::find_if(items.begin(), items.end(), [](QGraphicsItem *item) {
        const auto *text = dynamic_cast<QGraphicsSimpleTextItem *>(item);
        return text && text->text() == QLatin1String("Za 01.02.2027 nema naplate.");
    });
    QVERIFY(message != items.end());
    QVERIFY(hours.plotArea().contains((*message)->mapRectToParent((*message)->boundingRect()).center()));
    GrabIfAsked(desk.form, QStringLiteral("blagajna-grafikoni-prazno"));
}

// The charts follow the grids' day as it is typed, once the charts are shown; while
// hidden they are only read when shown again.
void TestPayDeskCharts::followsDayChange()
{
    ChartDesk desk;
    desk.Sale(QStringLiteral("2026-11-06 08:00:00"), QStringLiteral("P6"), 60);
    desk.Sale(QStringLiteral("2026-11-07 09:00:00"), QStringLiteral("P7"), 70);
    desk.ShowCharts();
    auto *box = Child<QLineEdit>(*desk.form, "DateEdit");
    box->setText(QStringLiteral("2026-11-07"));
    Q_EMIT box->editingFinished();
    QTRY_COMPARE(desk.Charts().Data().day, QDate(2026, 11, 7));
    QCOMPARE(BarsOf(ChartOf(*desk.form, "ProductChart")).labels, QStringList{"Naziv P7"});

    Child<QTabWidget>(*desk.form, "PayDeskPages")->setCurrentIndex(0);
    box->setText(QStringLiteral("2026-11-06"));
    Q_EMIT box->editingFinished();
    QTest::qWait(20);
    QCOMPARE(desk.Charts().Data().day, QDate(2026, 11, 7));
    Child<QTabWidget>(*desk.form, "PayDeskPages")->setCurrentIndex(1);
    QCOMPARE(desk.Charts().Data().day, QDate(2026, 11, 6));
    QCOMPARE(BarsOf(ChartOf(*desk.form, "HourChart")).values[8], 72.0);
    QVERIFY(TestApplication::instance()->errors.isEmpty());
}

// The printout: the four charts as pictures, then both grids, written as PDF.
void TestPayDeskCharts::printoutHoldsChartsAndGrids()
{
    ChartDesk desk;
    QTemporaryDir reports;
    qputenv("PARKING_REPORT_DIR", reports.path().toUtf8());
    desk.fx.InsertUser(7, QStringLiteral("Petar"), QStringLiteral("Petrović"));
    desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("P1"), 1000);
    desk.Sale(kDay + QStringLiteral(" 17:00:00"), QStringLiteral("P2"), 50);
    desk.Load(kDay);
    desk.Sale(kDay + QStringLiteral(" 18:00:00"), QStringLiteral("P3"), 5);
    TParkingPayDeskForm::LoadSummaries(*ParkingDM, kDay); // the hidden charts are now stale

    const QList<QImage> pictures = desk.Charts().Pictures(QSize(640, 300));
    QCOMPARE(pictures.size(), 4);
    for (const QImage &picture : pictures) {
        QCOMPARE(picture.deviceIndependentSize(), QSizeF(640, 300));
        QSet<QRgb> colours; // bars, axes and texts drawn, not a blank page
        for (int y = 0; y < picture.height(); y += 7)
            for (int x = 0; x < picture.width(); x += 7)
                colours.insert(picture.pixel(x, y));
        QVERIFY(colours.size() > 3);
    }
    if (const QString dir = qEnvironmentVariable("PARKING_GRAB_DIR"); !dir.isEmpty()) {
        QList<ReportPicture> shown;
        for (const QImage &picture : pictures)
            shown.push_back({picture});
        const auto page = PictureReport(QStringLiteral("Blagajna 06.12.2026 - Grafikoni"), QString(), shown, QString());
        for (int i = 0; i < page->pageCount(); ++i)
            ReportPageImage(*page, i, 110)
                .save(QDir(dir).filePath(QStringLiteral("blagajna-grafikoni-stampa-%1.png").arg(i + 1)));
    }
    Child<QPushButton>(*desk.form, "PrintChartsButton")->click();
    QCoreApplication::processEvents();
    QVERIFY2(TestApplication::instance()->errors.isEmpty(), qPrintable(TestApplication::instance()->errors.join('\n')));
    QCOMPARE(desk.Charts().Data().products.size(), std::size_t(3)); // drawn again before printing
    const QStringList files = QDir(reports.path()).entryList({QStringLiteral("*.pdf")});
    QCOMPARE(files.size(), 1);
    QVERIFY2(files.front().startsWith(QStringLiteral("Blagajna_06_12_2026_-_Grafikoni")), qPrintable(files.front()));
    QFile pdf(reports.filePath(files.front()));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Subtype /Image"), 4);
    qunsetenv("PARKING_REPORT_DIR");
}

// The charts' page at the desktop's 100 % and 150 % text sizes: its texts fit, and so do
// the charts' titles.
void TestPayDeskCharts::textsFit_data()
{
    QTest::addColumn<qreal>("points");
    QTest::newRow("100 %") << qreal(9);
    QTest::newRow("150 %") << qreal(13.5);
}

void TestPayDeskCharts::textsFit()
{
    QFETCH(qreal, points);
    const QFont original = QApplication::font();
    QFont font = original;
    font.setPointSizeF(points);
    QApplication::setFont(font);
    {
        ChartDesk desk;
        desk.fx.InsertUser(7, QStringLiteral("Petar"), QStringLiteral("Petrović"));
        desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("DK1200"), 1000, 7, 1,
                  QStringLiteral("Doplatna karta za zonu I"));
        desk.Sale(kDay + QStringLiteral(" 09:00:00"), QStringLiteral("P60"), 50, 8, 1, QStringLiteral("Parking sat"));
        desk.Sale(kDay + QStringLiteral(" 10:00:00"), QStringLiteral("P61"), -100, 7, -1, QStringLiteral("Storno"));
        desk.Sale(QStringLiteral("2026-12-01 10:00:00"), QStringLiteral("P60"), 700);
        desk.Load(kDay);
        desk.ShowCharts();
        QTest::qWait(20);
        QStringList cut = textfit::Cut(*desk.form);
        for (const char *name : {"HourChart", "ProductChart", "UserChart", "DaysChart"}) {
            const QChartView *view = Child<QChartView>(*desk.form, name);
            const int need = QFontMetrics(view->chart()->titleFont()).horizontalAdvance(view->chart()->title());
            if (need > view->width())
                cut << QStringLiteral("%1: title needs %2 px, has %3")
                           .arg(QLatin1String(name))
                           .arg(need)
                           .arg(view->width());
        }
        GrabIfAsked(desk.form, QStringLiteral("blagajna-grafikoni-%1").arg(points));
        QApplication::setFont(original);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }
    QApplication::setFont(original);
}

PARKING_TEST_MAIN(TestPayDeskCharts)
#include "tst_PayDeskCharts.moc"
