#include "HostDocumentWriter.h"

#include "ParkingDMUnit.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/SaveToken.h>
#include <dataset/Transaction.h>
#include <dataset/UnitOfWork.h>
#include <framework/common/CommonResourceString.h>
#include <parking/shared/HostServices.h>
#include <parking/shared/ParkingResourceString.h>
#include <routines/TextFormat.h>

#include <QScopeGuard>

namespace {

QString Text(const char *name)
{
    return QString::fromLatin1(name);
}

// A deadlock undoes the whole transaction, not only the refused statement.
bool NewTryMayCure(const dataset::Error &error)
{
    const auto *database = dynamic_cast<const dataset::DatabaseError *>(&error);
    return database && dataset::IsRetryableError(database->serverCode());
}

void Reopen(dataset::Query &query)
{
    if (query.Active())
        query.Close();
    query.Open();
}

} // namespace

struct THostDocumentWriter::Private {
    Private(TParkingDM &dm, const dataset::SaveToken &token)
        : dm(dm)
        , documents(dm.DocumentZQ())
        , items(dm.DocumentItemZQ())
        , token(token)
    {
    }

    TParkingDM &dm;
    dataset::Query &documents;
    dataset::Query &items;
    std::optional<dataset::Transaction> transaction;
    // Marks the stored header, so a COMMIT whose reply was lost is found stored or not.
    dataset::SaveToken token;
    bool posted = false;
    QStringList messages; // shown by the caller once the transaction has ended

    dataset::Connection &connection() const
    {
        dataset::Connection *connection = documents.GetConnection();
        if (!connection)
            throw dataset::Error(QStringLiteral("Upit dokumenata nema vezu sa bazom."));
        return *connection;
    }
    dataset::Field &field(const QString &name) const { return documents.FieldByName(name); }
    dataset::Field &item(const QString &name) const { return items.FieldByName(name); }
    void fillHeader(const THostDocumentHeader &header);
};

THostDocumentWriter::THostDocumentWriter(TParkingDM &dm)
    : THostDocumentWriter(dm, dataset::SaveToken{QStringLiteral("document"), QStringLiteral("documentid")})
{
}

THostDocumentWriter::THostDocumentWriter(TParkingDM &dm, const dataset::SaveToken &token)
    : d(std::make_unique<Private>(dm, token))
{
    Reopen(d->documents);
    Reopen(d->items);
}

THostDocumentWriter::~THostDocumentWriter()
{
    // An unfinished document leaves no row in the buffers either.
    d->items.Cancel();
    d->documents.Cancel();
}

void THostDocumentWriter::Private::fillHeader(const THostDocumentHeader &header)
{
    if (header.partner) {
        field(Text("partnerid")).SetAsInteger(header.partner->PartnerID);
        field(Text("Partner")).SetAsString(header.partner->Name);
        field(Text("PartnerCode")).SetAsString(header.partner->Code);
        field(Text("PartnerAddress")).SetAsString(header.partner->Address);
        field(Text("PartnerZip")).SetAsString(header.partner->Zip);
        field(Text("PartnerCity")).SetAsString(header.partner->City);
        field(Text("partneraddressid")).Clear();
    }
    QString currency;
    if (header.currency) {
        currency = *header.currency;
    } else if (const IntfPtr<IDocumentModule> module = dm.Host().HostModule<IDocumentModule>()) {
        if (!module->GetDefaultCurrency(currency))
            currency.clear();
    } else {
        messages << NoModuleMessage(u"_CMN_MOD_DOCUMENT_NAME");
    }
    if (!currency.isEmpty())
        field(Text("documentcurrency")).SetAsString(currency);
    for (const char *name : {"documentdate", "valutedate", "documentissuedate"})
        field(Text(name)).SetAsDate(header.documentDate);

    int warehouseId = -1;
    QChar priceType;
    QString warehouseCurrency;
    dm.GetDefaultWarehouse(QString(), warehouseId, priceType, warehouseCurrency);
    // No default warehouse (-1) is never stored as one.
    if (warehouseId > 0)
        field(Text("warehouseid")).SetAsInteger(warehouseId);
    field(Text("direction")).SetAsInteger(-1);
    field(Text("documenttype")).SetAsString(header.documentType);

    QString number;
    if (const IntfPtr<IDocumentService> service = dm.Host().HostModule<IDocumentService>()) {
        const dataset::Field &warehouse = field(Text("warehouseid"));
        number = service->GetNextNumber(field(Text("documenttype")).AsString(), QStringLiteral("n"),
                                        field(Text("documentdate")).AsDate(),
                                        warehouse.IsNull() ? 0 : warehouse.AsInteger());
    }
    field(Text("number")).SetAsString(number);
}

// The header and everything after it run in one transaction, the number drawn from its
// counter inside it; a refused header rolls all of it back, number included.
PostOutcome THostDocumentWriter::PostHeader(const THostDocumentHeader &header)
{
    if (d->posted || d->transaction)
        throw dataset::Error(QStringLiteral("Zaglavlje dokumenta je već snimljeno."));
    dataset::Connection &connection = d->connection();
    d->transaction.emplace(connection);
    d->dm.CheckSchemaUnchanged();
    d->documents.Append();
    d->fillHeader(header);
    try {
        d->documents.Post();
        d->token.Stamp(connection, DocumentId());
        d->posted = true;
        return PostOutcome::Posted;
    } catch (const dataset::AlreadySaved &) {
        throw;
    } catch (const dataset::Error &error) {
        if (!connection.Connected() || NewTryMayCure(error))
            throw;
    }
    const QString caption = DocumentCaption();
    d->documents.Cancel();
    d->transaction.reset();
    d->messages << FormatResource(ParkingResourceString("_DOC_POST_ERR"), {caption});
    return PostOutcome::Refused;
}

// Each item gets a savepoint of its own, so a refused one takes nothing else with it.
PostOutcome THostDocumentWriter::PostItem(const THostDocumentItem &item)
{
    if (!d->posted)
        throw dataset::Error(QStringLiteral("Stavka nema snimljen dokument."));
    dataset::Connection &connection = d->connection();
    d->items.Append();
    d->item(Text("ProductCode")).SetAsString(item.productCode);
    d->item(Text("ProductBarcode")).SetAsString(item.productCode);
    for (const char *name : {"rebate", "margin", "cost"})
        d->item(Text(name)).SetAsFloat(0.0);
    for (const char *name : {"rebatetype", "specialrebatetype", "marginetype"})
        d->item(Text(name)).SetAsString(QStringLiteral("P"));
    d->item(Text("costtype")).SetAsString(QStringLiteral("T"));
    d->item(Text("documentid")).SetAsInteger(DocumentId());
    d->item(Text("taxid")).SetAsInteger(item.taxId);
    d->item(Text("taxvalue")).SetAsFloat(item.taxValue);
    d->item(Text("quantity")).SetAsFloat(item.quantity);
    d->item(Text("productname")).SetAsString(item.productName);
    d->item(Text("ProductUnitName")).SetAsString(QString());
    d->item(Text("productid")).SetAsInteger(item.productId);
    d->item(Text("price")).SetAsFloat(item.price);
    d->item(Text("itemvalue")).SetAsFloat(item.itemValue);
    d->item(Text("sort")).SetAsInteger(item.sort);
    {
        dataset::Transaction savepoint(connection);
        try {
            d->items.Post();
            savepoint.Commit();
            return PostOutcome::Posted;
        } catch (const dataset::Error &error) {
            if (!connection.Connected() || NewTryMayCure(error))
                throw;
        }
    }
    const QString name = d->item(Text("productname")).AsString();
    d->items.Cancel();
    d->messages << FormatResource(ParkingResourceString("_DOCITEM_POST_ERR"), {name, DocumentCaption()});
    return PostOutcome::Refused;
}

int THostDocumentWriter::Commit()
{
    if (!d->posted || !d->transaction)
        throw dataset::Error(QStringLiteral("Dokument nije snimljen."));
    // Ended whatever the COMMIT's outcome, so the messages can be shown.
    const auto ended = qScopeGuard([this] { d->transaction.reset(); });
    d->token.Commit(*d->transaction, d->connection());
    return DocumentId();
}

QStringList THostDocumentWriter::Messages() const
{
    if (d->transaction)
        throw dataset::Error(QStringLiteral("Poruke dokumenta se prikazuju tek kada je dokument završen."));
    return d->messages;
}

int THostDocumentWriter::DocumentId() const
{
    return d->field(Text("documentid")).AsInteger();
}

QString THostDocumentWriter::Currency() const
{
    return d->field(Text("documentcurrency")).AsString();
}

QString THostDocumentWriter::DocumentCaption() const
{
    return d->field(Text("documenttype")).AsString() + QLatin1Char('-') + d->field(Text("number")).AsString();
}

TStoredHostDocument StoredHostDocument(TParkingDM &dm, int documentId)
{
    dataset::Query stored;
    stored.SetConnection(dm.DocumentZQ().GetConnection());
    stored.SetSQL(
        {QStringLiteral("SELECT documenttype, number, documentcurrency FROM document WHERE documentid = :id")});
    stored.SetParam(QStringLiteral("id"), documentId);
    stored.Open();
    if (stored.IsEmpty())
        return {};
    return {stored.Fields(0).AsString() + QLatin1Char('-') + stored.Fields(1).AsString(), stored.Fields(2).AsString()};
}

void HostDocumentNotice(const parking::HostServices &host, int documentId, DocumentNoticeKind kind)
{
    if (const IntfPtr<IDocumentService> service = host.HostModule<IDocumentService>())
        service->DocumentNotice(documentId, kind);
}

void HostCashInvoiceNotice(const parking::HostServices &host, int documentId)
{
    if (const IntfPtr<IDocumentService> service = host.HostModule<IDocumentService>())
        service->CashInvoiceNotice(documentId);
}
