// A query over rows held in memory: the fields come from the rows' definitions, the
// order from the query's sort, and edits stay in memory.

#include "MemoryRows.h"
#include "QueryPrivate.h"

namespace dataset {

void Query::OpenInMemory(MemoryRows rows)
{
    Close();
    d->memory = true;
    d->incoming = std::make_unique<MemoryRows>(std::move(rows));
    try {
        Open();
    } catch (...) {
        d->memory = false;
        d->incoming.reset();
        throw;
    }
}

bool Query::InMemory() const
{
    return d->memory;
}

// Takes the rows handed to OpenInMemory; a refresh keeps the rows the query holds and
// only puts them in order again.
void Query::Private::adoptMemoryRows()
{
    bool sorted = false;
    if (incoming) {
        std::unique_ptr<MemoryRows> taken = std::move(incoming);
        sorted = !taken->m_sortedBy.isEmpty() && taken->m_sortedBy == sortText;
        defs = taken->m_defs;
        columns.clear();
        for (const FieldDef &def : defs) {
            ColumnInfo column;
            column.name = def.name;
            column.type = def.type;
            column.size = def.size;
            columns.push_back(column);
        }
        store = std::move(taken->m_store);
        rows = std::move(taken->m_rows);
    }
    target = {};
    order.clear();
    for (std::uint32_t slot = 0; slot < rows.size(); ++slot) {
        if (rows[slot])
            order.push_back(slot);
    }
    pending.clear();
    edit.reset();
    buildFields();
    resolveSort();
    if (!sorted)
        sortRows();
    cursor = order.empty() ? -1 : 0;
    bof = true;
    eof = order.empty();
}

} // namespace dataset
