#pragma once

#include "ServiceObject.h"

namespace console {

// The product module over the host's product and tax tables.
class ProductModule final : public ServiceObject<IProductModule> {
public:
    explicit ProductModule(dataset::Connection &connection);

    TProductDescArr FindProducts(const QString &text, ProductMatch match) override;
    bool SelectProducts(TProductDescArr &products) override;

private:
    dataset::Connection &m_connection;
};

} // namespace console
