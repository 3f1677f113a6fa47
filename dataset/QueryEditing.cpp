// Editing of a Query: edit buffer, posts to the update table, cached updates.

#include "Error.h"
#include "FieldValue.h"
#include "QueryPrivate.h"
#include "Transaction.h"
#include "WriteCheck.h"

#include <algorithm>

namespace dataset {

using detail::RowData;

namespace {

std::vector<std::optional<QByteArray>> unpack(const detail::RowStore &store, RowData row)
{
    std::vector<std::optional<QByteArray>> values(std::size_t(store.ColumnCount()));
    for (int i = 0; i < store.ColumnCount(); ++i) {
        if (!store.IsNull(row, i))
            values[std::size_t(i)] = store.Value(row, i).toByteArray();
    }
    return values;
}

bool sameValue(const detail::RowStore &store, RowData a, RowData b, int column)
{
    const bool nullA = store.IsNull(a, column);
    const bool nullB = store.IsNull(b, column);
    return nullA == nullB && (nullA || store.Value(a, column) == store.Value(b, column));
}

} // namespace

// --- Private helpers -----------------------------------------------------------

void Query::Private::checkLive() const
{
    checkActive();
    if (!live && !memory)
        throw Error(QStringLiteral("Upit je samo za čitanje; izmene nisu dozvoljene."));
}

void Query::Private::startInsert(bool append)
{
    checkLive();
    checkBrowseMode();
    Q_EMIT q.beforeInsert();
    const auto slot = std::uint32_t(rows.size());
    rows.push_back(nullptr);
    const int position = append || cursor < 0 ? int(order.size()) : cursor;
    edit = EditBuffer{slot, std::vector<QVariant>(columns.size()), nullptr, false};
    insertOrder(position, slot);
    cursor = position;
    bof = eof = false;
    setState(DataSetState::Insert);
    try {
        applyDefaults();
        if (q.OnNewRecord)
            q.OnNewRecord(q);
    } catch (...) {
        // A failing new-record handler leaves no half-made row behind.
        edit.reset();
        setState(DataSetState::Browse);
        eraseOrder(position);
        emitCurrent();
        throw;
    }
    edit->modified = false;
    emitRecord(cursor);
    emitCurrent();
    Q_EMIT q.afterInsert();
    Q_EMIT q.afterScroll();
}

void Query::Private::applyDefaults()
{
    if (target.plainName.isEmpty() || !connection)
        return;
    const QHash<QString, QString> &defaults = connection->ColumnDefaults(target.plainName);
    for (Field *field : fields) {
        const int index = field->Index();
        if (index < 0 || !field->Writable() || index == target.autoIncrementColumn)
            continue;
        const QString text = defaults.value(columns[std::size_t(index)].orgName);
        if (text.isNull())
            continue;
        const QByteArray bytes = text.toUtf8();
        QVariant value = detail::IsZeroDate(field->DataType(), bytes) ? QVariant()
                                                                      : detail::Decode(field->DataType(), bytes);
        if (field->DataType() == FieldType::String)
            value = detail::CutToCharacters(value.toString(), field->Size());
        edit->values[std::size_t(index)] = value;
    }
}

// A required mark guards what a post writes: columns the row does not write
// (expressions, joined display columns) are not checked.
void Query::Private::checkRequired() const
{
    for (const Field *field : fields) {
        const int index = field->Index();
        if (!field->Required() || !field->Writable() || index < 0 || index == target.autoIncrementColumn)
            continue;
        const QVariant &value = edit->values[std::size_t(index)];
        const bool empty = value.isNull()
            || ((field->DataType() == FieldType::String || field->DataType() == FieldType::Memo)
                && value.toString().isEmpty());
        if (empty)
            throw Error(QStringLiteral("Polje '%1' mora imati vrednost.").arg(field->DisplayLabel()));
    }
}

RowData Query::Private::encodeEdit()
{
    std::vector<std::optional<QByteArray>> values(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!edit->values[i].isNull())
            values[i] = detail::Encode(fields[i]->DataType(), edit->values[i]);
    }
    return store.Add(values);
}

QString Query::Private::literal(RowData row, int column) const
{
    if (store.IsNull(row, column))
        return QStringLiteral("NULL");
    return Connection::Quote(QString::fromUtf8(store.Value(row, column)));
}

QString Query::Private::whereKey(RowData row) const
{
    QStringList terms;
    if (!target.keyColumns.empty()) {
        for (const int column : target.keyColumns)
            terms << detail::QuoteIdentifier(columns[std::size_t(column)].orgName) + QStringLiteral(" = ")
                    + literal(row, column);
    } else {
        for (const Field *field : fields) {
            if (field->Writable())
                terms << detail::QuoteIdentifier(columns[std::size_t(field->Index())].orgName)
                        + QStringLiteral(" <=> ") + literal(row, field->Index());
        }
    }
    return terms.join(QStringLiteral(" AND "));
}

void Query::Private::requireTarget() const
{
    if (target.table.isEmpty())
        throw Error(QStringLiteral("Upit nema tabelu u koju bi se izmene upisale."));
}

RowData Query::Private::writeInsert(RowData row)
{
    if (memory)
        return row;
    requireTarget();
    QStringList names;
    QStringList values;
    const int autoColumn = target.autoIncrementColumn;
    const bool generated = autoColumn >= 0
        && (store.IsNull(row, autoColumn) || store.Value(row, autoColumn) == QByteArrayView("0"));
    for (const Field *field : fields) {
        const int index = field->Index();
        if (!field->Writable() || store.IsNull(row, index) || (generated && index == autoColumn))
            continue;
        names << detail::QuoteIdentifier(columns[std::size_t(index)].orgName);
        values << literal(row, index);
    }
    detail::ExecuteWrite(connectionOrThrow(),
                         QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                             .arg(target.table, names.join(QStringLiteral(", ")), values.join(QStringLiteral(", "))));
    if (!generated)
        return row;
    // The row learns the key the server gave it.
    auto withKey = unpack(store, row);
    withKey[std::size_t(autoColumn)] = QByteArray::number(qlonglong(connection->LastInsertId()));
    return store.Add(withKey);
}

// The row is found by its key and by the values it had of every column the update
// changes, so a row another user changed or deleted meanwhile is not overwritten.
void Query::Private::writeUpdate(RowData original, RowData current)
{
    if (memory)
        return;
    requireTarget();
    QStringList assignments;
    QStringList unchanged;
    for (const Field *field : fields) {
        const int index = field->Index();
        if (!field->Writable() || sameValue(store, original, current, index))
            continue;
        const QString column = detail::QuoteIdentifier(columns[std::size_t(index)].orgName);
        assignments << column + QStringLiteral(" = ") + literal(current, index);
        unchanged << column + QStringLiteral(" <=> ") + literal(original, index);
    }
    if (assignments.isEmpty())
        return;
    expectOneRow(detail::ExecuteWrite(connectionOrThrow(),
                                      QStringLiteral("UPDATE %1 SET %2 WHERE %3 AND %4 LIMIT 1")
                                          .arg(target.table, assignments.join(QStringLiteral(", ")), whereKey(original),
                                               unchanged.join(QStringLiteral(" AND ")))));
}

void Query::Private::writeDelete(RowData original)
{
    if (memory)
        return;
    requireTarget();
    expectOneRow(connectionOrThrow().Execute(
        QStringLiteral("DELETE FROM %1 WHERE %2 LIMIT 1").arg(target.table, whereKey(original))));
}

// The connection counts found rows, so an update that matched its row reports it even
// when the values were already there.
void Query::Private::expectOneRow(std::uint64_t affected) const
{
    if (affected == 0)
        throw Error(QStringLiteral("Zapis je u međuvremenu izmenio ili obrisao drugi korisnik. Osvežite podatke."));
}

bool Query::Private::rowChanged(RowData original, RowData current) const
{
    for (int i = 0; i < int(columns.size()); ++i) {
        if (!sameValue(store, original, current, i))
            return true;
    }
    return false;
}

// --- Query editing ---------------------------------------------------------------

void Query::Append()
{
    d->startInsert(true);
}

void Query::Insert()
{
    d->startInsert(false);
}

void Query::Edit()
{
    d->checkLive();
    if (IsEditing())
        return;
    if (d->order.empty()) {
        Insert();
        return;
    }
    Q_EMIT beforeEdit();
    const std::uint32_t slot = d->order[std::size_t(d->cursor)];
    EditBuffer buffer{slot, {}, d->rows[slot], false};
    buffer.values.reserve(d->columns.size());
    for (int i = 0; i < int(d->columns.size()); ++i)
        buffer.values.push_back(d->value(d->cursor, i));
    d->edit = std::move(buffer);
    d->setState(DataSetState::Edit);
    d->emitRecord(d->cursor);
    Q_EMIT afterEdit();
}

void Query::Post()
{
    d->checkActive();
    if (!IsEditing())
        return;
    if (BeforePost)
        BeforePost(*this);
    d->checkRequired();
    const bool inserting = d->state == DataSetState::Insert;
    const std::uint32_t slot = d->edit->slot;
    RowData row = d->encodeEdit();
    if (!d->cached) {
        if (inserting)
            row = d->writeInsert(row);
        else
            d->writeUpdate(d->edit->original, row);
        JournalEntry entry;
        entry.slot = slot;
        entry.kind = inserting ? UpdateStatus::Inserted : UpdateStatus::Modified;
        entry.before = d->edit->original;
        entry.editValues = d->edit->values;
        d->journalWrite(std::move(entry));
    } else if (inserting) {
        d->pending[slot] = PendingUpdate{UpdateStatus::Inserted, nullptr};
    } else if (!d->pending.contains(slot) && d->rowChanged(d->edit->original, row)) {
        d->pending[slot] = PendingUpdate{UpdateStatus::Modified, d->edit->original};
    }
    d->rows[slot] = row;
    d->edit.reset();
    d->setState(DataSetState::Browse);
    d->emitRecord(d->cursor);
    const std::exception_ptr unread = d->readThroughPosted();
    // A sorted query moves the posted row to its place; the cursor goes with it.
    d->placeRow(d->cursor);
    d->emitCurrent();
    Q_EMIT afterPost();
    if (unread)
        std::rethrow_exception(unread);
}

void Query::Cancel()
{
    if (!IsEditing())
        return;
    Q_EMIT beforeCancel();
    const bool inserting = d->state == DataSetState::Insert;
    d->edit.reset();
    // Browsing before the row leaves: a view reacting to the removal finds nothing to cancel.
    d->setState(DataSetState::Browse);
    if (inserting)
        d->eraseOrder(d->cursor);
    else
        d->emitRecord(d->cursor);
    d->emitCurrent();
    Q_EMIT afterCancel();
}

void Query::Delete()
{
    d->checkLive();
    if (d->state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (d->order.empty())
        throw Error(QStringLiteral("Nema zapisa za brisanje."));
    if (BeforeDelete)
        BeforeDelete(*this);
    const std::uint32_t slot = d->order[std::size_t(d->cursor)];
    if (!d->cached) {
        d->writeDelete(d->rows[slot]);
        JournalEntry entry;
        entry.slot = slot;
        entry.kind = UpdateStatus::Deleted;
        entry.before = d->rows[slot];
        entry.position = d->cursor;
        d->journalWrite(std::move(entry));
        d->rows[slot] = nullptr;
    } else if (const auto found = d->pending.find(slot); found == d->pending.end()) {
        d->pending[slot] = PendingUpdate{UpdateStatus::Deleted, d->rows[slot]};
    } else if (found->second.status == UpdateStatus::Inserted) {
        d->pending.erase(found);
        d->rows[slot] = nullptr;
    } else {
        found->second.status = UpdateStatus::Deleted;
    }
    d->edit.reset();
    d->setState(DataSetState::Browse);
    d->eraseOrder(d->cursor);
    d->emitCurrent();
    Q_EMIT afterDelete();
    Q_EMIT afterScroll();
}

void Query::ApplyUpdates()
{
    d->checkActive();
    Post();
    if (d->pending.empty())
        return;
    // Inserted rows learn their keys and may move in a sorted query; the cursor goes
    // with its row, whether the run ends well or not.
    struct Finish {
        Private &d;
        ~Finish() { d.emitCurrent(); }
    } finish{*d};

    // All rows or none: the writes share one transaction (a savepoint inside the
    // caller's), and every row stays pending until the outermost one commits. A failure
    // rolls back, which puts every written row back among the pending ones.
    Transaction transaction(d->connectionOrThrow());
    std::vector<std::uint32_t> slots;
    slots.reserve(d->pending.size());
    for (const auto &[slot, update] : d->pending)
        slots.push_back(slot);
    for (const std::uint32_t slot : slots) {
        JournalEntry entry;
        entry.slot = slot;
        entry.cached = true;
        entry.pending = d->pending.at(slot);
        entry.kind = entry.pending.status;
        entry.before = entry.kind == UpdateStatus::Deleted ? entry.pending.original : d->rows[slot];
        switch (entry.kind) {
        case UpdateStatus::Inserted:
            d->rows[slot] = d->writeInsert(d->rows[slot]);
            break;
        case UpdateStatus::Modified:
            d->writeUpdate(entry.pending.original, d->rows[slot]);
            break;
        case UpdateStatus::Deleted:
            d->writeDelete(entry.pending.original);
            d->rows[slot] = nullptr;
            break;
        case UpdateStatus::Unmodified:
            break;
        }
        const bool inserted = entry.kind == UpdateStatus::Inserted;
        d->pending.erase(slot);
        d->journalWrite(std::move(entry));
        if (inserted) {
            const int position = d->displayIndex(slot);
            d->emitRecord(position);
            d->placeRow(position);
        }
    }
    transaction.Commit();
}

void Query::CancelUpdates()
{
    d->checkActive();
    Cancel();
    if (d->pending.empty())
        return;
    const std::uint32_t current = d->cursor >= 0 ? d->order[std::size_t(d->cursor)] : 0;
    for (const auto &[slot, update] : d->pending) {
        switch (update.status) {
        case UpdateStatus::Inserted:
            d->rows[slot] = nullptr;
            d->order.erase(std::find(d->order.begin(), d->order.end(), slot));
            break;
        case UpdateStatus::Modified:
            d->rows[slot] = update.original;
            break;
        case UpdateStatus::Deleted: {
            d->rows[slot] = update.original;
            // Back before the first visible row that came after it.
            const auto place = std::find_if(d->order.begin(), d->order.end(),
                                             [slot](std::uint32_t other) { return other > slot; });
            d->order.insert(place, slot);
            break;
        }
        case UpdateStatus::Unmodified:
            break;
        }
    }
    d->pending.clear();
    d->sortRows();
    const int row = d->cursor >= 0 ? d->displayIndex(current) : -1;
    d->cursor = row >= 0 ? row : (d->order.empty() ? -1 : 0);
    d->bof = d->cursor <= 0;
    d->eof = d->order.empty();
    d->emitDataSet();
    d->emitCurrent();
}

} // namespace dataset
