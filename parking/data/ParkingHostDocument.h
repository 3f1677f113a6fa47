#pragma once

// Writing one host sales document (tables document and documentitem) through the
// data module's host queries: the invoices of the editor, the pay desk's daily
// document and the daily ticket document all go through here.

#include <QDate>
#include <QString>
#include <memory>
#include <optional>

struct TPartnerDesc;
class TParkingDM;
namespace dataset { class Query; }

struct THostDocumentHeader {
    QString documentType;                   // "R", "H", "M", ...
    QDate documentDate;                     // document, value and issue date
    const TPartnerDesc *partner = nullptr;  // none: the document has no partner
    // Empty optional: asked from the host's document module (an error box when the
    // host has none). A value: used as it is (e.g. the currency of a previous document).
    std::optional<QString> currency;
};

// What varies between items; the writer adds the fixed settings (no rebate, margin or
// cost, kinds "P", "P", "P", "T", empty unit name, the code also as bar code).
struct THostDocumentItem {
    int productId = -1;
    QString productCode;
    QString productName;
    int taxId = -1;
    double taxValue = 0.0;
    double price = 0.0;
    double itemValue = 0.0;
    double quantity = 0.0;
    int sort = 1;
};

// One document with its items in one transaction: PostHeader, PostItem for each item,
// Commit. Until Commit nothing is visible to others; a writer destroyed before it
// (a failed header, an error) leaves nothing of the document in the database.
class THostDocumentWriter {
public:
    // On the data module's DocumentZQ and DocumentItemZQ, closed and reopened empty.
    explicit THostDocumentWriter(TParkingDM &dm);
    ~THostDocumentWriter();
    THostDocumentWriter(const THostDocumentWriter &) = delete;
    THostDocumentWriter &operator=(const THostDocumentWriter &) = delete;

    // Appends and posts the header. False after the _DOC_POST_ERR box: the row is
    // cancelled, nothing is written and the writer takes no items.
    bool PostHeader(const THostDocumentHeader &header);
    // Appends and posts one item of the posted header. False after the
    // _DOCITEM_POST_ERR box: that item is cancelled and the document goes on without it.
    bool PostItem(const THostDocumentItem &item);
    // Makes the document and its items permanent; returns the document's key.
    int Commit();

    int DocumentId() const;
    // The currency the header carries (empty when none).
    QString Currency() const;
    // Type, "-" and number, as the messages name the document (e.g. "R-15").
    QString DocumentCaption() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The host document service's notices; nothing happens when the host has no service.
void HostDocumentNotice(int documentId, bool flag1, bool flag2);
void HostCashInvoiceNotice(int documentId);
