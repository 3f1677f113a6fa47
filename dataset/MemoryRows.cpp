#include "MemoryRows.h"

#include "FieldValue.h"

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

} // namespace dataset
