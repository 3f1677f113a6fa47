// Host sales documents made from the saved parking document: an invoice followed by
// its "M" document, or a cash invoice. Each carries the item the item grid stands on.

#include "ParkingDetailUnit.h"

#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/base/BusyCursor.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <parking/data/HostDocumentWriter.h>
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
            ShowMessagesOf(writer);
            return;
        }
        writer.PostItem(item);
        const int documentId = writer.Commit();
        ShowMessagesOf(writer);
        if (documentType != QLatin1String("R")) {
            HostCashInvoiceNotice(documentId);
            return;
        }
        HostDocumentNotice(documentId, DocumentNoticeKind::Document);
        currency = writer.Currency();
    }
    THostDocumentWriter writer(m_dm);
    if (writer.PostHeader({QStringLiteral("M"), date, nullptr, currency}) == PostOutcome::Refused) {
        ShowMessagesOf(writer);
        return;
    }
    THostDocumentItem reversal = item;
    reversal.quantity = -1;
    writer.PostItem(reversal);
    const int documentId = writer.Commit();
    ShowMessagesOf(writer);
    HostDocumentNotice(documentId, DocumentNoticeKind::InvoiceReversal);
}
