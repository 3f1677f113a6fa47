#include "ParkingSelectProductUnit.h"

#include <dataset/ErrorRelay.h>
#include <framework/base/BusyCursor.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <parking/shared/HostServices.h>
#include <routines/FormatFloat.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <memory>

using parking::Align;
using parking::PadText;

QString parking::PadText(const QString &text, int width, Align align)
{
    const QString cut = text.left(qMax(0, width));
    const QString blanks(qMax(0, width - int(cut.size())), QLatin1Char(' '));
    return align == Align::Left ? cut + blanks : blanks + cut;
}

IntfPtr<IProductModule> GetProductModule(const parking::HostServices &host)
{
    return host.HostModule<IProductModule>();
}

TProductDescArr SearchProducts(IProductModule &module, const QString &text)
{
    TProductDescArr found = module.FindProducts(text, ProductMatch::NamePrefix);
    if (found.empty())
        found = module.FindProducts(text, ProductMatch::Code);
    if (found.empty())
        found = module.FindProducts(text, ProductMatch::NameContains);
    return found;
}

TProductDescArr ProductsByCode(IProductModule &module, const QString &code)
{
    return module.FindProducts(code, ProductMatch::Code);
}

QString ProductLine(const TProductDesc &product, ProductLineKind kind, bool withTax)
{
    const QString separator = QStringLiteral(" : ");
    QString first = kind == ProductLineKind::Code ? product.Code + separator + product.BarCode : product.BarCode;
    if (!product.AdditionalCode.isEmpty())
        first += separator + product.AdditionalCode;
    first += QStringLiteral("   ") + product.Name;
    const double price = withTax ? (product.TaxValue / 100 + 1) * product.Price : product.Price;
    return PadText(first, 74, Align::Left) + PadText(FormatFloat(QStringLiteral("0.00"), price), 12, Align::Right);
}

namespace {

void ShowNoProductModule()
{
    ShowErrorMessage(NoModuleMessage(u"_CMN_MOD_PRODUCT_NAME"));
}

// Shows 'form' above (x, y) and copies the chosen product into 'product'.
bool Choose(TParkingSelectProductForm &form, TProductDesc &product, int x, int y)
{
    form.move(x, y - form.height());
    form.exec();
    if (!form.Selected || form.SelectedIndex >= int(form.Products.size()))
        return false;
    product = form.Products[std::size_t(form.SelectedIndex)];
    return true;
}

// The picker of a code or bar-code lookup: the found products alone, without search row.
bool ChooseFound(const parking::HostServices &host, TProductDescArr found, ProductLineKind kind, TProductDesc &product, int x, int y)
{
    const auto form = std::make_unique<TParkingSelectProductForm>(host);
    form->Products = std::move(found);
    form->HideSearchRow();
    form->FillList(kind, true);
    return Choose(*form, product, x, y);
}

} // namespace

bool ProductByPattern(const parking::HostServices &host, const QString &pattern, TProductDesc &product, int x, int y)
{
    const BusyCursor busy;
    const IntfPtr<IProductModule> module = GetProductModule(host);
    if (!module) {
        ShowNoProductModule();
        return false;
    }
    const auto form = std::make_unique<TParkingSelectProductForm>(host);
    form->Products = SearchProducts(*module, pattern);
    form->SetSearchText(pattern);
    form->FillList(ProductLineKind::Code, true);
    return Choose(*form, product, x, y);
}

bool ProductByCode(const parking::HostServices &host, const QString &code, TProductDesc &product, int x, int y)
{
    const BusyCursor busy;
    const IntfPtr<IProductModule> module = GetProductModule(host);
    if (!module) {
        ShowNoProductModule();
        return false;
    }
    return ChooseFound(host, ProductsByCode(*module, code), ProductLineKind::Code, product, x, y);
}

bool ProductByBarCode(const parking::HostServices &host, const QString &barCode, TProductDesc &product, int x, int y)
{
    const BusyCursor busy;
    const IntfPtr<IProductModule> module = GetProductModule(host);
    if (!module) {
        ShowNoProductModule();
        return false;
    }
    TProductDescArr found = ProductsByCode(*module, barCode);
    if (found.size() == 1) {
        product = found.front();
        return true;
    }
    return ChooseFound(host, std::move(found), ProductLineKind::BarCode, product, x, y);
}

TParkingSelectProductForm::TParkingSelectProductForm(const parking::HostServices &host)
    : TParkingSelectForm(QStringLiteral("Izaberite proizvod"), 824, 220, 301)
    , m_host(host)
    , m_errors(new dataset::ErrorRelay(this))
{
    setObjectName(QStringLiteral("ParkingSelectProductForm"));
    SearchNameEdit()->installEventFilter(this);
}

// The heading names the columns of ProductLine, and whether the price includes the tax.
QString ProductHeading(ProductLineKind kind, bool withTax)
{
    const QString first =
        kind == ProductLineKind::Code ? QStringLiteral("Šifra : Bar kod   Naziv") : QStringLiteral("Bar kod   Naziv");
    return PadText(first, 74, Align::Left)
        + PadText(withTax ? QStringLiteral("Cena sa PDV") : QStringLiteral("Cena bez PDV"), 12, Align::Right);
}

void TParkingSelectProductForm::FillList(ProductLineKind kind, bool withTax)
{
    SetHeading(ProductHeading(kind, withTax));
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
    const int current = ListBox()->currentRow();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: ListBoxDblClick(); return;
    case Qt::Key_Escape: reject(); return;
    case Qt::Key_Up:
        if (current > 0)
            ListBox()->setCurrentRow(current - 1);
        return;
    case Qt::Key_Down:
        if (current < ListBox()->count() - 1)
            ListBox()->setCurrentRow(current + 1);
        return;
    default: break;
    }
    if (SearchNameEdit()->text().isEmpty())
        return;
    const BusyCursor busy;
    Products.clear();
    ListBox()->clear();
    const IntfPtr<IProductModule> module = GetProductModule(m_host);
    if (!module) {
        ShowErrorMessage(NoModuleMessage(u"_CMN_MOD_PRODUCT_NAME"));
        return;
    }
    Products = SearchProducts(*module, SearchNameEdit()->text());
    FillList(ProductLineKind::Code, false);
}

// An error of the search leaves through the relay, not through the line edit's handling.
bool TParkingSelectProductForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == SearchNameEdit() && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        dataset::Relayed(m_errors, [this, key] { SearchNameEditKeyUp(key); });
        return false;
    }
    return TParkingSelectForm::eventFilter(watched, event);
}
