#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

struct st_mysql;

namespace dataset {

// Transport encryption of a network connection.
enum class TlsMode {
    Off,        // plain
    Preferred,  // TLS when the server offers it, plain otherwise
    Required,   // TLS or no connection; with a CA file the server's certificate is verified
};

struct ConnectionParams {
    QString host;        // empty: use the socket
    unsigned port = 0;
    QString socket;      // Unix socket path; used when host is empty
    QString user;
    QString password;
    QString database;
    TlsMode tls = TlsMode::Off;   // for a host; a Unix socket never leaves the machine
    QString tlsCaFile;            // PEM file of the certificate authority; empty: none
};

// One client connection to a MySQL-protocol server (RAII over MYSQL*).
// utf8mb4, LOAD DATA LOCAL INFILE allowed, session sql_mode not strict.
// Every failure throws DatabaseError with the server's text and code.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    void Connect(const ConnectionParams &params);
    void Disconnect();
    bool Connected() const;
    // True when the connection is encrypted with TLS.
    bool Encrypted() const;
    const ConnectionParams &Params() const { return m_params; }

    // Runs a statement that returns no rows; returns the affected row count.
    std::uint64_t Execute(const QString &sql);
    std::int64_t LastInsertId() const;
    // Server thread id of this connection (what KILL takes).
    unsigned long ThreadId() const;
    // Name of the current database; empty when none is selected.
    QString DatabaseName();

    // Sends one statement and leaves its result (if any) on the handle for the caller.
    void SendQuery(const QByteArray &utf8Sql);
    // Throws DatabaseError with 'context' and the handle's last error; a lost
    // connection is noticed here and reported through connectedChanged(false).
    [[noreturn]] void ThrowLastError(const QString &context);
    [[noreturn]] void ThrowError(const QString &context, unsigned code, const QString &message);

    // 'text' as an SQL string literal: single quotes around it, quotes doubled,
    // backslashes escaped. A null QString becomes NULL.
    static QString Quote(const QString &text);
    // 'name' as an SQL identifier: backticks around it, backticks inside doubled.
    static QString QuoteIdentifier(const QString &name);

    // Column defaults of a table (column name -> default text, null when none), cached;
    // expression defaults such as current_timestamp() are evaluated on every call.
    const QHash<QString, QString> &ColumnDefaults(const QString &table);

    st_mysql *Handle() const;

Q_SIGNALS:
    void connectedChanged(bool connected);

private:
    void Open(const ConnectionParams &params, bool tryTls);

    struct Private;
    std::unique_ptr<Private> d;
    ConnectionParams m_params;
};

} // namespace dataset
