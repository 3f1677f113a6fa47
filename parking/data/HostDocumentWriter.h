#pragma once

// Writing one host sales document (tables document and documentitem) through the
// data module's host queries: the invoices of the editor, the pay desk's daily
// document and the daily ticket document all go through here.

#include <framework/Interfaces.h>

#include <QDate>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class TParkingDM;
namespace parking {
class HostServices;
}
namespace dataset {
class Query;
class SaveToken;
}

struct THostDocumentHeader {
    QString documentType; // "R", "H", "M", ...
    QDate documentDate; // document, value and issue date
    const TPartnerDesc *partner = nullptr; // none: the document has no partner
    // Empty optional: asked from the host's document module (a message for the user
    // when the host has none). A value: used as it is (e.g. the currency of a previous
    // document).
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

// What became of a header or an item given to the writer.
enum class PostOutcome { Posted, Refused };

// One document with its items in one transaction: PostHeader, PostItem for each item,
// Commit. Until Commit nothing is visible to others; a writer destroyed before it
// (a failed header, an error) leaves nothing of the document in the database.
//
// The writer holds a transaction (and with it the row of the number's counter) while it
// works, so it shows nothing and asks nothing: what the user must be told (a refused
// header or item, a host without a document module) is gathered in Messages(), which
// the caller shows once the writer's transaction has ended, each as an error box.
// The stored header carries a save token: a COMMIT whose reply is lost counts as done
// when the document is found stored after reconnecting.
class THostDocumentWriter {
public:
    // On the data module's DocumentZQ and DocumentItemZQ, closed and reopened empty.
    explicit THostDocumentWriter(TParkingDM &dm);
    // As above, stamping the header with 'token': every try of one retried save passes
    // the same token, so a try stored after all is found (AlreadySaved) and not repeated.
    THostDocumentWriter(TParkingDM &dm, const dataset::SaveToken &token);
    ~THostDocumentWriter();
    THostDocumentWriter(const THostDocumentWriter &) = delete;
    THostDocumentWriter &operator=(const THostDocumentWriter &) = delete;

    // Appends and posts the header. Refused (with the _DOC_POST_ERR message): the row is
    // cancelled, nothing is written, the transaction has ended and the writer
    // takes no items. An error that a whole new try may cure (a deadlock, a lost link)
    // is thrown instead, here and in PostItem.
    PostOutcome PostHeader(const THostDocumentHeader &header);
    // Appends and posts one item of the posted header. Refused (with the
    // _DOCITEM_POST_ERR message): that item is cancelled and the document goes on
    // without it.
    PostOutcome PostItem(const THostDocumentItem &item);
    // Makes the document and its items permanent and ends the transaction; returns the
    // document's key.
    int Commit();

    // The messages for the user so far, in the order they arose. Throws while the
    // writer's transaction is open: nothing may be shown before it has ended.
    QStringList Messages() const;

    int DocumentId() const;
    // The currency the header carries (empty when none).
    QString Currency() const;
    // Type, "-" and number, as the messages name the document (e.g. "R-15").
    QString DocumentCaption() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// What the messages tell of a stored host document: "type-number" (e.g. "M-15"), as
// DocumentCaption names it, and its currency.
struct TStoredHostDocument {
    QString caption;
    QString currency;
};
TStoredHostDocument StoredHostDocument(TParkingDM &dm, int documentId);

// The host document service's notices; nothing happens when the host has no service.
void HostDocumentNotice(const parking::HostServices &host, int documentId, DocumentNoticeKind kind);
void HostCashInvoiceNotice(const parking::HostServices &host, int documentId);
