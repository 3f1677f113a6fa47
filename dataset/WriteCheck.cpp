#include "WriteCheck.h"

#include "Connection.h"
#include "Error.h"
#include "MysqlHandles.h"

#include <QRegularExpression>

#include <mariadb/mysql.h>
#include <mariadb/mysqld_error.h>

namespace dataset::detail {

std::uint64_t ExecuteWrite(Connection &connection, const QString &sql)
{
    const std::uint64_t affected = connection.Execute(sql);
    MYSQL *handle = connection.Handle();
    if (!handle || mysql_warning_count(handle) == 0)
        return affected;
    static const char warnings[] = "SHOW WARNINGS";
    if (mysql_real_query(handle, warnings, sizeof warnings - 1) != 0)
        connection.ThrowLastError(QStringLiteral("Upozorenja servera nisu pročitana."));
    const ResultPtr result(mysql_store_result(handle));
    static const QRegularExpression column(QStringLiteral("column '([^']*)'"));
    while (const MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr) {
        // A decimal rounded to its column's places is a note, not a cut.
        const unsigned code = row[1] ? QByteArray(row[1]).toUInt() : 0;
        if (!row[0] || QByteArray(row[0]) != "Warning" || (code != WARN_DATA_TRUNCATED && code != ER_DATA_TOO_LONG))
            continue;
        const QString name = column.match(QString::fromUtf8(row[2] ? row[2] : "")).captured(1);
        throw Error(
            connection.InTransaction()
                ? QStringLiteral("Vrednost za polje \"%1\" ne staje u bazu cela; ništa nije upisano.").arg(name)
                : QStringLiteral("Vrednost za polje \"%1\" ne staje u bazu cela i upisana je skraćena.").arg(name));
    }
    return affected;
}

} // namespace dataset::detail
