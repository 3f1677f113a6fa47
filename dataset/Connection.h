#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include "ServerList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

struct st_mysql;

namespace dataset {

// Transport encryption of a network connection.
enum class TlsMode {
    Off,        // plain
    Preferred,  // TLS when the server offers it; plain only from a server offering no TLS
                // at all, and never once a CA file is named
    Required,   // TLS or no connection
};

// The words of the settings and options: "required", "preferred", "off" (any case,
// blanks around ignored); nothing for any other word.
std::optional<TlsMode> TlsModeFromText(const QString &word);
// "on" or "off" (also yes/no, true/false, 1/0); nothing for any other word.
std::optional<bool> SwitchFromText(const QString &word);

// True when a statement's error code means the link to the server is gone (the server
// stopped, restarted, killed the session, the TLS link broke, or a cluster node lost its
// quorum): the handle is useless and the next statement connects again.
bool IsConnectionLost(unsigned code);

struct ConnectionParams {
    QString host;        // empty: use the socket
    unsigned port = 0;
    // The nodes of a cluster, tried in order; when given, host and port are not used. A
    // single host and port is the one-entry list (ServersOf).
    QList<ServerAddress> hosts;
    QString socket;      // Unix socket path; used when host is empty
    QString user;
    QString password;
    QString database;
    // Lets this connection send a local file to the server, and then only the one file
    // that ExecuteLocalLoad names; every other connection refuses local loading outright.
    bool localLoad = false;
    // Seconds a connect, a read or a write may wait for the server: a hung server gives
    // an error instead of freezing the caller.
    unsigned timeout = 30;
    TlsMode tls = TlsMode::Preferred;  // for a host; a Unix socket never leaves the machine
    QString tlsCaFile;                 // PEM file of the certificate authority; empty: none
    // With TLS, the server's certificate chain is checked against tlsCaFile (or, when none
    // is named, the system's CAs) and its name against the host. Off: any certificate is
    // taken, though a named CA file is still checked by the client library.
    bool tlsVerify = true;
};

// Fills up to 'size' bytes of 'buffer' with the next bytes of a streamed local load and
// returns how many; 0 at the end. Throws to stop the load.
using LocalLoadReader = std::function<qint64(char *buffer, qint64 size)>;

// One client connection to a MySQL-protocol server (RAII over MYSQL*).
// utf8mb4, session sql_mode not strict; local files are sent only by ExecuteLocalLoad.
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
    // The TLS protocol of the connection ("TLSv1.3"); empty when it is not encrypted.
    QString TlsVersion() const;
    const ConnectionParams &Params() const { return m_params; }
    // "host:port" of the server this connection is on (a node of a list); empty for a
    // Unix socket or when not connected.
    QString ServerName() const;
    // True when the server is a node of a Galera cluster (@@wsrep_on at connect). Its
    // session waits for the cluster's earlier writes before every read (wsrep_sync_wait).
    bool Galera() const { return m_galera; }

    // Runs a statement that returns no rows; returns the affected row count.
    std::uint64_t Execute(const QString &sql);
    // Runs one LOAD DATA LOCAL INFILE statement; the server may read 'path' and nothing
    // else. Needs a connection made with ConnectionParams::localLoad.
    std::uint64_t ExecuteLocalLoad(const QString &sql, const QString &path);
    // The same, the bytes of the file the statement names ('name') coming from 'reader'
    // instead of a file. An exception from the reader ends the load and is rethrown here;
    // the rows the server stored before it stay in the table.
    std::uint64_t ExecuteLocalLoad(const QString &sql, const QString &name, const LocalLoadReader &reader);
    std::int64_t LastInsertId() const;
    // True while a Transaction is open on this connection.
    bool InTransaction() const;
    // Nesting level of the innermost open Transaction; 0 outside one.
    int TransactionLevel() const { return m_transactionDepth; }
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
    // The outermost transaction ended: its writes are durable, or they are undone.
    void transactionCommitted();
    void transactionRolledBack();
    // A nested transaction (savepoint) of that level was undone; the outer work stands.
    void savepointRolledBack(int level);
    // The link was lost and the next statement connected again.
    void reconnected();

private:
    friend class Transaction;
    // Tries the servers from index 'first' on, round the list, each once.
    void ConnectFrom(const ConnectionParams &params, int first);
    // Connects to the one server params.host (or the socket) names.
    void ConnectOne(const ConnectionParams &params);
    // Connects once; on failure tells whether the server offered TLS in its greeting.
    void Open(const ConnectionParams &params, bool tryTls, bool &serverOffersTls);
    // Tells a Galera node by @@wsrep_on, refuses one that is not ready and sets causal reads.
    void DetectCluster();
    std::uint64_t LocalLoad(const QString &sql, const QString &name, const LocalLoadReader *reader);

    struct Private;
    std::unique_ptr<Private> d;
    ConnectionParams m_params;
    void ReconnectIfLost();

    int m_transactionDepth = 0;  // open Transaction objects on this connection
    bool m_lost = false;         // the server went away; the next statement connects again
    bool m_lostInTransaction = false;  // ... but not while the lost transaction's scope lasts
    quint64 m_session = 0;       // counts connects, so a Transaction notices a lost link
    int m_server = 0;            // index in ServersOf(m_params) of the last server connected
    bool m_galera = false;
};

} // namespace dataset
