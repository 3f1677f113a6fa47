#include "ParkingSelectProductUnit.h"

#include "ErrorRelay.h"
#include "base/BusyCursor.h"
#include "common/CommonResourceString.h"
#include "common/DialogService.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

TParkingSelectProductForm::TParkingSelectProductForm()
    : TParkingSelectForm(QStringLiteral("Izaberite proizvod"), 824, 220, 301)
    , m_errors(new dataset::ErrorRelay(this))
{
    setObjectName(QStringLiteral("ParkingSelectProductForm"));
    SearchNameEdit->installEventFilter(this);
}

void TParkingSelectProductForm::FillList(ProductLineKind kind, bool withTax)
{
    QStringList lines;
    lines.reserve(qsizetype(Products.size()));
    for (const TProductDesc &product : Products)
        lines.append(ProductLine(product, kind, withTax));
    SetLines(lines);
}

// Every key released in the search box but Enter, Escape, Up and Down searches again
// with the whole text; the list then shows stored prices.
void TParkingSelectProductForm::SearchNameEditKeyUp(int key)
{
    const int current = ListBox->currentRow();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ListBoxDblClick();
        return;
    case Qt::Key_Escape:
        reject();
        return;
    case Qt::Key_Up:
        if (current > 0)
            ListBox->setCurrentRow(current - 1);
        return;
    case Qt::Key_Down:
        if (current < ListBox->count() - 1)
            ListBox->setCurrentRow(current + 1);
        return;
    default:
        break;
    }
    if (SearchNameEdit->text().isEmpty())
        return;
    const BusyCursor busy;
    Products.clear();
    ListBox->clear();
    const IntfPtr<IProductModule> module = GetProductModule();
    if (!module) {
        ShowErrorMessage(NoModuleMessage(u"_CMN_MOD_PRODUCT_NAME"));
        return;
    }
    Products = SearchProducts(*module, SearchNameEdit->text());
    FillList(ProductLineKind::Code, false);
}

// An error of the search leaves through the relay, not through the line edit's handling.
bool TParkingSelectProductForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == SearchNameEdit && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        dataset::Relayed(m_errors, [this, key] { SearchNameEditKeyUp(key); });
        return false;
    }
    return TParkingSelectForm::eventFilter(watched, event);
}
