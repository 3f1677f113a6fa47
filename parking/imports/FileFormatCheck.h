#pragma once

// Whether a file is the export it is imported as, and whether importing it would leave a
// table empty: both are refused before the file replaces anything.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace imports {

// Tallies a file's lines: empty, readable as a line of the export, or not.
class FileFormatCheck {
public:
    static constexpr int kListed = 10;

    void Empty() { ++m_empty; }
    void Readable() { ++m_nonEmpty; }
    // 'problem' says why the line is no line of the export ("nema registracije").
    void Unreadable(qint64 lineNumber, const QString &problem);
    // Adds the tally of the lines that follow this one's.
    void Add(const FileFormatCheck &later);

    qint64 EmptyLines() const { return m_empty; }
    qint64 NonEmptyLines() const { return m_nonEmpty; }
    qint64 UnreadableLines() const { return m_unreadable; }
    // More than half of the non-empty lines are no lines of the export.
    bool NotThisExport() const { return m_unreadable * 2 > m_nonEmpty; }
    // "red 3: datum „x“ nije ispravan" for the first 'count' unreadable lines.
    QStringList Unreadable(int count = kListed) const;
    // Throws ImportError ("Datoteka nije <export> …", the first unreadable lines) when
    // the file is not the export.
    void RefuseOtherFile(const QString &exportName) const;

private:
    qint64 m_nonEmpty = 0;
    qint64 m_empty = 0;
    qint64 m_unreadable = 0;
    QList<QPair<qint64, QString>> m_problems;
};

// Whether a non-empty file without a row to store may leave its table empty: only once
// the operator said so.
enum class Emptying { Refused, Allowed };

// A file of 'bytes' bytes whose import would store no row in 'table': a file of blank lines
// only is refused, any other non-empty one too unless emptying is allowed (ImportError
// whose emptiesTable() is set). A file of 0 bytes empties the table.
void RefuseEmptying(const QString &table, qint64 bytes, qint64 rowsStored, bool onlyBlankLines, Emptying emptying);

} // namespace imports
