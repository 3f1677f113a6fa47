#include "DBGrid.h"

#include "DataSetModel.h"
#include "DesignScale.h"
#include "FieldText.h"
#include "GridDelegate.h"
#include <dataset/DataSource.h>
#include <dataset/ErrorRelay.h>
#include <dataset/Field.h>
#include <dataset/Query.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScopedValueRollback>

namespace dataset {

namespace {

// The indicator column is as wide as it is set to be, so its size hint needs no look at
// the rows; Qt's own hint measures up to two hundred of them after every row that comes.
// A changed indicator repaints the narrow header whole: Qt's own handler asks for the
// row's place, which after a row came means walking every row.
class IndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit IndicatorHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent)
    {
        setSectionsClickable(true);
        setHighlightSections(true);
    }
    QSize sizeHint() const override { return {minimumWidth(), defaultSectionSize()}; }

public Q_SLOTS:
    // Found by name when QHeaderView connects to the model, so it replaces the base's.
    void headerDataChanged(Qt::Orientation orientation, int, int)
    {
        if (orientation == Qt::Vertical)
            viewport()->update();
    }
};

constexpr DBGrid::Options kDefaultOptions = DBGrid::Option::Editing | DBGrid::Option::Titles
    | DBGrid::Option::Indicator | DBGrid::Option::ColumnResize | DBGrid::Option::GridLines
    | DBGrid::Option::Tabs | DBGrid::Option::CancelOnExit;
}

DBGrid::DBGrid(QWidget *parent)
    : QTableView(parent)
    , m_errors(new ErrorRelay(this))
    , m_model(new DataSetModel(this))
    , m_options(kDefaultOptions)
{
    setVerticalHeader(new IndicatorHeader(this));
    setModel(m_model);
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(fontMetrics().height());
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    connect(m_model, &DataSetModel::currentRowChanged, this, &DBGrid::FollowCursor);
    // Rows that come are followed later (FollowCursor); any other change at once.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { m_rowsCame = true; });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { m_rowsCame = false; });
    connect(m_model, &QAbstractItemModel::rowsMoved, this, [this] { m_rowsCame = false; });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_rowsCame = false; });
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, &DBGrid::RememberLayout);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DBGrid::ApplyWidths);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &DBGrid::OnSectionResized);
    // The handlers of the grid's own signals run inside Qt's event handling: what they
    // throw is caught here and reported once that handling is done.
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { Relayed(m_errors, [&] { Q_EMIT titleClicked(column); }); });
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int column) { Relayed(m_errors, [&] { Q_EMIT cellDoubleClicked(-1, column); }); });
    connect(qApp, &QApplication::focusChanged, this, &DBGrid::OnFocusChanged);
    ApplyOptions();
}

DBGrid::~DBGrid()
{
    // A grid that had focus gives it up while QWidget's destructor runs, when this object
    // is no longer a DBGrid: the application must not call back into it then.
    disconnect(qApp, &QApplication::focusChanged, this, &DBGrid::OnFocusChanged);
}

void DBGrid::SetDataSource(DataSource *source)
{
    m_source.Bind(source, m_model, &DataSetModel::SetQuery);
}

DataSource *DBGrid::GetDataSource() const
{
    return m_source.Source();
}

Query *DBGrid::GetDataSet() const
{
    return m_model->GetQuery();
}

void DBGrid::SetOptions(Options options)
{
    m_options = options;
    ApplyOptions();
}

void DBGrid::SetOption(Option option, bool on)
{
    m_options.setFlag(option, on);
    ApplyOptions();
}

void DBGrid::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    ApplyOptions();
}

void DBGrid::ApplyOptions()
{
    const bool editing = m_options.testFlag(Option::Editing) && !m_readOnly;
    // A click on the current cell is handled here (mouseReleaseEvent), not by Qt's delayed
    // trigger.
    setEditTriggers(editing ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                  | QAbstractItemView::AnyKeyPressed
                            : QAbstractItemView::NoEditTriggers);
    m_model->SetReadOnly(!editing);
    horizontalHeader()->setVisible(m_options.testFlag(Option::Titles));
    verticalHeader()->setVisible(m_options.testFlag(Option::Indicator));
    horizontalHeader()->setSectionResizeMode(m_options.testFlag(Option::ColumnResize) ? QHeaderView::Interactive
                                                                                      : QHeaderView::Fixed);
    setShowGrid(m_options.testFlag(Option::GridLines));
    setTabKeyNavigation(m_options.testFlag(Option::Tabs));
}

bool DBGrid::CanEdit() const
{
    const Query *query = GetDataSet();
    return query && query->Active() && query->RequestLive() && m_options.testFlag(Option::Editing) && !m_readOnly;
}

// --- columns ----------------------------------------------------------------

void DBGrid::AddColumn(const QString &fieldName, int width, bool readOnly)
{
    m_layout.push_back(ColumnLayout{fieldName, width, false});
    m_model->AddColumn(fieldName, readOnly);
}

void DBGrid::ClearColumns()
{
    m_layout.clear();
    m_model->ClearColumns();
}

int DBGrid::ColumnCount() const
{
    return m_model->columnCount();
}

QString DBGrid::ColumnFieldName(int column) const
{
    return m_model->ColumnFieldName(column);
}

int DBGrid::ColumnByFieldName(const QString &fieldName) const
{
    return m_model->ColumnByFieldName(fieldName);
}

void DBGrid::SetColumnTitle(int column, const QString &title)
{
    m_model->SetColumnTitle(column, title);
}

void DBGrid::SetColumnButton(int column, bool ellipsis)
{
    if (column < 0 || column >= int(m_layout.size()))
        return;
    m_layout[column].ellipsis = ellipsis;
    viewport()->update();
}

bool DBGrid::ColumnButton(int column) const
{
    return column >= 0 && column < int(m_layout.size()) && m_layout[column].ellipsis;
}

void DBGrid::SetStretchColumn(const QString &fieldName)
{
    m_stretchField = fieldName;
    StretchColumn();
}

// The title whole, between the section's margins.
int DBGrid::TitleWidth(int column) const
{
    const QString title = m_model->headerData(column, Qt::Horizontal).toString();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader());
    return horizontalHeader()->fontMetrics().horizontalAdvance(title) + 2 * margin + 4;
}

// A configured width is the design's, scaled to the font, and leaves the title whole
// beside the ellipsis button. A width the user gave by dragging stays as it is.
int DBGrid::ConfiguredWidth(int column) const
{
    const ColumnLayout &layout = m_layout[std::size_t(column)];
    if (layout.resized > 0)
        return layout.resized;
    if (layout.width <= 0)
        return DefaultWidth(column);
    const int button = layout.ellipsis ? qMin(verticalHeader()->defaultSectionSize(), 20) : 0;
    return qMax(Scaled(*this, layout.width), TitleWidth(column) + button);
}

int DBGrid::DefaultWidth(int column) const
{
    const QFontMetrics fm = fontMetrics();
    int content = 10 * fm.averageCharWidth();
    const Query *query = m_model->GetQuery();
    if (const Field *field = query ? query->FindField(m_model->ColumnFieldName(column)) : nullptr) {
        switch (field->DataType()) {
        case FieldType::String: content = qBound(4, field->Size(), 40) * fm.averageCharWidth(); break;
        case FieldType::Memo: content = 30 * fm.averageCharWidth(); break;
        // Dates are shown whole: measured on a sample in the display form.
        case FieldType::DateTime: content = fm.horizontalAdvance(QStringLiteral("00.00.0000 00:00")); break;
        case FieldType::Date: content = fm.horizontalAdvance(QStringLiteral("00.00.0000")); break;
        case FieldType::Boolean: content = 5 * fm.averageCharWidth(); break;
        case FieldType::Real: content = 12 * fm.averageCharWidth(); break;
        default: content = 8 * fm.averageCharWidth(); break;
        }
    }
    return qMax(content + 10, TitleWidth(column));
}

void DBGrid::RememberLayout()
{
    m_resetting = true;
    m_hidden.clear();
    for (int i = 0; i < m_model->columnCount(); ++i)
        if (isColumnHidden(i))
            m_hidden << m_model->ColumnFieldName(i);
}

// A model reset gives every section the default size; widths (configured, resized by the
// user or taken from the field) and hidden columns are put back.
void DBGrid::ApplyWidths()
{
    m_applyingWidths = true;
    for (int i = 0; i < m_model->columnCount(); ++i) {
        const QString name = m_model->ColumnFieldName(i);
        const int width = i < int(m_layout.size()) ? ConfiguredWidth(i) : m_autoWidths.value(name, -1);
        setColumnWidth(i, width > 0 ? width : DefaultWidth(i));
        setColumnHidden(i, m_hidden.contains(name));
    }
    m_applyingWidths = false;
    StretchColumn();
    m_resetting = false;
    FollowCursor();
}

void DBGrid::OnSectionResized(int column, int, int newSize)
{
    if (m_applyingWidths || newSize <= 0)
        return;
    if (column < int(m_layout.size()))
        m_layout[column].resized = newSize;
    else
        m_autoWidths.insert(m_model->ColumnFieldName(column), newSize);
}

// The stretching column is as wide as its own width or the room the others leave.
void DBGrid::StretchColumn()
{
    const int column = m_stretchField.isEmpty() ? -1 : m_model->ColumnByFieldName(m_stretchField);
    if (column < 0 || isColumnHidden(column))
        return;
    int others = 0;
    for (int i = 0; i < m_model->columnCount(); ++i)
        if (i != column && !isColumnHidden(i))
            others += columnWidth(i);
    const int own = column < int(m_layout.size()) ? ConfiguredWidth(column) : DefaultWidth(column);
    const QScopedValueRollback applying(m_applyingWidths, true);
    setColumnWidth(column, qMax(own, viewport()->width() - others));
}

void DBGrid::resizeEvent(QResizeEvent *e)
{
    QTableView::resizeEvent(e);
    StretchColumn();
}

// --- cursor -----------------------------------------------------------------

Field *DBGrid::SelectedField() const
{
    return m_model->ColumnField(SelectedIndex());
}

int DBGrid::SelectedIndex() const
{
    if (m_model->columnCount() == 0)
        return -1;
    return qBound(0, m_column, m_model->columnCount() - 1);
}

void DBGrid::SetSelectedIndex(int column)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    m_column = column;
    m_rowsCame = false;
    FollowCursor();
}

// After rows came the view follows once control is back in the event loop, or before
// the user's next key or click: placing the cell at once would walk every row for each
// one that comes.
void DBGrid::FollowCursor()
{
    if (m_rowsCame) {
        if (!m_followQueued) {
            m_followQueued = true;
            QMetaObject::invokeMethod(this, [this] {
                m_followQueued = false;
                FollowNow();
            }, Qt::QueuedConnection);
        }
        return;
    }
    const int row = m_model->CurrentRow();
    const int column = SelectedIndex();
    if (m_resetting || row < 0 || row >= m_model->rowCount() || column < 0)
        return;
    const QModelIndex target = m_model->index(row, column);
    if (currentIndex() == target)
        return;
    const QScopedValueRollback following(m_following, true);
    setCurrentIndex(target);
}

void DBGrid::FollowNow()
{
    if (!m_rowsCame)
        return;
    m_rowsCame = false;
    FollowCursor();
}

void DBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (!current.isValid())
        return;
    m_column = current.column();
    viewport()->update();   // the ellipsis button moves with the current cell
    Query *query = GetDataSet();
    // While a row comes, goes or moves the view shifts its current cell on its own; the
    // query's cursor is already where it belongs and is followed afterwards.
    if (m_following || m_resetting || m_model->RowsChanging() || !query || !query->Active()
        || current.row() == query->RecNo() - 1)
        return;
    try {
        const int target = detail::LeaveRow(*query, current.row());
        query->SetRecNo(target + 1);
    } catch (...) {
        DeferError(std::current_exception());
        FollowCursor();
    }
}

// The open cell editor's text goes to its field and the editor closes. Left open while
// rows come or move, it would be committed later to whatever row then stood at its place.
void DBGrid::CloseCellEditor()
{
    auto *delegate = qobject_cast<GridDelegate *>(itemDelegate());
    QWidget *editor = delegate ? delegate->Editor() : nullptr;
    if (state() != EditingState || !editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// Appends a row unless the cursor already stands on a fresh, untouched one.
bool DBGrid::AppendRow()
{
    Query *query = GetDataSet();
    if (!CanEdit() || (query->State() == DataSetState::Insert && !query->Modified()))
        return false;
    CloseCellEditor();
    detail::CheckBrowseMode(*query);
    query->Append();
    return true;
}

QModelIndex DBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return QTableView::moveCursor(action, modifiers);
    const int columns = m_model->columnCount();
    auto visible = [&](int column, int step) {
        for (; column >= 0 && column < columns; column += step)
            if (!isColumnHidden(column))
                return column;
        return -1;
    };
    const bool tabbing = m_options.testFlag(Option::Tabs) && (action == MoveNext || action == MovePrevious);
    const bool lastRow = current.row() == m_model->rowCount() - 1;
    try {
        if (tabbing && action == MoveNext) {
            if (const int next = visible(current.column() + 1, 1); next >= 0)
                return m_model->index(current.row(), next);
            if (!lastRow)
                return m_model->index(current.row() + 1, visible(0, 1));
            if (AppendRow())
                return m_model->index(m_model->CurrentRow(), visible(0, 1));
            return current;
        }
        if (tabbing && action == MovePrevious) {
            if (const int prior = visible(current.column() - 1, -1); prior >= 0)
                return m_model->index(current.row(), prior);
            if (current.row() > 0)
                return m_model->index(current.row() - 1, visible(columns - 1, -1));
            return current;
        }
        // The last row of the whole result, read from the server when not yet held.
        if (action == MoveEnd && (modifiers & Qt::ControlModifier) && GetDataSet() && GetDataSet()->CanFetchMore()) {
            detail::CheckBrowseMode(*GetDataSet());
            GetDataSet()->Last();
            return m_model->index(m_model->rowCount() - 1, current.column());
        }
        if (action == MoveDown && lastRow) {
            if (AppendRow())
                return m_model->index(m_model->CurrentRow(), current.column());
            return current;
        }
    } catch (...) {
        DeferError(std::current_exception());
        return current;
    }
    return QTableView::moveCursor(action, modifiers);
}

void DBGrid::LeaveInsertedRow()
{
    Query *query = GetDataSet();
    if (query && query->Active() && query->State() == DataSetState::Insert && !query->Modified())
        query->Cancel();
}

// Focus moving to another control of the same window counts as leaving the grid; another
// window (a picker opened from the grid) does not.
void DBGrid::OnFocusChanged(QWidget *old, QWidget *now)
{
    if (!m_options.testFlag(Option::CancelOnExit) || !now || now->window() != window())
        return;
    auto inside = [this](const QWidget *w) { return w && (w == this || isAncestorOf(w)); };
    if (inside(old) && !inside(now))
        Relayed(m_errors, [this] { LeaveInsertedRow(); });
}

// --- ellipsis button ----------------------------------------------------------

bool DBGrid::ShowsButton(const QModelIndex &index) const
{
    return index.isValid() && index == currentIndex() && ColumnButton(index.column());
}

QRect DBGrid::ButtonRect(const QModelIndex &index) const
{
    const QRect cell = visualRect(index);
    const int width = qMin(cell.height(), 20);
    return QRect(cell.right() - width + 1, cell.top(), width, cell.height());
}

void DBGrid::mousePressEvent(QMouseEvent *e)
{
    FollowNow();
    Relayed(m_errors, [&] { MousePress(e); });
}

void DBGrid::MousePress(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (e->button() == Qt::LeftButton && ShowsButton(index) && ButtonRect(index).contains(pos)) {
        e->accept();
        Q_EMIT editButtonClicked();
        return;
    }
    m_clickEdit.stop();
    m_pressedCurrent = index.isValid() && index == currentIndex() ? QPersistentModelIndex(index)
                                                                   : QPersistentModelIndex();
    QTableView::mousePressEvent(e);
}

void DBGrid::mouseReleaseEvent(QMouseEvent *e)
{
    const QModelIndex index = indexAt(e->position().toPoint());
    QTableView::mouseReleaseEvent(e);
    const bool editing = m_options.testFlag(Option::Editing) && !m_readOnly;
    if (editing && e->button() == Qt::LeftButton && e->modifiers() == Qt::NoModifier && index.isValid()
        && index == m_pressedCurrent && index == currentIndex() && state() != EditingState)
        m_clickEdit.start(QApplication::doubleClickInterval(), this);
    m_pressedCurrent = QPersistentModelIndex();
}

void DBGrid::timerEvent(QTimerEvent *e)
{
    if (e->timerId() != m_clickEdit.timerId()) {
        QTableView::timerEvent(e);
        return;
    }
    m_clickEdit.stop();
    if (state() != EditingState)
        Relayed(m_errors, [this] { edit(currentIndex(), AllEditTriggers, nullptr); });
}

// Row search by typed text moves the cursor, which would leave (and maybe cancel) a row
// being inserted or edited; it works only while the query is browsing.
void DBGrid::keyboardSearch(const QString &search)
{
    const Query *query = GetDataSet();
    if (query && query->Active() && query->State() != DataSetState::Browse)
        return;
    QTableView::keyboardSearch(search);
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent *e)
{
    FollowNow();
    m_clickEdit.stop();
    const QPoint at = e->position().toPoint();
    const QModelIndex index = indexAt(at);
    if (index.isValid())
        Relayed(m_errors, [&] { Q_EMIT cellDoubleClicked(index.row(), index.column()); });
    else if (model()) {
        // Beside the last column or below the last row: the row at that height, else
        // the row count.
        const int row = rowAt(at.y());
        Relayed(m_errors, [&] { Q_EMIT cellDoubleClicked(row < 0 ? model()->rowCount() : row, columnAt(at.x())); });
    }
    QTableView::mouseDoubleClickEvent(e);
}

// --- keys -------------------------------------------------------------------

// Runs the form's key hooks. Returns true when the key was dropped or replaced by a
// changed character (which is then sent to 'target' instead).
bool DBGrid::RunKeyHooks(QKeyEvent *e, QObject *target)
{
    if (m_resending)
        return false;
    if (OnKeyDown) {
        int key = e->key();
        OnKeyDown(key, e->modifiers());
        if (key == 0)
            return true;
    }
    const QString typed = e->text();
    if (!OnKeyPress || typed.isEmpty() || !typed.at(0).isPrint())
        return false;
    QString text = typed;
    OnKeyPress(text);
    if (text.isEmpty())
        return true;
    if (text == typed)
        return false;
    QKeyEvent replaced(QEvent::KeyPress, e->key(), e->modifiers(), text);
    const QScopedValueRollback resending(m_resending, true);
    QCoreApplication::sendEvent(target, &replaced);
    return true;
}

void DBGrid::keyPressEvent(QKeyEvent *e)
{
    FollowNow();
    try {
        KeyPress(e);
    } catch (...) {
        e->accept();
        DeferError(std::current_exception());
    }
}

void DBGrid::KeyPress(QKeyEvent *e)
{
    m_clickEdit.stop();
    // A key the cell editor did not take arrives here after its hooks already ran.
    QWidget *focus = QApplication::focusWidget();
    const bool fromEditor = focus && focus != this && isAncestorOf(focus);
    // A character that reaches the grid while its cell editor is open (typed before the
    // focus moved) belongs to that editor.
    const Qt::KeyboardModifiers typing = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (fromEditor && !m_forwarding && state() == EditingState && typing == Qt::NoModifier
        && !e->text().isEmpty() && e->text().at(0).isPrint()) {
        const QScopedValueRollback forwarding(m_forwarding, true);
        QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text(), e->isAutoRepeat(), e->count());
        QCoreApplication::sendEvent(focus, &copy);
        e->accept();
        return;
    }
    if (!fromEditor && RunKeyHooks(e, this)) {
        e->accept();
        return;
    }
    Query *query = GetDataSet();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (query && query->Active()) {
        if (e->key() == Qt::Key_Delete && mods == Qt::ControlModifier && CanEdit() && !query->IsEmpty()) {
            e->accept();
            if (m_options.testFlag(Option::ConfirmDelete) && !detail::ConfirmDelete(this, OnConfirmDelete))
                return;
            query->Delete();
            return;
        }
        if (e->key() == Qt::Key_Insert && mods == Qt::NoModifier && CanEdit()) {
            e->accept();
            detail::CheckBrowseMode(*query);
            query->Insert();
            return;
        }
        if (e->key() == Qt::Key_Escape && query->IsEditing() && state() != EditingState) {
            e->accept();
            query->Cancel();
            return;
        }
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && mods == Qt::ControlModifier
            && ShowsButton(currentIndex())) {
            e->accept();
            Q_EMIT editButtonClicked();
            return;
        }
    }
    // The view may open the cell editor and hand it this key: its hooks ran already.
    const QScopedValueRollback inKeyPress(m_inKeyPress, true);
    QTableView::keyPressEvent(e);
}

bool DBGrid::eventFilter(QObject *watched, QEvent *e)
{
    try {
        return FilterEvent(watched, e);
    } catch (...) {
        DeferError(std::current_exception());
        return true;
    }
}

bool DBGrid::FilterEvent(QObject *watched, QEvent *e)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget && widget != this && viewport()->isAncestorOf(widget)) {
        if (e->type() == QEvent::KeyPress && !m_inKeyPress) {
            FollowNow();
            auto *key = static_cast<QKeyEvent *>(e);
            if (RunKeyHooks(key, watched))
                return true;
            const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::ControlModifier
                && ShowsButton(currentIndex())) {
                Q_EMIT editButtonClicked();
                return true;
            }
        }
    }
    return QTableView::eventFilter(watched, e);
}

// --- errors -----------------------------------------------------------------

void DBGrid::DeferError(std::exception_ptr error)
{
    m_errors->Post(std::move(error));
}

} // namespace dataset

#include "DBGrid.moc"
