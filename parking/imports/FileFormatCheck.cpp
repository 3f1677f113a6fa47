#include "FileFormatCheck.h"

#include "ImportError.h"

namespace imports {

void FileFormatCheck::Unreadable(qint64 lineNumber, const QString &problem)
{
    ++m_nonEmpty;
    ++m_unreadable;
    if (m_problems.size() < kListed)
        m_problems.append({lineNumber, problem});
}

void FileFormatCheck::Add(const FileFormatCheck &later)
{
    m_nonEmpty += later.m_nonEmpty;
    m_empty += later.m_empty;
    m_unreadable += later.m_unreadable;
    for (const auto &problem : later.m_problems) {
        if (m_problems.size() < kListed)
            m_problems.append(problem);
    }
}

QStringList FileFormatCheck::Unreadable(int count) const
{
    QStringList lines;
    for (const auto &[number, problem] : m_problems) {
        if (lines.size() == count)
            break;
        lines << QStringLiteral("red %1: %2").arg(number).arg(problem);
    }
    return lines;
}

void FileFormatCheck::RefuseOtherFile(const QString &exportName) const
{
    if (!NotThisExport())
        return;
    throw ImportError(ImportFailure::File, QStringLiteral("Datoteka nije %1 (%2 nečitljivih redova): %3")
                                               .arg(exportName)
                                               .arg(m_unreadable)
                                               .arg(Unreadable(3).join(QStringLiteral("; "))));
}

void RefuseEmptying(const QString &table, qint64 bytes, qint64 rowsStored, bool onlyBlankLines, Emptying emptying)
{
    if (bytes == 0 || rowsStored > 0)
        return;
    if (onlyBlankLines)
        throw ImportError(ImportFailure::File,
                          QStringLiteral("Datoteka sadrži samo prazne redove; tabela %1 bi ostala prazna.").arg(table));
    if (emptying == Emptying::Refused)
        throw ImportError::EmptiesTable(
            QStringLiteral("Datoteka nema nijedan red za upis; tabela %1 bi ostala prazna.").arg(table));
}

} // namespace imports
