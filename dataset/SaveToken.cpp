#include "SaveToken.h"

#include "Connection.h"
#include "DatasetLog.h"
#include "Query.h"
#include "Transaction.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <array>

namespace dataset {

namespace {

constexpr unsigned kDuplicateEntry = 1062; // ER_DUP_ENTRY

QString RandomToken()
{
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.data()), sizeof(words)).toHex();
}

} // namespace

OutcomeUnknown::OutcomeUnknown()
    : Error(QStringLiteral("Nije poznato da li je dokument snimljen; proveravam… Server se nije javio do isteka "
                           "vremena za proveru. Podaci su ostali u prozoru; sledeće snimanje prvo proverava da li je "
                           "dokument već snimljen i ne pravi ga dvaput."))
{
}

AlreadySaved::AlreadySaved(qint64 key)
    : Error(QStringLiteral("Dokument je već snimljen."))
    , m_key(key)
{
}

SaveToken::SaveToken(QString table, QString keyColumn)
    : m_table(std::move(table))
    , m_keyColumn(std::move(keyColumn))
    , m_value(RandomToken())
{
}

void SaveToken::Renew()
{
    m_value = RandomToken();
}

void SaveToken::Stamp(Connection &connection, qint64 key) const
{
    Query stamp;
    stamp.SetConnection(&connection);
    stamp.SetSQL({QStringLiteral("UPDATE %1 SET savetoken = :token WHERE %2 = :key")
                      .arg(Connection::QuoteIdentifier(m_table), Connection::QuoteIdentifier(m_keyColumn))});
    stamp.SetParam(QStringLiteral("token"), m_value);
    stamp.SetParam(QStringLiteral("key"), key);
    try {
        stamp.ExecSQL();
    } catch (const DatabaseError &error) {
        if (error.serverCode() != kDuplicateEntry)
            throw;
        const std::optional<qint64> stored = Find(connection);
        if (!stored)
            throw;
        throw AlreadySaved(*stored);
    }
}

std::optional<qint64> SaveToken::Find(Connection &connection) const
{
    Query find;
    find.SetConnection(&connection);
    find.SetSQL({QStringLiteral("SELECT %2 FROM %1 WHERE savetoken = :token")
                     .arg(Connection::QuoteIdentifier(m_table), Connection::QuoteIdentifier(m_keyColumn))});
    find.SetParam(QStringLiteral("token"), m_value);
    find.Open();
    if (find.IsEmpty())
        return std::nullopt;
    return find.Fields(0).AsLargeInt();
}

// Asked once the link broke during COMMIT: looks the token up until the server answers,
// pausing 0.1 s, 0.2 s, ... up to 1 s between tries, for up to the statement timeout, the
// last try at its end.
bool SaveToken::StoredAfterLoss(Connection &connection) const
{
    const unsigned timeout = connection.Params().timeout > 0 ? connection.Params().timeout : 30;
    const QDeadlineTimer deadline{std::chrono::seconds(timeout)};
    qCWarning(lcDb, "Nije poznato da li je dokument snimljen; proveravam…");
    for (qint64 pause = 100;; pause = std::min<qint64>(2 * pause, 1000)) {
        try {
            return Find(connection).has_value();
        } catch (const Error &error) {
            qCInfo(lcDb, "Save token look-up failed: %s", error.what());
        }
        if (deadline.hasExpired())
            throw OutcomeUnknown();
        QThread::msleep(unsigned(std::min(pause, deadline.remainingTime())));
    }
}

void SaveToken::Commit(Transaction &transaction, Connection &connection) const
{
    transaction.Commit([this, &connection] { return StoredAfterLoss(connection); });
}

} // namespace dataset
