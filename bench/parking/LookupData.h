#pragma once

// Generated surcharge tickets, subscriptions and products for the benchmarks that look
// vehicles up by registration: made on the server from its sequence tables.

#include <QString>

namespace dataset { class Connection; }

namespace bench {

// Five tickets per registration; two subscriptions for every other registration, so the
// subscriptions are a fifth of the tickets.
int LookupRegistrations(int tickets);
// The registration of index 'index' (0 .. LookupRegistrations - 1), e.g. "BG0000017".
QString LookupRegistration(int index);

// True when the tables hold what GenerateLookupData makes for these counts.
bool LookupDataLoaded(dataset::Connection &connection, int tickets, int products);
// Empties the ticket, subscription, product and tax tables and fills them; bar codes
// DK1 .. DK'products'.
void GenerateLookupData(dataset::Connection &connection, int tickets, int products);

} // namespace bench
