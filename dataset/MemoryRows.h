#pragma once

#include "Field.h"
#include "RowStore.h"
#include "SortKeys.h"

#include <QVariant>

#include <optional>
#include <span>
#include <vector>

namespace dataset {

// Rows held in memory rather than read from a server: the fields they have and the rows
// in the order they were added. Built apart from any query (a worker thread may fill one)
// and handed whole to Query::OpenInMemory. Equal texts of a text field are kept once.
class MemoryRows {
public:
    explicit MemoryRows(std::vector<FieldDef> defs);

    const std::vector<FieldDef> &Defs() const { return m_defs; }
    int FieldIndex(const QString &name) const;   // -1 when missing
    std::size_t Count() const { return m_rows.size(); }
    // Bytes the row storage has taken, for memory figures.
    std::size_t BytesReserved() const { return m_store.BytesReserved() + m_rows.capacity() * sizeof(void *); }

    // One row, values in field order (missing trailing values are null). Each value is
    // converted to its field's type and texts are cut to the field's size, as a field
    // does; a value that cannot be converted throws Error and adds nothing.
    void Append(std::span<const QVariant> values);
    // The same for values already in their stored form, without the typed detour: UTF-8
    // texts (cut here to the field's size), date-times as "yyyy-MM-dd HH:mm:ss"; nullopt
    // is null. Only the size is checked. The bytes are copied.
    void AppendStored(std::span<const std::optional<QByteArrayView>> values);

    // Typed value of a row (in the current order) and field; null QVariant for null.
    QVariant Value(std::size_t row, int column) const;
    bool IsNull(std::size_t row, int column) const { return m_store.IsNull(m_rows.at(row), column); }
    // The same value as stored: UTF-8 text, date-times as "yyyy-MM-dd HH:mm:ss".
    QByteArrayView StoredText(std::size_t row, int column) const { return m_store.Value(m_rows.at(row), column); }

    // Puts the rows in the order of 'fields' ("name, code DESC"), as a query with that
    // sort would: null lowest, text without regard to case, ties in the order added. A
    // query with the same sort then opens them without sorting again. Throws Error for
    // an unknown field. Runs of rows are sorted on two threads and then merged from both
    // ends on two threads, so the keys in memory at once are those of a run, not of the
    // whole table.
    void Sort(const QString &fields);
    const QString &SortedBy() const { return m_sortedBy; }

private:
    friend class Query;
    void sortRuns(const std::vector<detail::SortColumn> &columns, const detail::SharedRanks &ranks);
    void mergeRuns(const std::vector<detail::SortColumn> &columns, const detail::SharedRanks &ranks);
    void mergeHalf(const std::vector<detail::SortColumn> &columns, const detail::SharedRanks &ranks,
                   std::vector<detail::RowData> &merged, std::size_t front, bool fromFront) const;

    std::vector<FieldDef> m_defs;
    detail::RowStore m_store;
    std::vector<detail::RowData> m_rows;
    std::vector<std::optional<QByteArrayView>> m_appending;   // scratch of AppendStored
    QString m_sortedBy;
};

} // namespace dataset
