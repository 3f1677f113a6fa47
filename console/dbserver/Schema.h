#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace dataset {
class Connection;
}

namespace dbserver {

// The version the installed schema carries in `schemaversion`; the console checks it.
inline constexpr int SchemaVersion = 1;

// Statements of an SQL script: split at semicolons outside literals, quoted names and
// comments; comments are dropped, empty statements skipped.
QStringList SplitSqlScript(const QString &script);

QString SchemaScript();
QString DemoDataScript();

// Version recorded in the current database's `schemaversion`; 0 when there is none.
int InstalledSchemaVersion(dataset::Connection &connection);

// Creates the tables in the connection's current database (and, when asked, the demo
// data, or the one administrator "admin" with that password hash; an empty hash means
// the password is set at the first log-in), then records SchemaVersion. Safe to run
// again after an interruption.
void InstallSchema(dataset::Connection &connection, bool withDemoData,
                   const std::optional<QByteArray> &administratorHash = std::nullopt);

// Creates database `name` when needed, makes it current and installs the schema unless it
// is there already. True when it installed. A database with another schema version is an
// error.
bool CreateDatabase(dataset::Connection &connection, const QString &name, bool withDemoData,
                    const std::optional<QByteArray> &administratorHash = std::nullopt);

void DropDatabase(dataset::Connection &connection, const QString &name);

} // namespace dbserver
