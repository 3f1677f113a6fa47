// Questions the editor puts before harm is done: a ticket paid already, a search that
// finds nothing for the vehicle, a document saved without items. All of them are asked
// before anything is written.

#include "ParkingDetailUnit.h"

#include <dataset/Query.h>
#include <framework/base/Abort.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/data/TicketPayment.h>

qint64 TParkingDetailForm::OwnDocumentId() const
{
    const dataset::Query &document = Document();
    if (document.State() == dataset::DataSetState::Insert)
        return -1;
    return document.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt();
}

// True when 'ticketNumber' may be paid on this document: nothing speaks against it, or
// the cashier said so (and is not asked again for it).
bool TParkingDetailForm::MayPayTicket(const QString &ticketNumber)
{
    if (m_ticketsAllowed.contains(ticketNumber))
        return true;
    const QString question = TicketPaidQuestion(*m_dm.Connection(), ticketNumber, OwnDocumentId());
    if (!question.isEmpty() && !ConfirmMessage(question))
        return false;
    m_ticketsAllowed.insert(ticketNumber);
    return true;
}

// Before a save: a new document without items goes on only when the cashier says so;
// otherwise the save stops silently.
void TParkingDetailForm::ConfirmSave()
{
    const dataset::Query &items = Items();
    if (items.Active() && items.RecordCount() == 0 && Document().State() == dataset::DataSetState::Insert
        && !ConfirmMessage(QStringLiteral("Dokument nema nijednu stavku. Snimiti ga ipak?")))
        Abort();
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
    const int key = items.FieldByName(QStringLiteral("parkingdocumentitemid")).Index();
    const int ticket = items.FieldByName(QStringLiteral("ticketnumber")).Index();
    for (int row = 0; row < items.RecordCount(); ++row) {
        if (items.RowValue(row, key).toLongLong() > 0)
            continue;   // stored before: checked when it was added
        const QString number = items.RowValue(row, ticket).toString().trimmed();
        if (number.isEmpty() || m_ticketsAllowed.contains(number))
            continue;
        const QString text = TicketPaidQuestion(*m_dm.Connection(), number, OwnDocumentId());
        if (!text.isEmpty())
            questions.push_back({number, text, row});
    }
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
