// The console's snap-in loader and how the main window shows a loaded snap-in.

#include <console/MainWindow.h>
#include <console/services/Console.h>
#include <console/services/NoticeLog.h>
#include <console/SnapinManager.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

using namespace console;

namespace {

QStringList Events()
{
    return qApp->property("testSnapinEvents").toStringList();
}

QString LibraryPath(const QString &name)
{
    return QStringLiteral(TEST_SNAPIN_DIR "/lib%1.so").arg(name);
}

// A folder holding copies of the named test libraries (and a file that is no library).
class PluginFolder {
public:
    explicit PluginFolder(const QStringList &libraries)
    {
        for (const QString &name : libraries)
            QVERIFY(QFile::copy(LibraryPath(name), m_dir.filePath(QStringLiteral("lib%1.so").arg(name))));
        QFile readme(m_dir.filePath(QStringLiteral("README.txt")));
        QVERIFY(readme.open(QIODevice::WriteOnly));
    }
    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestSnapinLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { qApp->setProperty("testSnapinEvents", QStringList()); }

    void brokenLibraryStopsAtItsStep_data();
    void brokenLibraryStopsAtItsStep();
    void goodLibrariesRunAndFinalizeInReverse();
    void windowPlacesViewerNavigatorAndActions();
    void windowReportsLoadErrorsAndNotices();
};

void TestSnapinLoader::brokenLibraryStopsAtItsStep_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("errorPart");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("missing export") << QStringLiteral("testsnapin_noexport")
                                    << int(SnapinPlugin::State::Found)
                                    << QStringLiteral("GetSnapinFactory") << QStringList();
    QTest::newRow("failing Initialize")
        << QStringLiteral("testsnapin_badinit") << int(SnapinPlugin::State::Loaded)
        << QStringLiteral("tabela nije pronađena") << QStringList{QStringLiteral("BadInit:Initialize")};
    QTest::newRow("not a library") << QStringLiteral("/nonexistent/libnothing")
                                   << int(SnapinPlugin::State::Found)
                                   << QStringLiteral("ne može učitati") << QStringList();
}

void TestSnapinLoader::brokenLibraryStopsAtItsStep()
{
    QFETCH(QString, library);
    QFETCH(int, state);
    QFETCH(QString, errorPart);
    QFETCH(QStringList, events);

    const IntfPtr<IConsole> console(new Console);
    {
        SnapinPlugin plugin(library.startsWith(QLatin1Char('/')) ? library + QStringLiteral(".so")
                                                                 : LibraryPath(library));
        QVERIFY(!(plugin.Load() && plugin.Initialize() && plugin.Start(console)));
        QCOMPARE(int(plugin.GetState()), state);
        QVERIFY2(plugin.ErrorString().contains(errorPart), qPrintable(plugin.ErrorString()));
        QVERIFY(!plugin.Snapin());
    }
    // A library whose Initialize failed is not finalized either.
    QCOMPARE(Events(), events);
}

void TestSnapinLoader::goodLibrariesRunAndFinalizeInReverse()
{
    PluginFolder folder({QStringLiteral("testsnapin_a"), QStringLiteral("testsnapin_b"),
                         QStringLiteral("testsnapin_badinit")});
    auto *console = new Console;
    const IntfPtr<IConsole> consoleRef(console);
    {
        SnapinManager manager;
        QCOMPARE(manager.LoadFolder(folder.Path(), consoleRef), 2);
        QCOMPARE(manager.Plugins().size(), std::size_t(3));   // README.txt is skipped
        QCOMPARE(manager.Running().size(), std::size_t(2));
        QCOMPARE(manager.Errors().size(), 1);
        QCOMPARE(manager.Running()[0]->Snapin()->GetName(), QStringLiteral("Alfa"));
        QVERIFY(manager.Running()[0]->Viewer());
        QVERIFY(manager.Running()[0]->Navigator());
        // The snap-ins hold the console.
        QVERIFY(console->RefCount() > 1);
        manager.StopAll();
        QVERIFY(manager.Running().empty());
    }
    QCOMPARE(console->RefCount(), 1);
    QCOMPARE(Events(), (QStringList{
        QStringLiteral("Alfa:Initialize"), QStringLiteral("Alfa:CreateSnapin"),
        QStringLiteral("Beta:Initialize"), QStringLiteral("Beta:CreateSnapin"),
        QStringLiteral("BadInit:Initialize"),
        QStringLiteral("Beta:Finalize"), QStringLiteral("Beta:SnapinDestroyed"),
        QStringLiteral("Alfa:Finalize"), QStringLiteral("Alfa:SnapinDestroyed")}));
}

void TestSnapinLoader::windowPlacesViewerNavigatorAndActions()
{
    PluginFolder folder({QStringLiteral("testsnapin_a"), QStringLiteral("testsnapin_b")});
    const IntfPtr<Console> console(new Console);
    NoticeLog notices;
    SnapinManager manager;
    manager.LoadFolder(folder.Path(), IntfPtr<IConsole>(console));
    {
        MainWindow window(*console, notices);
        window.ShowSnapins(manager);
        QCOMPARE(window.SnapinList()->count(), 2);
        QCOMPARE(window.SnapinList()->item(0)->text(), QStringLiteral("Alfa"));
        QVERIFY(!window.SnapinList()->item(0)->icon().isNull());
        QVERIFY(window.ViewerHost()->findChild<QLabel *>(QStringLiteral("testViewerFrame")));
        QVERIFY(window.NavigatorHost()->findChild<QLabel *>(QStringLiteral("testNavigatorFrame")));
        const auto actions = window.ToolBar()->actions();
        QVERIFY(std::any_of(actions.begin(), actions.end(),
                            [](QAction *a) { return a->text() == QStringLiteral("Test akcija"); }));
        QCOMPARE(Events().mid(4), (QStringList{QStringLiteral("Alfa:Load"), QStringLiteral("Alfa:Show"),
                                               QStringLiteral("Alfa:ShowNavigator")}));

        // Switching hides the first snap-in's frames and actions and loads the second once.
        window.SnapinList()->setCurrentRow(1);
        window.SnapinList()->setCurrentRow(0);
        window.SnapinList()->setCurrentRow(1);
        QCOMPARE(Events().count(QStringLiteral("Beta:Load")), 1);
        QCOMPARE(Events().count(QStringLiteral("Alfa:Load")), 1);
        QCOMPARE(window.ViewerHost()->findChildren<QLabel *>().size(), 1);
        const auto after = window.ToolBar()->actions();
        QCOMPARE(std::count_if(after.begin(), after.end(),
                               [](QAction *a) { return a->text() == QStringLiteral("Test akcija"); }),
                 1);

        window.ShutdownSnapins();
        QVERIFY(window.ViewerHost()->findChildren<QLabel *>().isEmpty());
    }
    manager.StopAll();
    QCOMPARE(Events().mid(Events().size() - 4),
             (QStringList{QStringLiteral("Beta:Finalize"), QStringLiteral("Beta:SnapinDestroyed"),
                          QStringLiteral("Alfa:Finalize"), QStringLiteral("Alfa:SnapinDestroyed")}));
}

void TestSnapinLoader::windowReportsLoadErrorsAndNotices()
{
    PluginFolder folder({QStringLiteral("testsnapin_noexport")});
    const IntfPtr<Console> console(new Console);
    NoticeLog notices;
    SnapinManager manager;
    QCOMPARE(manager.LoadFolder(folder.Path(), IntfPtr<IConsole>(console)), 0);
    MainWindow window(*console, notices);
    window.ShowSnapins(manager);
    const QString log = window.LogPane()->toPlainText();
    QVERIFY2(log.contains(QStringLiteral("libtestsnapin_noexport.so")), qPrintable(log));
    QVERIFY(log.contains(QStringLiteral("Nijedan modul nije učitan.")));

    // Notices of the document service show up in the log too.
    notices.Add(QStringLiteral("Dokument R-1 je snimljen."));
    QVERIFY(window.LogPane()->toPlainText().contains(QStringLiteral("Dokument R-1 je snimljen.")));
}

QTEST_MAIN(TestSnapinLoader)
#include "tst_snapin_loader.moc"
