#pragma once

// Compact storage of result rows: each row is one block in a chunked arena holding
// the end offset of every column, a null bitmap, then the column bytes as the text
// protocol delivers them. Blocks are never freed one by one; a replaced row simply
// leaves its old block unused until the store is cleared.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace dataset::detail {

using RowData = const char *;

class RowStore {
public:
    void Reset(int columnCount);
    int ColumnCount() const { return m_columns; }

    // From a fetched row: 'values[i]' null for SQL NULL.
    RowData Add(const char *const *values, const unsigned long *lengths);
    // From an edit buffer: nullopt for NULL.
    RowData Add(const std::vector<std::optional<QByteArray>> &values);

    bool IsNull(RowData row, int column) const
    {
        const auto *nulls = reinterpret_cast<const unsigned char *>(row + headerEnds());
        return nulls[column >> 3] & (1u << (column & 7));
    }
    QByteArrayView Value(RowData row, int column) const
    {
        const auto *ends = reinterpret_cast<const std::uint32_t *>(row);
        const std::uint32_t begin = column == 0 ? 0 : ends[column - 1];
        return QByteArrayView(row + headerSize() + begin, qsizetype(ends[column] - begin));
    }

    std::size_t BytesReserved() const { return m_reserved; }

private:
    std::size_t headerEnds() const { return std::size_t(m_columns) * sizeof(std::uint32_t); }
    std::size_t headerSize() const { return headerEnds() + std::size_t((m_columns + 7) / 8); }
    char *allocate(std::size_t size);

    int m_columns = 0;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    char *m_free = nullptr;
    std::size_t m_left = 0;
    std::size_t m_reserved = 0;
};

} // namespace dataset::detail
