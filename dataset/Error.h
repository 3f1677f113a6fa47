#pragma once

#include <QString>
#include <exception>
#include <functional>
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

// Where an error caught at a widget's edge goes: no exception may cross Qt's event
// handling, so widgets and forms catch and hand the error here. The host installs its
// general error display; without one the message goes to the log.
using ErrorReporter = std::function<void(std::exception_ptr error)>;
// Installs 'reporter' and returns the one it replaces.
ErrorReporter SetErrorReporter(ErrorReporter reporter);
void ReportError(std::exception_ptr error);
// Runs 'work'; an exception is reported instead of thrown.
void ReportErrors(const std::function<void()> &work);

} // namespace dataset
