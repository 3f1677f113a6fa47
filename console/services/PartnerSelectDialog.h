#pragma once

#include "Interfaces.h"

#include <QDialog>
#include <optional>
#include <vector>

class QLineEdit;
class QListWidget;

namespace console {

class PartnerModule;

// Picks one partner from a list narrowed by a search box.
class PartnerSelectDialog : public QDialog {
    Q_OBJECT
public:
    PartnerSelectDialog(PartnerModule &module, QWidget *parent = nullptr);

    std::optional<TPartnerDesc> SelectedPartner() const;
    QLineEdit *SearchEdit() const { return m_search; }
    QListWidget *List() const { return m_list; }

private:
    void Search(const QString &text);

    PartnerModule &m_module;
    QLineEdit *m_search;
    QListWidget *m_list;
    std::vector<TPartnerDesc> m_partners;
};

} // namespace console
