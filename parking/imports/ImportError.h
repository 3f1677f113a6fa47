#pragma once

#include <dataset/Error.h>

#include <QString>
#include <exception>

namespace imports {

// What an import failure was about; the batch command's exit code.
enum class ImportFailure { File = 1, Database = 2 };

// A failed import: "Pogrešan format datoteke!", then on a second line the file's line
// number (counted from 1, the header being line 1) when one applies, and the cause. The
// cause and notes are shown escaped (SafeLines): they may quote a file or its name.
class ImportError : public dataset::Error {
public:
    ImportError(ImportFailure kind, const QString &cause, qint64 line = 0);
    // A non-empty file that would leave a table empty: refused unless the operator allows it.
    static ImportError EmptiesTable(const QString &cause);

    ImportFailure kind() const noexcept { return m_kind; }
    qint64 line() const noexcept { return m_line; }
    const QString &cause() const noexcept { return m_cause; }
    // The server's error code of a database failure; 0 for any other.
    unsigned serverCode() const noexcept { return m_serverCode; }
    bool emptiesTable() const noexcept { return m_emptiesTable; }

    // The same failure with one more line of text (what happened to the tables).
    ImportError WithNote(const QString &note) const;

    // A table swap whose reply was lost and whose outcome could not be read back: the
    // tables may hold the new content or the old.
    static ImportError SwapOutcomeUnknown(const QString &cause);
    bool swapOutcomeUnknown() const noexcept { return m_swapOutcomeUnknown; }

private:
    friend ImportError ToImportError(const std::exception_ptr &error, qint64 line);
    ImportError(ImportFailure kind, const QString &cause, qint64 line, const QString &message);

    ImportFailure m_kind;
    qint64 m_line;
    QString m_cause;
    unsigned m_serverCode = 0;
    bool m_emptiesTable = false;
    bool m_swapOutcomeUnknown = false;
};

// Any exception of an import as an ImportError: database errors keep the server's text,
// other errors their message, each at 'line' when one is known (0: none).
ImportError ToImportError(const std::exception_ptr &error, qint64 line = 0);

// The operating system's text for an error number ('errno'), in Serbian where it is one an
// operator meets (a full disk, a missing right).
QString SystemErrorText(int error);

} // namespace imports
