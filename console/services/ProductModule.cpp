#include "ProductModule.h"

#include "ProductSelectDialog.h"
#include "RecordQuery.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <dataset/SqlText.h>

#include <QApplication>

namespace console {

namespace {

// The WHERE condition for 'match', with the text bound as :text.
QString Condition(ProductMatch match)
{
    if (match == ProductMatch::Code) {
        // The columns' collation already ignores case; comparing them bare keeps their indexes usable.
        return QStringLiteral("p.code = :text OR p.barcode = :text OR p.additionalcode = :text");
    }
    return QStringLiteral("p.name LIKE :text");
}

QString Pattern(const QString &text, ProductMatch match)
{
    switch (match) {
    case ProductMatch::Code: return text;
    case ProductMatch::NamePrefix: return dataset::EscapeLike(text) + QLatin1Char('%');
    case ProductMatch::NameContains: break;
    }
    return QLatin1Char('%') + dataset::EscapeLike(text) + QLatin1Char('%');
}

} // namespace

ProductModule::ProductModule(dataset::Connection &connection)
    : m_connection(connection)
{
}

// Case-insensitive, in name order.
TProductDescArr ProductModule::FindProducts(const QString &text, ProductMatch match)
{
    dataset::Query query;
    query.SetConnection(&m_connection);
    query.SetSQL({QStringLiteral("SELECT p.productid, p.code, p.barcode, p.additionalcode, p.name,"),
                  QStringLiteral("  p.price, p.taxid, t.value AS taxvalue"),
                  QStringLiteral("FROM product AS p LEFT JOIN tax AS t ON p.taxid = t.taxid"),
                  QStringLiteral("WHERE ") + Condition(match), QStringLiteral("ORDER BY p.name, p.productid")});
    query.SetParam(QStringLiteral("text"), Pattern(text, match));
    return ReadRecords<TProductDesc>(query, [](const dataset::Query &row) {
        TProductDesc p;
        p.ProductID = row.FieldByName(QStringLiteral("productid")).AsInteger();
        p.Code = row.FieldByName(QStringLiteral("code")).AsString();
        p.BarCode = row.FieldByName(QStringLiteral("barcode")).AsString();
        p.AdditionalCode = row.FieldByName(QStringLiteral("additionalcode")).AsString();
        p.Name = row.FieldByName(QStringLiteral("name")).AsString();
        p.Price = row.FieldByName(QStringLiteral("price")).AsFloat();
        p.TaxID = row.FieldByName(QStringLiteral("taxid")).AsInteger();
        p.TaxValue = row.FieldByName(QStringLiteral("taxvalue")).AsFloat();
        return p;
    });
}

bool ProductModule::SelectProducts(TProductDescArr &products)
{
    ProductSelectDialog dialog(*this, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    products = dialog.SelectedProducts();
    return !products.empty();
}

} // namespace console
