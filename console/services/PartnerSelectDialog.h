#pragma once

#include "Interfaces.h"
#include "SearchListDialog.h"

#include <optional>
#include <vector>

namespace console {

class PartnerModule;

// Picks one partner from a list narrowed by a search box.
class PartnerSelectDialog : public SearchListDialog {
    Q_OBJECT
public:
    PartnerSelectDialog(PartnerModule &module, QWidget *parent = nullptr);

    std::optional<TPartnerDesc> SelectedPartner() const;

protected:
    QStringList FindLines(const QString &text) override;

private:
    PartnerModule &m_module;
    std::vector<TPartnerDesc> m_partners;
};

} // namespace console
