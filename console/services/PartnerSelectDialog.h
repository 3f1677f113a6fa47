#pragma once

#include "SearchListDialog.h"
#include <framework/Interfaces.h>

namespace console {

class PartnerModule;

// Picks one partner from a list narrowed by a search box.
class PartnerSelectDialog : public RecordSearchDialog<TPartnerDesc> {
    Q_OBJECT
public:
    PartnerSelectDialog(PartnerModule &module, QWidget *parent = nullptr);

    std::optional<TPartnerDesc> SelectedPartner() const { return CurrentRecord(); }

protected:
    std::vector<TPartnerDesc> FindRecords(const QString &text) override;
    QString Line(const TPartnerDesc &partner) const override;

private:
    PartnerModule &m_module;
};

} // namespace console
