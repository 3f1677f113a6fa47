#include "MainWindow.h"

#include "CsvExport.h"
#include "GridOutput.h"
#include "SnapinManager.h"
#include <console/services/Console.h>
#include <console/services/NoticeLog.h>
#include <dataset/Error.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/report/GridPrint.h>

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace console {

namespace {
const QString kSemicolonFilter = QStringLiteral("CSV, odvojeno tačka-zarezom (*.csv)");
const QString kCommaFilter = QStringLiteral("CSV, odvojeno zarezom (*.csv)");
} // namespace

MainWindow::MainWindow(Console &console, NoticeLog &notices, QWidget *parent)
    : QMainWindow(parent)
    , m_console(console)
    , m_snapinList(new QListWidget(this))
    , m_splitter(new QSplitter(Qt::Horizontal, this))
    , m_navigatorHost(new QWidget(m_splitter))
    , m_viewerHost(new QWidget(m_splitter))
    , m_log(new QPlainTextEdit(this))
    , m_toolBar(addToolBar(QStringLiteral("Alati")))
{
    setWindowTitle(QStringLiteral("Parking konzola"));
    dataset::ResizeScaled(*this, 1200, 760);

    m_printAction = new QAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                QStringLiteral("Štampaj"), this);
    m_printAction->setShortcut(QKeySequence::Print);
    m_exportAction = new QAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                 QStringLiteral("Izvezi u CSV"), this);
    m_exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    auto *quitAction = new QAction(QStringLiteral("Izlaz"), this);
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(m_printAction, &QAction::triggered, this, &MainWindow::PrintExecute);
    connect(m_exportAction, &QAction::triggered, this, &MainWindow::ExportExecute);
    connect(quitAction, &QAction::triggered, this, &QWidget::close);

    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("&Datoteka"));
    m_fileMenu = fileMenu;
    fileMenu->addAction(m_printAction);
    fileMenu->addAction(m_exportAction);
    fileMenu->addSeparator();
    m_passwordAction = fileMenu->addAction(QStringLiteral("Promena lozinke"));
    fileMenu->addSeparator();
    fileMenu->addAction(quitAction);

    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->addAction(m_printAction);
    m_toolBar->addAction(m_exportAction);
    m_toolBar->addSeparator();

    m_snapinList->setIconSize(QSize(32, 32));
    m_snapinList->setMinimumWidth(dataset::Scaled(*this, 150));
    auto *snapinDock = new QDockWidget(QStringLiteral("Moduli"), this);
    snapinDock->setObjectName(QStringLiteral("snapinDock"));
    snapinDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    snapinDock->setWidget(m_snapinList);
    addDockWidget(Qt::LeftDockWidgetArea, snapinDock);

    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(500);
    auto *logDock = new QDockWidget(QStringLiteral("Dnevnik"), this);
    logDock->setObjectName(QStringLiteral("logDock"));
    logDock->setFeatures(QDockWidget::DockWidgetClosable);
    logDock->setWidget(m_log);
    addDockWidget(Qt::BottomDockWidgetArea, logDock);
    resizeDocks({logDock}, {90}, Qt::Vertical);

    m_navigatorHost->setObjectName(QStringLiteral("navigatorHost"));
    m_viewerHost->setObjectName(QStringLiteral("viewerHost"));
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({dataset::Scaled(*this, 260), dataset::Scaled(*this, 800)});
    setCentralWidget(m_splitter);

    connect(m_snapinList, &QListWidget::currentRowChanged, this, &MainWindow::ActivateSnapin);
    connect(&notices, &NoticeLog::noticeAdded, this, [this](const QString &text) {
        AddLogLine(text);
        statusBar()->showMessage(text, 15000);
    });
    m_console.SetPrintGridChanged([this](dataset::DBGrid *) { UpdatePrintActions(); });
    UpdatePrintActions();
}

MainWindow::~MainWindow()
{
    m_console.SetPrintGridChanged({});
    ShutdownSnapins();
}

void MainWindow::ShowSnapins(const SnapinManager &manager)
{
    for (const QString &error : manager.Errors()) {
        AddLogLine(error);
        statusBar()->showMessage(error, 15000);
    }
    QSignalBlocker blocker(m_snapinList);
    for (SnapinPlugin *plugin : manager.Running()) {
        Entry entry;
        entry.snapin = plugin->Snapin();
        entry.viewer = plugin->Viewer();
        entry.navigator = plugin->Navigator();
        auto *item = new QListWidgetItem(QIcon(entry.snapin->GetImage()), entry.snapin->GetName(),
                                         m_snapinList);
        item->setToolTip(entry.snapin->GetDescription());
        m_entries.push_back(std::move(entry));
    }
    if (m_entries.empty())
        AddLogLine(QStringLiteral("Nijedan modul nije učitan."));
    else
        m_snapinList->setCurrentRow(0);
    blocker.unblock();
    if (!m_entries.empty())
        ActivateSnapin(0);
}

void MainWindow::ActivateSnapin(int row)
{
    if (row == m_current)
        return;
    DeactivateSnapin();
    if (row < 0 || row >= static_cast<int>(m_entries.size()))
        return;
    m_current = row;
    Entry &entry = m_entries[static_cast<std::size_t>(row)];
    if (entry.viewer) {
        if (!entry.loaded) {
            entry.loaded = true;
            entry.viewer->Load(entry.snapin);
        }
        entry.viewer->Show(m_viewerHost);
        // A frame with a toolbar of its own shows its actions there; the console's
        // toolbar carries only those no frame shows.
        for (QAction *action : entry.viewer->GetActionList())
            if (!OnFrameToolBar(action))
                m_snapinActions << action;
        m_toolBar->addActions(m_snapinActions);
    }
    if (entry.navigator)
        entry.navigator->ShowNavigator(m_navigatorHost);
    m_navigatorHost->setVisible(bool(entry.navigator));
    setWindowTitle(QStringLiteral("Parking konzola - %1").arg(entry.snapin->GetName()));
}

bool MainWindow::OnFrameToolBar(const QAction *action) const
{
    const QList<QObject *> shownBy = action->associatedObjects();
    return std::any_of(shownBy.begin(), shownBy.end(), [this](QObject *object) {
        const auto *bar = qobject_cast<QToolBar *>(object);
        return bar && m_viewerHost->isAncestorOf(bar);
    });
}

void MainWindow::DeactivateSnapin()
{
    if (m_current < 0)
        return;
    Entry &entry = m_entries[static_cast<std::size_t>(m_current)];
    m_current = -1;
    for (QAction *action : std::as_const(m_snapinActions))
        m_toolBar->removeAction(action);
    m_snapinActions.clear();
    if (entry.navigator)
        entry.navigator->HideNavigator();
    if (entry.viewer)
        entry.viewer->Hide();
    setWindowTitle(QStringLiteral("Parking konzola"));
}

void MainWindow::ShutdownSnapins()
{
    DeactivateSnapin();
    const QSignalBlocker blocker(m_snapinList);
    m_snapinList->clear();
    m_entries.clear();
}

void MainWindow::SetUserText(const QString &text)
{
    auto *label = findChild<QLabel *>(QStringLiteral("userLabel"));
    if (!label) {
        label = new QLabel(this);
        label->setObjectName(QStringLiteral("userLabel"));
        statusBar()->addPermanentWidget(label);
    }
    label->setText(text);
}

void MainWindow::AddLogLine(const QString &line)
{
    m_log->appendPlainText(line);
}

void MainWindow::UpdatePrintActions()
{
    const bool hasGrid = m_console.GetPrintGrid() != nullptr;
    m_printAction->setEnabled(hasGrid);
    m_exportAction->setEnabled(hasGrid);
}

void MainWindow::PrintExecute()
{
    dataset::DBGrid *grid = m_console.GetPrintGrid();
    if (!grid)
        throw dataset::Error(QStringLiteral("Nema tabele za štampu."));
    const QString file = PrintGrid(*grid, windowTitle(), QString(), this);
    if (!file.isEmpty())
        AddLogLine(QStringLiteral("Štampa je sačuvana u %1.").arg(file));
}

void MainWindow::ExportExecute()
{
    if (!m_console.GetPrintGrid())
        throw dataset::Error(QStringLiteral("Nema tabele za izvoz."));
    QString filter = kSemicolonFilter;
    const QString fileName = QFileDialog::getSaveFileName(
        this, QStringLiteral("Izvoz u CSV"), QStringLiteral("izvoz.csv"),
        kSemicolonFilter + QStringLiteral(";;") + kCommaFilter, &filter);
    if (fileName.isEmpty())
        return;
    ExportTo(fileName, filter == kCommaFilter ? QLatin1Char(',') : QLatin1Char(';'));
}

void MainWindow::ExportTo(const QString &fileName, QChar separator)
{
    dataset::DBGrid *grid = m_console.GetPrintGrid();
    if (!grid)
        throw dataset::Error(QStringLiteral("Nema tabele za izvoz."));
    WriteFile(fileName, GridToCsv(*grid, separator));
    statusBar()->showMessage(QStringLiteral("Tabela je izvezena u %1.").arg(fileName), 10000);
}

} // namespace console
