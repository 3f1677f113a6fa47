#pragma once

#include <QByteArray>
#include <QString>
#include <QList>
#include <QStringList>
#include <optional>

namespace dataset {
class Connection;
}

namespace dbserver {

// The version the installed schema carries in `schemaversion`; the console checks it.
// Version 1 is schema.sql; each later version has its migration.
inline constexpr int SchemaVersion = 13;

// One built-in migration: its statements bring the schema from version - 1 to version.
struct Migration {
    int version = 0;
    QString name;     // the file's name, for messages
    QString script;
};

// The built-in migrations in version order. Throws dataset::Error when their numbers do
// not run 2, 3, … up to SchemaVersion without a gap.
QList<Migration> Migrations();

// Statements of an SQL script: split at semicolons outside literals, quoted names and
// comments; comments are dropped, empty statements skipped.
QStringList SplitSqlScript(const QString &script);

QString SchemaScript();
QString DemoDataScript();

// Version recorded in the current database's `schemaversion`; 0 when there is none.
int InstalledSchemaVersion(dataset::Connection &connection);

// Throws dataset::Error unless the current database carries SchemaVersion: an older one
// asks for `parking-dbserver upgrade`, a newer one names both versions.
void CheckSchemaVersion(dataset::Connection &connection);

// Applies, in order, the migrations after the current database's version, recording
// each version as it is reached; returns how many were applied. A database without a
// schema or with a newer one is an error. Safe to run again after an interruption.
int UpgradeSchema(dataset::Connection &connection);

// Creates the tables in the connection's current database (version 1 and every
// migration; and, when asked, the demo data, or the one administrator "admin" with that
// password hash; an empty hash means the password is set at the first log-in), then
// records SchemaVersion. Safe to run again after an interruption.
void InstallSchema(dataset::Connection &connection, bool withDemoData,
                   const std::optional<QByteArray> &administratorHash = std::nullopt);

// What PrepareDatabase did.
enum class SchemaChange { Created, Upgraded, Unchanged };

// Creates database `name` when needed and makes it current; installs the schema into a
// database without one; an older schema is upgraded when 'upgradeOlder', else refused
// (the error asks for an upgrade); a newer one is always refused.
SchemaChange PrepareDatabase(dataset::Connection &connection, const QString &name, bool withDemoData,
                             const std::optional<QByteArray> &administratorHash, bool upgradeOlder);

// PrepareDatabase without upgrading: true when it installed.
bool CreateDatabase(dataset::Connection &connection, const QString &name, bool withDemoData,
                    const std::optional<QByteArray> &administratorHash = std::nullopt);

void DropDatabase(dataset::Connection &connection, const QString &name);

} // namespace dbserver
