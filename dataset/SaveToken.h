#pragma once

#include "Error.h"

#include <QString>
#include <QtGlobal>
#include <optional>

namespace dataset {

class Connection;
class Transaction;

// A save found already stored: the row written by an earlier try of the same save.
class AlreadySaved : public Error {
public:
    explicit AlreadySaved(qint64 key);
    qint64 key() const noexcept { return m_key; }

private:
    qint64 m_key;
};

// A save whose COMMIT reached the server, or may have, and whose outcome could not be
// learned before the look-up gave up: not an error of the save, a state. The caller keeps
// its token (and what the user typed); the next try looks it up first.
class OutcomeUnknown : public Error {
public:
    OutcomeUnknown();
};

// Marks the row one save writes with a random token, kept in the table's unique column
// `savetoken`. A save whose COMMIT reached the server but whose reply was lost is told
// from one that stored nothing by looking the token up after reconnecting; a retry keeps
// the token, so the unique column refuses a second copy of the same save.
class SaveToken {
public:
    SaveToken(QString table, QString keyColumn);

    const QString &Value() const { return m_value; }
    // A new token, for the next save that is not a retry of this one.
    void Renew();

    // Writes the token onto row 'key' inside the open transaction. Throws AlreadySaved
    // when another row, stored by an earlier try, carries it.
    void Stamp(Connection &connection, qint64 key) const;
    // The key of the row carrying the token; none when nothing was stored with it.
    std::optional<qint64> Find(Connection &connection) const;
    // Commits 'transaction'. When the link is lost during COMMIT, the session connects
    // again and looks the token up, trying again with growing pauses (a server away, a
    // balancer cutting connects at the handshake) for up to the connection's statement
    // timeout: found, the save counts as committed; not found, the COMMIT's error stands
    // and a retry is safe; no answer in that time throws OutcomeUnknown.
    void Commit(Transaction &transaction, Connection &connection) const;

private:
    bool StoredAfterLoss(Connection &connection) const;

    QString m_table;
    QString m_keyColumn;
    QString m_value;
};

} // namespace dataset
