#pragma once

#include "Interfaces.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

namespace console {

class ProductModule;

// Picks one or more products: a search box (name contains the text, else a code
// equals it) over a list that allows several lines to be chosen.
class ProductSelectDialog : public QDialog {
    Q_OBJECT
public:
    ProductSelectDialog(ProductModule &module, QWidget *parent = nullptr);

    TProductDescArr SelectedProducts() const;
    QLineEdit *SearchEdit() const { return m_search; }
    QListWidget *List() const { return m_list; }

private:
    void Search(const QString &text);

    ProductModule &m_module;
    QLineEdit *m_search;
    QListWidget *m_list;
    TProductDescArr m_products;
};

} // namespace console
