#include "RowStore.h"

#include <QHashFunctions>

#include <cstring>

namespace dataset::detail {

namespace {

// Texts longer than this are rarely repeated and costly to hash; rows keep them.
constexpr qsizetype LongestShared = 1024;
// A shared column counts its texts in windows of this many; one in which fewer than a
// quarter were repeats closes it to new texts.
constexpr std::uint32_t Window = 1u << 16;

int varintSize(std::uint64_t value)
{
    int size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

char *writeVarint(char *at, std::uint64_t value)
{
    while (value >= 0x80) {
        *at++ = char((value & 0x7F) | 0x80);
        value >>= 7;
    }
    *at++ = char(value);
    return at;
}

// A quick hash of a short text, mixed with the process's own seed, so that no file or
// row can be made to collide on purpose; eight bytes at a time.
std::uint32_t hashOf(QByteArrayView text)
{
    static const std::uint64_t seed = std::uint64_t(qGlobalQHashSeed()) | 1;
    std::uint64_t h = seed ^ (std::uint64_t(text.size()) * 0x9E3779B97F4A7C15ull);
    const char *at = text.data();
    qsizetype left = text.size();
    const auto mix = [&h](std::uint64_t word) {
        h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    };
    for (; left >= 8; left -= 8, at += 8) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        mix(word);
    }
    if (left > 0) {
        std::uint64_t word = 0;
        std::memcpy(&word, at, std::size_t(left));
        mix(word);
    }
    h *= 0x94D049BB133111EBull;
    return std::uint32_t(h ^ (h >> 32));
}

} // namespace

void RowStore::Reset(int columnCount)
{
    m_columns = columnCount;
    m_shared.assign(std::size_t(columnCount), SharedColumn());
    m_codes.assign(std::size_t(columnCount), 0);
    m_rows = Arena(RowChunk);
    m_texts = Arena(TextChunk);
}

void RowStore::ShareValues(int column)
{
    m_shared.at(std::size_t(column)).enabled = true;
}

std::size_t RowStore::BytesReserved() const
{
    std::size_t bytes = m_rows.Reserved() + m_texts.Reserved();
    for (const SharedColumn &column : m_shared)
        bytes += column.texts.capacity() * sizeof(QByteArrayView) + column.index.capacity() * sizeof(std::uint64_t);
    return bytes;
}

char *RowStore::Arena::Allocate(std::size_t size)
{
    if (size > m_left) {
        // Blocks larger than a chunk's quarter get one of their own, keeping the current chunk.
        if (size > m_chunkSize / 4) {
            m_chunks.push_back(std::make_unique_for_overwrite<char[]>(size));
            m_reserved += size;
            return m_chunks.back().get();
        }
        m_chunks.push_back(std::make_unique_for_overwrite<char[]>(m_chunkSize));
        m_reserved += m_chunkSize;
        m_free = m_chunks.back().get();
        m_left = m_chunkSize;
    }
    char *block = m_free;
    m_free += size;
    m_left -= size;
    return block;
}

void RowStore::grow(SharedColumn &column)
{
    std::vector<std::uint64_t> index(std::max<std::size_t>(64, column.index.size() * 2), 0);
    const std::size_t mask = index.size() - 1;
    for (const std::uint64_t entry : column.index) {
        if (entry == 0)
            continue;
        std::size_t at = std::size_t(entry >> 32) & mask;
        while (index[at] != 0)
            at = (at + 1) & mask;
        index[at] = entry;
    }
    column.index = std::move(index);
}

std::int64_t RowStore::share(SharedColumn &column, QByteArrayView text)
{
    if (column.closed || text.size() > LongestShared)
        return -1;
    if (++column.windowTexts == Window) {
        column.closed = column.windowHits < Window / 4;
        column.windowTexts = 0;
        column.windowHits = 0;
        if (column.closed) {
            column.index = {};   // the ids in use stay valid through 'texts'
            return -1;
        }
    }
    if (2 * (column.texts.size() + 1) > column.index.size())
        grow(column);
    const std::uint32_t hash = hashOf(text);
    const std::size_t mask = column.index.size() - 1;
    std::size_t at = hash & mask;
    for (; column.index[at] != 0; at = (at + 1) & mask) {
        const std::uint64_t entry = column.index[at];
        if (std::uint32_t(entry >> 32) != hash)
            continue;
        const std::size_t id = std::size_t(std::uint32_t(entry)) - 1;
        if (column.texts[id] == text) {
            ++column.windowHits;
            return std::int64_t(id);
        }
    }
    // An empty text stays empty, never null (a null view would read as SQL NULL).
    static const char empty[] = "";
    const char *copy = empty;
    if (!text.isEmpty()) {
        char *block = m_texts.Allocate(std::size_t(text.size()));
        std::memcpy(block, text.data(), std::size_t(text.size()));
        copy = block;
    }
    const std::size_t id = column.texts.size();
    column.texts.emplace_back(copy, text.size());
    column.index[at] = (std::uint64_t(hash) << 32) | std::uint64_t(id + 1);
    return std::int64_t(id);
}

// Works out every column's descriptor first, so the row's size is known before it is placed.
template <typename ValueAt>
RowData RowStore::add(ValueAt valueAt)
{
    std::size_t total = 0;
    for (int i = 0; i < m_columns; ++i) {
        const std::optional<QByteArrayView> value = valueAt(i);
        std::uint64_t code = 0;
        if (value) {
            SharedColumn &shared = m_shared[std::size_t(i)];
            const std::int64_t id = shared.enabled ? share(shared, *value) : -1;
            if (id >= 0) {
                code = 2 * std::uint64_t(id) + 1;
            } else {
                code = 2 * (std::uint64_t(value->size()) + 1);
                total += std::size_t(value->size());
            }
        }
        m_codes[std::size_t(i)] = code;
        total += std::size_t(varintSize(code));
    }
    char *const row = m_rows.Allocate(std::max<std::size_t>(total, 1));
    char *at = row;
    for (int i = 0; i < m_columns; ++i) {
        const std::uint64_t code = m_codes[std::size_t(i)];
        at = writeVarint(at, code);
        if (code != 0 && (code & 1) == 0) {
            const QByteArrayView value = *valueAt(i);
            if (!value.isEmpty())
                std::memcpy(at, value.data(), std::size_t(value.size()));
            at += value.size();
        }
    }
    return row;
}

RowData RowStore::Add(const char *const *values, const unsigned long *lengths)
{
    return add([&](int i) -> std::optional<QByteArrayView> {
        if (!values[i])
            return std::nullopt;
        return QByteArrayView(values[i], qsizetype(lengths[i]));
    });
}

RowData RowStore::Add(std::span<const std::optional<QByteArrayView>> values)
{
    return add([&](int i) -> std::optional<QByteArrayView> {
        return std::size_t(i) < values.size() ? values[std::size_t(i)] : std::nullopt;
    });
}

RowData RowStore::Add(const std::vector<std::optional<QByteArray>> &values)
{
    return add([&](int i) -> std::optional<QByteArrayView> {
        if (std::size_t(i) >= values.size() || !values[std::size_t(i)])
            return std::nullopt;
        return QByteArrayView(*values[std::size_t(i)]);
    });
}

} // namespace dataset::detail
