#pragma once

#include <QString>

#include <cstdint>

namespace dataset {

class Connection;

namespace detail {

// Runs a statement that writes values, as Connection::Execute does; a value the server
// cut to its column's width or could not take whole (warnings 1265 and 1406 of the
// non-strict session) throws Error naming the column, so the caller's transaction is not
// committed with it (outside a transaction the message says the row was stored cut).
std::uint64_t ExecuteWrite(Connection &connection, const QString &sql);

} // namespace detail
} // namespace dataset
