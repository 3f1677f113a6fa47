#pragma once

// The surcharge ticket statuses of the operator's export, their captions, and the one
// rule of which of them are paid, cancelled or still to be charged. The editor, the ticket
// picker, the vehicle history, the pay desk and the ticket import ask it here.

#include <QString>

#include <optional>

namespace parking {

enum class TicketStatus : int {
    New = 1,
    Unpaid = 2,
    Paid = 3,
    ReminderBeforeLawsuit = 4,
    Cancelled = 5,
    PaidByReminder = 7,
    InLawsuit = 8,
    PaidByLawsuit = 9,
    ReturnedMail = 10,
    Foreigner = 15,
    ForeignerInLawsuit = 16,
    Verified = 17,
    NoRegistryData = 18,
};

// The status of a stored code; empty for a code without a status of its own (0, 6, 11 …).
std::optional<TicketStatus> TicketStatusOf(int code);

// "Naplaćena" and the others; "Nepoznat status" for a code without a status.
QString StatusCaption(int code);

// Paid at the pay desk, by a reminder or by a lawsuit (3, 7, 9).
bool IsPaid(int code);
// Cancelled (5).
bool IsCancelled(int code);
// Neither paid nor cancelled: a ticket the pay desk may charge without a question.
bool IsChargeable(int code);
// The statuses the ticket import leaves out of the working table: only those paid at the
// pay desk and the cancelled (3, 5); a ticket paid by a reminder or a lawsuit stays
// listed, shown as paid.
bool IsLeftOutByImport(int code);

// The codes of the statuses that hold 'rule', ascending and comma-separated ("3, 5, 7, 9"):
// a constant list for "status IN (...)".
QString StatusCodeList(bool (*rule)(int code));

// Paid or cancelled: closed for the editor, which asks before it takes such a ticket.
bool IsClosed(int code);

} // namespace parking
