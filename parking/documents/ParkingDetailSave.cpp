// Saving the editor's document: the header and every cached item in one transaction,
// so a failure stores nothing and leaves the editor holding all of it for another try.
// A new document's number is settled at that moment, inside the transaction, so two
// cashiers who opened new documents at once never store the same one.

#include "ParkingDetailUnit.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <framework/Interfaces.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/host/ParkingRegistration.h>

namespace {

// A number someone else took between our look-up and our insert is looked up again;
// after this many tries the last error stands.
constexpr int kNumberAttempts = 5;

bool NumberTaken(dataset::Connection *connection, const QString &number)
{
    dataset::Query taken;
    taken.SetConnection(connection);
    taken.SetSQL({QStringLiteral("SELECT COUNT(*) AS taken FROM parkingdocument WHERE number = :number")});
    taken.SetParam(QStringLiteral("number"), number);
    taken.Open();
    return taken.FieldByName(QStringLiteral("taken")).AsInteger() > 0;
}

// A line in the console's notice log, when the console keeps one.
void Notice(const QString &text)
{
    IntfPtr<IInterface> module;
    if (!GlobalConsole || !GlobalConsole->GetModule(INoticeLog::IID, module) || !module)
        return;
    if (const IntfPtr<INoticeLog> log = Supports<INoticeLog>(module))
        log->AddNotice(text);
}

} // namespace

void TParkingDetailForm::SaveDocument()
{
    dataset::Query &document = Document();
    dataset::Query &items = Items();
    if (!HasUnsavedChanges())
        return;
    RefuseItemsWithoutTicket();
    if (items.Active() && items.IsEditing())
        items.Post();
    ConfirmSave();
    dataset::Field &number = document.FieldByName(QStringLiteral("number"));
    const QString shown = number.AsString();
    {
        dataset::Connection *connection = m_dm.Connection();
        if (!connection)
            throw dataset::Error(QStringLiteral("Veza sa bazom podataka nije uspostavljena."));
        dataset::Transaction transaction(*connection);
        PostDocument();
        DocumentItemsApply();
        transaction.Commit();
    }
    m_automaticNumber.clear();
    if (!document.IsEmpty() && number.AsString() != shown)
        Notice(QStringLiteral("Dokument je snimljen pod brojem %1.").arg(number.AsString()));
    if (!document.IsEmpty())
        TellSaved(shown);
}

// Posts the header when it is being edited; a new document also learns its key.
void TParkingDetailForm::PostDocument()
{
    dataset::Query &document = Document();
    if (document.State() == dataset::DataSetState::Insert)
        PostNewDocument();
    else if (document.State() == dataset::DataSetState::Edit)
        document.Post();
}

// A number the module gave stands while no other document has it (one look-up in the
// unique index); once another cashier stored it, the number is given again by the same
// rule, and again when the insert meets one stored meanwhile. A number typed by hand is
// posted as typed and meets the uniqueness rule. The record then carries the key the
// server gave the row (asked of the session only when the dataset did not learn it).
void TParkingDetailForm::PostNewDocument()
{
    dataset::Query &document = Document();
    dataset::Field &number = document.FieldByName(QStringLiteral("number"));
    const bool automatic = !m_automaticNumber.isEmpty() && number.AsString() == m_automaticNumber;
    for (int attempt = 1;; ++attempt) {
        if (automatic && (attempt > 1 || NumberTaken(m_dm.Connection(), number.AsString()))) {
            const QDateTime date = document.FieldByName(QStringLiteral("documentdatetime")).AsDateTime();
            m_automaticNumber = m_dm.NewDocumentNumber(date.isValid() ? date : QDateTime::currentDateTime());
            number.SetAsString(m_automaticNumber);
        }
        try {
            document.Post();
            break;
        } catch (const dataset::Error &) {
            if (!automatic || attempt >= kNumberAttempts || !NumberTaken(m_dm.Connection(), number.AsString()))
                throw;
        }
    }
    dataset::Field &key = document.FieldByName(QStringLiteral("parkingdocumentid"));
    if (key.AsLargeInt() > 0)
        return;
    const qint64 lastId = m_dm.GetLastInsertID();
    if (lastId <= 0)
        throw dataset::Error(QStringLiteral("Ključ novog dokumenta nije poznat; stavke nisu snimljene."));
    document.Edit();
    key.SetAsLargeInt(lastId);
    document.Post();
}
