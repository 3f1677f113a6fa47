#pragma once

// The modal editor of one parking document: the header of the current row of the
// document list and its items, kept as cached updates until the document is saved.

#include <dataset/SaveToken.h>
#include <framework/base/CustomDetailForm.h>

#include <QPoint>
#include <QSet>

#include <memory>
#include <optional>
#include <vector>

class FeedbackBanner;
struct HeldDocument;
class TParkingDM;
struct TProductDesc;
namespace parking {
struct SubscriptionRow;
struct TicketRow;
} // namespace parking
namespace dataset {
class ErrorRelay;
class Query;
}

class TParkingDetailForm : public TCustomDetailForm {
    Q_OBJECT
public:
    // Opens on the current row of the document query of 'dm'.
    explicit TParkingDetailForm(TParkingDM &dm, QWidget *owner = nullptr);
    ~TParkingDetailForm() override;

    double NetTotal() const { return m_netTotal; }
    // The news shown in the editor's own window; empty when none is shown.
    QString Feedback() const;
    double GrossTotal() const { return m_grossTotal; }

    void FormCreate();
    void DocumentItemsOpen();
    void InternalDocumentItemsOpen();
    void RecalculateTotals();
    void RepaintTotals();
    void DocumentItemsApply();
    // Appends an item row for 'product', left unposted for its ticket number.
    void AddDocumentItem(const TProductDesc &product);

    void CustomApplyUpdate(QAction *sender) override;
    void CustomApplyExecute() override;
    void CustomOKExecute() override;
    void CustomCancelExecute() override;
    void DocumentPrintUpdate(QAction *sender);
    void DocumentPrintExecute();
    void PrintTicketExecute();
    void CreateInvoiceExecute();
    void CreateCashInvoiceExecute();
    // "Istorija vozila" of the registration the editor holds (as typed, saved or not).
    void VehicleHistoryExecute();
    // Writes the host document 'documentType' ("R" with its "M", or "H").
    void CreateDocument(const QString &documentType);
    // What a printout holds: the receipt alone, or the receipt with the parking ticket.
    enum class Printout { Receipt, Ticket };
    // "Priznanica 15" or, for the ticket, "Priznanica / Karta 15".
    QString PrintTitle(Printout printout) const;

    void DateTimeActionExecute();
    void FromDateActionExecute();
    void ToDateActionExecute();

    // Ticket search and item entry.
    void FindTicketActionExecute();
    void AddItemExecute();
    void AddItemXExecute();
    void AddItemBarcodeExecute();

    void DocumentItemDBGKeyDown(int &key, Qt::KeyboardModifiers modifiers);
    void DocumentItemDBGKeyPress(QString &text);
    void DocumentItemDBGEditButtonClick();

protected:
    void FormCloseQuery(bool &canClose) override;
    void FormClose(TCloseAction &action) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Ui; // the widgets and actions (ParkingDetailUi.h)

    void BuildHeader();
    void BuildItems();
    void BuildBottomPanel();
    void BuildActions();
    // Connects 'action' to 'handler'; only handled actions are ever enabled.
    template <class Handler> void Bind(QAction *action, Handler handler);

    void AddTicketItem(const parking::TicketRow &ticket);
    void FillFromSubscription(const parking::SubscriptionRow &subscription);
    QPoint GridPoint() const;
    void PostAwaitingTicket();
    void RefuseItemsWithoutTicket();
    // Questions before harm (ParkingDetailChecks.cpp).
    qint64 OwnDocumentId() const;
    bool MayRepeatTicket(const QString &ticketNumber, int otherRows);
    bool MayAddTicket(const QString &ticketNumber);
    void ConfirmSave();
    // A question a new item's ticket raises before the save: read inside the save's
    // unit of work, asked outside any transaction.
    struct TicketQuestion {
        QString ticketNumber;
        QString text;
        int row = 0; // 0-based row of the item
    };
    std::vector<TicketQuestion> TicketQuestionsBeforeSave() const;
    void AskBeforeSave(const std::vector<TicketQuestion> &questions);
    // News in the editor's window (ParkingDetailFeedback.cpp).
    void SetUpFeedback();
    void Tell(const QString &text, const QString &fileName = {});
    void TellSaved(const QString &shownNumber);
    void TellPrinted(const QString &fileName);
    QString CashierName() const;
    bool ConfirmInvoicedItem();
    void TellInvoiced(const QStringList &written);

    // While the editor is open it follows the item query's posts, cancels and deletes
    // (for the totals) and relaxes its document key; closing puts the query back.
    void WatchItemQuery();
    void RelaxItemDocumentKey();
    void ReleaseItemQuery();

    dataset::Query &Document() const;
    dataset::Query &Items() const;
    bool HasUnsavedChanges() const;
    // Header and items in one transaction (ParkingDetailSave.cpp).
    void SaveDocument();
    void PostDocument();
    void PostNewDocument();
    void ShowStoredDocument(qint64 key);
    void TakeOverStoredDocument(qint64 key);
    void DiscardChanges();

    TParkingDM &m_dm;
    std::unique_ptr<Ui> ui;
    std::vector<QMetaObject::Connection> m_itemObservers;
    std::optional<bool> m_itemKeyRequired; // the key's own setting, while relaxed
    dataset::ErrorRelay *m_errors;
    FeedbackBanner *m_feedback = nullptr;
    QList<QAction *> m_handledActions;
    double m_netTotal = 0.0;
    double m_grossTotal = 0.0;
    QSet<QString> m_ticketsAllowed; // tickets the cashier chose to pay again
    QSet<QString> m_repeatsAllowed; // tickets the cashier chose to put twice on this document
    QString m_automaticNumber;   // the number the module gave a new document; empty once typed over
    // The current save's token, kept for its retries and renewed once it is stored.
    dataset::SaveToken m_saveToken{QStringLiteral("parkingdocument"), QStringLiteral("parkingdocumentid")};
    bool m_saveTried = false; // a try of the current save ended without knowing it stored nothing
    std::unique_ptr<HeldDocument> m_tried; // what that try was to store
};
