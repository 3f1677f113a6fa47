// Host sales documents made from the saved parking document: an invoice followed by
// its "M" document, or a cash invoice. Each carries the item the item grid stands on.

#include "ParkingDetailUnit.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/base/BusyCursor.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <parking/data/HostDocumentWriter.h>
#include <parking/data/InvoiceLinks.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/host/ParkingHostModules.h>

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

// The writer's messages (a refused header or item) are shown once its transaction and
// numbering lock have ended.
void ShowMessagesOf(const THostDocumentWriter &writer)
{
    for (const QString &message : writer.Messages())
        ShowErrorMessage(message);
}

// Why the host may have refused a document: what its missing modules left unset.
QString RefusalCause(const std::optional<QString> &currency)
{
    QStringList causes;
    if (!HostModule<IDocumentService>())
        causes << QStringLiteral("dokument nema broj jer servis dokumenata nije dostupan");
    if (!currency && !HostModule<IDocumentModule>())
        causes << QStringLiteral("dokument nema valutu jer modul dokumenata nije dostupan");
    return causes.isEmpty() ? QString() : QStringLiteral("Uzrok: ") + causes.join(QStringLiteral("; ")) + QLatin1Char('.');
}

// A refused header's messages, the first one with its cause.
void ShowRefusal(const THostDocumentWriter &writer, const std::optional<QString> &currency)
{
    QStringList messages = writer.Messages();
    const QString cause = RefusalCause(currency);
    if (!messages.isEmpty() && !cause.isEmpty())
        messages.last() += QLatin1Char('\n') + cause;
    for (const QString &message : messages)
        ShowErrorMessage(message);
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
    dataset::Connection &connection = *m_dm.Connection();
    QStringList written;
    std::optional<BusyCursor> busy;   // from the partner's choice to the last document
    QString currency;
    {
        THostDocumentWriter writer(m_dm);
        const IntfPtr<IPartnerModule> partners = HostModule<IPartnerModule>();
        if (!partners) {
            ShowErrorMessage(NoModuleMessage(u"_CMN_MOD_PARTNER_NAME"));
            return;
        }
        TPartnerDesc partner;
        if (!partners->SelectPartner(partner))
            return;
        busy.emplace();
        if (writer.PostHeader({documentType, date, &partner, std::nullopt}) == PostOutcome::Refused) {
            busy.reset();
            ShowRefusal(writer, std::nullopt);
            return;
        }
        writer.PostItem(item);
        LinkInvoice(connection, itemId, parkingDocumentId, writer.DocumentId(), documentType);
        written << writer.DocumentCaption();
        const int documentId = writer.Commit();
        ShowMessagesOf(writer);
        if (documentType != QLatin1String("R")) {
            HostCashInvoiceNotice(documentId);
            TellInvoiced(written);
            return;
        }
        HostDocumentNotice(documentId, DocumentNoticeKind::Document);
        currency = writer.Currency();
    }
    THostDocumentWriter writer(m_dm);
    if (writer.PostHeader({QStringLiteral("M"), date, nullptr, currency}) == PostOutcome::Refused) {
        busy.reset();
        ShowRefusal(writer, currency);
        TellInvoiced(written);
        return;
    }
    THostDocumentItem reversal = item;
    reversal.quantity = -1;
    writer.PostItem(reversal);
    LinkInvoice(connection, itemId, parkingDocumentId, writer.DocumentId(), QStringLiteral("M"));
    written << writer.DocumentCaption();
    const int documentId = writer.Commit();
    ShowMessagesOf(writer);
    HostDocumentNotice(documentId, DocumentNoticeKind::InvoiceReversal);
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
        InvoicesOfItem(*m_dm.Connection(), items.FieldByName(QStringLiteral("parkingdocumentitemid")).AsLargeInt());
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
