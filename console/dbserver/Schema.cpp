#include "Schema.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/MysqlHandles.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <mariadb/mysql.h>
#include <mariadb/mysqld_error.h>

#include <memory>

namespace dbserver {

namespace {

using dataset::detail::ResultPtr;

QString ReadResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw dataset::Error(QStringLiteral("Skripta šeme %1 nije ugrađena u program.").arg(path));
    return QString::fromUtf8(file.readAll());
}

void ExecuteScript(dataset::Connection &connection, const QString &script, const QString &what)
{
    const QStringList statements = SplitSqlScript(script);
    for (qsizetype i = 0; i < statements.size(); ++i) {
        try {
            connection.Execute(statements.at(i));
        } catch (const dataset::DatabaseError &error) {
            const QString start = statements.at(i).simplified().left(80);
            throw dataset::DatabaseError(
                QStringLiteral("%1: naredba %2 nije izvršena (%3...).").arg(what, QString::number(i + 1), start),
                error.serverMessage(), error.serverCode());
        }
    }
}

void InsertAdministrator(dataset::Connection &connection, const QString &passwordHash)
{
    dataset::Query insert;
    insert.SetConnection(&connection);
    insert.SetSQL({QStringLiteral("INSERT INTO user (username, passwordhash, firstname, lastname) "
                                  "VALUES ('admin', :hash, 'Administrator', 'Sistema')")});
    // No hash is an empty one (the administrator sets a password at first login), never NULL.
    insert.SetParam(QStringLiteral("hash"), passwordHash.isEmpty() ? QStringLiteral("") : passwordHash);
    insert.ExecSQL();
}

void RecordVersion(dataset::Connection &connection, int version)
{
    dataset::Query insert;
    insert.SetConnection(&connection);
    insert.SetSQL({QStringLiteral("INSERT IGNORE INTO schemaversion (version) VALUES (:version)")});
    insert.SetParam(QStringLiteral("version"), version);
    insert.ExecSQL();
}

// Host documents that share a number within their type, year and warehouse (which
// version 3 makes unique), one line each for the operator to fix; at most 'limit'.
QStringList DuplicateHostNumbers(dataset::Connection &connection, int limit)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral(
        "SELECT documenttype, COALESCE(YEAR(documentdate), 0), IF(warehouseid > 0, warehouseid, 0), number, "
        "COUNT(*), GROUP_CONCAT(documentid ORDER BY documentid SEPARATOR ', ') FROM document WHERE number <> '' "
        "GROUP BY documenttype, COALESCE(YEAR(documentdate), 0), IF(warehouseid > 0, warehouseid, 0), number "
        "HAVING COUNT(*) > 1 ORDER BY 1, 2, 3, 4 LIMIT :limit")});
    query.SetParam(QStringLiteral("limit"), limit);
    query.Open();
    QStringList lines;
    for (query.First(); !query.Eof(); query.Next())
        lines << QStringLiteral("  vrsta %1, godina %2, magacin %3, broj %4: %5 dokumenta (documentid %6)")
                     .arg(query.Fields(0).AsString(), query.Fields(1).AsString(), query.Fields(2).AsString(),
                          query.Fields(3).AsString(), query.Fields(4).AsString(), query.Fields(5).AsString());
    return lines;
}

// A migration that failed while host documents repeat a number (which stops version 3,
// though the server may name another cause) is explained by the numbers to fix.
void ExplainDuplicates(dataset::Connection &connection, const Migration &migration,
                       const dataset::DatabaseError &error)
{
    constexpr int kShown = 20;
    QStringList duplicates;
    try {
        duplicates = DuplicateHostNumbers(connection, kShown + 1);
    } catch (const dataset::Error &) {
        return; // the migration's own error tells what happened
    }
    if (duplicates.isEmpty())
        return;
    throw dataset::Error(
        QStringLiteral("Prelaz na verziju %1 nije moguć: brojevi dokumenata se ponavljaju u istoj vrsti, godini i "
                       "magacinu. Ispravite brojeve ovih dokumenata (tabela document), pa ponovo pokrenite "
                       "parking-dbserver upgrade:\n%2%3\nPoruka servera: %4")
            .arg(migration.version)
            .arg(duplicates.mid(0, kShown).join(QLatin1Char('\n')),
                 duplicates.size() > kShown ? QStringLiteral("\n  …") : QString(), error.serverMessage()));
}

void ApplyMigrations(dataset::Connection &connection, int installed, bool recordEach)
{
    for (const Migration &migration : Migrations()) {
        if (migration.version <= installed)
            continue;
        try {
            ExecuteScript(
                connection, migration.script,
                QStringLiteral("Prelaz na verziju %1 (%2) nije izvršen").arg(migration.version).arg(migration.name));
        } catch (const dataset::DatabaseError &error) {
            ExplainDuplicates(connection, migration, error);
            throw;
        }
        if (recordEach)
            RecordVersion(connection, migration.version);
    }
}

QString NewerSchemaText(int installed)
{
    return QStringLiteral("Baza je verzije %1, a program radi sa verzijom %2; potreban je noviji program.")
        .arg(installed)
        .arg(SchemaVersion);
}

} // namespace

QList<Migration> Migrations()
{
    const QDir folder(QStringLiteral(":/parking/schema/migrations"));
    const QStringList files = folder.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
    QList<Migration> migrations;
    for (const QString &file : files) {
        Migration migration;
        migration.version = file.section(QLatin1Char('-'), 0, 0).toInt();
        migration.name = file;
        if (migration.version != int(migrations.size()) + 2)
            throw dataset::Error(QStringLiteral("Ugrađeni prelaz %1 nije na svom mestu u nizu verzija.").arg(file));
        migration.script = ReadResource(folder.filePath(file));
        migrations << migration;
    }
    if (migrations.size() + 1 != SchemaVersion)
        throw dataset::Error(QStringLiteral("Program ima prelaze do verzije %1, a radi sa verzijom %2.")
                                 .arg(migrations.size() + 1)
                                 .arg(SchemaVersion));
    return migrations;
}

QStringList SplitSqlScript(const QString &script)
{
    QStringList statements;
    QString current;
    QString delimiter = QStringLiteral(";");
    static const QRegularExpression delimiterLine(QStringLiteral("\\GDELIMITER[ \\t]+(\\S+)[^\\n]*"),
                                                  QRegularExpression::CaseInsensitiveOption);
    const qsizetype n = script.size();
    auto flush = [&] {
        const QString statement = current.trimmed();
        if (!statement.isEmpty())
            statements << statement;
        current.clear();
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = script.at(i);
        const QChar next = i + 1 < n ? script.at(i + 1) : QChar();
        // A DELIMITER line at a statement's start lets a routine's body hold semicolons.
        if (current.trimmed().isEmpty() && (c == QLatin1Char('D') || c == QLatin1Char('d'))) {
            if (const auto match = delimiterLine.match(script, i); match.hasMatch()) {
                delimiter = match.captured(1);
                current.clear();
                i = match.capturedEnd() - 1;
                continue;
            }
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            // A literal or quoted name runs to the matching quote; a doubled quote stays
            // inside, and in literals a backslash escapes the next character.
            current += c;
            for (++i; i < n; ++i) {
                const QChar q = script.at(i);
                current += q;
                if (q == QLatin1Char('\\') && c != QLatin1Char('`') && i + 1 < n) {
                    current += script.at(++i);
                } else if (q == c) {
                    if (i + 1 < n && script.at(i + 1) == c)
                        current += script.at(++i);
                    else
                        break;
                }
            }
        } else if ((c == QLatin1Char('-') && next == QLatin1Char('-')
                    && (i + 2 >= n || script.at(i + 2).isSpace()))
                   || c == QLatin1Char('#')) {
            while (i < n && script.at(i) != QLatin1Char('\n'))
                ++i;
            current += QLatin1Char('\n');
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype end = script.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 1;
            current += QLatin1Char(' ');
        } else if (QStringView(script).sliced(i).startsWith(delimiter)) {
            flush();
            i += delimiter.size() - 1;
        } else {
            current += c;
        }
    }
    flush();
    return statements;
}

QString SchemaScript()
{
    return ReadResource(QStringLiteral(":/parking/schema/schema.sql"));
}

QString DemoDataScript()
{
    return ReadResource(QStringLiteral(":/parking/schema/demo.sql"));
}

int InstalledSchemaVersion(dataset::Connection &connection)
{
    MYSQL *handle = connection.Handle();
    if (!handle)
        throw dataset::Error(QStringLiteral("Veza sa bazom podataka nije uspostavljena."));
    if (mysql_query(handle, "SELECT MAX(version) FROM schemaversion") != 0) {
        if (mysql_errno(handle) == ER_NO_SUCH_TABLE)
            return 0;
        throw dataset::DatabaseError(QStringLiteral("Verzija šeme baze nije pročitana."),
                                     QString::fromUtf8(mysql_error(handle)), mysql_errno(handle));
    }
    const ResultPtr result(mysql_store_result(handle));
    if (!result)
        throw dataset::DatabaseError(QStringLiteral("Verzija šeme baze nije pročitana."),
                                     QString::fromUtf8(mysql_error(handle)), mysql_errno(handle));
    const MYSQL_ROW row = mysql_fetch_row(result.get());
    return row && row[0] ? QByteArray(row[0]).toInt() : 0;
}

void CheckSchemaVersion(dataset::Connection &connection)
{
    const int installed = InstalledSchemaVersion(connection);
    if (installed == SchemaVersion)
        return;
    if (installed == 0)
        throw dataset::Error(QStringLiteral("Baza nema šemu programa; napravite je sa parking-dbserver createdb."));
    if (installed < SchemaVersion)
        throw dataset::Error(QStringLiteral("Baza je verzije %1; pokrenite parking-dbserver upgrade.").arg(installed));
    throw dataset::Error(NewerSchemaText(installed));
}

int UpgradeSchema(dataset::Connection &connection)
{
    const int installed = InstalledSchemaVersion(connection);
    if (installed == 0)
        throw dataset::Error(QStringLiteral("Baza nema šemu programa; napravite je sa parking-dbserver createdb."));
    if (installed > SchemaVersion)
        throw dataset::Error(NewerSchemaText(installed));
    ApplyMigrations(connection, installed, true);
    return SchemaVersion - installed;
}

void InstallSchema(dataset::Connection &connection, bool withDemoData,
                   const std::optional<QByteArray> &administratorHash)
{
    // Table definitions cannot be rolled back but are idempotent; the data and the
    // version row go in one transaction, so a database carries a version only when whole.
    ExecuteScript(connection, SchemaScript(), QStringLiteral("Šema baze nije napravljena"));
    ApplyMigrations(connection, 1, false);
    dataset::Transaction transaction(connection);
    if (withDemoData)
        ExecuteScript(connection, DemoDataScript(), QStringLiteral("Demo podaci nisu upisani"));
    else if (administratorHash)
        InsertAdministrator(connection, QString::fromLatin1(*administratorHash));
    RecordVersion(connection, SchemaVersion);
    transaction.Commit();
}

SchemaChange PrepareDatabase(dataset::Connection &connection, const QString &name, bool withDemoData,
                             const std::optional<QByteArray> &administratorHash, bool upgradeOlder)
{
    if (name.isEmpty() || name.size() > 64 || name.contains(QChar(0)))
        throw dataset::Error(QStringLiteral("Neispravno ime baze podataka: '%1'.").arg(name));
    connection.Execute(QStringLiteral("CREATE DATABASE IF NOT EXISTS %1 "
                                      "CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci")
                           .arg(dataset::Connection::QuoteIdentifier(name)));
    connection.Execute(QStringLiteral("USE %1").arg(dataset::Connection::QuoteIdentifier(name)));
    const int version = InstalledSchemaVersion(connection);
    if (version == 0) {
        InstallSchema(connection, withDemoData, administratorHash);
        return SchemaChange::Created;
    }
    try {
        if (upgradeOlder && version < SchemaVersion) {
            UpgradeSchema(connection);
            return SchemaChange::Upgraded;
        }
        CheckSchemaVersion(connection);
    } catch (const dataset::Error &error) {
        throw dataset::Error(QStringLiteral("Baza '%1': %2").arg(name, error.message()));
    }
    return SchemaChange::Unchanged;
}

bool CreateDatabase(dataset::Connection &connection, const QString &name, bool withDemoData,
                    const std::optional<QByteArray> &administratorHash)
{
    return PrepareDatabase(connection, name, withDemoData, administratorHash, false) == SchemaChange::Created;
}

void DropDatabase(dataset::Connection &connection, const QString &name)
{
    connection.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(dataset::Connection::QuoteIdentifier(name)));
}

} // namespace dbserver
