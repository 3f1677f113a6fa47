#pragma once

#include "SearchListDialog.h"
#include <framework/Interfaces.h>

namespace console {

class ProductModule;

// Picks one or more products: a search box (name contains the text, else a code
// equals it) over a list that allows several lines to be chosen.
class ProductSelectDialog : public RecordSearchDialog<TProductDesc> {
    Q_OBJECT
public:
    ProductSelectDialog(ProductModule &module, QWidget *parent = nullptr);

    TProductDescArr SelectedProducts() const { return SelectedRecords(); }

protected:
    TProductDescArr FindRecords(const QString &text) override;
    QString Line(const TProductDesc &product) const override;

private:
    ProductModule &m_module;
};

} // namespace console
