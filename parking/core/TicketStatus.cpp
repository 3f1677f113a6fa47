#include "TicketStatus.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace parking {

namespace {

struct StatusEntry {
    TicketStatus status;
    const char *caption;
};

constexpr std::array kStatuses{
    StatusEntry{TicketStatus::New, "Nova"},
    StatusEntry{TicketStatus::Unpaid, "Nenaplaćena"},
    StatusEntry{TicketStatus::Paid, "Naplaćena"},
    StatusEntry{TicketStatus::ReminderBeforeLawsuit, "Opomena pred tužbu"},
    StatusEntry{TicketStatus::Cancelled, "Poništena"},
    StatusEntry{TicketStatus::PaidByReminder, "Naplaćena opomenom"},
    StatusEntry{TicketStatus::InLawsuit, "U postupku tuženja"},
    StatusEntry{TicketStatus::PaidByLawsuit, "Naplaćena tužbom"},
    StatusEntry{TicketStatus::ReturnedMail, "Vraćena pošta"},
    StatusEntry{TicketStatus::Foreigner, "Stranac"},
    StatusEntry{TicketStatus::ForeignerInLawsuit, "Stranac u tužbi"},
    StatusEntry{TicketStatus::Verified, "Verodostojna"},
    StatusEntry{TicketStatus::NoRegistryData, "Nema podataka u MUP-u"},
};

const StatusEntry *EntryOf(int code)
{
    const auto found =
        std::ranges::find_if(kStatuses, [code](const StatusEntry &entry) { return int(entry.status) == code; });
    return found == kStatuses.end() ? nullptr : &*found;
}

bool Is(int code, std::initializer_list<TicketStatus> statuses)
{
    return std::ranges::any_of(statuses, [code](TicketStatus status) { return int(status) == code; });
}

} // namespace

std::optional<TicketStatus> TicketStatusOf(int code)
{
    const StatusEntry *entry = EntryOf(code);
    return entry ? std::optional(entry->status) : std::nullopt;
}

QString StatusCaption(int code)
{
    const StatusEntry *entry = EntryOf(code);
    return QString::fromUtf8(entry ? entry->caption : "Nepoznat status");
}

bool IsPaid(int code)
{
    return Is(code, {TicketStatus::Paid, TicketStatus::PaidByReminder, TicketStatus::PaidByLawsuit});
}

bool IsCancelled(int code)
{
    return Is(code, {TicketStatus::Cancelled});
}

bool IsClosed(int code)
{
    return IsPaid(code) || IsCancelled(code);
}

bool IsChargeable(int code)
{
    return !IsClosed(code);
}

bool IsLeftOutByImport(int code)
{
    return Is(code, {TicketStatus::Paid, TicketStatus::Cancelled});
}

QString StatusCodeList(bool (*rule)(int code))
{
    QStringList codes;
    for (const StatusEntry &entry : kStatuses) {
        if (rule(int(entry.status)))
            codes << QString::number(int(entry.status));
    }
    return codes.join(QStringLiteral(", "));
}

} // namespace parking
