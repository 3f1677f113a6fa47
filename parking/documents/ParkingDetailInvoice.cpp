// Host sales documents made from the saved parking document: an invoice followed by
// its "M" document, or a cash invoice. Each carries the item the item grid stands on.

#include "ParkingDetailUnit.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/SaveToken.h>
#include <dataset/UnitOfWork.h>
#include <framework/base/BusyCursor.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <parking/data/HostDocumentWriter.h>
#include <parking/core/InvoiceLinks.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/HostServices.h>

#include <optional>

namespace {

THostDocumentItem CurrentItem(const dataset::Query &items, double quantity)
{
    const auto field = [&items](const char *name) -> dataset::Field & {
        return items.FieldByName(QString::fromLatin1(name));
    };
    if (!items.Active() || items.IsEmpty())
        throw dataset::Error(QStringLiteral("Dokument nema stavku za račun."));
    THostDocumentItem item;
    item.productId = field("productid").AsInteger();
    item.productCode = field("productcode").AsString();
    item.productName = field("productname").AsString() + QStringLiteral(" - ident. ")
        + field("ticketnumber").AsString();
    item.taxId = field("taxid").AsInteger();
    item.taxValue = field("taxvalue").AsFloat();
    item.price = field("price").AsFloat();
    item.itemValue = field("itemvalue").AsFloat();
    item.quantity = quantity;
    item.sort = 1;
    return item;
}

// One host document with the invoiced item (or its reversal) and the item's link to it.
struct LinkedDocument {
    bool refused = false;
    int id = 0;
    QString caption;
    QString currency;
    QStringList messages; // shown once the transaction has ended
};

// Writes the document as one unit of work, run again from its start after a deadlock,
// a cluster's refusal or a lost link; every try carries the same token, so a try whose
// COMMIT's reply was lost is found stored and not written again.
LinkedDocument WriteLinkedDocument(TParkingDM &dm, const THostDocumentHeader &header, const THostDocumentItem &item,
                                   qint64 itemId, qint64 parkingDocumentId)
{
    dataset::Connection &connection = *dm.Connection();
    const dataset::SaveToken token{QStringLiteral("document"), QStringLiteral("documentid")};
    LinkedDocument done;
    try {
        dataset::RetryUnitOfWork(connection, [&] {
            THostDocumentWriter writer(dm, token);
            if (writer.PostHeader(header) == PostOutcome::Refused) {
                done.refused = true;
                done.messages = writer.Messages();
                return;
            }
            writer.PostItem(item);
            parking::LinkInvoice(connection, itemId, parkingDocumentId, writer.DocumentId(), header.documentType);
            done.caption = writer.DocumentCaption();
            done.currency = writer.Currency();
            done.id = writer.Commit();
            done.messages = writer.Messages();
        });
    } catch (const dataset::AlreadySaved &saved) {
        const TStoredHostDocument stored = StoredHostDocument(dm, int(saved.key()));
        done.id = int(saved.key());
        done.caption = stored.caption;
        done.currency = stored.currency;
    }
    return done;
}

void ShowMessages(const QStringList &messages)
{
    for (const QString &message : messages)
        ShowErrorMessage(message);
}

// Why the host may have refused a document: what its missing modules left unset.
QString RefusalCause(const parking::HostServices &host, const std::optional<QString> &currency)
{
    QStringList causes;
    if (!host.HostModule<IDocumentService>())
        causes << QStringLiteral("dokument nema broj jer servis dokumenata nije dostupan");
    if (!currency && !host.HostModule<IDocumentModule>())
        causes << QStringLiteral("dokument nema valutu jer modul dokumenata nije dostupan");
    return causes.isEmpty() ? QString() : QStringLiteral("Uzrok: ") + causes.join(QStringLiteral("; ")) + QLatin1Char('.');
}

// A refused header's messages, the first one with its cause.
void ShowRefusal(const parking::HostServices &host, QStringList messages, const std::optional<QString> &currency)
{
    const QString cause = RefusalCause(host, currency);
    if (!messages.isEmpty() && !cause.isEmpty())
        messages.last() += QLatin1Char('\n') + cause;
    ShowMessages(messages);
}

} // namespace

void TParkingDetailForm::CreateInvoiceExecute()
{
    CreateDocument(QStringLiteral("R"));
}

void TParkingDetailForm::CreateCashInvoiceExecute()
{
    CreateDocument(QStringLiteral("H"));
}

// A document that cannot be posted ends the run: nothing that belongs to it (its
// item, its notice, the "M" document of an invoice) is written.
void TParkingDetailForm::CreateDocument(const QString &documentType)
{
    const QDate date = Document().FieldByName(QStringLiteral("documentdatetime")).AsDateTime().date();
    const THostDocumentItem item = CurrentItem(Items(), 1);
    if (!ConfirmInvoicedItem())
        return;
    const qint64 itemId = Items().FieldByName(QStringLiteral("parkingdocumentitemid")).AsLargeInt();
    const qint64 parkingDocumentId = OwnDocumentId();
    const IntfPtr<IPartnerModule> partners = m_dm.Host().HostModule<IPartnerModule>();
    if (!partners) {
        ShowErrorMessage(NoModuleMessage(u"_CMN_MOD_PARTNER_NAME"));
        return;
    }
    TPartnerDesc partner;
    if (!partners->SelectPartner(partner))
        return;
    std::optional<BusyCursor> busy(std::in_place); // from the partner's choice to the last document
    QStringList written;
    const LinkedDocument invoice =
        WriteLinkedDocument(m_dm, {documentType, date, &partner, std::nullopt}, item, itemId, parkingDocumentId);
    if (invoice.refused) {
        busy.reset();
        ShowRefusal(m_dm.Host(), invoice.messages, std::nullopt);
        return;
    }
    written << invoice.caption;
    ShowMessages(invoice.messages);
    if (documentType != QLatin1String("R")) {
        HostCashInvoiceNotice(m_dm.Host(), invoice.id);
        TellInvoiced(written);
        return;
    }
    HostDocumentNotice(m_dm.Host(), invoice.id, DocumentNoticeKind::Document);
    THostDocumentItem reversal = item;
    reversal.quantity = -1;
    const LinkedDocument m = WriteLinkedDocument(m_dm, {QStringLiteral("M"), date, nullptr, invoice.currency}, reversal,
                                                 itemId, parkingDocumentId);
    if (m.refused) {
        busy.reset();
        ShowRefusal(m_dm.Host(), m.messages, invoice.currency);
        TellInvoiced(written);
        return;
    }
    written << m.caption;
    ShowMessages(m.messages);
    HostDocumentNotice(m_dm.Host(), m.id, DocumentNoticeKind::InvoiceReversal);
    TellInvoiced(written);
}

// The invoice carries the item the grid stands on: with several items the cashier is
// told which one, and an item invoiced before is invoiced again only when asked for.
bool TParkingDetailForm::ConfirmInvoicedItem()
{
    dataset::Query &items = Items();
    const QString name = items.FieldByName(QStringLiteral("productname")).AsString();
    const QString ticket = items.FieldByName(QStringLiteral("ticketnumber")).AsString();
    const QString what = ticket.isEmpty() ? QStringLiteral("\"%1\"").arg(name)
                                          : QStringLiteral("\"%1\" (karta %2)").arg(name, ticket);
    const QStringList before =
        parking::InvoicesOfItem(*m_dm.Connection(), items.FieldByName(QStringLiteral("parkingdocumentitemid")).AsLargeInt());
    if (!before.isEmpty())
        return ConfirmMessage(QStringLiteral("Stavka %1 je već fakturisana (%2). Napraviti još jedan račun?")
                                  .arg(what, before.join(QStringLiteral(", "))));
    if (items.RecordCount() > 1)
        return ConfirmMessage(QStringLiteral("Račun se pravi samo za izabranu stavku %1; ostale stavke dokumenta "
                                             "(%2) ne ulaze u njega. Nastaviti?")
                                  .arg(what)
                                  .arg(items.RecordCount() - 1));
    return true;
}

void TParkingDetailForm::TellInvoiced(const QStringList &written)
{
    if (!written.isEmpty())
        Tell(QStringLiteral("Napravljeni su dokumenti: %1.").arg(written.join(QStringLiteral(", "))));
}
