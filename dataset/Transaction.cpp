#include "Transaction.h"

#include "Connection.h"
#include "DatasetLog.h"
#include "Error.h"

namespace dataset {

namespace {

QString savepointName(int level)
{
    return QStringLiteral("sp_level_%1").arg(level);
}

} // namespace

Transaction::Transaction(Connection &connection) : m_connection(connection)
{
    int &depth = m_connection.m_transactionDepth;
    m_connection.Execute(depth == 0 ? QStringLiteral("START TRANSACTION")
                                    : QStringLiteral("SAVEPOINT ") + savepointName(depth + 1));
    m_level = ++depth;
    m_session = m_connection.m_session;
    m_open = true;
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    try {
        Rollback();
    } catch (const std::exception &e) {
        // Already unwinding from the failure that matters; the server undoes the rest
        // when the session ends.
        qCWarning(lcDb, "Transaction rollback failed: %s", e.what());
    }
}

bool Transaction::Current() const
{
    return m_open && m_session == m_connection.m_session;
}

void Transaction::Commit()
{
    Commit({});
}

void Transaction::Commit(const std::function<bool()> &storedAfterLoss)
{
    if (!Current()) {
        m_open = false;
        if (m_level == 1)
            m_connection.m_lostInTransaction = false;
        throw DatabaseError(QStringLiteral("Izmene nisu snimljene."),
                            QStringLiteral("Veza sa bazom podataka je prekinuta pre potvrde izmena."), 0);
    }
    if (m_connection.m_transactionDepth != m_level)
        throw Error(QStringLiteral("Unutrašnja transakcija nije završena pre spoljašnje."));
    m_open = false;
    --m_connection.m_transactionDepth;
    if (m_level > 1) {
        m_connection.Execute(QStringLiteral("RELEASE SAVEPOINT ") + savepointName(m_level));
        return;
    }
    try {
        m_connection.Execute(QStringLiteral("COMMIT"));
    } catch (const DatabaseError &) {
        // The server may have committed before the link broke; only a look-up can tell.
        // Whatever it finds (or when it cannot tell), the datasets hold their work
        // unwritten again, as after a rollback, unless it was found stored.
        bool stored = false;
        try {
            stored = storedAfterLoss && !m_connection.Connected() && storedAfterLoss();
        } catch (...) {
            Q_EMIT m_connection.transactionRolledBack();
            throw;
        }
        if (stored) {
            Q_EMIT m_connection.transactionCommitted();
            return;
        }
        Q_EMIT m_connection.transactionRolledBack();
        throw;
    } catch (...) {
        Q_EMIT m_connection.transactionRolledBack();
        throw;
    }
    Q_EMIT m_connection.transactionCommitted();
}

void Transaction::Rollback()
{
    if (!Current()) {
        m_open = false;
        if (m_level == 1)
            m_connection.m_lostInTransaction = false;
        return;
    }
    m_open = false;
    int &depth = m_connection.m_transactionDepth;
    // Inner levels still open (an exception skipped their scopes' end) go with this one.
    depth = m_level - 1;
    if (m_level > 1) {
        m_connection.Execute(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepointName(m_level));
        Q_EMIT m_connection.savepointRolledBack(m_level);
        m_connection.Execute(QStringLiteral("RELEASE SAVEPOINT ") + savepointName(m_level));
        return;
    }
    Q_EMIT m_connection.transactionRolledBack();
    m_connection.Execute(QStringLiteral("ROLLBACK"));
}

} // namespace dataset
