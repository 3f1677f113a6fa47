#include "ImportError.h"

#include <parking/shared/ParkingResourceString.h>
#include <routines/TextFormat.h>

#include <cerrno>
#include <cstring>

namespace imports {

namespace {

// No cause, however long the values it quotes, makes a message of more than a few KB.
constexpr qsizetype kMaxCause = 2000;

QString FailureText(const QString &rawCause, qint64 line)
{
    const QString cause = SafeLines(ElidedValue(rawCause, kMaxCause));
    const QString title = ParkingResourceString("_CSV_LOAD_INCORR_FMT_ERR");
    if (cause.isEmpty())
        return title;
    if (line > 0)
        return title + QStringLiteral("\nRed %1: %2").arg(line).arg(cause);
    return title + QLatin1Char('\n') + cause;
}

// What an import needs of the server that it may refuse, in the operator's words.
QString RefusalText(unsigned code)
{
    switch (code) {
    case 1044: // database access denied
    case 1142: // a command denied on a table
    case 1227: // a privilege missing
        return QStringLiteral("Nalog baze nema pravo potrebno za uvoz (uvoz traži CREATE, DROP i ALTER "
                              "uz SELECT, INSERT, UPDATE i DELETE).");
    case 1148: // the command is not allowed with this server version
    case 2068: // the client refused the local file
    case 3948: // loading local data is disabled
    case 4166: // the server does not allow local loading
        return QStringLiteral("Server baze ne dozvoljava učitavanje lokalne datoteke (LOAD DATA LOCAL INFILE); "
                              "uključite local_infile=ON na serveru.");
    default: return {};
    }
}

// A database error's context and server text on one line, after what it means for the
// import when the server refused a right or local loading.
QString DatabaseCause(const dataset::DatabaseError &error)
{
    QString text = error.message();
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text = ElidedValue(text, 500);
    const QString refusal = RefusalText(error.serverCode());
    return refusal.isEmpty() ? text : refusal + QLatin1Char(' ') + text;
}

} // namespace

ImportError::ImportError(ImportFailure kind, const QString &cause, qint64 line)
    : ImportError(kind, SafeLines(cause), line, FailureText(cause, line))
{
}

ImportError::ImportError(ImportFailure kind, const QString &cause, qint64 line, const QString &message)
    : dataset::Error(message)
    , m_kind(kind)
    , m_line(line)
    , m_cause(cause)
{
}

ImportError ImportError::EmptiesTable(const QString &cause)
{
    ImportError error(ImportFailure::File, cause);
    error.m_emptiesTable = true;
    return error;
}

ImportError ImportError::WithNote(const QString &note) const
{
    ImportError noted(m_kind, m_cause, m_line, message() + QLatin1Char('\n') + SafeLines(note));
    noted.m_serverCode = m_serverCode;
    noted.m_emptiesTable = m_emptiesTable;
    noted.m_swapOutcomeUnknown = m_swapOutcomeUnknown;
    return noted;
}

ImportError ImportError::SwapOutcomeUnknown(const QString &cause)
{
    ImportError unknown(ImportFailure::Database, cause);
    unknown.m_swapOutcomeUnknown = true;
    return unknown;
}

ImportError ToImportError(const std::exception_ptr &error, qint64 line)
{
    try {
        std::rethrow_exception(error);
    } catch (const ImportError &e) {
        return e;
    } catch (const dataset::DatabaseError &e) {
        ImportError database(ImportFailure::Database, DatabaseCause(e));
        database.m_serverCode = e.serverCode();
        return database;
    } catch (const dataset::Error &e) {
        return ImportError(ImportFailure::File, e.message(), line);
    } catch (const std::exception &e) {
        return ImportError(ImportFailure::File, QString::fromUtf8(e.what()), line);
    } catch (...) {
        return ImportError(ImportFailure::File, QStringLiteral("Nepoznata greška."), line);
    }
}

QString SystemErrorText(int error)
{
    switch (error) {
    case ENOSPC: return QStringLiteral("nema mesta na disku");
    case EDQUOT: return QStringLiteral("prekoračena je kvota diska");
    case EFBIG: return QStringLiteral("datoteka je veća nego što je dozvoljeno");
    case EACCES:
    case EPERM: return QStringLiteral("pristup nije dozvoljen");
    case ENOENT: return QStringLiteral("datoteka ili folder ne postoji");
    case EROFS: return QStringLiteral("sistem datoteka je samo za čitanje");
    case EIO: return QStringLiteral("greška pri čitanju ili upisu na disk");
    case EMFILE:
    case ENFILE: return QStringLiteral("otvoreno je previše datoteka");
    case ENAMETOOLONG: return QStringLiteral("ime je predugačko");
    case ELOOP: return QStringLiteral("previše simboličkih veza");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace imports
