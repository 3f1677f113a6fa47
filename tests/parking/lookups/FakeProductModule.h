#pragma once

// A product module for the module's tests: it answers from a product list by the
// host's rules, records every search and returns a preset product selection.

#include <framework/base/InterfaceSupport.h>
#include <framework/Interfaces.h>

#include <tuple>

class FakeProductModule : public IProductModule, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<IProductModule>(this, iid); }

    TProductDescArr FindProducts(const QString &text, ProductMatch match) override
    {
        searches.emplace_back(text, match);
        TProductDescArr found;
        for (const TProductDesc &product : products) {
            const bool matches = match == ProductMatch::Code
                ? (product.Code.compare(text, Qt::CaseInsensitive) == 0
                   || product.BarCode.compare(text, Qt::CaseInsensitive) == 0
                   || product.AdditionalCode.compare(text, Qt::CaseInsensitive) == 0)
                : (match == ProductMatch::NameContains ? product.Name.contains(text, Qt::CaseInsensitive)
                                                       : product.Name.startsWith(text, Qt::CaseInsensitive));
            if (matches)
                found.push_back(product);
        }
        return found;
    }
    bool SelectProducts(TProductDescArr &chosen) override
    {
        ++selectCalls;
        chosen = selection;
        return !selection.empty();
    }

    TProductDescArr products;
    TProductDescArr selection;    // what the product selection returns; empty: cancelled
    std::vector<std::tuple<QString, ProductMatch>> searches;
    int selectCalls = 0;
};

inline TProductDesc MakeProduct(int id, const QString &code, const QString &barCode, const QString &name,
                                double price, double tax, const QString &additionalCode = {})
{
    TProductDesc product;
    product.ProductID = id;
    product.Code = code;
    product.BarCode = barCode;
    product.AdditionalCode = additionalCode;
    product.Name = name;
    product.Price = price;
    product.TaxValue = tax;
    product.TaxID = 1;
    return product;
}
