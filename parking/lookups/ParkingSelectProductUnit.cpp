#include "ParkingSelectProductUnit.h"

#include "FormatFloat.h"
#include "ParkingRegistration.h"
#include "base/BusyCursor.h"
#include "common/CommonResourceString.h"
#include "common/DialogService.h"

#include <QLineEdit>
#include <memory>

QString PadText(const QString &text, int width, bool leftAlign)
{
    const QString cut = text.left(qMax(0, width));
    const QString blanks(qMax(0, width - int(cut.size())), QLatin1Char(' '));
    return leftAlign ? cut + blanks : blanks + cut;
}

IntfPtr<IProductModule> GetProductModule()
{
    IntfPtr<IInterface> module;
    if (!GlobalConsole || !GlobalConsole->GetModule(IProductModule::IID, module))
        return {};
    return Supports<IProductModule>(module);
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
    return PadText(first, 74, true) + PadText(FormatFloat(QStringLiteral("0.00"), price), 12, false);
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
bool ChooseFound(TProductDescArr found, ProductLineKind kind, TProductDesc &product, int x, int y)
{
    const auto form = std::make_unique<TParkingSelectProductForm>();
    form->Products = std::move(found);
    form->HideSearchRow();
    form->FillList(kind, true);
    return Choose(*form, product, x, y);
}

} // namespace

bool ProductByPattern(const QString &pattern, TProductDesc &product, int x, int y)
{
    const BusyCursor busy;
    const IntfPtr<IProductModule> module = GetProductModule();
    if (!module) {
        ShowNoProductModule();
        return false;
    }
    const auto form = std::make_unique<TParkingSelectProductForm>();
    form->Products = SearchProducts(*module, pattern);
    form->SearchNameEdit->setText(pattern);
    form->FillList(ProductLineKind::Code, true);
    return Choose(*form, product, x, y);
}

bool ProductByCode(const QString &code, TProductDesc &product, int x, int y)
{
    const BusyCursor busy;
    const IntfPtr<IProductModule> module = GetProductModule();
    if (!module) {
        ShowNoProductModule();
        return false;
    }
    return ChooseFound(ProductsByCode(*module, code), ProductLineKind::Code, product, x, y);
}

bool ProductByBarCode(const QString &barCode, TProductDesc &product, int x, int y)
{
    const BusyCursor busy;
    const IntfPtr<IProductModule> module = GetProductModule();
    if (!module) {
        ShowNoProductModule();
        return false;
    }
    TProductDescArr found = ProductsByCode(*module, barCode);
    if (found.size() == 1) {
        product = found.front();
        return true;
    }
    return ChooseFound(std::move(found), ProductLineKind::BarCode, product, x, y);
}
