#include "../documents/DocumentsFixture.h"

#include <dataset/MemoryRows.h>
#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DBNavigator.h>
#include <framework/Interfaces.h>
#include <parking/documents/ParkingDetailUnit.h>
#include <parking/documents/ParkingViewerUnit.h>
#include <parking/history/ParkingVehicleHistoryUnit.h>
#include <parking/history/TimeAxis.h>
#include <parking/history/TimeLine.h>
#include <parking/history/VehicleHistory.h>
#include <parking/imports/ParkingStartStopUnit.h>
#include <parking/imports/StartStopImportJob.h>

#include <QAction>
#include <QFile>
#include <QGraphicsEllipseItem>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

using history::EventKind;
using history::TicketState;

// "Istorija vozila": what is read for a registration, how the time line draws it, and the
// window that pairs the line with its table.
class TestParkingVehicleHistory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void eventsOfOneVehicle();
    void documentTotalWithTax();
    void plateTypedAnyHow_data();
    void plateTypedAnyHow();
    void timeLineDrawsMarksBarsAndJoins();
    void zoomKeepsCalendarDays();
    void emptyHistorySaysSo();
    void rowAndMarkSelectEachOther();
    void doubleClickOpensTicketLine();
    void openedFromListAndEditor();
    void openedFromStartStopWindow();
    void printoutCarriesPicture();
    void axisEndsOnClockChangeNights_data();
    void axisEndsOnClockChangeNights();
    void clockChangeDaysDrawnRight_data();
    void clockChangeDaysDrawnRight();
    void windowOnClockChangeNights_data();
    void windowOnClockChangeNights();
    void editorKeepsItsDocument();
    void grab();
};

namespace {

// NS 77-88 in March 2026 (summer time begins on the 29th): ticket T1 open, T2 paid by
// document 5/26, T3 cancelled, T4 paid on document 6/26 written for another registration,
// subscriptions PR-1 (1st-31st) and PR-2 (15th-14th April) overlapping; another vehicle's
// ticket and document besides.
struct Vehicle {
    DocumentsFixture fx;
    qint64 paidDocument = 0;
    qint64 foreignDocument = 0;

    Vehicle()
    {
        Ticket("T1", "2026-03-10 10:00:00", "NS7788", 2);
        Ticket("T2", "2026-03-11 08:15:00", "NS 77-88", 2);
        Ticket("T3", "2026-03-29 12:00:00", "ns7788", 5);
        Ticket("T4", "2026-03-02 07:00:00", "NS7788", 1);
        Ticket("T9", "2026-03-12 11:00:00", "BG1234", 2);
        Subscription("PR-1", "2026-03-01", "2026-03-31", "Pretplatna Crvena zona - mesecna");
        Subscription("PR-2", "2026-03-15", "2026-04-14", "Pretplatna Zelena zona - mesecna");
        Subscription("PR-9", "2026-03-15", "2026-04-14", "Pretplatna Zelena zona - mesecna", "BG1234");
        paidDocument = Document("5/26", "2026-03-12 09:30:00", "NS", "77-88");
        fx.InsertItem(paidDocument, 1200, 200, QStringLiteral("DK"), QStringLiteral("T2"));
        fx.InsertItem(paidDocument, 300, 50, QStringLiteral("P1"), QStringLiteral(""));
        foreignDocument = Document("6/26", "2026-03-03 09:00:00", "BG", "1234");
        fx.InsertItem(foreignDocument, 1200, 200, QStringLiteral("DK"), QStringLiteral("T4"));
        Document("7/26", "2026-03-12 10:00:00", "BG", "1234");
    }

    void Ticket(const char *number, const char *issued, const char *registration, int status)
    {
        fx.connection().Execute(
            QStringLiteral("INSERT INTO parkingticket (ticketdate, ticketnumber, zone, regcitynumber, ticketprice, "
                           "status) VALUES (%1, %2, 1, %3, 1200, %4)")
                .arg(dataset::Connection::Quote(QLatin1String(issued)),
                     dataset::Connection::Quote(QLatin1String(number)),
                     dataset::Connection::Quote(QLatin1String(registration)))
                .arg(status));
    }
    void Subscription(const char *number, const char *from, const char *to, const char *zone,
                      const char *registration = "NS-7788")
    {
        fx.connection().Execute(
            QStringLiteral("INSERT INTO parkingsubscription (subscriptionfromdate, subscriptiontodate, "
                           "subscriptionnumber, regcitynumber, zone) VALUES (%1, %2, %3, %4, %5)")
                .arg(dataset::Connection::Quote(QLatin1String(from)), dataset::Connection::Quote(QLatin1String(to)),
                     dataset::Connection::Quote(QLatin1String(number)),
                     dataset::Connection::Quote(QLatin1String(registration)),
                     dataset::Connection::Quote(QLatin1String(zone))));
    }
    qint64 Document(const char *number, const char *time, const char *city, const char *reg)
    {
        fx.connection().Execute(
            QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber, userid) "
                           "VALUES (%1, %2, %3, %4, 7)")
                .arg(dataset::Connection::Quote(QLatin1String(number)), dataset::Connection::Quote(QLatin1String(time)),
                     dataset::Connection::Quote(QLatin1String(city)), dataset::Connection::Quote(QLatin1String(reg))));
        return fx.connection().LastInsertId();
    }
};

// A start-stop table as the start-stop window loads it: one period of the vehicle (its
// registration written in lower case with a dash) and one of another.
std::unique_ptr<dataset::Query> StartStopTable()
{
    dataset::MemoryRows rows(imports::StartStopFields());
    const auto row = [&rows](const char *registration, const QDateTime &start, const QDateTime &stop) {
        const QVariant values[] = {QStringLiteral("Firma d.o.o."),
                                   QString(),
                                   QString(),
                                   QString(),
                                   QString(),
                                   QString(),
                                   QString(),
                                   QLatin1String(registration),
                                   QStringLiteral("Zona I"),
                                   start,
                                   stop};
        rows.Append(values);
    };
    row("ns-7788", QDateTime(QDate(2026, 3, 20), QTime(8, 0)), QDateTime(QDate(2026, 3, 20), QTime(17, 30)));
    row("BG1234", QDateTime(QDate(2026, 3, 21), QTime(8, 0)), QDateTime(QDate(2026, 3, 21), QTime(9, 0)));
    auto table = std::make_unique<dataset::Query>();
    table->OpenInMemory(std::move(rows));
    return table;
}

QString Sequence(const history::VehicleHistory &history)
{
    QStringList numbers;
    for (const history::Event &event : history.events)
        numbers << (event.kind == EventKind::StartStop ? QStringLiteral("SS") : event.number);
    return numbers.join(u' ');
}

int IndexOf(const history::VehicleHistory &history, const QString &number)
{
    for (int i = 0; i < int(history.events.size()); ++i) {
        if (history.events[i].number == number)
            return i;
    }
    return -1;
}

QColor BrushOf(const QGraphicsItem *item)
{
    return static_cast<const QAbstractGraphicsShapeItem *>(item)->brush().color();
}

// The nights the clock changes in Belgrade: in spring 02:00 becomes 03:00, in autumn
// 03:00 becomes 02:00 again.
const QDate kSpring(2026, 3, 29);
const QDate kAutumn(2026, 10, 25);

// A wall-clock reading, placed as the axis places it (never an invalid local time).
QDateTime Wall(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

// Every width of a day the wheel reaches (a notch is 1.25 times, between the time
// line's limits), and one day on 'viewWidth' pixels as "Dan" shows it.
std::vector<double> ZoomSteps(double viewWidth)
{
    std::vector<double> widths{viewWidth, 48000.0};
    for (double width = 0.05; width < 48000.0; width *= 1.25)
        widths.push_back(width);
    return widths;
}

// Runs 'work' on a thread of its own and waits at most 'limit' for it: a loop that never
// ends fails the test instead of hanging it (the stuck thread is left behind).
bool FinishesWithin(std::function<void()> work, std::chrono::seconds limit)
{
    const auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([work = std::move(work), done] {
        work();
        *done = true;
    }).detach();
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!*done && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return *done;
}

QStringList Labels(const std::vector<history::Tick> &ticks)
{
    QStringList labels;
    for (const history::Tick &tick : ticks)
        labels << tick.label;
    return labels;
}

} // namespace

// The clock-change nights are Belgrade's however the test is started.
void TestParkingVehicleHistory::initTestCase()
{
    qputenv("TZ", "Europe/Belgrade");
    tzset();
    QCOMPARE(QDateTime(kSpring, QTime(1, 0)).secsTo(QDateTime(kSpring, QTime(4, 0))), 2 * 3600);
}

// Every kind of event, newest first, with the states, items and the joins of paid tickets;
// other vehicles stay out except the document that paid one of this vehicle's tickets.
void TestParkingVehicleHistory::eventsOfOneVehicle()
{
    Vehicle vehicle;
    const auto startStop = StartStopTable();
    const history::VehicleHistory history =
        history::LoadVehicleHistory(vehicle.fx.connection(), QStringLiteral("NS 77-88"), startStop.get());
    QCOMPARE(history.plate, QStringLiteral("NS7788"));
    QCOMPARE(Sequence(history), QStringLiteral("T3 SS PR-2 5/26 T2 T1 6/26 T4 PR-1"));

    const auto &events = history.events;
    QCOMPARE(events[IndexOf(history, "T1")].state, TicketState::Open);
    QCOMPARE(events[IndexOf(history, "T2")].state, TicketState::Paid);
    QCOMPARE(events[IndexOf(history, "T3")].state, TicketState::Cancelled);
    QCOMPARE(events[IndexOf(history, "T4")].state, TicketState::Paid);

    // Each paid ticket is joined to the document that paid it, wherever it was written.
    QCOMPARE(history.joins.size(), std::size_t(2));
    for (const history::Join &join : history.joins) {
        const QString pair = events[join.ticket].number + u'>' + events[join.document].number;
        QVERIFY2(pair == QStringLiteral("T2>5/26") || pair == QStringLiteral("T4>6/26"), qPrintable(pair));
    }

    // The document carries its items and total; the paid ticket names its document.
    const history::Event &document = events[IndexOf(history, "5/26")];
    QCOMPARE(document.amount, 4050.0);
    QVERIFY2(document.details.contains(QStringLiteral("Ukupno: 4,050.00")), qPrintable(document.details));
    QVERIFY2(document.details.contains(QStringLiteral("= 3,600.00 (karta T2)")), qPrintable(document.details));
    QVERIFY2(document.details.contains(QStringLiteral("(karta T2)")), qPrintable(document.details));
    QVERIFY(events[IndexOf(history, "T2")].details.contains(QStringLiteral("Plaćena dokumentom 5/26")));

    // Subscriptions end after their last calendar day; the label names zone and number.
    const history::Event &first = events[IndexOf(history, "PR-1")];
    QCOMPARE(first.start, QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
    QCOMPARE(first.end, QDateTime(QDate(2026, 4, 1), QTime(0, 0)));
    QCOMPARE(first.label, QStringLiteral("Zona I · PR-1"));
    QCOMPARE(events[IndexOf(history, "PR-2")].label, QStringLiteral("Zona II · PR-2"));

    const history::Event &period = events[1];
    QCOMPARE(period.kind, EventKind::StartStop);
    QCOMPARE(period.end, QDateTime(QDate(2026, 3, 20), QTime(17, 30)));

    // Without the start-stop table there is no period.
    QCOMPARE(Sequence(history::LoadVehicleHistory(vehicle.fx.connection(), QStringLiteral("NS7788"))),
             QStringLiteral("T3 PR-2 5/26 T2 T1 6/26 T4 PR-1"));
}

void TestParkingVehicleHistory::plateTypedAnyHow_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("joined") << QStringLiteral("NS7788");
    QTest::newRow("blanks and dash") << QStringLiteral(" ns 77-88 ");
    QTest::newRow("lower case, tab") << QStringLiteral("ns\t7788");
    QTest::newRow("dashes") << QStringLiteral("NS-77-88");
}

// However the plate is typed, the same eight events come back (values bound, so a quote
// typed in is only a character).
void TestParkingVehicleHistory::plateTypedAnyHow()
{
    QFETCH(QString, typed);
    Vehicle vehicle;
    QCOMPARE(Sequence(history::LoadVehicleHistory(vehicle.fx.connection(), typed)),
             QStringLiteral("T3 PR-2 5/26 T2 T1 6/26 T4 PR-1"));
    QVERIFY(history::LoadVehicleHistory(vehicle.fx.connection(), QStringLiteral("NS' OR '1'='1")).events.empty());
}

// Marks, bars, lanes and joins on the scene, placed by calendar days.
void TestParkingVehicleHistory::timeLineDrawsMarksBarsAndJoins()
{
    Vehicle vehicle;
    const auto startStop = StartStopTable();
    history::TimeLine line;
    line.resize(900, 300);
    line.show();
    line.SetHistory(history::LoadVehicleHistory(vehicle.fx.connection(), QStringLiteral("NS7788"), startStop.get()));
    line.SetDayWidth(20);
    const history::VehicleHistory &h = line.History();

    // Tickets are dots coloured by state, three states three colours; documents are not dots.
    const auto dot = [&](const char *number) {
        return qgraphicsitem_cast<QGraphicsEllipseItem *>(line.Mark(IndexOf(h, QLatin1String(number))));
    };
    QVERIFY(dot("T1") && dot("T2") && dot("T3"));
    QVERIFY(!dot("5/26"));
    QCOMPARE(BrushOf(dot("T2")), BrushOf(dot("T4")));
    QCOMPARE(QSet<QRgb>({BrushOf(dot("T1")).rgb(), BrushOf(dot("T2")).rgb(), BrushOf(dot("T3")).rgb()}).size(), 3);
    QVERIFY(dot("T1")->toolTip().contains(QStringLiteral("Doplatna karta T1")));

    // A bar is as wide as its calendar days, across the change to summer time too.
    const auto bar = [&](const QString &number) {
        return qgraphicsitem_cast<QGraphicsRectItem *>(line.Mark(IndexOf(h, number)));
    };
    QGraphicsRectItem *pr1 = bar(QStringLiteral("PR-1"));
    QGraphicsRectItem *pr2 = bar(QStringLiteral("PR-2"));
    QVERIFY(pr1 && pr2);
    QCOMPARE(pr1->rect().width(), 31 * 20.0);
    QCOMPARE(pr2->pos().x() - pr1->pos().x(), 14 * 20.0);
    QCOMPARE(dot("T3")->pos().x() - pr1->pos().x(), 28.5 * 20.0);
    QStringList labels;
    for (QGraphicsItem *child : pr1->childItems())
        labels << static_cast<QGraphicsSimpleTextItem *>(child)->text();
    QCOMPARE(labels, QStringList{QStringLiteral("Zona I · PR-1")});

    // Overlapping subscriptions take two lanes; start-stop has one of its own below them.
    const int lane1 = line.Lane(IndexOf(h, QStringLiteral("PR-1")));
    const int lane2 = line.Lane(IndexOf(h, QStringLiteral("PR-2")));
    QVERIFY(lane1 != lane2 && lane1 >= 2 && lane2 >= 2);
    QCOMPARE(line.Lane(1), std::max(lane1, lane2) + 1);
    QVERIFY(pr1->pos().y() != pr2->pos().y());

    // Each join runs from the ticket's mark to its document's mark.
    QCOMPARE(line.JoinLines().size(), std::size_t(2));
    for (const history::Join &join : h.joins) {
        const auto found = std::ranges::find_if(line.JoinLines(), [&](QGraphicsLineItem *item) {
            return item->line().p1() == line.Mark(join.ticket)->pos()
                && item->line().p2() == line.Mark(join.document)->pos();
        });
        QVERIFY(found != line.JoinLines().end());
    }
}

// Day, month and year fill the view; the wheel zooms in around the pointer.
void TestParkingVehicleHistory::zoomKeepsCalendarDays()
{
    Vehicle vehicle;
    history::TimeLine line;
    line.resize(800, 300);
    line.show();
    QVERIFY(QTest::qWaitForWindowExposed(&line));
    line.SetHistory(history::LoadVehicleHistory(vehicle.fx.connection(), QStringLiteral("NS7788")));
    const int width = line.viewport()->width();
    line.ShowSpan(history::TimeLine::Span::Day);
    QCOMPARE(line.DayWidth(), double(width));
    line.ShowSpan(history::TimeLine::Span::Year);
    QCOMPARE(line.DayWidth(), width / 365.25);
    line.ShowSpan(history::TimeLine::Span::Month);
    const double month = line.DayWidth();

    QGraphicsItem *t1 = line.Mark(IndexOf(line.History(), QStringLiteral("T1")));
    const QPoint at = line.mapFromScene(t1->pos());
    QWheelEvent wheel(at, line.viewport()->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(line.viewport(), &wheel);
    QCOMPARE(line.DayWidth(), month * 1.25);
    const QPoint after = line.mapFromScene(line.Mark(IndexOf(line.History(), QStringLiteral("T1")))->pos());
    QVERIFY2(std::abs(after.x() - at.x()) <= 2, qPrintable(QStringLiteral("%1 -> %2").arg(at.x()).arg(after.x())));

    line.ShowAll();
    for (int i = 0; i < int(line.History().events.size()); ++i) {
        const QRect shown = line.mapFromScene(line.Mark(i)->sceneBoundingRect()).boundingRect();
        QVERIFY2(line.viewport()->rect().intersects(shown), qPrintable(line.History().events[i].number));
    }
}

void TestParkingVehicleHistory::emptyHistorySaysSo()
{
    Vehicle vehicle;
    TParkingVehicleHistoryForm form(vehicle.fx.dm(), QStringLiteral("su 123-45"));
    QCOMPARE(Child<QLabel>(form, "MessageLabel")->text(), QStringLiteral("Za vozilo su 123-45 nema događaja."));
    QCOMPARE(form.Events().RecordCount(), 0);
    QVERIFY(form.TimeLine().scene()->items().isEmpty());

    // Typing another plate into the window shows that vehicle.
    auto *plate = Child<QLineEdit>(form, "PlateEdit");
    plate->setText(QStringLiteral("ns 7788"));
    QTest::keyClick(plate, Qt::Key_Return);
    QCOMPARE(form.Events().RecordCount(), 8);
    QCOMPARE(form.windowTitle(), QStringLiteral("Istorija vozila ns 7788"));
    QVERIFY(TestApplication::instance()->errors.isEmpty());
}

// A row selects its mark, a mark its row; the table is newest first like the line.
void TestParkingVehicleHistory::rowAndMarkSelectEachOther()
{
    Vehicle vehicle;
    TParkingVehicleHistoryForm form(vehicle.fx.dm(), QStringLiteral("NS7788"));
    form.show();
    dataset::Query &rows = form.Events();
    QCOMPARE(rows.FieldByName(QStringLiteral("broj")).AsString(), QStringLiteral("T3"));
    QCOMPARE(form.TimeLine().SelectedEvent(), 0);

    rows.SetRecNo(4);
    const int index = form.EventOfRow(3);
    QCOMPARE(form.TimeLine().History().events[index].number, QStringLiteral("T2"));
    QCOMPARE(form.TimeLine().SelectedEvent(), index);
    QVERIFY(form.TimeLine().Mark(index)->isSelected());

    const int pr1 = IndexOf(form.TimeLine().History(), QStringLiteral("PR-1"));
    form.TimeLine().scene()->clearSelection();
    form.TimeLine().Mark(pr1)->setSelected(true);
    QCOMPARE(rows.FieldByName(QStringLiteral("broj")).AsString(), QStringLiteral("PR-1"));
    QCOMPARE(rows.FieldByName(QStringLiteral("vrsta")).AsString(), QStringLiteral("Pretplata"));
    QCOMPARE(form.TimeLine().SelectedEvent(), pr1);

    // A click on a mark selects it too, though a drag on the ground scrolls.
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const int t3 = IndexOf(form.TimeLine().History(), QStringLiteral("T3"));
    QTest::mouseClick(form.TimeLine().viewport(), Qt::LeftButton, {},
                      form.TimeLine().mapFromScene(form.TimeLine().Mark(t3)->pos()));
    QCOMPARE(form.TimeLine().SelectedEvent(), t3);
    QCOMPARE(rows.FieldByName(QStringLiteral("broj")).AsString(), QStringLiteral("T3"));
}

// A double click on a ticket's mark opens the ticket list standing on that ticket.
void TestParkingVehicleHistory::doubleClickOpensTicketLine()
{
    Vehicle vehicle;
    TParkingVehicleHistoryForm form(vehicle.fx.dm(), QStringLiteral("NS7788"));
    QString current;
    const WhenModalShown step([&](QWidget *modal) {
        current = vehicle.fx.dm().ParkingTicketZQ().FieldByName(QStringLiteral("ticketnumber")).AsString();
        modal->close();
    });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const int t1 = IndexOf(form.TimeLine().History(), QStringLiteral("T1"));
    QTest::mouseDClick(form.TimeLine().viewport(), Qt::LeftButton, {},
                       form.TimeLine().mapFromScene(form.TimeLine().Mark(t1)->pos()));
    QTRY_VERIFY(step.Ran());
    QCOMPARE(current, QStringLiteral("T1"));
    QVERIFY(TestApplication::instance()->errors.isEmpty());
}

// The list opens the current document's vehicle; the editor the registration it holds,
// and a document of the history opens back in an editor standing on it.
void TestParkingVehicleHistory::openedFromListAndEditor()
{
    Vehicle vehicle;
    vehicle.fx.OpenDocuments(vehicle.paidDocument);
    TParkingViewerForm viewer(vehicle.fx.dm());
    QString title;
    int rows = -1;
    {
        const WhenModalShown step([&](QWidget *modal) {
            title = modal->windowTitle();
            rows = static_cast<TParkingVehicleHistoryForm *>(modal)->Events().RecordCount();
            modal->close();
        });
        viewer.VehicleHistoryActionExecute();
        QVERIFY(step.Ran());
    }
    QCOMPARE(title, QStringLiteral("Istorija vozila NS77-88"));
    QCOMPARE(rows, 8);

    // From the history a document opens in the editor on that document.
    TParkingVehicleHistoryForm form(vehicle.fx.dm(), QStringLiteral("NS7788"));
    QString opened;
    {
        const WhenModalShown step([&](QWidget *modal) {
            opened = Child<dataset::DBEdit>(*modal, "NumberEdit")->text();
            modal->close();
        });
        form.OpenEvent(IndexOf(form.TimeLine().History(), QStringLiteral("6/26")));
        QVERIFY(step.Ran());
    }
    QCOMPARE(opened, QStringLiteral("6/26"));

    // The editor's command shows the history of what it holds.
    vehicle.fx.OpenDocuments(vehicle.paidDocument);
    TParkingDetailForm editor(vehicle.fx.dm());
    title.clear();
    {
        const WhenModalShown step([&](QWidget *modal) {
            title = modal->windowTitle();
            modal->close();
        });
        editor.VehicleHistoryExecute();
        QVERIFY(step.Ran());
    }
    QCOMPARE(title, QStringLiteral("Istorija vozila NS77-88"));
    QVERIFY2(TestApplication::instance()->errors.isEmpty(),
             qPrintable(TestApplication::instance()->errors.join(u'\n')));
}

// The start-stop window opens the current row's vehicle with the periods it loaded: Ctrl+I
// or its button, the row the cursor stands on, the database events beside the periods.
void TestParkingVehicleHistory::openedFromStartStopWindow()
{
    Vehicle vehicle;
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("START.CSV")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("id|name|address|code|zip|city|phone|note|reg|zone|date|start|stop|\n"
               "1|Zoran|a|2|z|Novi Sad|p|n|ns-7788|Z1|2026-03-20|08:00|17:30|\n"
               "2|Ana|a|1|z|Beograd|p|n|BG1234|Z2|2026-03-21|08:00|09:00|\n"
               "3|Zoran|a|2|z|Novi Sad|p|n|NS7788|Z1|2026-03-25|07:00|07:45|\n");
    file.close();
    vehicle.fx.dialogs.QueueFile(file.fileName());

    TParkingStartStopForm form(vehicle.fx.dm());
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QSignalSpy loaded(&form, &imports::TParkingImportForm::importFinished);
    QTest::mouseClick(Child<QPushButton>(form, "LoadButton"), Qt::LeftButton);
    QVERIFY(loaded.wait(20000));
    QVERIFY(loaded.first().first().toBool());
    auto *action = form.findChild<QAction *>(QStringLiteral("VehicleHistoryAction"));
    QVERIFY(action && action->isEnabled());
    QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));

    struct Seen {
        QString title;
        QString sequence;
        QList<QDateTime> periods;
        int bars = 0;
    };
    const auto open = [&form](const std::function<void()> &trigger) {
        Seen seen;
        const WhenModalShown step([&seen](QWidget *modal) {
            auto *window = static_cast<TParkingVehicleHistoryForm *>(modal);
            seen.title = window->windowTitle();
            seen.sequence = Sequence(window->TimeLine().History());
            const std::vector<history::Event> &events = window->TimeLine().History().events;
            for (int i = 0; i < int(events.size()); ++i) {
                if (events[i].kind != EventKind::StartStop)
                    continue;
                seen.periods << events[i].start << events[i].end;
                seen.bars += qgraphicsitem_cast<QGraphicsRectItem *>(window->TimeLine().Mark(i)) != nullptr;
            }
            modal->close();
        });
        trigger();
        [&] { QTRY_VERIFY(step.Ran()); }();
        return seen;
    };

    // The first row, in the table's order by name, is Ana's vehicle.
    const Seen other = open([&form] { QTest::keyClick(&form, Qt::Key_I, Qt::ControlModifier); });
    QCOMPARE(other.title, QStringLiteral("Istorija vozila BG1234"));
    QCOMPARE(other.sequence, QStringLiteral("SS PR-9 T9 7/26 6/26"));
    QCOMPARE(
        other.periods,
        (QList<QDateTime>{QDateTime(QDate(2026, 3, 21), QTime(8, 0)), QDateTime(QDate(2026, 3, 21), QTime(9, 0))}));

    // On a row of the other vehicle, its two periods as bars among its tickets, documents
    // and subscriptions; Ana's period stays out.
    Child<dataset::Query>(form, "StartStopCDS")->SetRecNo(3);
    const Seen own =
        open([&form] { QTest::mouseClick(Child<QPushButton>(form, "VehicleHistoryButton"), Qt::LeftButton); });
    QCOMPARE(own.title, QStringLiteral("Istorija vozila NS7788"));
    QCOMPARE(own.sequence, QStringLiteral("T3 SS SS PR-2 5/26 T2 T1 6/26 T4 PR-1"));
    QCOMPARE(
        own.periods,
        (QList<QDateTime>{QDateTime(QDate(2026, 3, 25), QTime(7, 0)), QDateTime(QDate(2026, 3, 25), QTime(7, 45)),
                          QDateTime(QDate(2026, 3, 20), QTime(8, 0)), QDateTime(QDate(2026, 3, 20), QTime(17, 30))}));
    QCOMPARE(own.bars, 2);
    QVERIFY2(TestApplication::instance()->errors.isEmpty(),
             qPrintable(TestApplication::instance()->errors.join(u'\n')));
}

// The printout is a PDF with the table and the picture of the time line.
void TestParkingVehicleHistory::printoutCarriesPicture()
{
    Vehicle vehicle;
    QTemporaryDir reports;
    qputenv("PARKING_REPORT_DIR", reports.path().toLocal8Bit());
    TParkingVehicleHistoryForm form(vehicle.fx.dm(), QStringLiteral("NS7788"));
    const QString file = form.PrintButtonClick();
    qunsetenv("PARKING_REPORT_DIR");
    QFile pdf(file);
    QVERIFY2(pdf.open(QIODevice::ReadOnly), qPrintable(file));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.contains("/Subtype /Image"));

    const QImage picture = form.TimeLine().Picture(1000);
    QCOMPARE(picture.width(), 1000);
    QVERIFY(picture.height() > 100);
}

// A document's total is the one stored with it, with tax: what the editor, the receipt
// and the pay desk show, not the sum of the items without tax.
void TestParkingVehicleHistory::documentTotalWithTax()
{
    Vehicle vehicle;
    const qint64 id = vehicle.Document("8/26", "2026-03-20 10:00:00", "NS", "77-88");
    vehicle.fx.InsertItem(id, 2491.67, 20, QStringLiteral("DK2990"), QStringLiteral(""));
    vehicle.fx.InsertItem(id, 2491.67, 20, QStringLiteral("DK2990"), QStringLiteral(""));
    TParkingVehicleHistoryForm form(vehicle.fx.dm(), QStringLiteral("NS7788"));
    const int index = IndexOf(form.TimeLine().History(), QStringLiteral("8/26"));
    const history::Event &document = form.TimeLine().History().events[index];
    QCOMPARE(document.amount, 5980.0);
    QVERIFY2(document.details.contains(QStringLiteral("Ukupno: 5,980.00")), qPrintable(document.details));
    QVERIFY2(document.details.contains(QStringLiteral("× Doplatna karta = 2,990.00")), qPrintable(document.details));
    QCOMPARE(form.TimeLine().Mark(index)->toolTip(), document.details);

    const dataset::Query &rows = form.Events();
    const int amount = rows.FindField(QStringLiteral("iznos"))->Index();
    int row = 0;
    while (form.EventOfRow(row) != index)
        ++row;
    QCOMPARE(rows.RowValue(row, amount).toDouble(), 5980.0);

    vehicle.fx.OpenDocuments(id);
    TParkingDetailForm editor(vehicle.fx.dm());
    QCOMPARE(editor.GrossTotal(), document.amount);
}

void TestParkingVehicleHistory::axisEndsOnClockChangeNights_data()
{
    QTest::addColumn<QDate>("night");
    QTest::addColumn<QTime>("left");
    for (const auto &[name, night] : {std::pair{"spring", kSpring}, {"autumn", kAutumn}}) {
        QTest::addRow("%s, from midnight", name) << night << QTime(0, 0);
        QTest::addRow("%s, from 01:45", name) << night << QTime(1, 45);
        QTest::addRow("%s, left edge in the changed hour", name) << night << QTime(2, 30);
    }
}

// The axis is drawn in bounded time on both nights at every zoom, also with its left edge
// inside the hour the clock skips or repeats.
void TestParkingVehicleHistory::axisEndsOnClockChangeNights()
{
    QFETCH(QDate, night);
    QFETCH(QTime, left);
    const QFont font = QApplication::font();
    const QDateTime origin(night.addDays(-2), QTime(0, 0));
    const QDateTime edge = Wall(night, left);
    const bool ended = FinishesWithin(
        [font, origin, edge] {
            QImage image(800, 120, QImage::Format_ARGB32);
            for (const double dayWidth : ZoomSteps(800)) {
                const history::TimeAxis axis(origin, dayWidth);
                QPainter painter(&image);
                painter.translate(-axis.X(edge), 0);
                axis.Draw(painter, font, QRectF(axis.X(edge), 0, 800, 120), 0);
            }
        },
        std::chrono::seconds(10));
    QVERIFY2(ended, "the axis of a clock-change night was still being drawn after 10 s");
}

void TestParkingVehicleHistory::clockChangeDaysDrawnRight_data()
{
    QTest::addColumn<QDate>("night");
    QTest::addColumn<QTime>("left");
    QTest::addColumn<QString>("hours");
    QTest::newRow("spring, 23 hours") << kSpring << QTime(0, 0)
                                      << QStringLiteral("00:00 01:00 03:00 04:00 05:00 06:00");
    QTest::newRow("spring, left edge in the skipped hour")
        << kSpring << QTime(2, 30) << QStringLiteral("03:00 04:00 05:00 06:00 07:00 08:00");
    QTest::newRow("autumn, 25 hours") << kAutumn << QTime(0, 0)
                                      << QStringLiteral("00:00 01:00 02:00 03:00 04:00 05:00 06:00");
    QTest::newRow("autumn, left edge in the repeated hour")
        << kAutumn << QTime(2, 30) << QStringLiteral("02:00 03:00 04:00 05:00 06:00 07:00 08:00");
}

// Hour ticks stand at their wall-clock hour: none for the hour skipped in spring, one for
// the hour passed twice in autumn; the day of 23 or 25 hours is one day wide like any.
void TestParkingVehicleHistory::clockChangeDaysDrawnRight()
{
    QFETCH(QDate, night);
    QFETCH(QTime, left);
    QFETCH(QString, hours);
    constexpr double kHour = 120.0;
    const history::TimeAxis axis(QDateTime(night.addDays(-2), QTime(0, 0)), 24 * kHour);
    const double midnight = axis.X(QDateTime(night, QTime(0, 0)));
    const QRectF visible(axis.X(Wall(night, left)), 0, 6.4 * kHour, 100);
    const std::vector<history::Tick> ticks = axis.Ticks(QApplication::font(), visible);
    QCOMPARE(Labels(ticks).join(u' '), hours);
    for (const history::Tick &tick : ticks) {
        const double hour = QTime(0, 0).secsTo(QTime::fromString(tick.label, QStringLiteral("HH:mm"))) / 3600.0;
        QCOMPARE(tick.x, midnight + hour * kHour);
        QCOMPARE(tick.end, tick.x + kHour);
    }

    const std::vector<history::Tick> days = axis.CoarseTicks(QApplication::font(), visible);
    QCOMPARE(days.size(), std::size_t(1));
    QCOMPARE(days.front().x, midnight);
    QCOMPARE(days.front().end, midnight + 24 * kHour);
    QVERIFY2(days.front().label.endsWith(night.toString(QStringLiteral("dd.MM.yyyy"))),
             qPrintable(days.front().label));
}

void TestParkingVehicleHistory::windowOnClockChangeNights_data()
{
    QTest::addColumn<QDate>("night");
    QTest::newRow("spring") << kSpring;
    QTest::newRow("autumn") << kAutumn;
}

// The window as the cashier hits it: a vehicle with a document and a ticket around 02:00
// only, "Dan", wheel notches over 02:00, the left edge dragged into the changed hour, then
// "Štampaj" (its picture shows the whole history, those hours).
// Each step paints the line; the test's time limit ends a loop that never does.
void TestParkingVehicleHistory::windowOnClockChangeNights()
{
    QFETCH(QDate, night);
    Vehicle vehicle;
    const QByteArray day = night.toString(QStringLiteral("yyyy-MM-dd ")).toLatin1();
    const QByteArray beforeTwo = day + "01:30:00";
    const QByteArray afterThree = day + "03:30:00";
    vehicle.Document("20/26", beforeTwo.constData(), "SU", "123-45");
    vehicle.Ticket("T20", afterThree.constData(), "SU12345", 2);
    TParkingVehicleHistoryForm form(vehicle.fx.dm(), QStringLiteral("SU 123-45"));
    form.resize(1400, 700);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    history::TimeLine &line = form.TimeLine();
    QVERIFY(!line.viewport()->grab().isNull());
    const int document = IndexOf(line.History(), QStringLiteral("20/26"));
    line.SelectEvent(document);

    QTest::mouseClick(Child<QPushButton>(form, "DayButton"), Qt::LeftButton);
    QVERIFY(!line.viewport()->grab().isNull());
    GrabIfAsked(&form, QStringLiteral("vehicle-history-night-") + QLatin1String(QTest::currentDataTag()));
    for (const int notch : {120, 120, 120, -120, 120, 120}) {
        const double twoOClock = line.Mark(document)->pos().x() + line.DayWidth() / 48;
        const QPoint at = line.mapFromScene(QPointF(twoOClock, 40));
        QWheelEvent wheel(at, line.viewport()->mapToGlobal(at), {}, QPoint(0, notch), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(line.viewport(), &wheel);
        QVERIFY(!line.viewport()->grab().isNull());
    }

    // Dragged so that 02:30 stands at the left edge.
    const double halfPastTwo = line.Mark(document)->pos().x() + line.DayWidth() / 24;
    line.horizontalScrollBar()->setValue(line.horizontalScrollBar()->value()
                                         + int(std::lround(halfPastTwo - line.mapToScene(QPoint(0, 0)).x())));
    QVERIFY(std::abs(line.mapToScene(QPoint(0, 0)).x() - halfPastTwo) <= 2);
    QVERIFY(!line.viewport()->grab().isNull());

    // The printout's picture, wide enough for hour ticks too.
    for (const int width : {1000, 1400, 2800})
        QCOMPARE(line.Picture(width).width(), width);
    QTemporaryDir reports;
    qputenv("PARKING_REPORT_DIR", reports.path().toLocal8Bit());
    const QString file = form.PrintButtonClick();
    qunsetenv("PARKING_REPORT_DIR");
    QVERIFY2(QFile::exists(file), qPrintable(file));
    QVERIFY2(TestApplication::instance()->errors.isEmpty(),
             qPrintable(TestApplication::instance()->errors.join(u'\n')));
}

// An editor with an unsaved item shows the history, a double click there opens another
// document, which is cancelled: the first editor still holds its own document and item,
// and saves them.
void TestParkingVehicleHistory::editorKeepsItsDocument()
{
    Vehicle vehicle;
    const auto count = [&vehicle](const QString &number) {
        return vehicle.fx
            .Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem AS i JOIN parkingdocument AS d "
                                   "USING (parkingdocumentid) WHERE d.number = '%1'")
                        .arg(number))
            .toInt();
    };
    vehicle.fx.OpenDocuments(vehicle.foreignDocument);
    TParkingDetailForm editor(vehicle.fx.dm());
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    TProductDesc product;
    product.ProductID = 2;
    product.Code = product.Name = QStringLiteral("DK600");
    product.Price = 500;
    product.TaxValue = 20;
    editor.AddDocumentItem(product);
    vehicle.fx.dm().ParkingDocumentItemZQ().FieldByName(QStringLiteral("ticketnumber")).SetAsString(QStringLiteral("X1"));
    Child<dataset::DBNavigator>(editor, "ItemNavigator")->BtnClick(dataset::DBNavigator::Button::Post);
    const double gross = editor.GrossTotal();

    QString opened;
    const WhenModalShown inHistory(
        [](QWidget *modal) { return qobject_cast<TParkingVehicleHistoryForm *>(modal) != nullptr; },
        [&](QWidget *modal) {
            auto *history = static_cast<TParkingVehicleHistoryForm *>(modal);
            QVERIFY(QTest::qWaitForWindowExposed(history));
            const WhenModalShown inOther(
                [&editor](QWidget *other) {
                    return other != &editor && qobject_cast<TParkingDetailForm *>(other) != nullptr;
                },
                [&opened](QWidget *other) {
                    opened = Child<dataset::DBEdit>(*other, "NumberEdit")->text();
                    static_cast<TParkingDetailForm *>(other)->CustomCancel->trigger();
                });
            history::TimeLine &line = history->TimeLine();
            const int other = IndexOf(line.History(), QStringLiteral("7/26"));
            QTest::mouseDClick(line.viewport(), Qt::LeftButton, {}, line.mapFromScene(line.Mark(other)->pos()));
            QTRY_VERIFY(inOther.Ran());
            QTest::mouseClick(Child<QPushButton>(*history, "CloseButton"), Qt::LeftButton);
        });
    QTest::mouseClick(Child<QPushButton>(editor, "VehicleHistoryButton"), Qt::LeftButton);
    QTRY_VERIFY(inHistory.Ran());
    QCOMPARE(opened, QStringLiteral("7/26"));

    QCOMPARE(vehicle.fx.dm().ParkingDocumentZQ().FieldByName(QStringLiteral("number")).AsString(),
             QStringLiteral("6/26"));
    QCOMPARE(Child<dataset::DBEdit>(editor, "NumberEdit")->text(), QStringLiteral("6/26"));
    dataset::Query &items = vehicle.fx.dm().ParkingDocumentItemZQ();
    QCOMPARE(items.RecordCount(), 2);
    QVERIFY(items.UpdatesPending());
    QCOMPARE(editor.GrossTotal(), gross);

    editor.UpdateActions();
    editor.CustomApply->trigger();
    QCOMPARE(count(QStringLiteral("6/26")), 2);
    QCOMPARE(count(QStringLiteral("7/26")), 0);
    QVERIFY2(TestApplication::instance()->errors.isEmpty(),
             qPrintable(TestApplication::instance()->errors.join(u'\n')));
}

void TestParkingVehicleHistory::grab()
{
    Vehicle vehicle;
    const auto startStop = StartStopTable();
    TParkingVehicleHistoryForm form(vehicle.fx.dm(), QStringLiteral("NS 77-88"), nullptr, startStop.get());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Events().SetRecNo(4);
    QVERIFY(!form.grab().isNull());
    GrabIfAsked(&form, QStringLiteral("vehicle-history"));
    form.TimeLine().ShowSpan(history::TimeLine::Span::Day);
    GrabIfAsked(&form, QStringLiteral("vehicle-history-day"));
}

PARKING_TEST_MAIN(TestParkingVehicleHistory)
#include "tst_ParkingVehicleHistory.moc"
