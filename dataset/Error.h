#pragma once

#include <QString>
#include <stdexcept>

namespace dataset {

// An error whose message a user can read. Every layer throws this (or a subclass);
// the console's general error display shows message().
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message);
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

// A failure reported by the database server or client library: our text plus the
// server's message and error code.
class DatabaseError : public Error {
public:
    DatabaseError(const QString &context, const QString &serverMessage, unsigned serverCode);
    unsigned serverCode() const noexcept { return m_code; }
    const QString &serverMessage() const noexcept { return m_serverMessage; }

private:
    QString m_serverMessage;
    unsigned m_code;
};

} // namespace dataset
