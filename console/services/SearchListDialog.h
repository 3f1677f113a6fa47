#pragma once

#include <QDialog>
#include <QListWidget>
#include <QStringList>

#include <optional>
#include <vector>

class QLineEdit;

namespace console {

// A search box over a list of lines, with "Izaberi" and "Odustani": the body of the
// host's pickers. A derived picker finds the lines for a text and keeps what they stand
// for (RecordSearchDialog below does that for records); it calls Refresh() once at the
// end of its constructor.
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

// A picker over records of one kind: keeps the records behind the listed lines and
// hands back the chosen ones.
template <typename Record>
class RecordSearchDialog : public SearchListDialog {
protected:
    using SearchListDialog::SearchListDialog;

    // The records for the search text, in the order they are listed.
    virtual std::vector<Record> FindRecords(const QString &text) = 0;
    virtual QString Line(const Record &record) const = 0;

    // The record on the current line; none when no line is current.
    std::optional<Record> CurrentRecord() const
    {
        const int row = List()->currentRow();
        if (row < 0 || row >= static_cast<int>(m_records.size()))
            return std::nullopt;
        return m_records[static_cast<std::size_t>(row)];
    }

    // The records on the chosen lines, in list order.
    std::vector<Record> SelectedRecords() const
    {
        std::vector<Record> records;
        for (const int row : SelectedRows())
            records.push_back(m_records[static_cast<std::size_t>(row)]);
        return records;
    }

private:
    QStringList FindLines(const QString &text) final
    {
        m_records = FindRecords(text);
        QStringList lines;
        for (const Record &record : m_records)
            lines << Line(record);
        return lines;
    }

    std::vector<Record> m_records;
};

} // namespace console
