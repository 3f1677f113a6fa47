// A small snap-in library for the console's loader tests. Built three times: whole,
// without GetSnapinFactory (TEST_SNAPIN_NO_FACTORY) and with an Initialize that throws
// (TEST_SNAPIN_FAIL_INIT). Every call is appended to the application property
// "testSnapinEvents" as "<TEST_SNAPIN_NAME>:<call>", so a test sees the order across
// libraries.

#include <dataset/Error.h>
#include <framework/Interfaces.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <QVariant>

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void Record(const QString &event)
{
    QStringList events = qApp->property("testSnapinEvents").toStringList();
    events << QStringLiteral(TEST_SNAPIN_NAME ":") + event;
    qApp->setProperty("testSnapinEvents", events);
}

// Puts a label into 'parent', which the console gives without a layout of its own.
QLabel *PlaceLabel(QWidget *parent, const QString &objectName, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    if (!parent->layout())
        new QVBoxLayout(parent);
    parent->layout()->addWidget(label);
    label->show();
    return label;
}

class Viewer final : public TInterfacedObject, public IViewer, public INavigable {
public:
    PARKING_INTERFACED_OBJECT
    Viewer() : m_action(QStringLiteral("Test akcija")) {}
    ~Viewer() override { delete m_frame; delete m_navigator; }

    IInterface *QueryInterface(const QUuid &iid) override
    {
        if (iid == IViewer::IID) { AddRef(); return static_cast<IViewer *>(this); }
        if (iid == INavigable::IID) { AddRef(); return static_cast<INavigable *>(this); }
        return nullptr;
    }
    void Load(const IntfPtr<ISnapin> &) override { Record(QStringLiteral("Load")); }
    void Show(QWidget *parent) override
    {
        Record(QStringLiteral("Show"));
        if (!m_frame)
            m_frame = PlaceLabel(parent, QStringLiteral("testViewerFrame"), QStringLiteral("Lista dokumenata"));
    }
    void Hide() override
    {
        Record(QStringLiteral("Hide"));
        delete m_frame;
        m_frame = nullptr;
    }
    QList<QAction *> GetActionList() override { return {&m_action}; }
    void ShowNavigator(QWidget *parent) override
    {
        Record(QStringLiteral("ShowNavigator"));
        if (!m_navigator)
            m_navigator = PlaceLabel(parent, QStringLiteral("testNavigatorFrame"), QStringLiteral("Pretraga"));
    }
    void HideNavigator() override
    {
        Record(QStringLiteral("HideNavigator"));
        delete m_navigator;
        m_navigator = nullptr;
    }

private:
    QAction m_action;
    QLabel *m_frame = nullptr;
    QLabel *m_navigator = nullptr;
};

class Snapin final : public TInterfacedObject, public ISnapin {
public:
    PARKING_INTERFACED_OBJECT
    explicit Snapin(const IntfPtr<IConsole> &console) : m_console(console), m_viewer(new Viewer) {}
    ~Snapin() override { Record(QStringLiteral("SnapinDestroyed")); }

    IInterface *QueryInterface(const QUuid &iid) override
    {
        if (iid == ISnapin::IID) { AddRef(); return static_cast<ISnapin *>(this); }
        if (iid == IViewer::IID || iid == INavigable::IID)
            return m_viewer->QueryInterface(iid);
        return nullptr;
    }
    dataset::Query *GetDataSet() override { return nullptr; }
    QString GetDescription() override { return QStringLiteral("Modul za testove"); }
    QPixmap GetImage() override
    {
        QPixmap image(16, 16);
        image.fill(Qt::darkCyan);
        return image;
    }
    QString GetName() override { return QStringLiteral(TEST_SNAPIN_NAME); }
    int GetSnapinType() override { return 0; }

private:
    IntfPtr<IConsole> m_console;
    IntfPtr<Viewer> m_viewer;
};

class Factory final : public TInterfacedObject, public ISnapinFactory {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override
    {
        if (iid == ISnapinFactory::IID || iid == IInterface::IID) {
            AddRef();
            return static_cast<ISnapinFactory *>(this);
        }
        return nullptr;
    }
    IntfPtr<ISnapin> CreateSnapin(const IntfPtr<IConsole> &console) override
    {
        Record(QStringLiteral("CreateSnapin"));
        if (!m_snapin)
            m_snapin = IntfPtr<ISnapin>(new Snapin(console));
        return m_snapin;
    }

private:
    IntfPtr<ISnapin> m_snapin;
};

IntfPtr<Factory> &TheFactory()
{
    static IntfPtr<Factory> factory;
    return factory;
}

} // namespace

TEST_EXPORT void Initialize()
{
    Record(QStringLiteral("Initialize"));
#ifdef TEST_SNAPIN_FAIL_INIT
    throw dataset::Error(QStringLiteral("tabela nije pronađena"));
#endif
    if (!TheFactory())
        TheFactory() = IntfPtr<Factory>(new Factory);
}

TEST_EXPORT void Finalize()
{
    Record(QStringLiteral("Finalize"));
    TheFactory().reset();
}

#ifndef TEST_SNAPIN_NO_FACTORY
TEST_EXPORT IInterface *GetSnapinFactory()
{
    IntfPtr<IInterface> result(static_cast<ISnapinFactory *>(TheFactory().get()));
    return result.release();
}
#endif
