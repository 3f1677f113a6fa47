#include <framework/base/CustomViewerForm.h>

#include <dataset/widgets/DBGrid.h>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Lists the grid's columns with a tick each; OK applies the ticks.
void EditColumnsVisibility(QWidget *parent, dataset::DBGrid *grid)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ColumnsVisibilityDialog"));
    dialog.setWindowTitle(QStringLiteral("Vidljivost kolona"));
    auto *list = new QListWidget(&dialog);
    const QAbstractItemModel *model = grid->model();
    const int columns = model ? model->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        auto *item = new QListWidgetItem(model->headerData(column, Qt::Horizontal).toString(), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(grid->isColumnHidden(column) ? Qt::Unchecked : Qt::Checked);
    }
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("U redu"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Otkaži"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (int column = 0; column < columns && column < list->count(); ++column)
        grid->setColumnHidden(column, list->item(column)->checkState() != Qt::Checked);
}

// The width 'bar' needs to show every command in its present style, measured from its
// buttons (the toolbar's own size hint lags behind a change of style).
int ToolBarWidth(const QToolBar &bar)
{
    int buttons = 0;
    int shown = 0;
    for (QAction *action : bar.actions()) {
        if (const QWidget *widget = bar.widgetForAction(action); widget && action->isVisible()) {
            buttons += widget->sizeHint().width();
            ++shown;
        }
    }
    const QStyle *style = bar.style();
    const int margin = style->pixelMetric(QStyle::PM_ToolBarItemMargin, nullptr, &bar)
        + style->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, &bar);
    const int spacing = style->pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, &bar);
    const int handle = bar.isMovable() ? style->pixelMetric(QStyle::PM_ToolBarHandleExtent, nullptr, &bar) : 0;
    return buttons + std::max(shown - 1, 0) * spacing + 2 * margin + handle;
}

} // namespace

TCustomViewerForm::TCustomViewerForm(QWidget *parent)
    : QWidget(parent),
      ActionTB(new QToolBar(this)),
      CenterPanel(new QWidget(this)),
      DBG(new dataset::DBGrid(CenterPanel)),
      ColumnsVisibility(nullptr),
      PopupMenu(new QMenu(this))
{
    ActionTB->setObjectName(QStringLiteral("ActionTB"));
    ActionTB->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ActionTB->setIconSize(QSize(16, 16));
    CenterPanel->setObjectName(QStringLiteral("CenterPanel"));
    DBG->setObjectName(QStringLiteral("DBG"));
    DBG->SetReadOnly(true);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));

    auto *centerLayout = new QVBoxLayout(CenterPanel);
    centerLayout->setContentsMargins(0, 0, 0, 0);
    centerLayout->addWidget(DBG);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionTB);
    layout->addWidget(CenterPanel, 1);

    ColumnsVisibility = CreateAction(QStringLiteral("ColumnsVisibility"),
                                     QStringLiteral("Vidljivost kolona"));
    connect(ColumnsVisibility, &QAction::triggered, this, [this] { ColumnsVisibilityExecute(); });

    DBG->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBG, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (!PopupMenu->isEmpty())
            PopupMenu->popup(DBG->viewport()->mapToGlobal(pos));
    });
    connect(DBG, &dataset::DBGrid::cellDoubleClicked, this, [this](int row, int column) {
        m_dblClickRow = row;
        m_dblClickColumn = column;
        DBGDblClick();
    });
}

TCustomViewerForm::~TCustomViewerForm() = default;

int TCustomViewerForm::CompactToolBarWidth() const
{
    const Qt::ToolButtonStyle shown = ActionTB->toolButtonStyle();
    ActionTB->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const int width = ToolBarWidth(*ActionTB);
    ActionTB->setToolButtonStyle(shown);
    return width;
}

void TCustomViewerForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FitToolBar();
}

// The commands' texts beside their icons where the frame is wide enough for all of them,
// else the icons alone (each names its command as a tool tip): no command hides behind
// the toolbar's overflow, and a large font still leaves the frame room in the console.
void TCustomViewerForm::FitToolBar()
{
    ActionTB->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    if (ToolBarWidth(*ActionTB) > width())
        ActionTB->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

QAction *TCustomViewerForm::CreateAction(const QString &name, const QString &caption,
                                         int imageIndex, const QKeySequence &shortcut)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    if (imageIndex >= 0)
        action->setIcon(Image(imageIndex));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // Active while the focus is anywhere in this frame, not in the console's other panes.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        // The toolbar's button tells the shortcut where the pointer rests.
        action->setToolTip(
            QStringLiteral("%1 (%2)").arg(action->iconText(), shortcut.toString(QKeySequence::NativeText)));
    }
    addAction(action);
    ActionList.append(action);
    return action;
}

QIcon TCustomViewerForm::Image(int index) const
{
    return index >= 0 && index < ImageList.size() ? ImageList.at(index) : QIcon();
}

void TCustomViewerForm::DBGDblClick()
{
}

void TCustomViewerForm::ColumnsVisibilityExecute()
{
    EditColumnsVisibility(this, DBG);
}
