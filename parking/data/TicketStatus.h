#pragma once

// The one rule of which surcharge ticket statuses close a ticket: paid at the pay desk,
// by a reminder or by a lawsuit, or cancelled. A closed ticket is never charged again
// without a question; the editor, the ticket picker and the vehicle history read it from here.

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>

enum class TicketStatus : int {
    Paid = 3,
    Cancelled = 5,
    PaidByReminder = 7,
    PaidByLawsuit = 9,
};

inline constexpr std::array kPaidTicketStatuses{TicketStatus::Paid, TicketStatus::PaidByReminder,
                                                TicketStatus::PaidByLawsuit};

constexpr bool IsPaid(int status)
{
    return std::ranges::any_of(kPaidTicketStatuses, [status](TicketStatus paid) { return int(paid) == status; });
}

constexpr bool IsCancelled(int status)
{
    return status == int(TicketStatus::Cancelled);
}

// The closed statuses in ascending order, "3, 5, 7, 9": an SQL list for "status IN (...)".
inline QString ClosedStatusList()
{
    std::array<int, kPaidTicketStatuses.size() + 1> codes{int(TicketStatus::Cancelled)};
    std::ranges::transform(kPaidTicketStatuses, codes.begin() + 1, [](TicketStatus paid) { return int(paid); });
    std::ranges::sort(codes);
    QStringList texts;
    for (const int code : codes)
        texts << QString::number(code);
    return texts.join(QStringLiteral(", "));
}
