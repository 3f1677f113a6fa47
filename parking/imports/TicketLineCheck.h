#pragma once

// What the ticket import learns about each line before the server reads it: whether the
// file is a ticket export at all, and which lines the summary lists.

#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace imports {

// Why a normalised ticket line cannot be read as a ticket; empty when it can. A ticket
// line starts with a date (yyyy-mm-dd, optionally hh:mm:ss) and a ticket number; zone,
// price and status, where given, are numbers.
QString TicketLineProblem(QByteArrayView line);

// Tallies the lines of one ticket file.
class TicketFileCheck {
public:
    static constexpr int kListed = 10;

    void Add(qint64 lineNumber, QByteArrayView line);

    qint64 EmptyLines() const { return m_empty; }
    qint64 UnreadableLines() const { return m_unreadable; }
    // Non-empty lines without a ticket number (they share one staging row).
    qint64 LinesWithoutNumber() const { return m_withoutNumber; }
    // More than half of the non-empty lines are not ticket lines.
    bool NotATicketFile() const { return m_unreadable * 2 > m_nonEmpty; }
    // "red 3: datum „x“ nije ispravan" for the first 'count' unreadable lines.
    QStringList Unreadable(int count = kListed) const;
    // "red 7: nema registracije" for the first lines of tickets without a registration.
    const QStringList &WithoutRegistration() const { return m_withoutRegistration; }

private:
    qint64 m_nonEmpty = 0;
    qint64 m_empty = 0;
    qint64 m_unreadable = 0;
    qint64 m_withoutNumber = 0;
    QList<QPair<qint64, QString>> m_problems;
    QStringList m_withoutRegistration;
};

} // namespace imports
