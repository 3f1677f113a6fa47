#pragma once

#include "ServiceObject.h"

#include <vector>

namespace console {

// The partner module over the host's partner table.
class PartnerModule final : public ServiceObject<IPartnerModule> {
public:
    explicit PartnerModule(dataset::Connection &connection);

    bool SelectPartner(TPartnerDesc &partner) override;

    // Partners whose name contains 'text' or whose code equals it, in name order.
    std::vector<TPartnerDesc> FindPartners(const QString &text);

private:
    dataset::Connection &m_connection;
};

} // namespace console
