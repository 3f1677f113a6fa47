#include "FakeHost.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/base/CustomViewerForm.h>
#include <framework/base/SnapinLibrary.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/ScriptedDialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/host/ParkingRegistration.h>
#include <parking/host/ParkingSnapin.h>
#include <parking/shared/HostServices.h>
#include <tests/support/TestDatabase.h>

#include <array>

#include <QTest>
#include <QWidget>

class TestParkingSnapin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void factoryKeepsFirstSnapin();
    void presentsModule();
    void companionsAnswerForSnapin();
    void load_data();
    void load();
    void loadWithConnectedDataModule();
    void showAndHideSetPrintGrid();
    void printGridLoan_data();
    void printGridLoan();
    void tableCaptions();
    void cleanupTestCase();

private:
    TParkingViewer &viewer() const { return dynamic_cast<TParkingViewer &>(*snapin().Viewer); }
    TParkingSnapin &snapin() const { return dynamic_cast<TParkingSnapin &>(*m_snapin); }

    IntfPtr<FakeConsole> m_first = CreateInterfaced<FakeConsole>();
    IntfPtr<FakeConsole> m_second = CreateInterfaced<FakeConsole>();
    IntfPtr<ISnapin> m_snapin;
};

void TestParkingSnapin::initTestCase()
{
    QVERIFY(!GetSnapinFactory());
    Initialize();
    QVERIFY(ParkingDM);
    TParkingDM *const created = ParkingDM.get();
    Initialize();   // entered again: no step runs twice
    QCOMPARE(ParkingDM.get(), created);
}

void TestParkingSnapin::factoryKeepsFirstSnapin()
{
    const auto factory = Supports<ISnapinFactory>(IntfPtr<IInterface>::Adopt(GetSnapinFactory()));
    QVERIFY(factory);
    const IntfPtr<ISnapin> fromFirst = factory->CreateSnapin(m_first);
    const IntfPtr<ISnapin> fromSecond = factory->CreateSnapin(m_second);
    QVERIFY(fromFirst);
    QCOMPARE(fromSecond.get(), fromFirst.get());
    m_snapin = fromFirst;

    // The module's host services follow the latest request; the snap-in and its
    // companions keep the console they were created with.
    QCOMPARE(ParkingHost().Console().get(), static_cast<IConsole *>(m_second.get()));
    QCOMPARE(&ParkingDM->Host(), &ParkingHost());
    const IConsole *first = m_first.get();
    QCOMPARE(snapin().Console().get(), first);
    QCOMPARE(viewer().Console().get(), first);
    QCOMPARE(dynamic_cast<TParkingNavigator &>(*snapin().Navigator).Console().get(), first);
}

void TestParkingSnapin::presentsModule()
{
    QCOMPARE(m_snapin->GetName(), QStringLiteral("Parking"));
    QCOMPARE(m_snapin->GetDescription(), QStringLiteral("Upravljanje parkingom"));
    QCOMPARE(m_snapin->GetDataSet(), &ParkingDM->ParkingDocumentZQ());
    QCOMPARE(m_snapin->GetImage().size(), QSize(16, 16));
    QCOMPARE(snapin().ModuleID(), 2027);
    QCOMPARE(viewer().ModuleID(), 2027);
}

void TestParkingSnapin::companionsAnswerForSnapin()
{
    const IntfPtr<IViewer> asViewer = Supports<IViewer>(m_snapin);
    const IntfPtr<INavigable> asNavigable = Supports<INavigable>(m_snapin);
    QCOMPARE(asViewer.get(), snapin().Viewer.get());
    QCOMPARE(asNavigable.get(), snapin().Navigator.get());
    QVERIFY(static_cast<void *>(asViewer.get()) != static_cast<void *>(m_snapin.get()));
}

void TestParkingSnapin::load_data()
{
    QTest::addColumn<bool>("hasSecurity");
    QTest::addColumn<bool>("dmHasConnection");
    QTest::addColumn<bool>("expectHandedOver");
    QTest::addColumn<int>("expectAfterConnect");
    QTest::addColumn<bool>("expectError");

    QTest::newRow("no security module") << false << false << false << 0 << true;
    QTest::newRow("connection handed over") << true << false << true << 1 << false;
    QTest::newRow("unconnected connection kept") << true << true << false << 1 << false;
}

void TestParkingSnapin::load()
{
    QFETCH(bool, hasSecurity);
    QFETCH(bool, dmHasConnection);
    QFETCH(bool, expectHandedOver);
    QFETCH(int, expectAfterConnect);
    QFETCH(bool, expectError);

    dataset::Connection own;      // never connected
    dataset::Connection hosts;
    const auto security = CreateInterfaced<FakeSecurityModule>();
    security->connection = &hosts;
    m_first->security = hasSecurity ? security : IntfPtr<FakeSecurityModule>();
    ParkingDM->SetZConnection(dmHasConnection ? &own : nullptr);

    ScriptedDialogService dialogs;
    ScopedDialogService installed(dialogs);
    viewer().Load(m_snapin);

    dataset::Connection *const expected = expectHandedOver ? &hosts : dmHasConnection ? &own : nullptr;
    QCOMPARE(ParkingDM->Connection(), expected);
    QCOMPARE(ParkingDM->ParkingDocumentZQ().GetConnection(), expected);
    QCOMPARE(security->afterConnectCalls, expectAfterConnect);
    QCOMPARE(security->getConnectionCalls, expectHandedOver ? 1 : 0);
    const QStringList expectedErrors =
        expectError ? QStringList{NoModuleMessage(u"_CMN_MOD_SECURITY_NAME")} : QStringList{};
    QCOMPARE(dialogs.Errors(), expectedErrors);

    ParkingDM->SetZConnection(nullptr);
    m_first->security.reset();
}

void TestParkingSnapin::loadWithConnectedDataModule()
{
    TestDatabase db;
    ParkingDM->SetZConnection(&db.connection());
    const int callsBefore = m_first->getModuleCalls;

    ScriptedDialogService dialogs;
    ScopedDialogService installed(dialogs);
    viewer().Load(m_snapin);

    QCOMPARE(m_first->getModuleCalls, callsBefore);
    QVERIFY(dialogs.ShownDialogs().empty());
    QCOMPARE(ParkingDM->Connection(), &db.connection());
    ParkingDM->SetZConnection(nullptr);
}

void TestParkingSnapin::showAndHideSetPrintGrid()
{
    QWidget place;
    viewer().Show(&place);
    const auto *form = qobject_cast<TCustomViewerForm *>(viewer().Frame());
    QVERIFY(form);
    QVERIFY(form->DBG);
    QCOMPARE(m_first->printGrid, form->DBG);
    QCOMPARE(viewer().GetActionList(), form->ActionList);

    viewer().Hide();
    QCOMPARE(m_first->printGrid, nullptr);
    // The second console was never asked: the viewer works with the first one.
    QCOMPARE(m_second->setPrintGridCalls, 0);
}

// A window's grid is the console's print grid while the window lives; the one before
// comes back unless another grid took the place meanwhile. Without a console nothing is set.
void TestParkingSnapin::printGridLoan_data()
{
    QTest::addColumn<bool>("withConsole");
    QTest::addColumn<bool>("takenOver");
    QTest::addColumn<int>("afterwards"); // 0: the grid before, 1: the window's, 2: the one that took over
    QTest::newRow("given back") << true << false << 0;
    QTest::newRow("taken over meanwhile") << true << true << 2;
    QTest::newRow("no console") << false << false << 0;
}

void TestParkingSnapin::printGridLoan()
{
    QFETCH(bool, withConsole);
    QFETCH(bool, takenOver);
    QFETCH(int, afterwards);
    const auto console = CreateInterfaced<FakeConsole>();
    dataset::DBGrid before, window, other;
    const std::array<dataset::DBGrid *, 3> grids{&before, &window, &other};
    console->printGrid = &before;
    const parking::HostServices host(withConsole ? IntfPtr<IConsole>(console) : IntfPtr<IConsole>());
    {
        const parking::PrintGridLoan loan(host, &window);
        QCOMPARE(console->printGrid, withConsole ? &window : &before);
        if (takenOver)
            console->SetPrintGrid(&other);
    }
    QCOMPARE(console->printGrid, grids[afterwards]);
}

// While the module is loaded the database's messages name its tables in words.
void TestParkingSnapin::tableCaptions()
{
    const dataset::DatabaseError error(QStringLiteral("Brisanje"),
                                       QStringLiteral("a foreign key constraint fails (`p`.`parkingticket`, "
                                                      "CONSTRAINT `c`)"),
                                       1451);
    QCOMPARE(error.message(), QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci (parking karte)."));
}

void TestParkingSnapin::cleanupTestCase()
{
    m_snapin.reset();
    Finalize();
    const dataset::DatabaseError error(QStringLiteral("Brisanje"),
                                       QStringLiteral("a foreign key constraint fails (`p`.`parkingticket`, "
                                                      "CONSTRAINT `c`)"),
                                       1451);
    QCOMPARE(error.message(), QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci (parkingticket)."));
    QVERIFY(!ParkingDM);
    QVERIFY(!ParkingHost().Console());
    QVERIFY(!GetSnapinFactory());
    Initialize();   // a finalized module does not start again in this process
    QVERIFY(!ParkingDM);
    QVERIFY(!GetSnapinFactory());
}

QTEST_MAIN(TestParkingSnapin)
#include "tst_ParkingSnapin.moc"
