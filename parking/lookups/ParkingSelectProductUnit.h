#pragma once

// Product lookup by name pattern, code or bar code through the console's product
// module, with a picker whenever the answer is not one certain product. The non-visual
// part (module, searches, list lines) is usable without any window.

#include "ParkingSelectForm.h"
#include <framework/Interfaces.h>

namespace dataset {
class ErrorRelay;
}
namespace parking {
class HostServices;
}

namespace parking {
// Where a text stands in its column: the blanks after it (Left) or before it (Right).
enum class Align { Left, Right };
// 'text' cut to 'width' characters and filled with blanks to exactly 'width'.
QString PadText(const QString &text, int width, Align align);
} // namespace parking

// --- non-visual --------------------------------------------------------------------

// The console's product module; empty when the host has none.
IntfPtr<IProductModule> GetProductModule(const parking::HostServices &host);
// Name begins with, then code equals, then name contains 'text': the first non-empty answer.
TProductDescArr SearchProducts(IProductModule &module, const QString &text);
// Products whose code, bar code or additional code equals 'code'.
TProductDescArr ProductsByCode(IProductModule &module, const QString &code);

enum class ProductLineKind { Code, BarCode };
// One 86-character picker line: the product's codes and name in 74 characters, then the
// price (with tax or as stored) right-aligned in 12.
QString ProductLine(const TProductDesc &product, ProductLineKind kind, bool withTax);
// The title line over such lines: what each column holds, the price with tax or without.
QString ProductHeading(ProductLineKind kind, bool withTax);

// --- lookups -----------------------------------------------------------------------
// True with 'product' a copy of the chosen product; false leaves 'product' as it was.
// The picker sits with its left edge at x and its bottom at y (screen coordinates).
bool ProductByPattern(const parking::HostServices &host, const QString &pattern, TProductDesc &product, int x, int y);
bool ProductByCode(const parking::HostServices &host, const QString &code, TProductDesc &product, int x, int y);
// A bar code that finds exactly one product is taken without a picker.
bool ProductByBarCode(const parking::HostServices &host, const QString &barCode, TProductDesc &product, int x, int y);

class TParkingSelectProductForm : public TParkingSelectForm {
    Q_OBJECT
public:
    explicit TParkingSelectProductForm(const parking::HostServices &host);

    // The products listed; line i shows element i.
    TProductDescArr Products;

    void FillList(ProductLineKind kind, bool withTax);
    void SearchNameEditKeyUp(int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const parking::HostServices &m_host;
    dataset::ErrorRelay *m_errors;
};
