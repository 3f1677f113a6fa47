#pragma once

// The host's partner module, document module and document service for the module's
// tests: they answer as a test sets them up and record the calls.

#include "FakeHost.h"

#include <QDate>
#include <QStringList>

class FakePartnerModule : public IPartnerModule, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<IPartnerModule>(this, iid); }
    bool SelectPartner(TPartnerDesc &chosen) override
    {
        ++calls;
        if (!choose)
            return false;
        chosen = partner;
        return true;
    }

    bool choose = true;
    TPartnerDesc partner{QStringLiteral("Javno preduzeće"), QStringLiteral("Bulevar 1"), QStringLiteral("11000"),
                         QStringLiteral("Beograd"), QStringLiteral("P-01"), 1};
    int calls = 0;
};

class FakeDocumentModule : public IDocumentModule, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<IDocumentModule>(this, iid); }
    bool GetDefaultCurrency(QString &value) override
    {
        value = currency;
        return !currency.isEmpty();
    }

    QString currency = QStringLiteral("RSD");
};

// Numbers each type from 'first' upwards; records every call as text.
class FakeDocumentService : public IDocumentService, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<IDocumentService>(this, iid); }
    QString GetNextNumber(const QString &type, const QString &kind, const QDate &date, int warehouseId) override
    {
        calls << QStringLiteral("number %1 %2 %3 %4").arg(type, kind, date.toString(Qt::ISODate)).arg(warehouseId);
        return QString::number(first + next[type]++);
    }
    // Recorded with the two flags the host receives: "1 0" for a document, "1 1" for
    // the reversing "M" document of an invoice.
    void DocumentNotice(int documentId, DocumentNoticeKind kind) override
    {
        calls << QStringLiteral("notice %1 1 %2")
                     .arg(documentId)
                     .arg(kind == DocumentNoticeKind::InvoiceReversal ? 1 : 0);
    }
    void CashInvoiceNotice(int documentId) override { calls << QStringLiteral("cash %1").arg(documentId); }

    int first = 1;
    QHash<QString, int> next;
    QStringList calls;
};

// The partner module, document module and document service, given to 'console' when
// made; a test takes one away again with console.modules.remove(...).
struct FakeDocumentHost {
    IntfPtr<FakePartnerModule> partners = CreateInterfaced<FakePartnerModule>();
    IntfPtr<FakeDocumentModule> documents = CreateInterfaced<FakeDocumentModule>();
    IntfPtr<FakeDocumentService> service = CreateInterfaced<FakeDocumentService>();

    explicit FakeDocumentHost(FakeConsole &console)
    {
        console.modules.insert(IPartnerModule::IID, IntfPtr<IInterface>(static_cast<IPartnerModule *>(partners.get())));
        console.modules.insert(IDocumentModule::IID,
                               IntfPtr<IInterface>(static_cast<IDocumentModule *>(documents.get())));
        console.modules.insert(IDocumentService::IID,
                               IntfPtr<IInterface>(static_cast<IDocumentService *>(service.get())));
    }
};
