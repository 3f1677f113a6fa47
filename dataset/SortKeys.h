#pragma once

// Client-side sort keys: the sort columns of every row decoded once into a compact
// array, so that comparisons never parse row text again.

#include "Field.h"
#include "RowStore.h"

#include <cstdint>
#include <vector>

namespace dataset::detail {

struct SortColumn {
    int column = 0;
    FieldType type = FieldType::String;
    bool descending = false;
};

class SortKeys {
public:
    // Forgets every key; 'store' holds the text of the rows given to Set and must
    // outlive the keys (or the next Reset).
    void Reset(std::vector<SortColumn> columns, const RowStore &store, std::size_t slots = 0);
    void Clear();
    bool Empty() const { return m_columns.empty(); }

    // Decodes the keys of 'row' (null: a row without values) for 'slot'.
    void Set(std::uint32_t slot, RowData row);

    // Keys in turn (null lowest, text without regard to case), ties by slot, so that
    // rows with equal keys keep the order in which they came.
    bool Less(std::uint32_t a, std::uint32_t b) const;
    void Sort(std::vector<std::uint32_t> &order) const;

private:
    std::size_t width() const { return m_columns.size(); }
    int compareText(std::size_t a, std::size_t b, int column) const;

    std::vector<SortColumn> m_columns;
    const RowStore *m_store = nullptr;
    // Per slot and key: an order-preserving number (the row for text keys) and a rank
    // that puts nulls first; both already flipped for descending keys.
    std::vector<std::uint64_t> m_values;
    std::vector<std::uint8_t> m_ranks;
};

} // namespace dataset::detail
