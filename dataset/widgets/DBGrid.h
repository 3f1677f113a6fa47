#pragma once

#include "SourceBinding.h"

#include <QTableView>
#include <QFlags>
#include <QBasicTimer>
#include <QHash>
#include <exception>
#include <functional>
#include <vector>

namespace dataset {

class DataSetModel;
class Field;
class Query;
class ErrorRelay;

// A grid over the query of a data source. The current cell follows the query's cursor and
// moving the current cell moves the cursor. Columns are configured by field name; with none
// configured the grid shows every visible field of the query.
class DBGrid : public QTableView {
    Q_OBJECT
public:
    enum class Option {
        Editing = 0x01,       // in-place editing
        Titles = 0x02,        // the title row
        Indicator = 0x04,     // the row indicator column
        ColumnResize = 0x08,  // columns can be resized with the mouse
        GridLines = 0x10,     // column and row lines
        Tabs = 0x20,          // Tab / Shift+Tab move between cells
        CancelOnExit = 0x40,  // an inserted row without changes is cancelled on leaving the grid
        ConfirmDelete = 0x80, // Ctrl+Delete asks before deleting the row
    };
    Q_DECLARE_FLAGS(Options, Option)

    explicit DBGrid(QWidget *parent = nullptr);
    ~DBGrid() override;

    void SetDataSource(DataSource *source);
    DataSource *GetDataSource() const;
    Query *GetDataSet() const;
    DataSetModel *Model() const { return m_model; }

    void SetOptions(Options options);
    Options GetOptions() const { return m_options; }
    void SetOption(Option option, bool on);
    // Read-only grid: no in-place editing, no appending, no deleting.
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const { return m_readOnly; }

    // Columns. width -1 takes a width from the field's size; a width given is the design's,
    // scaled to the grid's font, and never narrower than the column's title.
    void AddColumn(const QString &fieldName, int width = -1, bool readOnly = false);
    // The column that takes whatever room the grid has beyond its columns' widths.
    void SetStretchColumn(const QString &fieldName);
    void ClearColumns();
    int ColumnCount() const;                     // columns shown now
    QString ColumnFieldName(int column) const;
    int ColumnByFieldName(const QString &fieldName) const;   // -1 when not shown
    void SetColumnTitle(int column, const QString &title);
    // An ellipsis button in the current cell of the column; a click raises editButtonClicked().
    void SetColumnButton(int column, bool ellipsis);
    bool ColumnButton(int column) const;

    Field *SelectedField() const;    // field of the current column; nullptr when none
    int SelectedIndex() const;       // current column, -1 when none
    void SetSelectedIndex(int column);

    // Key hooks run before the grid (and its cell editor) handle a key. Setting key to 0
    // drops the key; clearing text drops the typed character.
    std::function<void(int &key, Qt::KeyboardModifiers modifiers)> OnKeyDown;
    std::function<void(QString &text)> OnKeyPress;

    // Used by the cell editor: an exception raised inside Qt's own handlers is kept and
    // thrown again from an event of its own.
    void DeferError(std::exception_ptr error);
    // Asked before Ctrl+Delete deletes a row when ConfirmDelete is on; unset, a message
    // box asks "Obrisati zapis?".
    std::function<bool()> OnConfirmDelete;

Q_SIGNALS:
    void editButtonClicked();
    void titleClicked(int column);
    // row -1: the title row; the row count: the empty space below the last row;
    // column -1: beside the last column
    void cellDoubleClicked(int row, int column);

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void timerEvent(QTimerEvent *e) override;
    void keyboardSearch(const QString &search) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    friend class GridDelegate;
    struct ColumnLayout {
        QString fieldName;
        int width;
        bool ellipsis;
        int resized = -1;
    };

    // The event handlers' work; what it throws is reported, never passed to Qt.
    void KeyPress(QKeyEvent *e);
    bool FilterEvent(QObject *watched, QEvent *e);
    void MousePress(QMouseEvent *e);
    bool RunKeyHooks(QKeyEvent *e, QObject *target);
    void FollowCursor();
    void FollowNow();   // a follow put off since rows came, done now
    void ApplyWidths();
    void RememberLayout();
    void OnSectionResized(int column, int oldSize, int newSize);
    int DefaultWidth(int column) const;
    int TitleWidth(int column) const;
    int ConfiguredWidth(int column) const;
    void StretchColumn();
    void ApplyOptions();
    bool CanEdit() const;
    void CloseCellEditor();
    bool AppendRow();
    void LeaveInsertedRow();
    void OnFocusChanged(QWidget *old, QWidget *now);
    QRect ButtonRect(const QModelIndex &index) const;
    bool ShowsButton(const QModelIndex &index) const;

    ErrorRelay *m_errors;
    DataSetModel *m_model;
    SourceBinding m_source;
    Options m_options;
    bool m_readOnly = false;
    bool m_following = false;
    bool m_rowsCame = false;                // rows came since the view last followed the cursor
    bool m_followQueued = false;
    bool m_resetting = false;               // the view picks a current cell on its own then
    bool m_applyingWidths = false;
    bool m_inKeyPress = false;
    bool m_resending = false;
    bool m_forwarding = false;
    // A click on the current cell opens its editor once a double click can no longer come;
    // a key typed before that opens it at once (Qt's own delay would send the key to the
    // row search instead).
    QBasicTimer m_clickEdit;
    QPersistentModelIndex m_pressedCurrent;
    int m_column = 0;                        // current column, kept while the query is empty
    std::vector<ColumnLayout> m_layout;      // configured columns (empty: automatic)
    QHash<QString, int> m_autoWidths;        // automatic columns resized by the user
    QStringList m_hidden; // hidden columns by field name, kept over resets
    QString m_stretchField;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DBGrid::Options)

} // namespace dataset
