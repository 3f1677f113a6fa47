// Interfaces, reference counts, delegation and the life of snap-ins and their frames.

#include <framework/base/CustomSnapin.h>
#include <framework/base/CustomViewer.h>
#include <framework/Interfaces.h>

#include <QAction>
#include <QLayout>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace {

QStringList g_log;

class TFakeConsole : public IConsole, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    explicit TFakeConsole(QString name) : Name(std::move(name)) {}
    ~TFakeConsole() override { g_log << QStringLiteral("~console ") + Name; }
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<IConsole>(this, iid); }
    bool GetModule(const QUuid &, IntfPtr<IInterface> &) override { return false; }
    void SetPrintGrid(dataset::DBGrid *) override {}
    dataset::DBGrid *GetPrintGrid() override { return nullptr; }
    void RunWizard(const QString &, const QString &) override {}
    QString Name;
};

class TTestViewer : public TCustomViewer {
public:
    explicit TTestViewer(const IntfPtr<IConsole> &console) : TCustomViewer(console)
    {
        SetModuleID(77);
    }
    ~TTestViewer() override { g_log << QStringLiteral("~viewer"); }
    QPointer<QWidget> CreatedFrame;

protected:
    void InternalCreateFrame() override
    {
        g_log << QStringLiteral("create frame");
        auto frame = std::make_unique<QWidget>();
        frame->setObjectName(QStringLiteral("viewer frame"));
        SetActionList({new QAction(QStringLiteral("Dodaj"), frame.get())});
        CreatedFrame = frame.get();
        SetFrame(std::move(frame));
    }
    void InternalDestroyFrame() override
    {
        // Runs while the object is whole: the derived override must be the one called.
        g_log << QStringLiteral("destroy frame");
        TCustomViewer::InternalDestroyFrame();
    }
};

class TTestNavigator : public TCustomNavigator {
public:
    using TCustomNavigator::TCustomNavigator;
    ~TTestNavigator() override { g_log << QStringLiteral("~navigator"); }

protected:
    void InternalCreateFrame() override { SetFrame(std::make_unique<QWidget>()); }
};

class TTestSnapin : public TCustomSnapin {
public:
    explicit TTestSnapin(const IntfPtr<IConsole> &console) : TCustomSnapin(console)
    {
        g_log << QStringLiteral("snapin ctor, console kept: %1")
                     .arg(Console() ? static_cast<TFakeConsole *>(Console().get())->Name
                                    : QStringLiteral("none"));
        SetName(QStringLiteral("Parking"));
        SetDescription(QStringLiteral("Upravljanje parkingom"));
        SetModuleID(2027);
        Viewer = CreateInterfaced<TTestViewer>(Console());
        Navigator = CreateInterfaced<TTestNavigator>(Console());
        DelegateInterface(Viewer);
        DelegateInterface(Navigator);
    }
    ~TTestSnapin() override
    {
        Viewer.reset();
        Navigator.reset();
        g_log << QStringLiteral("~snapin");
    }
    void AfterConstruction() override { g_log << QStringLiteral("after construction"); }

    IntfPtr<IViewer> Viewer;
    IntfPtr<INavigable> Navigator;
};

class TTestFactory : public TCustomSnapinFactory {
public:
    IntfPtr<ISnapin> CreateSnapin(const IntfPtr<IConsole> &console) override
    {
        if (!Snapin)
            Snapin = CreateInterfaced<TTestSnapin>(console);
        return Snapin;
    }
    IntfPtr<ISnapin> Snapin;
};

// Takes a reference to itself while being torn down (e.g. a handler asking for an
// interface); that must not free it a second time.
class TSelfReferencing : public ISnapinFactory, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    explicit TSelfReferencing(int &destroyed) : m_destroyed(destroyed) {}
    ~TSelfReferencing() override { ++m_destroyed; }
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<ISnapinFactory>(this, iid); }
    IntfPtr<ISnapin> CreateSnapin(const IntfPtr<IConsole> &) override { return {}; }
    void BeforeDestruction() override { IntfPtr<IInterface> again = Supports<IInterface>(this); }

private:
    int &m_destroyed;
};

} // namespace

class TestSnapinBases : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { g_log.clear(); }

    void queryInterface_data();
    void queryInterface();
    void referencesFreeObject();
    void transientReferenceWhileDestroying();
    void creationOrderAndStoredValues();
    void delegationAnswersWithCompanion();
    void factoryKeepsFirstConsole();
    void frameCreatedOnceAndPlacedInParent();
    void hideTakesFrameOutOfConsoleWidget();
    void frameDestroyedWithCompanion();
    void frameDeletedByConsoleWidgetFirst();
};

void TestSnapinBases::queryInterface_data()
{
    QTest::addColumn<QUuid>("iid");
    QTest::addColumn<bool>("answered");
    QTest::newRow("ISnapin") << ISnapin::IID << true;
    QTest::newRow("IInterface") << IInterface::IID << true;
    QTest::newRow("IViewer by delegation") << IViewer::IID << true;
    QTest::newRow("INavigable by delegation") << INavigable::IID << true;
    QTest::newRow("IConsole") << IConsole::IID << false;
    QTest::newRow("ISecurityModule") << ISecurityModule::IID << false;
}

void TestSnapinBases::queryInterface()
{
    QFETCH(QUuid, iid);
    QFETCH(bool, answered);
    auto console = CreateInterfaced<TFakeConsole>(QStringLiteral("A"));
    auto snapin = CreateInterfaced<TTestSnapin>(IntfPtr<IConsole>(console));
    const int before = snapin->RefCount();
    IntfPtr<IInterface> answer = IntfPtr<IInterface>::Adopt(snapin->QueryInterface(iid));
    QCOMPARE(bool(answer), answered);
    // A refused query takes no reference.
    if (!answered)
        QCOMPARE(snapin->RefCount(), before);
}

void TestSnapinBases::referencesFreeObject()
{
    {
        auto console = CreateInterfaced<TFakeConsole>(QStringLiteral("A"));
        QCOMPARE(console->RefCount(), 1);
        IntfPtr<IConsole> second(console);
        QCOMPARE(console->RefCount(), 2);
        IntfPtr<IInterface> asBase = Supports<IInterface>(second);
        QCOMPARE(console->RefCount(), 3);
        console.reset();
        second.reset();
        QVERIFY(g_log.isEmpty());
        QCOMPARE(static_cast<TFakeConsole *>(static_cast<IConsole *>(asBase.get()))->RefCount(), 1);
    }
    QCOMPARE(g_log, QStringList{QStringLiteral("~console A")});
}

void TestSnapinBases::transientReferenceWhileDestroying()
{
    int destroyed = 0;
    {
        auto object = CreateInterfaced<TSelfReferencing>(destroyed);
    }
    QCOMPARE(destroyed, 1);
}

void TestSnapinBases::creationOrderAndStoredValues()
{
    auto console = CreateInterfaced<TFakeConsole>(QStringLiteral("A"));
    auto snapin = CreateInterfaced<TTestSnapin>(IntfPtr<IConsole>(console));
    QCOMPARE(g_log, (QStringList{QStringLiteral("snapin ctor, console kept: A"),
                                 QStringLiteral("after construction")}));
    QCOMPARE(snapin->GetName(), QStringLiteral("Parking"));
    QCOMPARE(snapin->GetDescription(), QStringLiteral("Upravljanje parkingom"));
    QCOMPARE(snapin->ModuleID(), 2027);
    QCOMPARE(snapin->GetDataSet(), nullptr);
    QCOMPARE(static_cast<TTestViewer *>(snapin->Viewer.get())->ModuleID(), 77);

    snapin.reset();
    // The snap-in releases its companions; the console outlives them all.
    QCOMPARE(g_log.mid(2), (QStringList{QStringLiteral("~viewer"), QStringLiteral("~navigator"),
                                        QStringLiteral("~snapin")}));
}

void TestSnapinBases::delegationAnswersWithCompanion()
{
    auto console = CreateInterfaced<TFakeConsole>(QStringLiteral("A"));
    auto snapin = CreateInterfaced<TTestSnapin>(IntfPtr<IConsole>(console));
    IntfPtr<ISnapin> asSnapin(snapin);

    IntfPtr<IViewer> viewer = Supports<IViewer>(asSnapin);
    QCOMPARE(viewer.get(), snapin->Viewer.get());
    IntfPtr<INavigable> navigator = Supports<INavigable>(asSnapin);
    QCOMPARE(navigator.get(), snapin->Navigator.get());
    // The companion answers back for itself, not for the snap-in.
    QVERIFY(!Supports<ISnapin>(viewer));

    // A released companion no longer answers.
    snapin->Viewer.reset();
    QVERIFY(!Supports<IViewer>(asSnapin));
    // The reference we took kept the viewer alive.
    QVERIFY(!g_log.contains(QStringLiteral("~viewer")));
    viewer.reset();
    QVERIFY(g_log.contains(QStringLiteral("~viewer")));
}

void TestSnapinBases::factoryKeepsFirstConsole()
{
    auto first = CreateInterfaced<TFakeConsole>(QStringLiteral("A"));
    auto second = CreateInterfaced<TFakeConsole>(QStringLiteral("B"));
    auto factory = CreateInterfaced<TTestFactory>();
    IntfPtr<ISnapinFactory> asFactory = Supports<ISnapinFactory>(factory);
    const IntfPtr<ISnapin> a = asFactory->CreateSnapin(IntfPtr<IConsole>(first));
    const IntfPtr<ISnapin> b = asFactory->CreateSnapin(IntfPtr<IConsole>(second));
    QCOMPARE(a.get(), b.get());
    auto *snapin = static_cast<TTestSnapin *>(a.get());
    QCOMPARE(snapin->Console().get(), static_cast<IConsole *>(first.get()));
    QCOMPARE(static_cast<TTestViewer *>(snapin->Viewer.get())->Console().get(),
             static_cast<IConsole *>(first.get()));
}

void TestSnapinBases::frameCreatedOnceAndPlacedInParent()
{
    auto viewer = CreateInterfaced<TTestViewer>(IntfPtr<IConsole>());
    QVERIFY(!viewer->HasFrame());
    QVERIFY(viewer->GetActionList().isEmpty());
    QWidget parent;
    viewer->Show(&parent);
    viewer->Show(&parent);
    QCOMPARE(g_log.count(QStringLiteral("create frame")), 1);
    QCOMPARE(viewer->Frame()->parentWidget(), &parent);
    QVERIFY(parent.layout() && parent.layout()->indexOf(viewer->Frame()) >= 0);
    QCOMPARE(viewer->GetActionList().size(), 1);
    QCOMPARE(viewer->GetActionList().first()->text(), QStringLiteral("Dodaj"));
}

void TestSnapinBases::hideTakesFrameOutOfConsoleWidget()
{
    auto navigator = CreateInterfaced<TTestNavigator>(IntfPtr<IConsole>());
    QPointer<QWidget> frame;
    {
        QWidget parent;
        parent.show();
        navigator->ShowNavigator(&parent);
        frame = navigator->Frame();
        QVERIFY(frame->isVisible());
        navigator->HideNavigator();
        QVERIFY(!frame->isVisible());
    }
    // The console's widget went; the hidden frame did not go with it.
    QVERIFY(frame);
    QWidget other;
    navigator->ShowNavigator(&other);
    QCOMPARE(navigator->Frame(), frame.data());
    QCOMPARE(frame->parentWidget(), &other);
}

void TestSnapinBases::frameDestroyedWithCompanion()
{
    QWidget parent;
    QPointer<QWidget> frame;
    {
        auto viewer = CreateInterfaced<TTestViewer>(IntfPtr<IConsole>());
        viewer->Show(&parent);
        frame = viewer->CreatedFrame;
    }
    QVERIFY(!frame);
    QCOMPARE(g_log, (QStringList{QStringLiteral("create frame"), QStringLiteral("destroy frame"),
                                 QStringLiteral("~viewer")}));
}

void TestSnapinBases::frameDeletedByConsoleWidgetFirst()
{
    auto viewer = CreateInterfaced<TTestViewer>(IntfPtr<IConsole>());
    {
        QWidget parent;
        viewer->Show(&parent);
    }
    QVERIFY(!viewer->HasFrame());
    viewer.reset();   // nothing left to free twice
    QCOMPARE(g_log.last(), QStringLiteral("~viewer"));
}

QTEST_MAIN(TestSnapinBases)
#include "tst_snapinbases.moc"
