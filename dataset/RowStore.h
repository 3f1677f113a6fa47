#pragma once

// Compact storage of result rows: each row is one block in a chunked arena holding, for
// every column in turn, a varint descriptor followed by the bytes the row keeps for it.
// The descriptor is 0 for null, 2 * (length + 1) for bytes kept in the row (as the text
// protocol delivers them), and 2 * id + 1 for a text the column shares among its rows.
// Blocks are never freed one by one; a replaced row simply leaves its old block unused
// until the store is cleared.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace dataset::detail {

using RowData = const char *;

class RowStore {
public:
    void Reset(int columnCount);
    int ColumnCount() const { return m_columns; }
    // Texts of 'column' equal to one added before are kept once and shared by the rows,
    // for tables whose values repeat. A column whose texts turn out mostly distinct stops
    // looking for equal ones.
    void ShareValues(int column);

    // From a fetched row: 'values[i]' null for SQL NULL.
    RowData Add(const char *const *values, const unsigned long *lengths);
    // From an edit buffer or prepared values: nullopt for NULL.
    RowData Add(std::span<const std::optional<QByteArrayView>> values);
    RowData Add(const std::vector<std::optional<QByteArray>> &values);

    bool IsNull(RowData row, int column) const { return locate(row, column).code == 0; }
    // The column's bytes; empty for null.
    QByteArrayView Value(RowData row, int column) const
    {
        const Slot slot = locate(row, column);
        if (slot.code & 1)
            return m_shared[std::size_t(column)].texts[std::size_t(slot.code >> 1)];
        return slot.code == 0 ? QByteArrayView() : QByteArrayView(slot.data, qsizetype((slot.code >> 1) - 1));
    }
    // The id of a shared text: rows with equal ids hold equal bytes. -1 for null and for
    // bytes kept in the row.
    std::int64_t SharedId(RowData row, int column) const
    {
        const Slot slot = locate(row, column);
        return slot.code & 1 ? std::int64_t(slot.code >> 1) : -1;
    }

    // The texts 'column' shares, by id.
    std::size_t SharedCount(int column) const { return m_shared[std::size_t(column)].texts.size(); }
    QByteArrayView SharedText(int column, std::size_t id) const { return m_shared[std::size_t(column)].texts[id]; }

    std::size_t BytesReserved() const;

private:
    struct Slot {
        std::uint64_t code;
        const char *data;   // the bytes after the descriptor
    };
    // The texts one column shares: by id, with an open-addressing index of (hash, id + 1).
    struct SharedColumn {
        std::vector<QByteArrayView> texts;
        std::vector<std::uint64_t> index;
        std::uint32_t windowTexts = 0;   // texts looked up in the current window
        std::uint32_t windowHits = 0;    // of them, those found
        bool enabled = false;
        bool closed = false;   // mostly distinct: no new texts are shared
    };

    static Slot locate(RowData row, int column)
    {
        const auto *at = reinterpret_cast<const unsigned char *>(row);
        for (int i = 0;; ++i) {
            std::uint64_t code = 0;
            int shift = 0;
            unsigned char byte = 0;
            do {
                byte = *at++;
                code |= std::uint64_t(byte & 0x7F) << shift;
                shift += 7;
            } while (byte & 0x80);
            if (i == column)
                return {code, reinterpret_cast<const char *>(at)};
            if (code != 0 && (code & 1) == 0)
                at += (code >> 1) - 1;
        }
    }
    template <typename ValueAt>
    RowData add(ValueAt valueAt);
    // The id under which 'text' is shared in 'column', -1 when the row keeps it.
    std::int64_t share(SharedColumn &column, QByteArrayView text);
    static void grow(SharedColumn &column);

    // Blocks carved from large chunks, freed all together.
    class Arena {
    public:
        explicit Arena(std::size_t chunkSize) : m_chunkSize(chunkSize) {}
        char *Allocate(std::size_t size);
        std::size_t Reserved() const { return m_reserved; }

    private:
        std::size_t m_chunkSize;
        std::vector<std::unique_ptr<char[]>> m_chunks;
        char *m_free = nullptr;
        std::size_t m_left = 0;
        std::size_t m_reserved = 0;
    };

    int m_columns = 0;
    std::vector<SharedColumn> m_shared;
    std::vector<std::uint64_t> m_codes;   // scratch for the row being added
    static constexpr std::size_t RowChunk = std::size_t(4) << 20;
    static constexpr std::size_t TextChunk = std::size_t(1) << 20;
    Arena m_rows{RowChunk};
    // Shared texts apart from the rows, so that looking them up stays within a few caches' worth.
    Arena m_texts{TextChunk};
};

} // namespace dataset::detail
