#include "Error.h"

#include "DatasetLog.h"

#include <utility>

namespace dataset {

Error::Error(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

namespace {

QString databaseText(const QString &context, const QString &serverMessage, unsigned code)
{
    if (serverMessage.isEmpty())
        return context;
    return QStringLiteral("%1\n%2 (kod %3)").arg(context, serverMessage, QString::number(code));
}

} // namespace

DatabaseError::DatabaseError(const QString &context, const QString &serverMessage,
                             unsigned serverCode)
    : Error(databaseText(context, serverMessage, serverCode)),
      m_serverMessage(serverMessage), m_code(serverCode)
{
}

namespace {

ErrorReporter &CurrentReporter()
{
    static ErrorReporter reporter;
    return reporter;
}

} // namespace

ErrorReporter SetErrorReporter(ErrorReporter reporter)
{
    return std::exchange(CurrentReporter(), std::move(reporter));
}

void ReportError(std::exception_ptr error)
{
    if (!error)
        return;
    if (const ErrorReporter &reporter = CurrentReporter()) {
        reporter(std::move(error));
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const Error &e) {
        qCWarning(lcDb, "%s", qPrintable(e.message()));
    } catch (const std::exception &e) {
        qCWarning(lcDb, "%s", e.what());
    } catch (...) {
        qCWarning(lcDb, "Došlo je do nepoznate greške.");
    }
}

void ReportErrors(const std::function<void()> &work)
{
    try {
        work();
    } catch (...) {
        ReportError(std::current_exception());
    }
}

} // namespace dataset
