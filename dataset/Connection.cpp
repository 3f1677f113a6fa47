#include "Connection.h"

#include "Error.h"
#include "MysqlHandles.h"
#include "SqlText.h"

#include <QFile>

#include <mariadb/errmsg.h>
#include <mariadb/mysqld_error.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <exception>

#include <vector>

namespace dataset {

namespace {

struct ColumnDefault {
    QString name;
    QString value;      // null when the column has no default
    QString expression; // non-empty for defaults the server computes
};

QString notConnectedText()
{
    return QStringLiteral("Veza sa bazom podataka nije uspostavljena.");
}

// Reads a default as information_schema shows it: a quoted literal, a number,
// NULL, or an expression.
ColumnDefault parseDefault(const QString &name, const char *raw, unsigned long length)
{
    ColumnDefault column{name, QString(), QString()};
    if (!raw)
        return column;
    const QString text = QString::fromUtf8(raw, qsizetype(length));
    if (text.isEmpty() || text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
        return column;
    if (text.size() >= 2 && text.front() == QLatin1Char('\'') && text.back() == QLatin1Char('\'')) {
        QString value;
        value.reserve(text.size());
        for (qsizetype i = 1; i + 1 < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('\'') && i + 2 < text.size() && text.at(i + 1) == QLatin1Char('\'')) {
                value += c;
                ++i;
            } else if (c == QLatin1Char('\\') && i + 2 < text.size()) {
                const QChar e = text.at(++i);
                switch (e.unicode()) {
                case '0': value += QChar(0); break;
                case 'n': value += QLatin1Char('\n'); break;
                case 'r': value += QLatin1Char('\r'); break;
                case 't': value += QLatin1Char('\t'); break;
                case 'Z': value += QChar(0x1a); break;
                default: value += e; break;
                }
            } else {
                value += c;
            }
        }
        column.value = value.isNull() ? QString(QLatin1String("")) : value;
        return column;
    }
    bool number = false;
    text.toDouble(&number);
    if (number)
        column.value = text;
    else
        column.expression = text;
    return column;
}

// Local-file callbacks of the client library. The server names the file it wants;
// only the one name armed by ExecuteLocalLoad is served (from the file of that path, or
// from the load's reader), any other request is refused.
struct LocalLoadArm {
    QByteArray name;                      // empty: nothing armed
    const LocalLoadReader *reader = nullptr; // null: the file at 'name'
    std::exception_ptr readerError;       // what the reader threw, for ExecuteLocalLoad
};

struct LocalFile {
    LocalLoadArm *arm = nullptr;
    int fd = -1;
    QByteArray error;
};

int localFileInit(void **state, const char *name, void *armed)
{
    auto *file = new LocalFile;
    *state = file;
    file->arm = static_cast<LocalLoadArm *>(armed);
    if (file->arm->name.isEmpty() || std::strcmp(name, file->arm->name.constData()) != 0) {
        file->error = QByteArrayLiteral("Slanje lokalne datoteke serveru nije dozvoljeno.");
        return 1;
    }
    if (file->arm->reader)
        return 0;
    file->fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (file->fd < 0) {
        file->error = QByteArrayLiteral("Datoteka za učitavanje ne može da se otvori.");
        return 1;
    }
    return 0;
}

// A reader's exception must not cross the client library: it is kept for ExecuteLocalLoad,
// and the library ends the load with an error.
int localFileRead(void *state, char *buffer, unsigned int length)
{
    auto *file = static_cast<LocalFile *>(state);
    if (!file->arm->reader)
        return int(::read(file->fd, buffer, length));
    try {
        return int((*file->arm->reader)(buffer, qint64(length)));
    } catch (...) {
        file->arm->readerError = std::current_exception();
        file->error = QByteArrayLiteral("Podaci za učitavanje nisu pripremljeni.");
        return -1;
    }
}

void localFileEnd(void *state)
{
    auto *file = static_cast<LocalFile *>(state);
    if (file && file->fd >= 0)
        ::close(file->fd);
    delete file;
}

int localFileError(void *state, char *message, unsigned int length)
{
    const auto *file = static_cast<const LocalFile *>(state);
    const QByteArray text = file && !file->error.isEmpty() ? file->error
                                                            : QByteArrayLiteral("Greška pri čitanju datoteke.");
    if (length > 0) {
        const size_t n = std::min<size_t>(size_t(text.size()), length - 1);
        std::memcpy(message, text.constData(), n);
        message[n] = '\0';
    }
    return CR_UNKNOWN_ERROR;
}

bool UsesTls(const ConnectionParams &params)
{
    return !params.host.isEmpty() && params.tls != TlsMode::Off;
}

// Plain text is acceptable only for "preferred" without a CA file of its own.
bool MayBePlain(const ConnectionParams &params)
{
    return !UsesTls(params) || (params.tls == TlsMode::Preferred && params.tlsCaFile.isEmpty());
}

// Asks the client library for TLS as the mode says. With verification on, the library
// checks the chain (against the CA file, else the system's CAs through OpenSSL's default
// paths) and the host name, and refuses a server that offers no TLS.
void ApplyTls(MYSQL *handle, const ConnectionParams &params, bool tryTls)
{
    if (!UsesTls(params) || !tryTls)
        return;
    const QByteArray ca = QFile::encodeName(params.tlsCaFile);
    mysql_ssl_set(handle, nullptr, nullptr, params.tlsCaFile.isEmpty() ? nullptr : ca.constData(), nullptr, nullptr);
    const my_bool yes = 1;
    if (params.tls == TlsMode::Required)
        mysql_optionsv(handle, MYSQL_OPT_SSL_ENFORCE, &yes);
    if (params.tlsVerify)
        mysql_optionsv(handle, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &yes);
}

QString ServerName(const ConnectionParams &params)
{
    return ServerAddress{params.host, params.port}.Text();
}

// The refusal of a TLS handshake, with what to do about it.
DatabaseError TlsRefusal(const ConnectionParams &params, bool serverOffersTls, const QString &libraryText)
{
    if (!serverOffersTls)
        return DatabaseError(QStringLiteral("Server baze podataka %1 ne nudi šifrovanu vezu (TLS), a veza bez "
                                            "šifrovanja nije dozvoljena (ssl=required ili naveden ssl-ca).")
                                 .arg(ServerName(params)),
                             libraryText, CR_SSL_CONNECTION_ERROR);
    const QString fix = params.tlsCaFile.isEmpty()
        ? QStringLiteral("Navedite datoteku sertifikata izdavača (CA) koji je potpisao sertifikat servera "
                         "(ssl-ca u odeljku [Database], odnosno --ssl-ca).")
        : QStringLiteral("Sertifikat servera mora da potpiše izdavač iz datoteke %1 i da glasi na ime %2; "
                         "proverite ssl-ca (odnosno --ssl-ca) i ime servera.")
              .arg(params.tlsCaFile, params.host);
    return DatabaseError(QStringLiteral("Sertifikat servera baze podataka %1 nije mogao da se proveri, pa veza "
                                        "nije uspostavljena. %2")
                             .arg(ServerName(params), fix),
                         libraryText, CR_SSL_CONNECTION_ERROR);
}

} // namespace

std::optional<TlsMode> TlsModeFromText(const QString &word)
{
    const QString text = word.trimmed().toLower();
    if (text == QLatin1String("required"))
        return TlsMode::Required;
    if (text == QLatin1String("preferred"))
        return TlsMode::Preferred;
    if (text == QLatin1String("off"))
        return TlsMode::Off;
    return std::nullopt;
}

std::optional<bool> SwitchFromText(const QString &word)
{
    const QString text = word.trimmed().toLower();
    for (const char *on : {"on", "yes", "true", "1"}) {
        if (text == QLatin1String(on))
            return true;
    }
    for (const char *off : {"off", "no", "false", "0"}) {
        if (text == QLatin1String(off))
            return false;
    }
    return std::nullopt;
}

bool IsConnectionLost(unsigned code)
{
    switch (code) {
    case CR_CONNECTION_ERROR:      // 2002: the socket is gone
    case CR_CONN_HOST_ERROR:       // 2003: the host does not answer
    case CR_SERVER_GONE_ERROR:     // 2006
    case CR_SERVER_LOST:           // 2013
    case CR_SSL_CONNECTION_ERROR:  // 2026: on an open link, the TLS stream broke
    case CR_SERVER_LOST_EXTENDED:  // 2055
    case ER_SERVER_SHUTDOWN:       // 1053: the server is going down
    case ER_CONNECTION_KILLED:     // 1927: KILL CONNECTION
    case ER_UNKNOWN_COM_ERROR: // 1047: a cluster node without quorum takes no statement
        return true;
    default:
        return false;
    }
}

struct Connection::Private {
    detail::MysqlPtr handle;
    QHash<QString, std::vector<ColumnDefault>> defaultColumns;
    QHash<QString, QHash<QString, QString>> defaults;
    LocalLoadArm localLoad;      // what the server may read; nothing outside ExecuteLocalLoad
};

Connection::Connection(QObject *parent) : QObject(parent), d(std::make_unique<Private>()) {}

Connection::~Connection() = default;

void Connection::Connect(const ConnectionParams &params)
{
    ConnectFrom(params, 0);
}

// A server that does not answer, or a node that cannot work, gives way to the next one;
// any other refusal (a wrong password, a missing database) is the same on every node.
void Connection::ConnectFrom(const ConnectionParams &params, int first)
{
    if (params.hosts.isEmpty()) {
        ConnectOne(params);
        m_server = 0;
        return;
    }
    const QList<ServerAddress> &servers = params.hosts;
    QStringList failures;
    unsigned lastCode = 0;
    for (int i = 0; i < servers.size(); ++i) {
        const int index = (first + i) % int(servers.size());
        ConnectionParams one = params;
        one.host = servers.at(index).host;
        one.port = servers.at(index).port;
        one.hosts.clear();
        try {
            ConnectOne(one);
        } catch (const DatabaseError &error) {
            if (!IsConnectionLost(error.serverCode()) && error.serverCode() != ER_CON_COUNT_ERROR)
                throw;
            if (servers.size() == 1)
                throw;
            failures << QStringLiteral("%1: %2").arg(servers.at(index).Text(), error.serverMessage());
            lastCode = error.serverCode();
            continue;
        }
        m_params = params;
        m_server = index;
        return;
    }
    throw DatabaseError(QStringLiteral("Povezivanje sa bazom podataka nije uspelo: nijedan server sa spiska "
                                       "ne odgovara."),
                        failures.join(QStringLiteral("; ")), lastCode);
}

QString Connection::ServerName() const
{
    const QList<ServerAddress> servers = ServersOf(m_params);
    if (!d->handle || servers.isEmpty())
        return {};
    return servers.at(std::min<qsizetype>(m_server, servers.size() - 1)).Text();
}

void Connection::DetectCluster()
{
    m_galera = false;
    // A cluster's nodes are reached over the network; a Unix socket is the private server.
    if (m_params.host.isEmpty())
        return;
    const QByteArray probe = "SELECT @@wsrep_on, (SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS "
                             "WHERE VARIABLE_NAME = 'WSREP_READY')";
    if (mysql_real_query(d->handle.get(), probe.constData(), probe.size()) != 0) {
        if (mysql_errno(d->handle.get()) == ER_UNKNOWN_SYSTEM_VARIABLE)
            return; // a server built without cluster support
        ThrowLastError(QStringLiteral("Povezivanje sa bazom podataka nije uspelo."));
    }
    const detail::ResultPtr result(mysql_store_result(d->handle.get()));
    if (!result && mysql_errno(d->handle.get()) != 0)
        ThrowLastError(QStringLiteral("Povezivanje sa bazom podataka nije uspelo."));
    MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
    if (!row || !row[0] || QByteArray(row[0]) != "1")
        return;
    if (!row[1] || QByteArray(row[1]).toUpper() != "ON") {
        const QString where = ServersOf(m_params).value(0).Text();
        Disconnect();
        throw DatabaseError(QStringLiteral("Povezivanje sa bazom podataka nije uspelo."),
                            QStringLiteral("Čvor klastera %1 još nije spreman za rad.").arg(where),
                            ER_UNKNOWN_COM_ERROR);
    }
    m_galera = true;
    // Every read waits until this node has applied what the cluster committed before it:
    // a number counter, a lookup after an import and the day's summaries see the latest.
    const QByteArray causal = "SET SESSION wsrep_sync_wait = 1";
    if (mysql_real_query(d->handle.get(), causal.constData(), causal.size()) != 0)
        ThrowLastError(QStringLiteral("Povezivanje sa bazom podataka nije uspelo."));
}

void Connection::ConnectOne(const ConnectionParams &params)
{
    if (UsesTls(params) && !params.tlsCaFile.isEmpty() && !QFile(params.tlsCaFile).open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("Datoteka sertifikata izdavača (ssl-ca) %1 ne može da se pročita.").arg(params.tlsCaFile));
    bool serverOffersTls = true;
    try {
        Open(params, true, serverOffersTls);
    } catch (const DatabaseError &error) {
        if (!UsesTls(params) || error.serverCode() != CR_SSL_CONNECTION_ERROR)
            throw;
        // "Preferred" without a CA file takes a plain connection only from a server that
        // offers no TLS at all; a certificate that fails the check is never bypassed.
        if (!serverOffersTls && MayBePlain(params)) {
            Open(params, false, serverOffersTls);
            DetectCluster();
            return;
        }
        throw TlsRefusal(params, serverOffersTls, error.serverMessage());
    }
    // Without verification the library takes a server that offers no TLS in plain text.
    if (!MayBePlain(params) && !Encrypted()) {
        Disconnect();
        throw TlsRefusal(params, false, QStringLiteral("Server ne nudi TLS."));
    }
    DetectCluster();
}

bool Connection::Encrypted() const
{
    return d->handle && mysql_get_ssl_cipher(d->handle.get()) != nullptr;
}

QString Connection::TlsVersion() const
{
    const char *version = nullptr;
    if (!Encrypted() || mariadb_get_infov(d->handle.get(), MARIADB_CONNECTION_TLS_VERSION, &version) != 0 || !version)
        return {};
    return QString::fromLatin1(version);
}

void Connection::Open(const ConnectionParams &params, bool tryTls, bool &serverOffersTls)
{
    Disconnect();
    detail::MysqlPtr handle(mysql_init(nullptr));
    if (!handle)
        throw Error(QStringLiteral("Nema dovoljno memorije za vezu sa bazom podataka."));

    const unsigned localInfile = params.localLoad ? 1 : 0;
    const unsigned timeout = params.timeout;
    mysql_optionsv(handle.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    mysql_optionsv(handle.get(), MYSQL_OPT_LOCAL_INFILE, &localInfile);
    mysql_set_local_infile_handler(handle.get(), localFileInit, localFileRead, localFileEnd,
                                   localFileError, &d->localLoad);
    mysql_optionsv(handle.get(), MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    // A loading connection (an import's) waits for reads and writes as long as the server
    // works: a long LOAD DATA is not a hung server. Its connect keeps the timeout.
    if (!params.localLoad) {
        mysql_optionsv(handle.get(), MYSQL_OPT_READ_TIMEOUT, &timeout);
        mysql_optionsv(handle.get(), MYSQL_OPT_WRITE_TIMEOUT, &timeout);
    }
    mysql_optionsv(handle.get(), MYSQL_INIT_COMMAND,
                   // Read committed: a statement inside a transaction sees what other
                   // users committed meanwhile (a number taken a moment ago, for one).
                   "SET SESSION sql_mode='NO_ENGINE_SUBSTITUTION', SESSION tx_isolation='READ-COMMITTED'");
    ApplyTls(handle.get(), params, tryTls);

    const QByteArray host = params.host.toUtf8();
    const QByteArray user = params.user.toUtf8();
    const QByteArray password = params.password.toUtf8();
    const QByteArray database = params.database.toUtf8();
    const QByteArray socket = params.socket.toUtf8();
    auto orNull = [](const QString &text, const QByteArray &bytes) {
        return text.isEmpty() ? nullptr : bytes.constData();
    };
    if (!mysql_real_connect(handle.get(), orNull(params.host, host), user.constData(),
                            password.constData(), orNull(params.database, database),
                            params.port,
                            params.host.isEmpty() ? orNull(params.socket, socket) : nullptr,
                            // Found rows, not changed rows: an update that matched its row
                            // counts even when it changed nothing.
                            CLIENT_MULTI_RESULTS | CLIENT_FOUND_ROWS)) {
        // The greeting's capabilities stay on the handle when the handshake failed.
        unsigned long capabilities = CLIENT_SSL;
        mariadb_get_infov(handle.get(), MARIADB_CONNECTION_SERVER_CAPABILITIES, &capabilities);
        serverOffersTls = (capabilities & CLIENT_SSL) != 0;
        throw DatabaseError(QStringLiteral("Povezivanje sa bazom podataka nije uspelo."),
                            QString::fromUtf8(mysql_error(handle.get())),
                            mysql_errno(handle.get()));
    }
    d->handle = std::move(handle);
    m_lost = false;
    m_lostInTransaction = false;
    m_transactionDepth = 0;
    ++m_session;
    m_params = params;
    Q_EMIT connectedChanged(true);
}

void Connection::Disconnect()
{
    d->defaultColumns.clear();
    d->defaults.clear();
    if (!d->handle)
        return;
    d->handle.reset();
    m_lost = false;
    // The server rolls back whatever the lost session had open.
    const bool inTransaction = m_transactionDepth > 0;
    m_transactionDepth = 0;
    ++m_session;
    Q_EMIT connectedChanged(false);
    if (inTransaction)
        Q_EMIT transactionRolledBack();
}

bool Connection::Connected() const
{
    return d->handle != nullptr;
}

st_mysql *Connection::Handle() const
{
    return d->handle.get();
}

void Connection::ThrowLastError(const QString &context)
{
    if (!d->handle)
        ThrowError(context, CR_SERVER_GONE_ERROR, notConnectedText());
    ThrowError(context, mysql_errno(d->handle.get()), QString::fromUtf8(mysql_error(d->handle.get())));
}

void Connection::ThrowError(const QString &context, unsigned code, const QString &message)
{
    if (IsConnectionLost(code)) {
        // The handle is unusable from here on; drop it so Connected() tells the truth,
        // and let the next statement connect again.
        const bool inTransaction = m_transactionDepth > 0;
        Disconnect();
        m_lost = true;
        m_lostInTransaction = inTransaction;
    }
    throw DatabaseError(context, message, code);
}

// After a lost link the next statement connects once more and the console is told so.
// Inside the transaction that lost its session nothing reconnects: the statements after
// the loss would run outside it and store half the work.
void Connection::ReconnectIfLost()
{
    if (d->handle || !m_lost || m_lostInTransaction)
        return;
    // The server that went away is tried last.
    ConnectFrom(m_params, m_server + 1);
    Q_EMIT reconnected();
}

void Connection::SendQuery(const QByteArray &utf8Sql)
{
    ReconnectIfLost();
    if (!d->handle)
        throw DatabaseError(QStringLiteral("Upit nije izvršen."), notConnectedText(),
                            CR_SERVER_GONE_ERROR);
    if (mysql_real_query(d->handle.get(), utf8Sql.constData(), utf8Sql.size()) != 0)
        ThrowLastError(QStringLiteral("Upit nije izvršen."));
}

std::uint64_t Connection::Execute(const QString &sql)
{
    SendQuery(sql.toUtf8());
    MYSQL *handle = d->handle.get();
    std::uint64_t affected = 0;
    for (;;) {
        // A statement that returns rows anyway has them read and dropped.
        detail::ResultPtr result(mysql_store_result(handle));
        if (!result && mysql_field_count(handle) != 0)
            ThrowLastError(QStringLiteral("Upit nije izvršen."));
        if (!result)
            affected += mysql_affected_rows(handle);
        const int next = mysql_next_result(handle);
        if (next > 0)
            ThrowLastError(QStringLiteral("Upit nije izvršen."));
        if (next < 0)
            break;
    }
    return affected;
}

std::uint64_t Connection::ExecuteLocalLoad(const QString &sql, const QString &path)
{
    return LocalLoad(sql, path, nullptr);
}

std::uint64_t Connection::ExecuteLocalLoad(const QString &sql, const QString &name, const LocalLoadReader &reader)
{
    return LocalLoad(sql, name, &reader);
}

std::uint64_t Connection::LocalLoad(const QString &sql, const QString &name, const LocalLoadReader *reader)
{
    if (!m_params.localLoad)
        throw Error(QStringLiteral("Ova veza sa bazom podataka ne sme da šalje lokalne datoteke."));
    struct Disarm {
        LocalLoadArm &arm;
        ~Disarm() { arm = LocalLoadArm(); }
    } disarm{d->localLoad};
    d->localLoad.name = name.toUtf8();
    d->localLoad.reader = reader;
    try {
        return Execute(sql);
    } catch (...) {
        // The reader's own error says why the load stopped; the library's says only that it did.
        if (const std::exception_ptr readerError = d->localLoad.readerError)
            std::rethrow_exception(readerError);
        throw;
    }
}

bool Connection::InTransaction() const
{
    return m_transactionDepth > 0;
}

std::int64_t Connection::LastInsertId() const
{
    return d->handle ? std::int64_t(mysql_insert_id(d->handle.get())) : 0;
}

unsigned long Connection::ThreadId() const
{
    return d->handle ? mysql_thread_id(d->handle.get()) : 0;
}

QString Connection::DatabaseName()
{
    SendQuery("SELECT DATABASE()");
    detail::ResultPtr result(mysql_store_result(d->handle.get()));
    if (!result)
        ThrowLastError(QStringLiteral("Upit nije izvršen."));
    MYSQL_ROW row = mysql_fetch_row(result.get());
    return row && row[0] ? QString::fromUtf8(row[0]) : QString();
}

QString Connection::QuoteIdentifier(const QString &name)
{
    return detail::QuoteIdentifier(name);
}

QString Connection::Quote(const QString &text)
{
    if (text.isNull())
        return QStringLiteral("NULL");
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('\'');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\'': quoted += QLatin1String("''"); break;
        case '\\': quoted += QLatin1String("\\\\"); break;
        case 0: quoted += QLatin1String("\\0"); break;
        case '\n': quoted += QLatin1String("\\n"); break;
        case '\r': quoted += QLatin1String("\\r"); break;
        case 0x1a: quoted += QLatin1String("\\Z"); break;
        default: quoted += c; break;
        }
    }
    quoted += QLatin1Char('\'');
    return quoted;
}

const QHash<QString, QString> &Connection::ColumnDefaults(const QString &table)
{
    const QString key = table.toLower();
    auto columns = d->defaultColumns.find(key);
    if (columns == d->defaultColumns.end()) {
        QString schema = QStringLiteral("DATABASE()");
        QString name = table;
        if (const qsizetype dot = table.indexOf(QLatin1Char('.')); dot > 0) {
            schema = Quote(table.left(dot));
            name = table.mid(dot + 1);
        }
        SendQuery(QStringLiteral("SELECT COLUMN_NAME, COLUMN_DEFAULT FROM information_schema.COLUMNS"
                                 " WHERE TABLE_SCHEMA = %1 AND TABLE_NAME = %2"
                                 " ORDER BY ORDINAL_POSITION")
                      .arg(schema, Quote(name))
                      .toUtf8());
        detail::ResultPtr result(mysql_store_result(d->handle.get()));
        if (!result)
            ThrowLastError(QStringLiteral("Podrazumevane vrednosti tabele %1 nisu pročitane.").arg(table));
        std::vector<ColumnDefault> list;
        while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
            const unsigned long *lengths = mysql_fetch_lengths(result.get());
            list.push_back(parseDefault(QString::fromUtf8(row[0], qsizetype(lengths[0])), row[1],
                                        lengths[1]));
        }
        if (list.empty())
            throw Error(QStringLiteral("Tabela %1 ne postoji.").arg(table));
        columns = d->defaultColumns.insert(key, std::move(list));
    }

    QHash<QString, QString> &values = d->defaults[key];
    QStringList expressions;
    for (const ColumnDefault &column : *columns) {
        values.insert(column.name, column.value);
        if (!column.expression.isEmpty())
            expressions << column.expression;
    }
    if (!expressions.isEmpty()) {
        // Server-side defaults (current_timestamp() and the like) are evaluated now,
        // so a new row gets the value it would get from the server at this moment.
        SendQuery(QStringLiteral("SELECT %1").arg(expressions.join(QStringLiteral(", "))).toUtf8());
        detail::ResultPtr result(mysql_store_result(d->handle.get()));
        if (!result)
            ThrowLastError(QStringLiteral("Podrazumevane vrednosti tabele %1 nisu pročitane.").arg(table));
        MYSQL_ROW row = mysql_fetch_row(result.get());
        const unsigned long *lengths = row ? mysql_fetch_lengths(result.get()) : nullptr;
        int i = 0;
        for (const ColumnDefault &column : *columns) {
            if (column.expression.isEmpty())
                continue;
            values.insert(column.name, row && row[i] ? QString::fromUtf8(row[i], qsizetype(lengths[i]))
                                                     : QString());
            ++i;
        }
    }
    return values;
}

} // namespace dataset
