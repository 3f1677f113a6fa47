#include "RowStore.h"

#include <cstring>

namespace dataset::detail {

namespace {
constexpr std::size_t ChunkSize = 4u << 20;
constexpr std::size_t Alignment = alignof(std::uint32_t);
} // namespace

void RowStore::Reset(int columnCount)
{
    m_columns = columnCount;
    m_chunks.clear();
    m_free = nullptr;
    m_left = 0;
    m_reserved = 0;
}

char *RowStore::allocate(std::size_t size)
{
    size = (size + Alignment - 1) & ~(Alignment - 1);
    if (size > m_left) {
        // Rows larger than a chunk get a block of their own, keeping the current chunk.
        if (size > ChunkSize / 4) {
            m_chunks.push_back(std::make_unique_for_overwrite<char[]>(size));
            m_reserved += size;
            return m_chunks.back().get();
        }
        m_chunks.push_back(std::make_unique_for_overwrite<char[]>(ChunkSize));
        m_reserved += ChunkSize;
        m_free = m_chunks.back().get();
        m_left = ChunkSize;
    }
    char *block = m_free;
    m_free += size;
    m_left -= size;
    return block;
}

RowData RowStore::Add(const char *const *values, const unsigned long *lengths)
{
    std::size_t total = 0;
    for (int i = 0; i < m_columns; ++i)
        total += values[i] ? lengths[i] : 0;
    char *row = allocate(headerSize() + total);
    auto *ends = reinterpret_cast<std::uint32_t *>(row);
    auto *nulls = reinterpret_cast<unsigned char *>(row + headerEnds());
    std::memset(nulls, 0, headerSize() - headerEnds());
    char *data = row + headerSize();
    std::uint32_t at = 0;
    for (int i = 0; i < m_columns; ++i) {
        if (values[i]) {
            std::memcpy(data + at, values[i], lengths[i]);
            at += std::uint32_t(lengths[i]);
        } else {
            nulls[i >> 3] |= (1u << (i & 7));
        }
        ends[i] = at;
    }
    return row;
}

RowData RowStore::Add(const std::vector<std::optional<QByteArray>> &values)
{
    std::vector<const char *> pointers(std::size_t(m_columns), nullptr);
    std::vector<unsigned long> lengths(std::size_t(m_columns), 0);
    static const char empty = 0;
    for (int i = 0; i < m_columns && i < int(values.size()); ++i) {
        if (values[std::size_t(i)]) {
            const QByteArray &bytes = *values[std::size_t(i)];
            pointers[std::size_t(i)] = bytes.isEmpty() ? &empty : bytes.constData();
            lengths[std::size_t(i)] = static_cast<unsigned long>(bytes.size());
        }
    }
    return Add(pointers.data(), lengths.data());
}

} // namespace dataset::detail
