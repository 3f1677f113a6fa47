#include "Schema.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/MysqlHandles.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>

#include <QFile>

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

} // namespace

QStringList SplitSqlScript(const QString &script)
{
    QStringList statements;
    QString current;
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
        } else if (c == QLatin1Char(';')) {
            flush();
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

void InstallSchema(dataset::Connection &connection, bool withDemoData,
                   const std::optional<QByteArray> &administratorHash)
{
    // Table definitions cannot be rolled back but are idempotent; the data and the
    // version row go in one transaction, so a database carries a version only when whole.
    ExecuteScript(connection, SchemaScript(), QStringLiteral("Šema baze nije napravljena"));
    dataset::Transaction transaction(connection);
    if (withDemoData)
        ExecuteScript(connection, DemoDataScript(), QStringLiteral("Demo podaci nisu upisani"));
    else if (administratorHash)
        InsertAdministrator(connection, QString::fromLatin1(*administratorHash));
    connection.Execute(QStringLiteral("INSERT INTO schemaversion (version) VALUES (%1)").arg(SchemaVersion));
    transaction.Commit();
}

bool CreateDatabase(dataset::Connection &connection, const QString &name, bool withDemoData,
                    const std::optional<QByteArray> &administratorHash)
{
    if (name.isEmpty() || name.size() > 64 || name.contains(QChar(0)))
        throw dataset::Error(QStringLiteral("Neispravno ime baze podataka: '%1'.").arg(name));
    connection.Execute(QStringLiteral("CREATE DATABASE IF NOT EXISTS %1 "
                                      "CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci")
                           .arg(dataset::Connection::QuoteIdentifier(name)));
    connection.Execute(QStringLiteral("USE %1").arg(dataset::Connection::QuoteIdentifier(name)));
    const int version = InstalledSchemaVersion(connection);
    if (version == SchemaVersion)
        return false;
    if (version != 0)
        throw dataset::Error(QStringLiteral("Baza '%1' ima šemu verzije %2, a program radi sa verzijom %3.")
                                 .arg(name, QString::number(version), QString::number(SchemaVersion)));
    InstallSchema(connection, withDemoData, administratorHash);
    return true;
}

void DropDatabase(dataset::Connection &connection, const QString &name)
{
    connection.Execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(dataset::Connection::QuoteIdentifier(name)));
}

} // namespace dbserver
