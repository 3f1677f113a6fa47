#include "MemoryRows.h"

#include "Error.h"
#include "FieldValue.h"
#include "SortKeys.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <numeric>

#include <optional>

namespace dataset {

MemoryRows::MemoryRows(std::vector<FieldDef> defs) : m_defs(std::move(defs))
{
    for (FieldDef &def : m_defs) {
        if (def.type == FieldType::String && def.size <= 0)
            def.size = 20;
    }
    m_store.Reset(int(m_defs.size()));
    for (std::size_t i = 0; i < m_defs.size(); ++i) {
        if (m_defs[i].type == FieldType::String)
            m_store.ShareValues(int(i));
    }
}

int MemoryRows::FieldIndex(const QString &name) const
{
    for (std::size_t i = 0; i < m_defs.size(); ++i) {
        if (m_defs[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void MemoryRows::Append(std::span<const QVariant> values)
{
    std::vector<std::optional<QByteArray>> stored(m_defs.size());
    for (std::size_t i = 0; i < m_defs.size() && i < values.size(); ++i) {
        const FieldDef &def = m_defs[i];
        const QVariant value = detail::Coerce(def.type, def.size, values[i],
                                              def.displayLabel.isEmpty() ? def.name : def.displayLabel);
        if (!value.isNull())
            stored[i] = detail::Encode(def.type, value);
    }
    m_rows.push_back(m_store.Add(stored));
}

namespace {

// 'text' (UTF-8) cut to at most 'size' characters.
QByteArrayView CutUtf8(QByteArrayView text, int size)
{
    int characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters++ == size)
            return text.first(i);
    }
    return text;
}

// Rows sorted together; their keys are all that is decoded at once.
constexpr std::size_t RunRows = std::size_t(1) << 16;

} // namespace

void MemoryRows::AppendStored(std::span<const std::optional<QByteArrayView>> values)
{
    std::vector<std::optional<QByteArrayView>> &stored = m_appending;
    stored.assign(m_defs.size(), std::nullopt);
    for (std::size_t i = 0; i < stored.size() && i < values.size(); ++i) {
        stored[i] = values[i];
        if (stored[i] && m_defs[i].type == FieldType::String)
            stored[i] = CutUtf8(*stored[i], m_defs[i].size);
    }
    m_rows.push_back(m_store.Add(stored));
}

QVariant MemoryRows::Value(std::size_t row, int column) const
{
    const detail::RowData data = m_rows.at(row);
    if (m_store.IsNull(data, column))
        return {};
    return detail::Decode(m_defs.at(std::size_t(column)).type, m_store.Value(data, column));
}

void MemoryRows::Sort(const QString &fields)
{
    std::vector<detail::SortColumn> columns;
    for (const detail::SortName &name : detail::ParseSortText(fields)) {
        const int index = FieldIndex(name.field);
        if (index < 0)
            throw Error(QStringLiteral("Polje '%1' za sortiranje ne postoji.").arg(name.field));
        columns.push_back({index, m_defs[std::size_t(index)].type, name.descending});
    }
    const detail::SharedRanks ranks = detail::RankSharedTexts(columns, m_store);
    sortRuns(columns, ranks);
    mergeRuns(columns, ranks);
    m_sortedBy = fields;
}

// Each run of RunRows rows is sorted in place; two threads take the runs in turn.
void MemoryRows::sortRuns(const std::vector<detail::SortColumn> &columns, const detail::SharedRanks &ranks)
{
    const std::size_t runs = (m_rows.size() + RunRows - 1) / RunRows;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        detail::SortKeys keys;
        std::vector<std::uint32_t> order;
        std::vector<detail::RowData> sorted;
        for (std::size_t run = next++; run < runs; run = next++) {
            const std::size_t begin = run * RunRows;
            const std::size_t end = std::min(m_rows.size(), begin + RunRows);
            keys.Reset(columns, m_store, end - begin, &ranks);
            for (std::size_t i = begin; i < end; ++i)
                keys.Set(std::uint32_t(i - begin), m_rows[i]);
            order.resize(end - begin);
            std::iota(order.begin(), order.end(), 0u);
            keys.Sort(order);
            sorted.clear();
            for (const std::uint32_t i : order)
                sorted.push_back(m_rows[begin + i]);
            std::copy(sorted.begin(), sorted.end(), m_rows.begin() + std::ptrdiff_t(begin));
        }
    };
    if (runs < 2) {
        work();
        return;
    }
    auto other = std::async(std::launch::async, work);
    work();
    other.get();
}

// Merges the sorted runs from both ends at once: this thread takes the smallest rows into
// the front half, a second one the largest into the back half. Rows order by their keys,
// then by run, then by place in the run (the order of one stable sort), so the halves
// meet exactly.
void MemoryRows::mergeRuns(const std::vector<detail::SortColumn> &columns, const detail::SharedRanks &ranks)
{
    if (m_rows.size() <= RunRows)
        return;
    std::vector<detail::RowData> merged(m_rows.size());
    const std::size_t front = m_rows.size() / 2;
    auto back = std::async(std::launch::async, [&] { mergeHalf(columns, ranks, merged, front, false); });
    mergeHalf(columns, ranks, merged, front, true);
    back.get();
    m_rows = std::move(merged);
}

// One end of the merge: only the keys of each run's next row from that end are held.
void MemoryRows::mergeHalf(const std::vector<detail::SortColumn> &columns, const detail::SharedRanks &ranks,
                           std::vector<detail::RowData> &merged, std::size_t front, bool fromFront) const
{
    const std::size_t runs = (m_rows.size() + RunRows - 1) / RunRows;
    const auto runBegin = [](std::size_t run) { return run * RunRows; };
    const auto runEnd = [this](std::size_t run) { return std::min(m_rows.size(), (run + 1) * RunRows); };
    detail::SortKeys heads;
    heads.Reset(columns, m_store, runs, &ranks);
    // Per run, the place of the row its head holds.
    std::vector<std::size_t> head(runs);
    // The heap's top is the run whose head goes next: the smallest from the front, the
    // largest from the back.
    const auto after = [&heads, fromFront](std::uint32_t a, std::uint32_t b) {
        int c = heads.Compare(a, b);
        if (c == 0)
            c = a < b ? -1 : 1;
        return fromFront ? c > 0 : c < 0;
    };
    std::vector<std::uint32_t> heap;
    for (std::uint32_t run = 0; run < runs; ++run) {
        head[run] = fromFront ? runBegin(run) : runEnd(run) - 1;
        heads.Set(run, m_rows[head[run]]);
        heap.push_back(run);
    }
    std::make_heap(heap.begin(), heap.end(), after);
    const std::size_t count = fromFront ? front : m_rows.size() - front;
    for (std::size_t taken = 0; taken < count; ++taken) {
        std::pop_heap(heap.begin(), heap.end(), after);
        const std::uint32_t run = heap.back();
        merged[fromFront ? taken : m_rows.size() - 1 - taken] = m_rows[head[run]];
        const bool more = fromFront ? ++head[run] < runEnd(run) : head[run]-- > runBegin(run);
        if (more) {
            heads.Set(run, m_rows[head[run]]);
            std::push_heap(heap.begin(), heap.end(), after);
        } else {
            heap.pop_back();
        }
    }
}

} // namespace dataset
