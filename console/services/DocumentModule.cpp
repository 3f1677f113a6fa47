#include "DocumentModule.h"

namespace console {

DocumentModule::DocumentModule(QString defaultCurrency)
    : m_currency(std::move(defaultCurrency))
{
}

IInterface *DocumentModule::QueryInterface(const QUuid &iid)
{
    if (iid != IDocumentModule::IID)
        return nullptr;
    AddRef();
    return static_cast<IDocumentModule *>(this);
}

bool DocumentModule::GetDefaultCurrency(QString &currency)
{
    if (m_currency.isEmpty())
        return false;
    currency = m_currency;
    return true;
}

} // namespace console
