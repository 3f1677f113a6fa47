#include "documents/DocumentsFixture.h"

#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DesignScale.h>
#include <parking/documents/ParkingDetailUnit.h>
#include <parking/documents/ParkingNavigatorUnit.h>
#include <parking/documents/ParkingViewerUnit.h>
#include <parking/history/ParkingVehicleHistoryUnit.h>
#include <parking/imports/ParkingStartStopUnit.h>
#include <parking/imports/ParkingSubscriptionUnit.h>
#include <parking/imports/ParkingTicketUnit.h>
#include <parking/lookups/ParkingSelectProductUnit.h>
#include <parking/lookups/ParkingSelectTicketUnit.h>
#include <parking/paydesk/ParkingPayDeskUnit.h>
#include <parking/zoneframe/ParkingZoneFrameUnit.h>
#include <tests/support/TextFit.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>

namespace {

using Factory = std::function<std::unique_ptr<QWidget>()>;

// Something in every table the forms show, so grids and lists are not empty.
void FillDatabase(DocumentsFixture &fx)
{
    const qint64 id = fx.InsertDocument("125/13", "2013-05-01 10:00:00", 7, "7788AB");
    fx.InsertItem(id, 1200, 20, "DK1200", "K-0012345");
    fx.connection().Execute(QStringLiteral(
        "INSERT INTO parkingticket (ticketdate, ticketnumber, zone, regcitynumber, ticketprice, status, name) "
        "VALUES ('2013-05-01 10:00:00', 'K-0012345', 2, 'NS7788AB', 1200, 17, 'Đorđević Žarko')"));
    fx.connection().Execute(
        QStringLiteral("INSERT INTO parkingsubscription (subscriptionfromdate, subscriptiontodate, subscriptionnumber, "
                       "regcitynumber, firstname, lastname, personalidentificator, zone, list, status) VALUES "
                       "('2013-05-01', '2013-05-31', 'PR-100001', 'NS7788AB', 'Žarko', 'Đorđević', '0101990710001', "
                       "'Crvena zona', 'Stanari', 'aktivna')"));
    fx.connection().Execute(
        QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES ('I', '2', 'Njegoševa')"));
    fx.OpenDocuments(id);
}

std::vector<std::pair<const char *, Factory>> Forms(TParkingDM &dm)
{
    return {
        {"viewer", [&dm] { return std::make_unique<TParkingViewerForm>(dm); }},
        {"navigator", [&dm] { return std::make_unique<TParkingNavigatorForm>(dm); }},
        {"detail", [&dm] { return std::make_unique<TParkingDetailForm>(dm); }},
        {"tickets", [&dm] { return std::make_unique<TParkingTicketForm>(dm); }},
        {"subscriptions", [&dm] { return std::make_unique<TParkingSubscriptionForm>(dm); }},
        {"startstop", [&dm] { return std::make_unique<TParkingStartStopForm>(dm); }},
        {"paydesk", [&dm] { return std::make_unique<TParkingPayDeskForm>(dm); }},
        {"zoneframe", [&dm] { return std::make_unique<TParkingZoneFrameForm>(dm); }},
        {"history", [&dm] { return std::make_unique<TParkingVehicleHistoryForm>(dm, QStringLiteral("BG 7788-AB")); }},
        {"product picker",
         [&dm] {
             auto form = std::make_unique<TParkingSelectProductForm>(dm.Host());
             TProductDesc product;
             product.Code = QStringLiteral("1200");
             product.BarCode = QStringLiteral("DK1200");
             product.Name = QStringLiteral("Doplatna karta za zonu I");
             product.Price = 1000;
             product.TaxValue = 20;
             form->Products = {product};
             form->FillList(ProductLineKind::Code, true);
             return form;
         }},
        {"ticket picker",
         [] {
             auto form = std::make_unique<TParkingSelectTicketForm>();
             form->SetLines({QStringLiteral("01.05.2013 : K-0012345 : Verodostojna")});
             return form;
         }},
    };
}

// The desktop's font at 'points' for as long as the object lives.
class DesktopFont {
public:
    explicit DesktopFont(qreal points)
        : m_original(QApplication::font())
    {
        QFont font = m_original;
        font.setPointSizeF(points);
        QApplication::setFont(font);
    }
    ~DesktopFont() { QApplication::setFont(m_original); }
    DesktopFont(const DesktopFont &) = delete;
    DesktopFont &operator=(const DesktopFont &) = delete;

private:
    QFont m_original;
};

} // namespace

// Every form of the module at the desktop's 100 % and 150 % text sizes: no text is cut,
// no command hides; a picture of each is saved when PARKING_GRAB_DIR is set.
class TestParkingFormsFit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyFormFits_data();
    void everyFormFits();
    void fixedFormValuesShowWhole_data();
    void fixedFormValuesShowWhole();
    void windowsStretchTheirFields();
    void listToolbarFitsBesideSearchPane_data();
    void listToolbarFitsBesideSearchPane();
};

void TestParkingFormsFit::everyFormFits_data()
{
    QTest::addColumn<qreal>("points");
    QTest::newRow("100 %") << qreal(9);
    QTest::newRow("150 %") << qreal(13.5);
}

void TestParkingFormsFit::everyFormFits()
{
    QFETCH(qreal, points);
    const DesktopFont desktop(points);
    DocumentsFixture fx;
    FillDatabase(fx);
    QStringList cut;
    for (const auto &[name, create] : Forms(fx.dm())) {
        const std::unique_ptr<QWidget> form = create();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            cut << QStringLiteral("%1 not shown").arg(QLatin1String(name));
        QTest::qWait(20);
        for (const QString &line : textfit::Cut(*form))
            cut << QStringLiteral("%1: %2").arg(QLatin1String(name), line);
        GrabIfAsked(form.get(), QStringLiteral("%1-%2").arg(QString::fromLatin1(name).replace(' ', '-')).arg(points));
        form->close();
        if (auto *detail = qobject_cast<TParkingDetailForm *>(form.get()))
            detail->CustomCancel->trigger();
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
}

void TestParkingFormsFit::fixedFormValuesShowWhole_data()
{
    everyFormFits_data();
}

// A personal number, a date and a date with its time are read whole at a glance, at 100 %
// and at 150 %: no edit scrolls its first digits out of sight.
void TestParkingFormsFit::fixedFormValuesShowWhole()
{
    QFETCH(qreal, points);
    const DesktopFont desktop(points);
    DocumentsFixture fx;
    const qint64 id = fx.InsertDocument("125/13", "2025-12-28 22:58:00", 7, "7788AB");
    fx.connection().Execute(QStringLiteral("UPDATE parkingdocument SET personalidentificator = '0808988710008', "
                                           "parkingfromdate = '2025-12-28', parkingtodate = '2025-12-28' "
                                           "WHERE parkingdocumentid = %1")
                                .arg(id));
    fx.OpenDocuments(id);
    QStringList cut;
    {
        TParkingDetailForm detail(fx.dm());
        detail.show();
        QVERIFY(QTest::qWaitForWindowExposed(&detail));
        for (const char *name :
             {"PersonalIdentificatorEdit", "DocumentDateTimeEdit", "ParkingFromDateEdit", "ParkingToDateEdit"}) {
            const auto *edit = Child<QLineEdit>(detail, name);
            QVERIFY2(edit->text().size() >= 10, qPrintable(edit->text()));
            if (const QString line = textfit::ValueCut(*edit); !line.isEmpty())
                cut << line;
        }
        detail.CustomCancel->trigger();
    }
    {
        TParkingStartStopForm startStop(fx.dm());
        startStop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&startStop));
        const auto *date = Child<QLineEdit>(startStop, "NewDocDateE");
        QCOMPARE(date->text().size(), 10);
        if (const QString line = textfit::ValueCut(*date); !line.isEmpty())
            cut << line;
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
}

// A wider editor gives its header's text fields and the item grid's name column the room.
void TestParkingFormsFit::windowsStretchTheirFields()
{
    DocumentsFixture fx;
    FillDatabase(fx);
    TParkingDetailForm form(fx.dm());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto widths = [&form] {
        return std::array<int, 4>{Child<QWidget>(form, "CommentEdit")->width(),
                                  Child<QWidget>(form, "AddressEdit")->width(),
                                  Child<QWidget>(form, "CityRegEdit")->width(),
                                  Child<dataset::DBGrid>(form, "DocumentItemDBG")->columnWidth(1)};
    };
    const auto before = widths();
    form.resize(form.width() + 300, form.height());
    QTest::qWait(20);
    const auto after = widths();
    QVERIFY(after[0] > before[0] + 50);
    QVERIFY(after[1] > before[1] + 20);
    QCOMPARE(after[2], before[2]); // a code keeps its width
    QVERIFY(after[3] > before[3] + 100);
    QVERIFY(textfit::Cut(form).isEmpty());
    form.CustomCancel->trigger();
}

void TestParkingFormsFit::listToolbarFitsBesideSearchPane_data()
{
    everyFormFits_data();
}

// In a console window 1280 pixels wide, beside the module list (150 design pixels) and
// the search pane, the list fits at 100 % and at 150 %, and its toolbar shows every
// command, none behind its overflow: with their texts at 100 %, at least their icons.
void TestParkingFormsFit::listToolbarFitsBesideSearchPane()
{
    QFETCH(qreal, points);
    const DesktopFont desktop(points);
    DocumentsFixture fx;
    TParkingViewerForm viewer(fx.dm());
    TParkingNavigatorForm navigator(fx.dm());
    const int room = 1280 - dataset::Scaled(viewer, 150) - navigator.minimumSizeHint().width() - 40;
    const int needed = viewer.minimumWidth();
    viewer.resize(room, 400);
    viewer.show();
    QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1 > %2").arg(needed).arg(room)));
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    for (QAction *action : viewer.ActionTB->actions())
        QVERIFY2(action->isSeparator() || viewer.ActionTB->widgetForAction(action)->isVisible(),
                 qPrintable(action->text()));
    if (points < 10)
        QCOMPARE(viewer.ActionTB->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
}

PARKING_TEST_MAIN(TestParkingFormsFit)
#include "tst_ParkingFormsFit.moc"
