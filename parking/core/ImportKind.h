#pragma once

// The kinds of run the import history records: each import, its undo and the day's
// documents. The database keeps a stable key of each kind; the windows and the batch
// command show its caption.

#include <QString>

#include <array>
#include <optional>

namespace parking {

enum class ImportKind {
    TicketImport,
    SubscriptionImport,
    TicketUndo,
    SubscriptionUndo,
    TicketDocument,
    PayDeskDocument,
};

struct ImportKindName {
    ImportKind kind;
    const char *key; // stored in parkingimporthistory.kind; never shown, never changed
    const char *caption; // shown, UTF-8
};

// Every kind with its key and caption; a new kind is one line here.
inline constexpr std::array kImportKindNames{
    ImportKindName{ImportKind::TicketImport, "ticket-import", "uvoz karata"},
    ImportKindName{ImportKind::SubscriptionImport, "subscription-import", "uvoz pretplata"},
    ImportKindName{ImportKind::TicketUndo, "ticket-undo", "vraćanje karata"},
    ImportKindName{ImportKind::SubscriptionUndo, "subscription-undo", "vraćanje pretplata"},
    ImportKindName{ImportKind::TicketDocument, "ticket-document", "dokument karata"},
    ImportKindName{ImportKind::PayDeskDocument, "paydesk-document", "dokument blagajne"},
};

// The lines stand in the enumerators' order, so a kind finds its line by its value.
static_assert([] {
    for (std::size_t i = 0; i < kImportKindNames.size(); ++i)
        if (kImportKindNames[i].kind != ImportKind(i))
            return false;
    return true;
}());

// What the history stores for 'kind'.
QString ImportKindKey(ImportKind kind);
// What the history shows for 'kind'.
QString ImportKindCaption(ImportKind kind);
// The kind stored under 'key'; none for a key this program does not know.
std::optional<ImportKind> ImportKindFromKey(const QString &key);
// The caption of a stored key; a key this program does not know as it is.
QString ImportKindCaptionOfKey(const QString &key);

} // namespace parking
