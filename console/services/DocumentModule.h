#pragma once

#include "Interfaces.h"

namespace console {

// The document module: the currency of new documents from the console's settings.
class DocumentModule final : public TInterfacedObject, public IDocumentModule {
public:
    explicit DocumentModule(QString defaultCurrency);

    IInterface *QueryInterface(const QUuid &iid) override;
    PARKING_INTERFACED_OBJECT

    bool GetDefaultCurrency(QString &currency) override;

private:
    QString m_currency;
};

} // namespace console
