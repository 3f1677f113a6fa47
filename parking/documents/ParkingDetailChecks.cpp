// Questions the editor puts before harm is done: a ticket paid already, a ticket twice on
// the document, a search that finds nothing for the vehicle, a document saved without
// items. All of them are asked before anything is written, and "Ne" is their default.

#include "ParkingDetailUnit.h"

#include <dataset/Query.h>
#include <framework/base/Abort.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/core/TicketPayment.h>

namespace {

const QString kTicketNumber = QStringLiteral("ticketnumber");

// The rows of the editor's items (posted, or being typed) before 'end' (all of them when
// negative) that carry 'ticketNumber'.
int RowsWithTicket(const dataset::Query &items, const QString &ticketNumber, int end = -1)
{
    const int ticket = items.FieldByName(kTicketNumber).Index();
    int rows = 0;
    for (int row = 0; row < (end < 0 ? items.RecordCount() : end); ++row) {
        if (items.RowValue(row, ticket).toString().trimmed() == ticketNumber)
            ++rows;
    }
    return rows;
}

// Calls 'visit(row, number)' for each item not stored yet that carries a ticket number;
// stored items were checked when they were added.
template <typename Visit>
void ForEachNewTicket(const dataset::Query &items, Visit visit)
{
    const int key = items.FieldByName(QStringLiteral("parkingdocumentitemid")).Index();
    const int ticket = items.FieldByName(kTicketNumber).Index();
    for (int row = 0; row < items.RecordCount(); ++row) {
        const QString number = items.RowValue(row, ticket).toString().trimmed();
        if (items.RowValue(row, key).toLongLong() <= 0 && !number.isEmpty())
            visit(row, number);
    }
}

} // namespace

qint64 TParkingDetailForm::OwnDocumentId() const
{
    const dataset::Query &document = Document();
    if (document.State() == dataset::DataSetState::Insert)
        return -1;
    return document.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt();
}

// True when 'ticketNumber', held already by 'otherRows' rows of this document, may be put
// on it once more: no row holds it, or the cashier said so (and is not asked again).
bool TParkingDetailForm::MayRepeatTicket(const QString &ticketNumber, int otherRows)
{
    if (otherRows == 0 || m_repeatsAllowed.contains(ticketNumber))
        return true;
    const QString question = otherRows == 1
        ? QStringLiteral("Karta %1 je već na ovom dokumentu. Dodati je još jednom?").arg(ticketNumber)
        : QStringLiteral("Karta %1 je već %2 puta na ovom dokumentu. Dodati je još jednom?")
              .arg(ticketNumber)
              .arg(otherRows);
    if (!ConfirmMessage(question))
        return false;
    m_repeatsAllowed.insert(ticketNumber);
    return true;
}

// A ticket chosen in the picker, before its row is added: held already by this document,
// or paid already, it is added only when the cashier says so (and is not asked again).
bool TParkingDetailForm::MayAddTicket(const QString &ticketNumber)
{
    if (!MayRepeatTicket(ticketNumber, RowsWithTicket(Items(), ticketNumber)))
        return false;
    if (m_ticketsAllowed.contains(ticketNumber))
        return true;
    const QString question = parking::TicketPaidQuestion(*m_dm.Connection(), ticketNumber, OwnDocumentId());
    if (!question.isEmpty() && !ConfirmMessage(question))
        return false;
    m_ticketsAllowed.insert(ticketNumber);
    return true;
}

// Before a save: a new document without items, or a typed ticket number held by another
// row, goes on only when the cashier says so; otherwise the save stops silently on that
// row. Whether a typed ticket was paid already is read inside the save's transaction.
void TParkingDetailForm::ConfirmSave()
{
    dataset::Query &items = Items();
    if (!items.Active())
        return;
    if (items.RecordCount() == 0 && Document().State() == dataset::DataSetState::Insert) {
        if (!ConfirmMessage(QStringLiteral("Dokument nema nijednu stavku. Snimiti ga ipak?")))
            Abort();
        return;
    }
    ForEachNewTicket(items, [&](int row, const QString &number) {
        if (!MayRepeatTicket(number, RowsWithTicket(items, number, row))) {
            items.SetRecNo(row + 1);
            Abort();
        }
    });
}

// The new items whose tickets were paid already (and not allowed by the cashier), in
// row order. Run inside the save's transaction, so what it reads is what the save stores
// against.
std::vector<TParkingDetailForm::TicketQuestion> TParkingDetailForm::TicketQuestionsBeforeSave() const
{
    std::vector<TicketQuestion> questions;
    const dataset::Query &items = Items();
    if (!items.Active())
        return questions;
    ForEachNewTicket(items, [&](int row, const QString &number) {
        if (m_ticketsAllowed.contains(number))
            return;
        const QString text = parking::TicketPaidQuestion(*m_dm.Connection(), number, OwnDocumentId());
        if (!text.isEmpty())
            questions.push_back({number, text, row});
    });
    return questions;
}

// Each question in turn: "Ne" stops the save on that item's row; "Da" lets the ticket be
// paid. Once all are answered "Da", the save runs again.
void TParkingDetailForm::AskBeforeSave(const std::vector<TicketQuestion> &questions)
{
    for (const TicketQuestion &question : questions) {
        if (!ConfirmMessage(question.text)) {
            Items().SetRecNo(question.row + 1);
            Abort();
        }
        m_ticketsAllowed.insert(question.ticketNumber);
    }
}
