#pragma once

#include "Interfaces.h"

#include <vector>

namespace console {

// The partner module over the host's partner table.
class PartnerModule final : public TInterfacedObject, public IPartnerModule {
public:
    explicit PartnerModule(dataset::Connection &connection);

    IInterface *QueryInterface(const QUuid &iid) override;
    PARKING_INTERFACED_OBJECT

    bool SelectPartner(TPartnerDesc &partner) override;

    // Partners whose name contains 'text' or whose code equals it, in name order.
    std::vector<TPartnerDesc> FindPartners(const QString &text);

private:
    dataset::Connection &m_connection;
};

} // namespace console
