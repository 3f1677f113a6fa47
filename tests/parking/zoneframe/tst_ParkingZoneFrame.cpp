#include "../documents/DocumentsFixture.h"

#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DBNavigator.h>
#include <parking/zoneframe/ParkingZoneFrameUnit.h>

#include <QPointer>
#include <QPushButton>
#include <QToolButton>

// The zone frame editor: the live table in zone, sector and identifier order, edited
// with the navigator.
class TestParkingZoneFrame : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsInOrderAfterReopening();
    void deleteWithoutQuestion();
    void halfEnteredRowDropped();
    void enterSavesRowThenCloses();
    void keysTypedAtOnceStayInNewRow();
    void grab();
};

namespace {

using Button = dataset::DBNavigator::Button;

dataset::Query &Zones()
{
    return ParkingDM->ParkingZoneFrameZQ();
}

QString Listed()
{
    QStringList rows;
    for (Zones().First(); !Zones().Eof(); Zones().Next())
        rows << Zones().FieldByName(QStringLiteral("zone")).AsString() + QLatin1Char('/')
                + Zones().FieldByName(QStringLiteral("sector")).AsString() + QLatin1Char('/')
                + Zones().FieldByName(QStringLiteral("street")).AsString();
    return rows.join(QStringLiteral(", "));
}

void Enter(TParkingZoneFrameForm &form, const QString &zone, const QString &sector, const QString &street)
{
    Child<dataset::DBNavigator>(form, "DBN")->ButtonWidget(Button::Insert)->click();
    Zones().FieldByName(QStringLiteral("zone")).SetAsString(zone);
    Zones().FieldByName(QStringLiteral("sector")).SetAsString(sector);
    Zones().FieldByName(QStringLiteral("street")).SetAsString(street);
    Child<dataset::DBNavigator>(form, "DBN")->ButtonWidget(Button::Post)->click();
    QCoreApplication::processEvents();
}

// A shown form with a new row begun and its zone typed.
QPointer<TParkingZoneFrameForm> ShownWithNewRow()
{
    const QPointer<TParkingZoneFrameForm> form = new TParkingZoneFrameForm(*ParkingDM);
    form->show();
    if (!QTest::qWaitForWindowExposed(form))
        qFatal("the zone frame was not shown");
    Child<dataset::DBNavigator>(*form, "DBN")->ButtonWidget(Button::Insert)->click();
    Zones().FieldByName(QStringLiteral("zone")).SetAsString(QStringLiteral("I"));
    return form;
}

int Stored(DocumentsFixture &fx) { return fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingzoneframe")).toInt(); }

} // namespace

void TestParkingZoneFrame::rowsInOrderAfterReopening()
{
    DocumentsFixture fx;
    {
        auto *form = new TParkingZoneFrameForm(*ParkingDM);
        QCOMPARE(form->windowTitle(), QStringLiteral("Parking zone"));
        Enter(*form, QStringLiteral("II"), QStringLiteral("1"), QStringLiteral("Bulevar"));
        Enter(*form, QStringLiteral("I"), QStringLiteral("2"), QStringLiteral("Terazije"));
        Enter(*form, QStringLiteral("I"), QStringLiteral("1"), QStringLiteral("Zmaj Jovina"));
        Enter(*form, QStringLiteral("I"), QStringLiteral("1"), QStringLiteral("Admirala Geprata"));
        QCOMPARE(Stored(fx), 4);
        form->close();
    }
    const QPointer<TParkingZoneFrameForm> form = new TParkingZoneFrameForm(*ParkingDM);
    QCOMPARE(Listed(), QStringLiteral("I/1/Zmaj Jovina, I/1/Admirala Geprata, I/2/Terazije, II/1/Bulevar"));
    // A click on a title sorts by that column.
    dataset::DBGrid *const grid = Child<dataset::DBGrid>(*form, "DBGrid");
    Q_EMIT grid->titleClicked(grid->ColumnByFieldName(QStringLiteral("street")));
    QCOMPARE(Listed(), QStringLiteral("I/1/Admirala Geprata, II/1/Bulevar, I/2/Terazije, I/1/Zmaj Jovina"));
    form->close();
    QTRY_VERIFY(form.isNull());
}

void TestParkingZoneFrame::deleteWithoutQuestion()
{
    DocumentsFixture fx;
    fx.connection().Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) "
                                           "VALUES ('I', '1', 'Prva'), ('I', '1', 'Druga')"));
    TParkingZoneFrameForm *form = new TParkingZoneFrameForm(*ParkingDM);
    Zones().First();
    Child<dataset::DBNavigator>(*form, "DBN")->ButtonWidget(Button::Delete)->click();
    QCoreApplication::processEvents();
    QVERIFY(fx.dialogs.ShownDialogs().empty());
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(street) FROM parkingzoneframe")).toString(),
             QStringLiteral("Druga"));
    QVERIFY(Child<dataset::DBNavigator>(*form, "DBN")->ButtonWidget(Button::Edit)->isHidden());
    QVERIFY(Child<dataset::DBNavigator>(*form, "DBN")->ButtonWidget(Button::Refresh)->isHidden());
    form->close();
}

// Closing with a row half entered writes nothing and the next opening does not show it.
void TestParkingZoneFrame::halfEnteredRowDropped()
{
    DocumentsFixture fx;
    const QPointer<TParkingZoneFrameForm> form = ShownWithNewRow();
    QTest::keyClick(form, Qt::Key_Escape);
    QTRY_VERIFY(form.isNull());
    QCOMPARE(Stored(fx), 0);
    QCOMPARE(Zones().State(), dataset::DataSetState::Browse);
    const std::unique_ptr<TParkingZoneFrameForm> next(new TParkingZoneFrameForm(*ParkingDM));
    QVERIFY(Zones().IsEmpty());
}

// Enter on a row being entered saves it; on a saved row it presses "Zatvori".
void TestParkingZoneFrame::enterSavesRowThenCloses()
{
    DocumentsFixture fx;
    const QPointer<TParkingZoneFrameForm> form = ShownWithNewRow();
    Zones().FieldByName(QStringLiteral("sector")).SetAsString(QStringLiteral("1"));
    Zones().FieldByName(QStringLiteral("street")).SetAsString(QStringLiteral("Takovska"));
    Child<dataset::DBGrid>(*form, "DBGrid")->setFocus();
    QTest::keyClick(Child<dataset::DBGrid>(*form, "DBGrid"), Qt::Key_Return);
    QCOMPARE(Stored(fx), 1);
    QVERIFY(!form.isNull() && form->isVisible());
    QTest::keyClick(Child<dataset::DBGrid>(*form, "DBGrid"), Qt::Key_Return);
    QTRY_VERIFY(form.isNull());
}

// A click on the new row's cell and keys typed at once: the row search must not take the
// first key, leave the new row and let the rest edit a stored street.
void TestParkingZoneFrame::keysTypedAtOnceStayInNewRow()
{
    DocumentsFixture fx;
    fx.connection().Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES "
                                           "('I', '1', 'Zmaj Jovina'), ('II', '1', 'Bulevar cara Lazara')"));
    const QPointer<TParkingZoneFrameForm> form = new TParkingZoneFrameForm(*ParkingDM);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    auto *grid = Child<dataset::DBGrid>(*form, "DBGrid");
    grid->setFocus();
    Child<dataset::DBNavigator>(*form, "DBN")->ButtonWidget(Button::Insert)->click();
    grid->SetSelectedIndex(0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->currentIndex()).center());
    QTest::keyClicks(grid, QStringLiteral("III"));
    QCOMPARE(Zones().State(), dataset::DataSetState::Insert);
    QCOMPARE(Zones().FieldByName(QStringLiteral("zone")).AsString(), QStringLiteral("III"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(grid, Qt::Key_Escape);
    QCOMPARE(Zones().State(), dataset::DataSetState::Browse);
    QCOMPARE(Listed(), QStringLiteral("I/1/Zmaj Jovina, II/1/Bulevar cara Lazara"));
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(street ORDER BY street) FROM parkingzoneframe")).toString(),
             QStringLiteral("Bulevar cara Lazara,Zmaj Jovina"));
    QVERIFY(TestApplication::instance()->errors.isEmpty());
    form->close();
}

void TestParkingZoneFrame::grab()
{
    DocumentsFixture fx;
    fx.connection().Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES "
                                           "('I', '1', 'Knez Mihailova'), ('I', '2', 'Čika Ljubina'), "
                                           "('II', '1', 'Bulevar kralja Aleksandra')"));
    TParkingZoneFrameForm form(*ParkingDM);
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.focusWidget(), Child<dataset::DBGrid>(form, "DBGrid"));
    GrabIfAsked(&form, QStringLiteral("parking-zone"));
}

PARKING_TEST_MAIN(TestParkingZoneFrame)
#include "tst_ParkingZoneFrame.moc"
