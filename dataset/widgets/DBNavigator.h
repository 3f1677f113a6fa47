#pragma once

#include "SourceBinding.h"

#include <QFlags>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

class QToolButton;

namespace dataset {

class Query;
class ErrorRelay;

// A strip of flat tool buttons that move through and edit the query of a data source.
// Each button is enabled by the query's state: moving while there is somewhere to go,
// insert and delete on a live query, post and cancel while editing or inserting.
class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum class Button {
        First = 0x001, Prior = 0x002, Next = 0x004, Last = 0x008,
        Insert = 0x010, Delete = 0x020, Edit = 0x040,
        Post = 0x080, Cancel = 0x100, Refresh = 0x200,
    };
    Q_DECLARE_FLAGS(Buttons, Button)
    static constexpr int kButtonCount = 10;

    explicit DBNavigator(QWidget *parent = nullptr);

    void SetDataSource(DataSource *source);
    DataSource *GetDataSource() const;
    Query *GetDataSet() const;

    void SetVisibleButtons(Buttons buttons);
    Buttons VisibleButtons() const { return m_visible; }
    // Delete asks "Obrisati zapis?" first unless this is off.
    void SetConfirmDelete(bool confirm) { m_confirmDelete = confirm; }
    bool ConfirmDelete() const { return m_confirmDelete; }
    void SetFlat(bool flat);

    QToolButton *ButtonWidget(Button button) const;
    // Does what the button does, as a click would; errors are thrown.
    void BtnClick(Button button);
    // Asked before deleting when ConfirmDelete is on; unset, a message box asks.
    std::function<bool()> OnConfirmDelete;

Q_SIGNALS:
    void clicked(dataset::DBNavigator::Button button);

private:
    void AttachQuery(Query *query);
    void UpdateButtons();
    static int IndexOf(Button button);

    ErrorRelay *m_errors;
    SourceBinding m_source;
    QPointer<Query> m_query;
    Buttons m_visible;
    bool m_confirmDelete = true;
    std::array<QToolButton *, kButtonCount> m_buttons{};
    QueryConnections m_connections;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DBNavigator::Buttons)

} // namespace dataset
