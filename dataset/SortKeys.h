#pragma once

// Client-side sort keys: the sort columns of every row decoded once into a compact
// array, so that comparisons never parse row text again. Positions are slots of the
// query's rows while sorting, or any numbering a caller chooses.

#include "Field.h"
#include "RowStore.h"

#include <QCollator>

#include <cstdint>
#include <vector>

namespace dataset::detail {

struct SortColumn {
    int column = 0;
    FieldType type = FieldType::String;
    bool descending = false;
    // The key the server generates: null only on a new row not written yet, which will
    // get a key above every one given so far and so sorts as the highest key.
    bool generated = false;
};

// The fields of a sort text such as "documentdatetime DESC, parkingdocumentid".
struct SortName {
    QString field;
    bool descending = false;
};
std::vector<SortName> ParseSortText(const QString &text);

// Text keys compare in Serbian alphabetical order (Latin script), without regard to case:
// C, Č, Ć, D, Dž, Đ, … Z, Ž.
QCollator SerbianCollator();

// Per sort column, the place in the order of every text its store shares (by id); texts
// equal but for case share a place. Empty for a column that shares no texts.
using SharedRanks = std::vector<std::vector<std::uint32_t>>;
SharedRanks RankSharedTexts(const std::vector<SortColumn> &columns, const RowStore &store);

class SortKeys {
public:
    SortKeys();

    // Forgets every key and makes room for 'positions'; 'store' holds the text of the
    // rows given to Set and must outlive the keys (or the next Reset), as must 'ranks'
    // (of the same columns and store), which let shared texts compare as numbers.
    void Reset(std::vector<SortColumn> columns, const RowStore &store, std::size_t positions,
               const SharedRanks *ranks = nullptr);
    bool Empty() const { return m_columns.empty(); }

    // Decodes the keys of 'row' (null: a row without values) for position 'at'.
    void Set(std::uint32_t at, RowData row);

    // Keys in turn, null lowest, text in Serbian order without regard to case: negative,
    // 0 or positive.
    int Compare(std::uint32_t a, std::uint32_t b) const;
    // Sorts slots by their keys; equal keys keep the order of their slots, which is the
    // order in which the rows came.
    void Sort(std::vector<std::uint32_t> &slots) const;

private:
    std::size_t width() const { return m_columns.size(); }
    int compareText(RowData a, RowData b, int column) const;

    std::vector<SortColumn> m_columns;
    const RowStore *m_store = nullptr;
    // Per position and key: an order-preserving number (for text keys the place of a
    // shared text, else the start of the text, see textPrefix) and a rank that makes null
    // the lowest value; numbers already flipped for descending keys.
    std::vector<std::uint64_t> m_values;
    std::vector<std::uint8_t> m_ranks;
    const SharedRanks *m_sharedRanks = nullptr;
    std::vector<RowData> m_rows;      // per position, for the whole texts
    QCollator m_collator;
};

} // namespace dataset::detail
