#pragma once

#include "ServiceObject.h"

namespace console {

// The document module: the currency of new documents from the console's settings.
class DocumentModule final : public ServiceObject<IDocumentModule> {
public:
    explicit DocumentModule(QString defaultCurrency);

    bool GetDefaultCurrency(QString &currency) override;

private:
    QString m_currency;
};

} // namespace console
