#pragma once

#include "ServiceObject.h"

namespace console {

class NoticeLog;

// The document service: numbering of host documents and the notices of documents
// written by a snap-in.
class DocumentService final : public ServiceObject<IDocumentService> {
public:
    DocumentService(dataset::Connection &connection, NoticeLog &log);

    QString GetNextNumber(const QString &documentType, const QString &kind,
                          const QDate &documentDate, int warehouseId) override;
    void DocumentNotice(int documentId, DocumentNoticeKind kind) override;
    void CashInvoiceNotice(int documentId) override;

private:
    QString Describe(int documentId);

    dataset::Connection &m_connection;
    NoticeLog &m_log;
};

} // namespace console
