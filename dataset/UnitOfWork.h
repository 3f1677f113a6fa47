#pragma once

#include <functional>

namespace dataset {

class Connection;

// True for the errors after which the same work, run again from its start, can succeed:
// a deadlock or a cluster's certification failure (1213), a cluster node that left its
// primary component (1180 at COMMIT, 1047 for any statement), and a lost connection.
// A lock wait that timed out (1205) is not among them: the lock is held by a long
// session, and waiting for it again only doubles the wait.
bool IsRetryableError(unsigned code);

// How often and how long a unit of work is tried.
struct RetryLimits {
    int tries = 4;
    // Before try n (n > 1) a random pause of up to n times this many milliseconds, so
    // two desks that collided do not meet again at once.
    int pauseStepMs = 60;
};

// Runs 'unit' (which opens and commits its own Transaction on 'connection') and runs it
// again from its start when it fails with a retryable error, up to the limit's tries;
// the last failure is thrown with a message saying nothing was stored. A lost link
// connects again on the unit's first statement of the next try; when that connect
// finds no server, its error ends the unit at once. The unit must leave
// everything as it found it when it throws (the datasets' journal undoes their writes
// on rollback) and must tell itself a lost COMMIT that did happen, with a SaveToken.
// Called inside an open transaction, the unit runs once: only the outermost unit can
// start the whole work again.
void RetryUnitOfWork(Connection &connection, const std::function<void()> &unit, const RetryLimits &limits = {});

} // namespace dataset
