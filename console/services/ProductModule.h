#pragma once

#include "Interfaces.h"

namespace console {

// The product module over the host's product and tax tables.
class ProductModule final : public TInterfacedObject, public IProductModule {
public:
    explicit ProductModule(dataset::Connection &connection);

    IInterface *QueryInterface(const QUuid &iid) override;
    PARKING_INTERFACED_OBJECT

    TProductDescArr FindProducts(const QString &text, ProductMatch match) override;
    bool SelectProducts(TProductDescArr &products) override;

private:
    dataset::Connection &m_connection;
};

} // namespace console
