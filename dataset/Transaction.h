#pragma once

#include <QtGlobal>

#include <functional>

namespace dataset {

class Connection;

// A scoped transaction on one connection: begun on construction, made durable by
// Commit(), undone by the destructor on every other path. Opened while another is
// open on the same connection, it becomes a savepoint inside that one, so a step can
// be undone on its own without giving up the whole unit of work.
class Transaction {
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void Commit();
    // Commit, for a save that can tell afterwards whether it was stored: when the link is
    // lost during COMMIT, 'storedAfterLoss' is asked (it may connect again); true makes
    // the transaction count as committed, false lets the COMMIT's error stand; what it
    // throws is thrown instead, the work counting as undone for the datasets.
    void Commit(const std::function<bool()> &storedAfterLoss);
    // Undoes the work now instead of at the end of the scope.
    void Rollback();
    bool Nested() const { return m_level > 1; }

private:
    bool Current() const;

    Connection &m_connection;
    int m_level = 0;        // 1 for the outermost transaction
    quint64 m_session = 0;  // the connection's session when this began
    bool m_open = false;
};

} // namespace dataset
