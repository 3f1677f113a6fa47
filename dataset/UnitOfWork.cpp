#include "UnitOfWork.h"

#include "Connection.h"
#include "DatasetLog.h"
#include "Error.h"

#include <QRandomGenerator>
#include <QThread>

namespace dataset {

namespace {

constexpr unsigned kErrorDuringCommit = 1180;
constexpr unsigned kDeadlock = 1213; // also a cluster's certification failure
constexpr unsigned kNoSocket = 2002; // connecting found no server
constexpr unsigned kNoHost = 2003; // connecting: the host does not answer

// Connecting again failed: every host was tried and none answered, so another try
// would only wait through the same timeouts once more.
bool OutOfReach(const Connection &connection, unsigned code)
{
    return !connection.Connected() && (code == kNoSocket || code == kNoHost);
}

} // namespace

bool IsRetryableError(unsigned code)
{
    return code == kDeadlock || code == kErrorDuringCommit || IsConnectionLost(code);
}

void RetryUnitOfWork(Connection &connection, const std::function<void()> &unit, const RetryLimits &limits)
{
    if (connection.InTransaction()) {
        unit();
        return;
    }
    for (int attempt = 1;; ++attempt) {
        try {
            unit();
            return;
        } catch (const DatabaseError &error) {
            if (!IsRetryableError(error.serverCode()) || connection.InTransaction()
                || OutOfReach(connection, error.serverCode()))
                throw;
            if (attempt >= limits.tries)
                throw DatabaseError(
                    QStringLiteral(
                        "Ništa nije snimljeno: posao je prekinut %1 puta zaredom. Pokušajte ponovo malo kasnije.")
                        .arg(attempt),
                    error.serverMessage(), error.serverCode());
            qCInfo(lcDb, "Try %d of a unit of work failed (%u), running it again", attempt, error.serverCode());
            const int pause = int(QRandomGenerator::global()->bounded(limits.pauseStepMs * attempt + 1));
            QThread::msleep(unsigned(pause));
        }
    }
}

} // namespace dataset
