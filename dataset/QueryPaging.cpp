// Reading a result a packet at a time. The server orders the rows by the sort keys and
// the update table's key, which makes every row's place unique; each further packet asks
// for the rows after the last one read, so a packet costs the same at the millionth row
// as at the first, and nothing holds a result open on the connection between packets.

#include "Error.h"
#include "QueryPrivate.h"
#include "SortKeys.h"

namespace dataset {

using detail::RowData;

namespace {

// Types the server and the client order alike (texts follow different collations and
// reals may not survive their text form exactly).
bool orderedAlike(FieldType type)
{
    switch (type) {
    case FieldType::Key:
    case FieldType::Integer:
    case FieldType::SmallInt:
    case FieldType::Date:
    case FieldType::DateTime:
    case FieldType::Boolean:
        return true;
    default:
        return false;
    }
}

} // namespace

void Query::Private::resetPaging()
{
    paging.active = false;
    paging.more = false;
    paging.boundary = nullptr;
}

// The sort keys, then the update table's key (unless the sort names it), all columns
// of that table in types ordered alike; false when the sort asks for anything else.
bool Query::Private::pagingKeys(const std::vector<ColumnInfo> &of, const UpdateTarget &update)
{
    paging.keys.clear();
    if (update.keyColumns.size() != 1)
        return false;
    const int keyColumn = update.keyColumns.front();
    const ColumnInfo &key = of[std::size_t(keyColumn)];
    const auto add = [&](int column, bool descending) {
        const ColumnInfo &info = of[std::size_t(column)];
        if (info.orgName.isEmpty() || info.orgTable != key.orgTable || info.tableAlias != key.tableAlias
            || !orderedAlike(info.type))
            return false;
        const QString table = info.tableAlias.isEmpty() ? QString() : detail::QuoteIdentifier(info.tableAlias) + QLatin1Char('.');
        paging.keys.push_back({column, descending, table + detail::QuoteIdentifier(info.orgName)});
        return true;
    };
    bool unique = false;
    for (const detail::SortName &name : detail::ParseSortText(sortText)) {
        const auto found = std::find_if(of.begin(), of.end(), [&](const ColumnInfo &info) {
            return info.name.compare(name.field, Qt::CaseInsensitive) == 0;
        });
        if (found == of.end() || !add(int(found - of.begin()), name.descending))
            return false;
        if (found - of.begin() == keyColumn) {
            unique = true;
            break;
        }
    }
    if (!unique && !add(keyColumn, false))
        return false;
    QStringList terms;
    for (const Paging::Key &term : paging.keys)
        terms << term.expression + (term.descending ? QStringLiteral(" DESC") : QString());
    paging.orderBy = QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
    return true;
}

// The condition of the rows the server orders after 'row'. Values are the row's own
// stored text, quoted; null sorts lowest, as on the server.
QString Query::Private::afterCondition(RowData row) const
{
    QStringList terms;
    QString equalBefore;
    for (const Paging::Key &key : paging.keys) {
        const QString &e = key.expression;
        const bool notNull = columns[std::size_t(key.column)].notNull;
        const bool null = store.IsNull(row, key.column);
        const QString v = null ? QString() : Connection::Quote(QString::fromUtf8(store.Value(row, key.column)));
        QString after;
        if (!key.descending)
            after = null ? e + QStringLiteral(" IS NOT NULL")
                         : notNull ? e + QStringLiteral(" > ") + v
                                   : QStringLiteral("(%1 IS NOT NULL AND %1 > %2)").arg(e, v);
        else if (!null)
            after = notNull ? e + QStringLiteral(" < ") + v : QStringLiteral("(%1 IS NULL OR %1 < %2)").arg(e, v);
        if (!after.isEmpty())
            terms << (equalBefore.isEmpty() ? after : QStringLiteral("(%1 AND %2)").arg(equalBefore, after));
        const QString equal = null ? e + QStringLiteral(" IS NULL") : e + (notNull ? QStringLiteral(" = ") : QStringLiteral(" <=> ")) + v;
        equalBefore = equalBefore.isEmpty() ? equal : equalBefore + QStringLiteral(" AND ") + equal;
    }
    return terms.isEmpty() ? QStringLiteral("FALSE") : QLatin1Char('(') + terms.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

bool Query::Private::openPaged()
{
    if (paging.packet <= 0 || cached || memory)
        return false;
    const QString sql = finalSql();
    const detail::SelectShape shape = detail::ScanSelect(sql);
    if (!shape.simple)
        return false;
    if (paging.probedSql != sql) {
        // The columns without a row: the key and the sort columns are known before the
        // first packet is asked for.
        std::vector<ColumnInfo> probed;
        detail::RowStore scratch;
        std::vector<RowData> none;
        readResult(detail::WithCondition(sql, shape, {}, QStringLiteral(" LIMIT 0")), &probed, scratch, none);
        paging.probedSql = sql;
        paging.probed = std::move(probed);
    }
    if (!pagingKeys(paging.probed, targetOfColumns(paging.probed)))
        return false;
    std::vector<ColumnInfo> newColumns;
    detail::RowStore newStore;
    std::vector<RowData> newRows;
    readResult(detail::WithCondition(sql, shape, {}, paging.orderBy + QStringLiteral(" LIMIT %1").arg(paging.packet)),
               &newColumns, newStore, newRows);
    if (newColumns.size() != paging.probed.size())
        throw Error(QStringLiteral("Upit je pri čitanju redova vratio druge kolone."));
    adoptResult(std::move(newColumns), std::move(newStore), std::move(newRows));
    paging.active = true;
    paging.sql = sql;
    paging.shape = shape;
    paging.more = int(rows.size()) == paging.packet;
    paging.boundary = rows.empty() ? nullptr : rows.back();
    cursor = order.empty() ? -1 : 0;
    bof = true;
    eof = order.empty();
    return true;
}

void Query::Private::sortByPagingKeys(std::vector<RowData> &read) const
{
    std::vector<detail::SortColumn> sortColumns;
    for (const Paging::Key &key : paging.keys)
        sortColumns.push_back({key.column, fields[std::size_t(key.column)]->DataType(), key.descending});
    detail::SortKeys keys;
    keys.Reset(sortColumns, store, read.size());
    std::vector<std::uint32_t> positions(read.size());
    for (std::uint32_t i = 0; i < positions.size(); ++i) {
        keys.Set(i, read[i]);
        positions[i] = i;
    }
    keys.Sort(positions);
    std::vector<RowData> sorted;
    sorted.reserve(read.size());
    for (const std::uint32_t i : positions)
        sorted.push_back(read[i]);
    read = std::move(sorted);
}

int Query::Private::readPacket(int limit, const QString &until, const QString &skipKey)
{
    if (!paging.active || !paging.more)
        return 0;
    QStringList conditions;
    if (paging.boundary)
        conditions << afterCondition(paging.boundary);
    if (!until.isEmpty())
        conditions << until;
    if (!skipKey.isEmpty())
        conditions << skipKey;
    // The whole rest comes in the table's own order, which spares the server a look-up
    // of every row through the sort index; its keys are numbers and dates, which sort
    // here as on the server.
    const bool rest = limit == 0 && until.isEmpty();
    QString tail = rest ? QString() : paging.orderBy;
    if (limit > 0)
        tail += QStringLiteral(" LIMIT %1").arg(limit);
    std::vector<RowData> added;
    readResult(detail::WithCondition(paging.sql, paging.shape, conditions.join(QStringLiteral(" AND ")), tail),
               nullptr, store, added);
    if (rest)
        sortByPagingKeys(added);
    if (limit > 0)
        paging.more = int(added.size()) == limit;
    else if (until.isEmpty())
        paging.more = false;
    if (added.empty())
        return 0;
    paging.boundary = added.back();
    const int first = int(order.size());
    const int last = first + int(added.size()) - 1;
    const bool loud = disableDepth == 0;
    if (loud)
        Q_EMIT q.rowsAboutToBeAppended(first, last);
    else
        changedQuietly = true;
    rows.reserve(rows.size() + added.size());
    order.reserve(order.size() + added.size());
    for (const RowData row : added) {
        order.push_back(std::uint32_t(rows.size()));
        rows.push_back(row);
    }
    if (loud)
        Q_EMIT q.rowsAppended(first, last);
    if (cursor < 0) {
        cursor = 0;
        bof = true;
        eof = false;
        emitCurrent();
    }
    return int(added.size());
}

void Query::Private::fetchUntil(int rowCount)
{
    while (paging.more && int(order.size()) < rowCount)
        readPacket(std::max(paging.packet, rowCount - int(order.size())));
}

// A row posted with keys past the last row read would come again with a later packet:
// the rows up to it are read now (without it), so that it takes its place among them.
std::exception_ptr Query::Private::readThroughPosted()
{
    if (!paging.active || !paging.more || !paging.boundary || cursor < 0)
        return {};
    const RowData row = rows[order[std::size_t(cursor)]];
    std::vector<detail::SortColumn> sortColumns;
    for (const Paging::Key &key : paging.keys)
        sortColumns.push_back({key.column, fields[std::size_t(key.column)]->DataType(), key.descending});
    detail::SortKeys keys;
    keys.Reset(sortColumns, store, 2);
    keys.Set(0, row);
    keys.Set(1, paging.boundary);
    if (keys.Compare(0, 1) <= 0)
        return {};
    try {
        const Paging::Key &key = paging.keys.back();   // the update table's key
        const QString skip = store.IsNull(row, key.column)
            ? QString()
            : key.expression + QStringLiteral(" <> ") + Connection::Quote(QString::fromUtf8(store.Value(row, key.column)));
        readPacket(0, QStringLiteral("NOT ") + afterCondition(row), skip);
        paging.boundary = row;
    } catch (...) {
        // Stored, but not placed: it comes back with the packet that reaches it.
        eraseOrder(cursor);
        return std::current_exception();
    }
    return {};
}

// --- Query ---------------------------------------------------------------------

void Query::SetPacketRecords(int rows)
{
    d->paging.packet = std::max(0, rows);
}

int Query::PacketRecords() const
{
    return d->paging.packet;
}

bool Query::CanFetchMore() const
{
    return Active() && d->paging.active && d->paging.more;
}

int Query::FetchMore()
{
    if (!CanFetchMore())
        return 0;
    return d->readPacket(d->paging.packet);
}

void Query::FetchAll()
{
    if (CanFetchMore())
        d->readPacket(0);
}

} // namespace dataset
