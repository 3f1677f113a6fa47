#pragma once

// The editor's handlers on the shared item query, installed while the editor is open.
// The handlers found on the query are kept and put back when the editor closes (and,
// should it never get that far, when it is destroyed).

#include "ParkingDetailUnit.h"
#include "Query.h"

#include <QPointer>
#include <optional>

struct TParkingDetailForm::ItemQueryHooks {
    explicit ItemQueryHooks(dataset::Query &itemQuery) : query(&itemQuery) {}
    ~ItemQueryHooks() { Restore(); }
    ItemQueryHooks(const ItemQueryHooks &) = delete;
    ItemQueryHooks &operator=(const ItemQueryHooks &) = delete;

    void Install(TParkingDetailForm *form)
    {
        savedBeforeDelete = query->BeforeDelete;
        savedAfterCancel = query->AfterCancel;
        savedAfterPost = query->AfterPost;
        query->BeforeDelete = [form](dataset::Query &dataSet) { form->BeforeDeleteDocItem(dataSet); };
        query->AfterCancel = [form](dataset::Query &dataSet) { form->AfterCancelDocItem(dataSet); };
        query->AfterPost = [form](dataset::Query &dataSet) { form->AfterPostDocItem(dataSet); };
        installed = true;
    }

    // Item rows are bound to their document only when the editor saves, so the key
    // must not be demanded when a row is posted into the cache.
    void RelaxDocumentKey()
    {
        dataset::Field *key = query->FindField(QStringLiteral("parkingdocumentid"));
        if (!key)
            return;
        if (!keyRequired)
            keyRequired = key->Required();
        key->SetRequired(false);
    }

    void Restore()
    {
        if (!query)
            return;
        if (installed) {
            query->BeforeDelete = savedBeforeDelete;
            query->AfterCancel = savedAfterCancel;
            query->AfterPost = savedAfterPost;
            installed = false;
        }
        if (keyRequired) {
            if (dataset::Field *key = query->FindField(QStringLiteral("parkingdocumentid")))
                key->SetRequired(*keyRequired);
            keyRequired.reset();
        }
    }

    QPointer<dataset::Query> query;
    dataset::DataSetNotifyEvent savedBeforeDelete;
    dataset::DataSetNotifyEvent savedAfterCancel;
    dataset::DataSetNotifyEvent savedAfterPost;
    std::optional<bool> keyRequired;
    bool installed = false;
};
