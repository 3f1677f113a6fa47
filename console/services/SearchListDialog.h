#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;

namespace console {

// A search box over a list of lines, with "Izaberi" and "Odustani": the body of the
// host's pickers. A derived picker finds the lines for a text and keeps what they stand
// for; it calls Refresh() once at the end of its constructor.
class SearchListDialog : public QDialog {
    Q_OBJECT
public:
    QLineEdit *SearchEdit() const { return m_search; }
    QListWidget *List() const { return m_list; }

protected:
    SearchListDialog(const QString &title, const QString &placeholder, bool multiSelect,
                     QWidget *parent);
    // Lines shown for the search text, one per found record, in the records' order.
    virtual QStringList FindLines(const QString &text) = 0;
    void Refresh();
    // Rows chosen by the user, in list order.
    QList<int> SelectedRows() const;

private:
    QLineEdit *m_search;
    QListWidget *m_list;
};

} // namespace console
