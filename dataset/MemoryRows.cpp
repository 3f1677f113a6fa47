#include "MemoryRows.h"

#include "Error.h"
#include "FieldValue.h"
#include "SortKeys.h"

#include <algorithm>
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
void CutUtf8(QByteArray &text, int size)
{
    int characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters++ == size) {
            text.truncate(i);
            return;
        }
    }
}

} // namespace

void MemoryRows::AppendStored(std::span<const std::optional<QByteArray>> values)
{
    std::vector<std::optional<QByteArray>> stored(values.begin(),
                                                  values.begin() + std::min(values.size(), m_defs.size()));
    stored.resize(m_defs.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] && m_defs[i].type == FieldType::String)
            CutUtf8(*stored[i], m_defs[i].size);
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
    detail::SortKeys keys;
    keys.Reset(std::move(columns), m_store, m_rows.size());
    for (std::uint32_t i = 0; i < m_rows.size(); ++i)
        keys.Set(i, m_rows[i]);
    std::vector<std::uint32_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0u);
    keys.Sort(order);
    std::vector<detail::RowData> sorted;
    sorted.reserve(m_rows.size());
    for (const std::uint32_t i : order)
        sorted.push_back(m_rows[i]);
    m_rows = std::move(sorted);
    m_sortedBy = fields;
}

} // namespace dataset
