// Query layout: columns and fields from the result metadata, the update table,
// fetching the rows and the client-side sort.

#include "Error.h"
#include "FieldValue.h"
#include "MysqlHandles.h"
#include "QueryPrivate.h"

#include <algorithm>

namespace dataset {

using detail::RowData;

namespace {

FieldType typeOf(const MYSQL_FIELD &field)
{
    switch (field.type) {
    case MYSQL_TYPE_LONGLONG:
        return FieldType::Key;
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_YEAR:
        return FieldType::Integer;
    case MYSQL_TYPE_TINY:
        return field.length == 1 ? FieldType::Boolean : FieldType::SmallInt;
    case MYSQL_TYPE_SHORT:
        return FieldType::SmallInt;
    case MYSQL_TYPE_BIT:
        return field.length == 1 ? FieldType::Boolean : FieldType::Key;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return FieldType::Real;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return FieldType::Date;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return FieldType::DateTime;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
        return FieldType::Memo;
    default:
        return FieldType::String;
    }
}

ColumnInfo columnOf(const MYSQL_FIELD &field)
{
    auto text = [](const char *chars, unsigned length) {
        return chars ? QString::fromUtf8(chars, qsizetype(length)) : QString();
    };
    ColumnInfo column;
    column.name = text(field.name, field.name_length);
    column.orgName = text(field.org_name, field.org_name_length);
    column.tableAlias = text(field.table, field.table_length);
    column.orgTable = text(field.org_table, field.org_table_length);
    column.database = text(field.db, field.db_length);
    column.primaryKey = field.flags & PRI_KEY_FLAG;
    column.autoIncrement = field.flags & AUTO_INCREMENT_FLAG;
    column.notNull = field.flags & NOT_NULL_FLAG;
    column.type = typeOf(field);
    if (column.type == FieldType::String) {
        // Lengths come in bytes of the connection's character set (4 per character).
        const unsigned long bytes = field.length;
        column.size = int(field.charsetnr == 63 ? bytes : bytes / 4);
    }
    return column;
}

UpdateTarget targetOf(const std::vector<ColumnInfo> &columns)
{
    UpdateTarget target;
    const ColumnInfo *base = nullptr;
    for (const ColumnInfo &column : columns) {
        if (column.primaryKey && !column.orgTable.isEmpty()) {
            base = &column;
            break;
        }
    }
    if (!base) {
        // Without a key the rows are found by all their columns, provided that every
        // real column comes from one table.
        for (const ColumnInfo &column : columns) {
            if (column.orgTable.isEmpty())
                continue;
            if (base && base->tableAlias != column.tableAlias)
                return {};
            base = &column;
        }
        if (!base)
            return {};
    }
    target.table = base->database.isEmpty()
        ? detail::QuoteIdentifier(base->orgTable)
        : detail::QuoteIdentifier(base->database) + QLatin1Char('.') + detail::QuoteIdentifier(base->orgTable);
    target.plainName = base->database.isEmpty() ? base->orgTable : base->database + QLatin1Char('.') + base->orgTable;
    for (int i = 0; i < int(columns.size()); ++i) {
        const ColumnInfo &column = columns[std::size_t(i)];
        if (!column.primaryKey || column.tableAlias != base->tableAlias || column.orgTable != base->orgTable)
            continue;
        target.keyColumns.push_back(i);
        if (column.autoIncrement)
            target.autoIncrementColumn = i;
    }
    return target;
}

bool sameTable(const ColumnInfo &column, const ColumnInfo &base)
{
    return !column.orgName.isEmpty() && column.orgTable == base.orgTable
        && column.tableAlias == base.tableAlias;
}

} // namespace

void Query::Private::fetch()
{
    constexpr unsigned kDeadlock = 1213;
    try {
        fetchOnce();
    } catch (const DatabaseError &error) {
        if (error.serverCode() != kDeadlock || memory || (connection && connection->InTransaction()))
            throw;
        fetchOnce();
    }
}

void Query::Private::fetchOnce()
{
    if (memory) {
        adoptMemoryRows();
        return;
    }
    if (openPaged())
        return;
    std::vector<ColumnInfo> newColumns;
    detail::RowStore newStore;
    std::vector<RowData> newRows;
    readResult(finalSql(), &newColumns, newStore, newRows);
    adoptResult(std::move(newColumns), std::move(newStore), std::move(newRows));
    sortRows();
    cursor = order.empty() ? -1 : 0;
    bof = true;
    eof = order.empty();
}

// Sends 'sql' and adds its rows, read as the server sends them, to 'store' and 'into'.
// With 'columnsOut' the result's columns are given there and 'store' starts afresh.
void Query::Private::readResult(const QString &sql, std::vector<ColumnInfo> *columnsOut, detail::RowStore &store,
                                std::vector<RowData> &into)
{
    Connection &conn = connectionOrThrow();
    const QString context = QStringLiteral("Otvaranje upita nije uspelo.");
    conn.SendQuery(sql.toUtf8());
    MYSQL *handle = conn.Handle();
    detail::ResultPtr result(mysql_use_result(handle));
    if (!result) {
        if (mysql_field_count(handle) == 0)
            throw Error(QStringLiteral("Upit ne vraća redove; za takve naredbe koristi se izvršavanje."));
        conn.ThrowLastError(context);
    }
    const unsigned count = mysql_num_fields(result.get());
    if (columnsOut) {
        const MYSQL_FIELD *meta = mysql_fetch_fields(result.get());
        columnsOut->clear();
        columnsOut->reserve(count);
        for (unsigned i = 0; i < count; ++i)
            columnsOut->push_back(columnOf(meta[i]));
        store.Reset(int(count));
        // Names, streets and towns repeat from row to row: each text is kept once (a
        // column whose texts turn out mostly distinct soon stops looking).
        for (unsigned i = 0; i < count; ++i) {
            if ((*columnsOut)[i].type == FieldType::String)
                store.ShareValues(int(i));
        }
    } else if (int(count) != store.ColumnCount()) {
        result.reset();
        throw Error(QStringLiteral("Upit je pri čitanju narednih redova vratio druge kolone."));
    }
    while (MYSQL_ROW row = mysql_fetch_row(result.get()))
        into.push_back(store.Add(row, mysql_fetch_lengths(result.get())));
    if (const unsigned code = mysql_errno(handle)) {
        const QString message = QString::fromUtf8(mysql_error(handle));
        result.reset();
        conn.ThrowError(context, code, message);
    }
}

// The rows of a new result replace those held, in the order they came.
void Query::Private::adoptResult(std::vector<ColumnInfo> newColumns, detail::RowStore newStore,
                                 std::vector<RowData> newRows)
{
    resetPaging();
    columns = std::move(newColumns);
    target = targetOf(columns);
    store = std::move(newStore);
    rows = std::move(newRows);
    order.resize(rows.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    pending.clear();
    journal.clear();
    edit.reset();
    buildFields();
    resolveSort();
}

void Query::Private::buildFields()
{
    auto sameName = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    std::vector<Field *> layout;
    const ColumnInfo *base = nullptr;
    if (!target.table.isEmpty()) {
        for (const ColumnInfo &column : columns) {
            if (!column.orgTable.isEmpty()
                && (target.keyColumns.empty() || &column == &columns[std::size_t(target.keyColumns.front())])) {
                base = &column;
                break;
            }
        }
    }
    for (int i = 0; i < int(columns.size()); ++i) {
        const ColumnInfo &column = columns[std::size_t(i)];
        const auto declared = std::find_if(defs.begin(), defs.end(),
                                           [&](const FieldDef &def) { return sameName(def.name, column.name); });
        Field *field = nullptr;
        for (const auto &candidate : fieldObjects) {
            if (sameName(candidate->FieldName(), column.name)
                && std::find(layout.begin(), layout.end(), candidate.get()) == layout.end()) {
                field = candidate.get();
                break;
            }
        }
        if (!field) {
            FieldDef def;
            if (declared != defs.end()) {
                def = *declared;
            } else {
                def.name = column.name;
                def.type = column.type;
                def.size = column.size;
            }
            fieldObjects.push_back(std::make_unique<Field>(q, i, def));
            field = fieldObjects.back().get();
        } else if (declared == defs.end()) {
            field->m_def.type = column.type;
            field->m_def.size = column.size;
        }
        field->m_index = i;
        field->m_writable = base && sameTable(column, *base);
        layout.push_back(field);
    }
    for (const auto &object : fieldObjects) {
        if (std::find(layout.begin(), layout.end(), object.get()) == layout.end()) {
            object->m_index = -1;
            object->m_writable = false;
        }
    }
    fields = std::move(layout);
}

UpdateTarget Query::Private::targetOfColumns(const std::vector<ColumnInfo> &of)
{
    return targetOf(of);
}

void Query::Private::resolveSort()
{
    sortKeys.clear();
    for (const detail::SortName &name : detail::ParseSortText(sortText)) {
        const Field *field = q.FindField(name.field);
        if (!field || field->Index() < 0)
            throw Error(QStringLiteral("Polje '%1' za sortiranje ne postoji u upitu.").arg(name.field));
        sortKeys.push_back(SortKey{field->Index(), name.descending});
    }
}

std::vector<detail::SortColumn> Query::Private::sortColumns() const
{
    std::vector<detail::SortColumn> result;
    result.reserve(sortKeys.size());
    for (const SortKey &key : sortKeys)
        result.push_back({key.column, fields[std::size_t(key.column)]->DataType(), key.descending,
                          key.column == target.autoIncrementColumn});
    return result;
}

// Every row's keys are decoded once, the slots sorted by them, and the keys dropped:
// edits re-place single rows without them.
void Query::Private::sortRows()
{
    if (sortKeys.empty())
        return;
    detail::SortKeys keys;
    keys.Reset(sortColumns(), store, rows.size());
    for (std::uint32_t slot = 0; slot < rows.size(); ++slot)
        keys.Set(slot, rows[slot]);
    keys.Sort(order);
}

// A posted or inserted row moves to its place; equal keys keep fetch order, so a new
// row goes after the rows it ties with. Position 0 holds the row's keys, position 1
// those of the row it is compared with. A row already in place (the usual append) costs
// two comparisons; otherwise a binary search finds its place.
void Query::Private::placeRow(int position)
{
    if (sortKeys.empty() || position < 0 || position >= int(order.size()))
        return;
    const std::uint32_t slot = order[std::size_t(position)];
    detail::SortKeys keys;
    keys.Reset(sortColumns(), store, 2);
    keys.Set(0, rows[slot]);
    const auto before = [&](std::uint32_t other, std::uint32_t) {
        keys.Set(1, rows[other]);
        const int c = keys.Compare(1, 0);
        return c != 0 ? c < 0 : other < slot;
    };
    const auto begin = order.begin();
    const bool afterPrevious = position == 0 || before(order[std::size_t(position) - 1], slot);
    const bool beforeNext = position + 1 >= int(order.size()) || !before(order[std::size_t(position) + 1], slot);
    if (afterPrevious && beforeNext)
        return;
    const int target = !afterPrevious
        ? int(std::lower_bound(begin, begin + position, slot, before) - begin)
        : int(std::lower_bound(begin + position + 1, order.end(), slot, before) - begin) - 1;
    moveOrder(position, target);
}

} // namespace dataset
