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

// The caption of a table as a user knows it ("parking dokumenti"), empty for a table the
// caption does not know: the message of a row still in use names the table with it, else
// by its name. The module owning the tables installs it; SetTableCaption returns the one
// it replaces.
using TableCaption = std::function<QString(const QString &table)>;
TableCaption SetTableCaption(TableCaption caption);

// How an error reaches the user, one way for each kind of code:
// - data code (queries, the data module, document writers, imports) throws Error and
//   never shows anything itself;
// - a form action catches at its edge and hands the error to ReportError (ReportErrors
//   runs an action that way);
// - an error raised while Qt's own code is on the stack (a focus change, a cell commit,
//   a button's click signal) is posted to an ErrorRelay, which calls ReportError once
//   that code is done;
// - the application's notify() is only the backstop for an exception nothing caught,
//   and reports it through ReportError as well.
// ReportError hands the error to the reporter the host installed (the console's error
// display); without one the message goes to the log. A message box that is an outcome
// rather than an error (a refused row, a missing host module) is no error to report:
// the form shows it through the dialog service.
using ErrorReporter = std::function<void(std::exception_ptr error)>;
// Installs 'reporter' and returns the one it replaces.
ErrorReporter SetErrorReporter(ErrorReporter reporter);
void ReportError(std::exception_ptr error);
// Runs 'work'; an exception is reported instead of thrown.
void ReportErrors(const std::function<void()> &work);

} // namespace dataset
