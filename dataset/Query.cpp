#include "Query.h"

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

// --- Private helpers -----------------------------------------------------------

void Query::Private::refreshParams()
{
    const QString text = q.SQLText();
    if (paramsParsed && text == parsedText)
        return;
    paramsParsed = true;
    parsedText = text;
    tokens = detail::ScanParams(text);
}

QString Query::Private::finalSql()
{
    refreshParams();
    return detail::SpliceParams(parsedText, tokens,
                                [this](const QString &name) { return params.value(name.toLower()); });
}

Connection &Query::Private::connectionOrThrow() const
{
    if (!connection)
        throw Error(QStringLiteral("Upitu nije dodeljena veza sa bazom podataka."));
    return *connection;
}

void Query::Private::fetch()
{
    Connection &conn = connectionOrThrow();
    const QString context = QStringLiteral("Otvaranje upita nije uspelo.");
    conn.SendQuery(finalSql().toUtf8());
    MYSQL *handle = conn.Handle();
    detail::ResultPtr result(mysql_use_result(handle));
    if (!result) {
        if (mysql_field_count(handle) == 0)
            throw Error(QStringLiteral("Upit ne vraća redove; za takve naredbe koristi se izvršavanje."));
        conn.ThrowLastError(context);
    }

    const unsigned count = mysql_num_fields(result.get());
    const MYSQL_FIELD *meta = mysql_fetch_fields(result.get());
    std::vector<ColumnInfo> newColumns;
    newColumns.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        newColumns.push_back(columnOf(meta[i]));

    detail::RowStore newStore;
    newStore.Reset(int(count));
    std::vector<RowData> newRows;
    while (MYSQL_ROW row = mysql_fetch_row(result.get()))
        newRows.push_back(newStore.Add(row, mysql_fetch_lengths(result.get())));
    if (const unsigned code = mysql_errno(handle)) {
        const QString message = QString::fromUtf8(mysql_error(handle));
        result.reset();
        conn.ThrowError(context, code, message);
    }
    result.reset();

    columns = std::move(newColumns);
    target = targetOf(columns);
    store = std::move(newStore);
    rows = std::move(newRows);
    order.resize(rows.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    pending.clear();
    edit.reset();
    buildFields();
    resolveSort();
    sortRows();
    cursor = order.empty() ? -1 : 0;
    bof = true;
    eof = order.empty();
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

void Query::Private::resolveSort()
{
    sortKeys.clear();
    const QStringList parts = sortText.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QStringList words = part.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const Field *field = q.FindField(words.front());
        if (!field || field->Index() < 0)
            throw Error(QStringLiteral("Polje '%1' za sortiranje ne postoji u upitu.").arg(words.front()));
        SortKey key;
        key.column = field->Index();
        key.descending = words.size() > 1 && words.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        sortKeys.push_back(key);
    }
}

bool Query::Private::rowLess(std::uint32_t a, std::uint32_t b) const
{
    const RowData ra = rows[a];
    const RowData rb = rows[b];
    for (const SortKey &key : sortKeys) {
        const FieldType type = fields[std::size_t(key.column)]->DataType();
        auto valueOf = [&](RowData row) {
            return !row || store.IsNull(row, key.column) ? QVariant()
                                                         : detail::Decode(type, store.Value(row, key.column));
        };
        const QVariant va = valueOf(ra);
        const QVariant vb = valueOf(rb);
        int c = 0;
        if (va.isNull() || vb.isNull()) {
            c = int(!va.isNull()) - int(!vb.isNull());
        } else if (type == FieldType::String || type == FieldType::Memo) {
            c = va.toString().compare(vb.toString(), Qt::CaseInsensitive);
        } else {
            const QPartialOrdering order = QVariant::compare(va, vb);
            c = order == QPartialOrdering::Less ? -1 : order == QPartialOrdering::Greater ? 1 : 0;
        }
        if (c != 0)
            return key.descending ? c > 0 : c < 0;
    }
    // Equal keys keep the order in which the rows came (new rows last): a stable sort.
    return a < b;
}

void Query::Private::sortRows()
{
    if (sortKeys.empty())
        return;
    std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) { return rowLess(a, b); });
}

void Query::Private::placeRow(std::uint32_t slot)
{
    if (sortKeys.empty())
        return;
    const auto at = std::find(order.begin(), order.end(), slot);
    if (at == order.end())
        return;
    order.erase(at);
    const auto place = std::lower_bound(order.begin(), order.end(), slot,
                                        [this](std::uint32_t a, std::uint32_t b) { return rowLess(a, b); });
    order.insert(place, slot);
}

int Query::Private::displayIndex(std::uint32_t slot) const
{
    const auto at = std::find(order.begin(), order.end(), slot);
    return at == order.end() ? -1 : int(at - order.begin());
}

void Query::Private::setCursor(int row, bool scrollEvent)
{
    const bool moved = row != cursor;
    cursor = row;
    if (moved) {
        emitCurrent();
        if (scrollEvent && q.AfterScroll)
            q.AfterScroll(q);
    }
}

void Query::Private::setState(DataSetState newState)
{
    if (state == newState)
        return;
    state = newState;
    if (disableDepth == 0)
        Q_EMIT q.stateChanged(newState);
}

void Query::Private::checkActive() const
{
    if (state == DataSetState::Inactive)
        throw Error(QStringLiteral("Upit nije otvoren."));
}

void Query::Private::checkBrowseMode()
{
    checkActive();
    if (state == DataSetState::Edit || state == DataSetState::Insert) {
        if (edit && edit->modified)
            q.Post();
        else
            q.Cancel();
    }
}

void Query::Private::emitDataSet()
{
    if (disableDepth == 0)
        Q_EMIT q.dataSetChanged();
}

void Query::Private::emitRecord(int row)
{
    if (disableDepth == 0 && row >= 0)
        Q_EMIT q.recordChanged(row);
}

void Query::Private::emitCurrent()
{
    if (disableDepth == 0)
        Q_EMIT q.currentChanged(cursor);
}

bool Query::Private::editingRow(int row) const
{
    return edit && row >= 0 && row < int(order.size()) && order[std::size_t(row)] == edit->slot;
}

QVariant Query::Private::value(int row, int column) const
{
    if (state == DataSetState::Inactive || column < 0 || column >= int(columns.size()) || row < 0
        || row >= int(order.size()))
        return {};
    if (editingRow(row))
        return edit->values[std::size_t(column)];
    const RowData data = rows[order[std::size_t(row)]];
    if (!data || store.IsNull(data, column))
        return {};
    return detail::Decode(fields[std::size_t(column)]->DataType(), store.Value(data, column));
}

bool Query::Private::isNull(int row, int column) const
{
    if (state == DataSetState::Inactive || column < 0 || column >= int(columns.size()) || row < 0
        || row >= int(order.size()))
        return true;
    if (editingRow(row))
        return edit->values[std::size_t(column)].isNull();
    const RowData data = rows[order[std::size_t(row)]];
    if (!data || store.IsNull(data, column))
        return true;
    const FieldType type = fields[std::size_t(column)]->DataType();
    return detail::IsZeroDate(type, store.Value(data, column));
}

void Query::Private::setValue(Field &field, const QVariant &newValue)
{
    if (state != DataSetState::Edit && state != DataSetState::Insert)
        throw Error(QStringLiteral("Polje '%1' se može menjati samo dok se zapis uređuje.").arg(field.DisplayLabel()));
    if (field.Index() < 0)
        throw Error(QStringLiteral("Polje '%1' ne postoji u upitu.").arg(field.FieldName()));
    if (field.ReadOnly())
        throw Error(QStringLiteral("Polje '%1' je samo za čitanje.").arg(field.DisplayLabel()));
    edit->values[std::size_t(field.Index())] =
        detail::Coerce(field.DataType(), field.Size(), newValue, field.DisplayLabel());
    edit->modified = true;
    emitRecord(cursor);
}

// --- Query ---------------------------------------------------------------------

Query::Query(QObject *parent) : QObject(parent), d(std::make_unique<Private>(*this)) {}

Query::~Query() = default;

void Query::SetConnection(Connection *connection)
{
    if (d->connection == connection)
        return;
    if (Active())
        Close();
    d->connection = connection;
}

Connection *Query::GetConnection() const
{
    return d->connection;
}

QStringList &Query::SQL()
{
    return d->sql;
}

void Query::SetSQL(const QStringList &lines)
{
    d->sql = lines;
}

QString Query::SQLText() const
{
    return d->sql.join(QLatin1Char('\n'));
}

void Query::SetParam(const QString &name, const QVariant &value)
{
    d->refreshParams();
    const bool known = std::any_of(d->tokens.begin(), d->tokens.end(), [&](const detail::ParamToken &token) {
        return token.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (!known)
        throw Error(QStringLiteral("Parametar '%1' ne postoji u upitu.").arg(name));
    d->params.insert(name.toLower(), value);
}

QVariant Query::Param(const QString &name) const
{
    return d->params.value(name.toLower());
}

QStringList Query::ParamNames() const
{
    d->refreshParams();
    QStringList names;
    for (const detail::ParamToken &token : d->tokens) {
        if (!names.contains(token.name, Qt::CaseInsensitive))
            names << token.name;
    }
    return names;
}

void Query::SetRequestLive(bool live)
{
    d->live = live;
}

bool Query::RequestLive() const
{
    return d->live;
}

void Query::SetCachedUpdates(bool cached)
{
    if (d->cached && !cached && !d->pending.empty())
        throw Error(QStringLiteral("Postoje neupisane izmene; upišite ih ili odbacite pre isključivanja keširanja."));
    d->cached = cached;
}

bool Query::CachedUpdates() const
{
    return d->cached;
}

void Query::SetFieldDefs(std::vector<FieldDef> defs)
{
    d->defs = std::move(defs);
    // Declared fields exist before the first open, so handlers can be attached to them.
    for (const FieldDef &def : d->defs) {
        Field *field = nullptr;
        for (const auto &object : d->fieldObjects) {
            if (object->FieldName().compare(def.name, Qt::CaseInsensitive) == 0) {
                field = object.get();
                break;
            }
        }
        if (field) {
            field->m_def = def;
        } else {
            d->fieldObjects.push_back(std::make_unique<Field>(*this, -1, def));
            if (!Active())
                d->fields.push_back(d->fieldObjects.back().get());
        }
    }
}

void Query::SetSortedFields(const QString &fields)
{
    const QString previous = d->sortText;
    d->sortText = fields;
    if (!Active())
        return;
    try {
        d->resolveSort();
    } catch (...) {
        d->sortText = previous;
        d->resolveSort();
        throw;
    }
    const std::uint32_t current = d->cursor >= 0 ? d->order[std::size_t(d->cursor)] : 0;
    d->sortRows();
    d->emitDataSet();
    if (d->cursor >= 0)
        d->setCursor(d->displayIndex(current), false);
}

QString Query::SortedFields() const
{
    return d->sortText;
}

void Query::Open()
{
    if (Active())
        return;
    if (BeforeOpen)
        BeforeOpen(*this);
    d->fetch();
    d->state = DataSetState::Browse;
    if (d->disableDepth == 0) {
        Q_EMIT stateChanged(d->state);
        Q_EMIT dataSetChanged();
        Q_EMIT currentChanged(d->cursor);
    }
    if (AfterOpen)
        AfterOpen(*this);
    if (AfterScroll)
        AfterScroll(*this);
}

void Query::Close()
{
    if (!Active())
        return;
    if (BeforeClose)
        BeforeClose(*this);
    d->edit.reset();
    d->pending.clear();
    d->rows.clear();
    d->rows.shrink_to_fit();
    d->order.clear();
    d->order.shrink_to_fit();
    d->store.Reset(0);
    d->cursor = -1;
    d->bof = d->eof = true;
    d->setState(DataSetState::Inactive);
    d->emitDataSet();
    if (AfterClose)
        AfterClose(*this);
}

bool Query::Active() const
{
    return d->state != DataSetState::Inactive;
}

void Query::Refresh()
{
    d->checkBrowseMode();
    // Come back to the same row (by key when there is one), else to the same position.
    QVariant key;
    if (d->cursor >= 0 && !d->target.keyColumns.empty())
        key = d->value(d->cursor, d->target.keyColumns.front());
    const int position = d->cursor;
    d->fetch();
    int row = std::min(position, int(d->order.size()) - 1);
    if (!key.isNull()) {
        const int column = d->target.keyColumns.front();
        for (int i = 0; i < int(d->order.size()); ++i) {
            if (d->value(i, column) == key) {
                row = i;
                break;
            }
        }
    }
    d->cursor = row;
    d->bof = row <= 0;
    d->eof = d->order.empty();
    d->emitDataSet();
    d->emitCurrent();
}

std::uint64_t Query::ExecSQL()
{
    return d->connectionOrThrow().Execute(d->finalSql());
}

int Query::FieldCount() const
{
    return int(d->fields.size());
}

Field &Query::Fields(int index) const
{
    if (index < 0 || index >= int(d->fields.size()))
        throw Error(QStringLiteral("Polje broj %1 ne postoji u upitu.").arg(index));
    return *d->fields[std::size_t(index)];
}

Field &Query::FieldByName(const QString &name) const
{
    if (Field *field = FindField(name))
        return *field;
    throw Error(QStringLiteral("Polje '%1' ne postoji u upitu.").arg(name));
}

Field *Query::FindField(const QString &name) const
{
    for (Field *field : d->fields) {
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field;
    }
    return nullptr;
}

void Query::First()
{
    d->checkBrowseMode();
    d->setCursor(d->order.empty() ? -1 : 0, true);
    d->bof = true;
    d->eof = d->order.empty();
}

void Query::Last()
{
    d->checkBrowseMode();
    d->setCursor(int(d->order.size()) - 1, true);
    d->eof = true;
    d->bof = d->order.empty();
}

void Query::Next()
{
    d->checkBrowseMode();
    if (d->cursor + 1 < int(d->order.size())) {
        d->bof = d->eof = false;
        d->setCursor(d->cursor + 1, true);
    } else {
        d->eof = true;
    }
}

void Query::Prior()
{
    d->checkBrowseMode();
    if (d->cursor > 0) {
        d->bof = d->eof = false;
        d->setCursor(d->cursor - 1, true);
    } else {
        d->bof = true;
    }
}

bool Query::MoveBy(int distance)
{
    d->checkBrowseMode();
    if (d->order.empty()) {
        d->bof = d->eof = true;
        return distance == 0;
    }
    const qint64 wanted = qint64(d->cursor) + distance;
    const int target = int(std::clamp<qint64>(wanted, 0, qint64(d->order.size()) - 1));
    d->bof = wanted < 0;
    d->eof = wanted >= qint64(d->order.size());
    d->setCursor(target, true);
    return target == wanted;
}

bool Query::Eof() const
{
    return d->state == DataSetState::Inactive || d->eof;
}

bool Query::Bof() const
{
    return d->state == DataSetState::Inactive || d->bof;
}

bool Query::IsEmpty() const
{
    return d->order.empty();
}

int Query::RecordCount() const
{
    return int(d->order.size());
}

int Query::RecNo() const
{
    return d->cursor + 1;
}

void Query::SetRecNo(int recNo)
{
    d->checkBrowseMode();
    if (d->order.empty())
        return;
    const int row = std::clamp(recNo, 1, int(d->order.size())) - 1;
    d->bof = d->eof = false;
    d->setCursor(row, true);
}

Bookmark Query::GetBookmark() const
{
    if (d->cursor < 0 || d->cursor >= int(d->order.size()))
        return 0;
    return Bookmark(d->order[std::size_t(d->cursor)]) + 1;
}

bool Query::BookmarkValid(Bookmark bookmark) const
{
    if (bookmark == 0 || bookmark > d->rows.size())
        return false;
    return d->displayIndex(std::uint32_t(bookmark - 1)) >= 0;
}

void Query::GotoBookmark(Bookmark bookmark)
{
    d->checkBrowseMode();
    const int row = bookmark == 0 || bookmark > d->rows.size() ? -1 : d->displayIndex(std::uint32_t(bookmark - 1));
    if (row < 0)
        throw Error(QStringLiteral("Traženi zapis više ne postoji."));
    d->bof = d->eof = false;
    d->setCursor(row, true);
}

DataSetState Query::State() const
{
    return d->state;
}

bool Query::Modified() const
{
    return d->edit && d->edit->modified;
}

UpdateStatus Query::RowUpdateStatus() const
{
    if (d->cursor < 0)
        return UpdateStatus::Unmodified;
    const auto found = d->pending.find(d->order[std::size_t(d->cursor)]);
    return found == d->pending.end() ? UpdateStatus::Unmodified : found->second.status;
}

bool Query::UpdatesPending() const
{
    return !d->pending.empty();
}

void Query::DisableControls()
{
    ++d->disableDepth;
}

void Query::EnableControls()
{
    if (d->disableDepth == 0)
        return;
    if (--d->disableDepth == 0) {
        Q_EMIT stateChanged(d->state);
        Q_EMIT dataSetChanged();
        Q_EMIT currentChanged(d->cursor);
    }
}

bool Query::ControlsDisabled() const
{
    return d->disableDepth > 0;
}

QVariant Query::RowValue(int row, int column) const
{
    return d->value(row, column);
}

QString Query::RowDisplayText(int row, int column) const
{
    if (row < 0 || row >= int(d->order.size()) || column < 0 || column >= int(d->fields.size()))
        return {};
    // The field reads the asked row while its display handler runs.
    struct PeekGuard {
        int &peek;
        int saved;
        ~PeekGuard() { peek = saved; }
    } guard{d->peekRow, d->peekRow};
    d->peekRow = row;
    return d->fields[std::size_t(column)]->DisplayText();
}

} // namespace dataset
