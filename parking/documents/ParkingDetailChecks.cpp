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

// Before a save: a new document without items, or a typed ticket number paid already,
// goes on only when the cashier says so; otherwise the save stops silently.
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
    const int key = items.FieldByName(QStringLiteral("parkingdocumentitemid")).Index();
    const int ticket = items.FieldByName(QStringLiteral("ticketnumber")).Index();
    for (int row = 0; row < items.RecordCount(); ++row) {
        if (items.RowValue(row, key).toLongLong() > 0)
            continue;   // stored before: checked when it was added
        const QString number = items.RowValue(row, ticket).toString().trimmed();
        if (!number.isEmpty() && !MayPayTicket(number)) {
            items.SetRecNo(row + 1);
            Abort();
        }
    }
}
