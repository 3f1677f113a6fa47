// Writes of a Query inside a transaction: kept until the transaction ends, undone in the
// dataset when the transaction rolls back, so nothing typed or cached is lost.

#include "QueryPrivate.h"

#include <algorithm>

namespace dataset {

int Query::Private::transactionLevel() const
{
    return connection ? connection->TransactionLevel() : 0;
}

void Query::Private::journalWrite(JournalEntry entry)
{
    entry.level = transactionLevel();
    if (entry.level > 0)
        journal.push_back(std::move(entry));
}

void Query::Private::linkTransactions()
{
    for (const auto &link : transactionLinks)
        QObject::disconnect(link);
    transactionLinks.clear();
    journal.clear();
    if (!connection)
        return;
    transactionLinks = {
        QObject::connect(connection, &Connection::transactionCommitted, &q, [this] { journal.clear(); }),
        QObject::connect(connection, &Connection::transactionRolledBack, &q, [this] { undoWrites(1); }),
        QObject::connect(connection, &Connection::savepointRolledBack, &q,
                         [this](int level) { undoWrites(level); }),
    };
}

// Undoes, newest first, the writes made at 'level' or deeper. Cached rows become
// pending again (a new row without the key the server gave it); live rows return to
// what they were, and the last live post is opened again for editing with the values
// it posted, so a retry posts it again.
void Query::Private::undoWrites(int level)
{
    const auto first = std::find_if(journal.begin(), journal.end(),
                                    [level](const JournalEntry &entry) { return entry.level >= level; });
    if (first == journal.end())
        return;
    std::vector<JournalEntry> undone(std::make_move_iterator(first), std::make_move_iterator(journal.end()));
    journal.erase(first, journal.end());
    if (state == DataSetState::Inactive)
        return;
    // The newest live post (not a delete) is reopened when nothing else is being edited.
    const JournalEntry *reopen = nullptr;
    if (state == DataSetState::Browse) {
        for (auto entry = undone.rbegin(); entry != undone.rend() && !reopen; ++entry) {
            if (!entry->cached && entry->kind != UpdateStatus::Deleted && displayIndex(entry->slot) >= 0)
                reopen = &*entry;
        }
    }
    for (auto entry = undone.rbegin(); entry != undone.rend(); ++entry) {
        const std::uint32_t slot = entry->slot;
        if (entry->cached) {
            pending[slot] = entry->pending;
            if (entry->kind != UpdateStatus::Modified)
                rows[slot] = entry->before;
            // A new row loses its key again and goes back where it sorted before.
            const int position = displayIndex(slot);
            emitRecord(position);
            placeRow(position);
            continue;
        }
        switch (entry->kind) {
        case UpdateStatus::Inserted:
            rows[slot] = nullptr;
            if (const int position = displayIndex(slot); position >= 0 && !(reopen && reopen->slot == slot))
                eraseOrder(position);
            break;
        case UpdateStatus::Modified:
            rows[slot] = entry->before;
            emitRecord(displayIndex(slot));
            break;
        case UpdateStatus::Deleted:
            rows[slot] = entry->before;
            insertOrder(std::clamp(entry->position, 0, int(order.size())), slot);
            break;
        case UpdateStatus::Unmodified:
            break;
        }
    }
    if (reopen) {
        // A row inserted and then updated within the transaction is new again.
        const bool inserting = std::any_of(undone.begin(), undone.end(), [reopen](const JournalEntry &entry) {
            return !entry.cached && entry.slot == reopen->slot && entry.kind == UpdateStatus::Inserted;
        });
        edit = EditBuffer{reopen->slot, reopen->editValues, inserting ? nullptr : reopen->before, true};
        cursor = displayIndex(reopen->slot);
        bof = eof = false;
        setState(inserting ? DataSetState::Insert : DataSetState::Edit);
        emitRecord(cursor);
    }
    if (!order.empty() && (cursor < 0 || cursor >= int(order.size())))
        cursor = 0;
    emitCurrent();
}

} // namespace dataset
