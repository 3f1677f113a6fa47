#pragma once

#include <framework/Interfaces.h>

#include <QMainWindow>
#include <vector>

class QAction;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolBar;

namespace console {

class Console;
class NoticeLog;
class SnapinManager;

// The console's window: snap-ins by name and image on the left, the chosen snap-in's
// navigator and viewer in the centre, its actions on the toolbar, print and export of
// the current print grid, and a log of notices and load errors at the bottom.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Console &console, NoticeLog &notices, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Lists the running snap-ins of 'manager' and shows the first; its load errors go
    // into the log. The manager must outlive ShutdownSnapins.
    void ShowSnapins(const SnapinManager &manager);
    // Hides the current snap-in and drops every reference to the snap-ins, so the
    // manager can finalize their libraries.
    void ShutdownSnapins();

    void SetUserText(const QString &text);
    void AddLogLine(const QString &line);

    // Print and export of the current print grid (the menu and toolbar commands).
    void PrintExecute();
    void ExportExecute();
    // Writes the print grid as CSV to 'fileName'.
    void ExportTo(const QString &fileName, QChar separator);

    QAction *PrintAction() const { return m_printAction; }
    QAction *ExportAction() const { return m_exportAction; }
    // "Promena lozinke" of the current user; whoever knows the user connects it.
    QAction *PasswordAction() const { return m_passwordAction; }
    QMenu *FileMenu() const { return m_fileMenu; }
    QListWidget *SnapinList() const { return m_snapinList; }
    QWidget *ViewerHost() const { return m_viewerHost; }
    QWidget *NavigatorHost() const { return m_navigatorHost; }
    QToolBar *ToolBar() const { return m_toolBar; }
    QPlainTextEdit *LogPane() const { return m_log; }

private:
    struct Entry {
        IntfPtr<ISnapin> snapin;
        IntfPtr<IViewer> viewer;
        IntfPtr<INavigable> navigator;
        bool loaded = false;
    };

    void ActivateSnapin(int row);
    bool OnFrameToolBar(const QAction *action) const;
    void DeactivateSnapin();
    void UpdatePrintActions();

    Console &m_console;
    std::vector<Entry> m_entries;
    int m_current = -1;
    QList<QAction *> m_snapinActions;

    QListWidget *m_snapinList;
    QSplitter *m_splitter;
    QWidget *m_navigatorHost;
    QWidget *m_viewerHost;
    QPlainTextEdit *m_log;
    QToolBar *m_toolBar;
    QAction *m_printAction;
    QAction *m_exportAction;
    QAction *m_passwordAction;
    QMenu *m_fileMenu;
};

} // namespace console
