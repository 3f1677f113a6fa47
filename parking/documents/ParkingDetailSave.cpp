// Saving the editor's document: the header and every cached item in one transaction,
// so a failure stores nothing and leaves the editor holding all of it for another try.
// A new document's number is taken from the counter at that moment, inside the
// transaction, so two cashiers who opened new documents at once never store the same
// one. Every save carries a token: a save whose confirmation was lost is found stored
// (and shown as saved) instead of being stored twice by the retry; what the cashier
// changed after such a save becomes an edit of the stored document.

#include "ParkingDetailUnit.h"
#include "HeldDocument.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <dataset/UnitOfWork.h>
#include <framework/Interfaces.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/HostServices.h>

namespace {

// A line in the console's notice log, when the console keeps one.
void Notice(const parking::HostServices &host, const QString &text)
{
    if (const IntfPtr<INoticeLog> log = host.HostModule<INoticeLog>())
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
    dataset::Connection *connection = m_dm.Connection();
    if (!connection)
        throw dataset::Error(QStringLiteral("Veza sa bazom podataka nije uspostavljena."));
    // A try whose outcome was not known may have been stored after all: the editor goes
    // on with that document, what was changed since becoming an edit of it.
    if (m_saveTried) {
        if (const std::optional<qint64> stored = m_saveToken.Find(*connection)) {
            TakeOverStoredDocument(*stored);
            if (!HasUnsavedChanges()) {
                TellSaved({});
                return;
            }
        } else {
            // Not stored as far as this look-up sees; what it tried is kept until a save
            // succeeds, since a late commit (a lagging node) still meets the token below.
            m_saveTried = false;
        }
    }
    ConfirmSave();
    dataset::Field &number = document.FieldByName(QStringLiteral("number"));
    const QString shown = number.AsString();
    for (;;) {
        std::vector<TicketQuestion> questions;
        try {
            // A deadlock, a cluster's refusal or a lost link undoes the try, the datasets
            // included, so the whole save runs again; the token keeps a stored try single.
            dataset::RetryUnitOfWork(*connection, [&] {
                dataset::Transaction transaction(*connection);
                m_dm.CheckSchemaUnchanged();
                // Every read the save depends on runs in the unit: tickets found paid
                // end it unwritten, to be asked outside any transaction.
                questions = TicketQuestionsBeforeSave();
                if (!questions.empty())
                    return;
                m_saveTried = true;
                PostDocument();
                DocumentItemsApply();
                m_saveToken.Stamp(*connection, document.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt());
                m_saveToken.Commit(transaction, *connection);
            });
        } catch (const dataset::AlreadySaved &saved) {
            TakeOverStoredDocument(saved.key());
            if (!HasUnsavedChanges()) {
                TellSaved({});
                return;
            }
            continue;
        } catch (...) {
            // The datasets hold again what the failed try was to store; should that try
            // have been stored after all, the next save puts onto it only what changed
            // since.
            if (m_saveTried)
                m_tried = std::make_unique<HeldDocument>(HoldDocument(document, items));
            throw;
        }
        if (questions.empty())
            break;
        AskBeforeSave(questions);
    }
    m_saveTried = false;
    m_tried.reset();
    m_saveToken.Renew();
    m_automaticNumber.clear();
    if (!document.IsEmpty() && number.AsString() != shown)
        Notice(m_dm.Host(), QStringLiteral("Dokument je snimljen pod brojem %1.").arg(number.AsString()));
    if (!document.IsEmpty())
        TellSaved(shown);
}

// An earlier try of this save was stored as 'key': the editor shows the stored document
// and puts onto it what the cashier changed since that try, as unsaved edits.
void TParkingDetailForm::TakeOverStoredDocument(qint64 key)
{
    const HeldDocument now = HoldDocument(Document(), Items());
    const std::unique_ptr<HeldDocument> tried = std::move(m_tried);
    ShowStoredDocument(key);
    if (tried)
        PutBackEdits(*tried, now, Document(), Items());
    RecalculateTotals();
    if (HasUnsavedChanges())
        Notice(m_dm.Host(), QStringLiteral("Izmene unete posle toga snimaju se kao izmena dokumenta %1.")
                   .arg(Document().FieldByName(QStringLiteral("number")).AsString()));
}

// An earlier try of this save was stored: the editor drops what it holds and shows the
// stored document, as after a save.
void TParkingDetailForm::ShowStoredDocument(qint64 key)
{
    DiscardChanges();
    m_saveTried = false;
    m_saveToken.Renew();
    m_automaticNumber.clear();
    dataset::Query &document = Document();
    document.Refresh();
    for (document.First(); !document.Eof(); document.Next()) {
        if (document.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt() == key)
            break;
    }
    if (document.Eof())
        throw dataset::Error(QStringLiteral("Dokument je već bio snimljen, ali ga nema u spisku dokumenata; "
                                            "izmene unete posle toga nisu snimljene."));
    DocumentItemsOpen();
    Notice(m_dm.Host(), QStringLiteral("Dokument je već bio snimljen pod brojem %1.")
               .arg(document.FieldByName(QStringLiteral("number")).AsString()));
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

// Every new document takes a number from the counter. The number the module gave it is
// replaced by the one taken, which differs only when another cashier stored one first; a
// number typed by hand is posted as typed and meets the uniqueness rule. The record then
// carries the key the server gave the row (asked of the session only when the dataset
// did not learn it).
void TParkingDetailForm::PostNewDocument()
{
    dataset::Query &document = Document();
    dataset::Field &number = document.FieldByName(QStringLiteral("number"));
    const bool automatic = !m_automaticNumber.isEmpty() && number.AsString() == m_automaticNumber;
    const QDateTime date = document.FieldByName(QStringLiteral("documentdatetime")).AsDateTime();
    const QString taken = m_dm.TakeDocumentNumber(date.isValid() ? date : QDateTime::currentDateTime());
    if (automatic) {
        m_automaticNumber = taken;
        number.SetAsString(taken);
    }
    document.Post();
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
