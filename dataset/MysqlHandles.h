#pragma once

// Owning handles for Connector/C objects, for every piece of code that calls the
// client library directly.

#include <mariadb/mysql.h>

#include <memory>

namespace dataset::detail {

struct MysqlCloser {
    void operator()(MYSQL *handle) const noexcept { mysql_close(handle); }
};
struct ResultFreer {
    void operator()(MYSQL_RES *result) const noexcept { mysql_free_result(result); }
};

using MysqlPtr = std::unique_ptr<MYSQL, MysqlCloser>;
using ResultPtr = std::unique_ptr<MYSQL_RES, ResultFreer>;

} // namespace dataset::detail
