#include "ImportError.h"

#include <parking/host/ParkingResourceString.h>

namespace imports {

namespace {

QString FailureText(const QString &cause, qint64 line)
{
    const QString title = ParkingResourceString("_CSV_LOAD_INCORR_FMT_ERR");
    if (cause.isEmpty())
        return title;
    if (line > 0)
        return title + QStringLiteral("\nRed %1: %2").arg(line).arg(cause);
    return title + QLatin1Char('\n') + cause;
}

// A database error's context and server text on one line.
QString DatabaseCause(const dataset::DatabaseError &error)
{
    QString text = error.message();
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

ImportError::ImportError(ImportFailure kind, const QString &cause, qint64 line)
    : ImportError(kind, cause, line, FailureText(cause, line))
{
}

ImportError::ImportError(ImportFailure kind, const QString &cause, qint64 line, const QString &message)
    : dataset::Error(message)
    , m_kind(kind)
    , m_line(line)
    , m_cause(cause)
{
}

ImportError ImportError::WithNote(const QString &note) const
{
    return ImportError(m_kind, m_cause, m_line, message() + QLatin1Char('\n') + note);
}

ImportError ToImportError(const std::exception_ptr &error, qint64 line)
{
    try {
        std::rethrow_exception(error);
    } catch (const ImportError &e) {
        return e;
    } catch (const dataset::DatabaseError &e) {
        return ImportError(ImportFailure::Database, DatabaseCause(e));
    } catch (const dataset::Error &e) {
        return ImportError(ImportFailure::File, e.message(), line);
    } catch (const std::exception &e) {
        return ImportError(ImportFailure::File, QString::fromUtf8(e.what()), line);
    } catch (...) {
        return ImportError(ImportFailure::File, QStringLiteral("Nepoznata greška."), line);
    }
}

} // namespace imports
