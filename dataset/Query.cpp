#include "Query.h"

#include "Error.h"
#include "FieldValue.h"
#include "QueryPrivate.h"
#include "WriteCheck.h"

#include <QMetaMethod>

#include <algorithm>
#include <climits>
#include <utility>

namespace dataset {

using detail::RowData;

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

int Query::Private::displayIndex(std::uint32_t slot) const
{
    const auto at = std::find(order.begin(), order.end(), slot);
    return at == order.end() ? -1 : int(at - order.begin());
}

void Query::Private::clearRows()
{
    edit.reset();
    pending.clear();
    journal.clear();
    rows.clear();
    rows.shrink_to_fit();
    order.clear();
    order.shrink_to_fit();
    store.Reset(0);
    resetPaging();
    cursor = -1;
    bof = eof = true;
}

void Query::Private::setCursor(int row, bool scrollEvent)
{
    const bool moved = row != cursor;
    cursor = row;
    if (moved) {
        emitCurrent();
        if (scrollEvent)
            Q_EMIT q.afterScroll();
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
    if (q.IsEditing()) {
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
    else
        changedQuietly = true;
}

void Query::Private::emitRecord(int row)
{
    if (row < 0)
        return;
    if (disableDepth == 0)
        Q_EMIT q.recordChanged(row);
    else
        changedQuietly = true;
}

void Query::Private::emitCurrent()
{
    if (disableDepth == 0)
        Q_EMIT q.currentChanged(cursor);
}

// The cursor keeps pointing at its row when rows come, go or move before it.
void Query::Private::insertOrder(int position, std::uint32_t slot)
{
    const bool loud = disableDepth == 0;
    if (loud)
        Q_EMIT q.rowAboutToBeInserted(position);
    else
        changedQuietly = true;
    order.insert(order.begin() + position, slot);
    if (cursor >= position)
        ++cursor;
    if (loud)
        Q_EMIT q.rowInserted(position);
}

void Query::Private::eraseOrder(int position)
{
    const bool loud = disableDepth == 0;
    if (loud)
        Q_EMIT q.rowAboutToBeRemoved(position);
    else
        changedQuietly = true;
    order.erase(order.begin() + position);
    if (cursor > position || cursor >= int(order.size()))
        --cursor;
    if (order.empty()) {
        cursor = -1;
        bof = eof = true;
    }
    if (loud)
        Q_EMIT q.rowRemoved(position);
}

void Query::Private::moveOrder(int from, int to)
{
    if (from == to)
        return;
    const bool loud = disableDepth == 0;
    if (loud)
        Q_EMIT q.rowAboutToBeMoved(from, to);
    else
        changedQuietly = true;
    const auto begin = order.begin();
    if (from < to)
        std::rotate(begin + from, begin + from + 1, begin + to + 1);
    else
        std::rotate(begin + to, begin + from, begin + from + 1);
    if (cursor == from)
        cursor = to;
    else if (from < cursor && cursor <= to)
        --cursor;
    else if (to <= cursor && cursor < from)
        ++cursor;
    if (loud)
        Q_EMIT q.rowMoved(from, to);
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
    if (!q.IsEditing())
        throw Error(QStringLiteral("Polje '%1' se može menjati samo dok se zapis uređuje.").arg(field.DisplayLabel()));
    if (field.Index() < 0)
        throw Error(QStringLiteral("Polje '%1' ne postoji u upitu.").arg(field.FieldName()));
    if (field.ReadOnly())
        throw Error(QStringLiteral("Polje '%1' je samo za čitanje.").arg(field.DisplayLabel()));
    const bool cut = field.DataType() == FieldType::String && field.Size() > 0
        && newValue.metaType().id() == QMetaType::QString && newValue.toString().size() > field.Size()
        && detail::CharacterCount(newValue.toString()) > field.Size();
    // Only a form that tells the user (a receiver of valueCut) has a text cut to fit; any
    // other writer is refused before a column would get part of the value.
    if (cut && !memory && !q.isSignalConnected(QMetaMethod::fromSignal(&Query::valueCut)))
        throw Error(QStringLiteral("Vrednost polja \"%1\" ima više od %2 znakova i ne može se upisati cela.")
                        .arg(field.DisplayLabel())
                        .arg(field.Size()));
    edit->values[std::size_t(field.Index())] =
        detail::Coerce(field.DataType(), field.Size(), newValue, field.DisplayLabel());
    edit->modified = true;
    emitRecord(cursor);
    if (cut)
        Q_EMIT q.valueCut(field.FieldName(), field.Size());
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
    d->linkTransactions();
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
    if (d->paging.active) {
        // Rows read in packets are ordered by the server: they are read again in the new
        // order (or whole, for a sort the server cannot do alike), from the first row.
        d->checkBrowseMode();
        try {
            d->fetch();
        } catch (...) {
            d->sortText = previous;
            d->resolveSort();
            throw;
        }
        d->emitDataSet();
        d->emitCurrent();
        return;
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
    Q_EMIT beforeOpen();
    try {
        d->fetch();
    } catch (...) {
        d->clearRows();
        throw;
    }
    d->closedByFailure = false;
    d->setState(DataSetState::Browse);
    d->emitDataSet();
    d->emitCurrent();
    Q_EMIT afterOpen();
    Q_EMIT afterScroll();
}

void Query::Close()
{
    if (!Active())
        return;
    Q_EMIT beforeClose();
    d->closedByFailure = false;
    d->clearRows();
    d->memory = false;
    d->setState(DataSetState::Inactive);
    d->emitDataSet();
    Q_EMIT afterClose();
}

bool Query::Active() const
{
    return d->state != DataSetState::Inactive;
}

void Query::Refresh()
{
    // A query closed by a failed re-read (the server was away) opens again.
    if (!Active() && d->closedByFailure) {
        Open();
        return;
    }
    d->checkBrowseMode();
    // Come back to the same row (by key when there is one), else to the same position.
    QVariant key;
    if (d->cursor >= 0 && !d->target.keyColumns.empty())
        key = d->value(d->cursor, d->target.keyColumns.front());
    const int position = d->cursor;
    // Read in packets, the rows up to the current one are read again, so that it is found.
    const QString through = d->paging.active && d->cursor >= 0
        ? QStringLiteral("NOT ") + d->afterCondition(d->rows[d->order[std::size_t(d->cursor)]])
        : QString();
    try {
        d->fetch();
        if (!through.isEmpty())
            d->readPacket(0, through);
        d->fetchUntil(position + 1);
    } catch (...) {
        // The old rows are gone with the old result; a failed re-read closes the query.
        d->clearRows();
        d->setState(DataSetState::Inactive);
        d->closedByFailure = true;
        d->emitDataSet();
        throw;
    }
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
    return detail::ExecuteWrite(d->connectionOrThrow(), d->finalSql());
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
    FetchAll();
    d->setCursor(int(d->order.size()) - 1, true);
    d->eof = true;
    d->bof = d->order.empty();
}

void Query::Next()
{
    d->checkBrowseMode();
    if (d->cursor + 1 >= int(d->order.size()))
        FetchMore();
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
    if (distance > 0)
        d->fetchUntil(int(std::min<qint64>(qint64(d->cursor) + distance + 1, INT_MAX)));
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
    d->fetchUntil(recNo);
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

bool Query::IsEditing() const
{
    return d->state == DataSetState::Edit || d->state == DataSetState::Insert;
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
        // Views catch up with one reset, and only when something changed meanwhile
        // (a pass that only moved the cursor leaves them as they are).
        Q_EMIT stateChanged(d->state);
        if (std::exchange(d->changedQuietly, false))
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
