#include "DocumentModule.h"

namespace console {

DocumentModule::DocumentModule(QString defaultCurrency)
    : m_currency(std::move(defaultCurrency))
{
}

bool DocumentModule::GetDefaultCurrency(QString &currency)
{
    if (m_currency.isEmpty())
        return false;
    currency = m_currency;
    return true;
}

} // namespace console
