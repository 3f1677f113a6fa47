#pragma once

// What the ticket import learns about each line before the server reads it: whether the
// file is a ticket export at all, and which lines the summary lists.

#include "FileFormatCheck.h"

#include <QByteArrayView>
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
    static constexpr int kListed = FileFormatCheck::kListed;

    void Add(qint64 lineNumber, QByteArrayView line);

    // Empty, readable and unreadable lines.
    const FileFormatCheck &Format() const { return m_format; }
    // Non-empty lines without a ticket number (they share one staging row).
    qint64 LinesWithoutNumber() const { return m_withoutNumber; }
    // "red 7: nema registracije" for the first lines of tickets without a registration.
    const QStringList &WithoutRegistration() const { return m_withoutRegistration; }

private:
    FileFormatCheck m_format;
    qint64 m_withoutNumber = 0;
    QStringList m_withoutRegistration;
};

} // namespace imports
