#include "Error.h"

#include "DatasetLog.h"

#include <QRegularExpression>

#include <utility>

namespace dataset {

Error::Error(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

namespace {

TableCaption &CurrentTableCaption()
{
    static TableCaption caption;
    return caption;
}

constexpr unsigned kRowReferenced = 1451;   // a parent row still has children
constexpr unsigned kNoParentRow = 1452;     // a child row points at no parent

// The table whose rows hold the reference, from the server's "(`db`.`table`, CONSTRAINT ...".
QString referencingTable(const QString &serverMessage)
{
    static const QRegularExpression pattern(QStringLiteral("\\(`[^`]*`\\.`([^`]+)`"));
    const QString name = pattern.match(serverMessage).captured(1);
    const QString caption = CurrentTableCaption() ? CurrentTableCaption()(name) : QString();
    return caption.isEmpty() ? name : caption;
}

QString databaseText(const QString &context, const QString &serverMessage, unsigned code)
{
    if (serverMessage.isEmpty())
        return context;
    if (code == kRowReferenced || code == kNoParentRow) {
        const QString table = referencingTable(serverMessage);
        return table.isEmpty() ? QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci.")
                               : QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci (%1).").arg(table);
    }
    return QStringLiteral("%1\n%2 (kod %3)").arg(context, serverMessage, QString::number(code));
}

} // namespace

TableCaption SetTableCaption(TableCaption caption)
{
    return std::exchange(CurrentTableCaption(), std::move(caption));
}

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
