#include "ProductModule.h"

#include "Connection.h"
#include "ProductSelectDialog.h"
#include "Query.h"
#include "RecordQuery.h"
#include "SqlText.h"

#include <QApplication>

namespace console {

namespace {

QString Condition(const QString &text, bool a, bool b)
{
    using dataset::Connection;
    if (!a && b) {
        // The columns' collation already ignores case; comparing them bare keeps their indexes usable.
        const QString value = Connection::Quote(text);
        return QStringLiteral("p.code = %1 OR p.barcode = %1 OR p.additionalcode = %1").arg(value);
    }
    const QString escaped = EscapeLike(text);
    const QString pattern = a ? QLatin1Char('%') + escaped + QLatin1Char('%') : escaped + QLatin1Char('%');
    return QStringLiteral("p.name LIKE %1").arg(Connection::Quote(pattern));
}

} // namespace

ProductModule::ProductModule(dataset::Connection &connection)
    : m_connection(connection)
{
}

// (false,false): name begins with the text; (false,true): code, bar code or
// additional code equals it; (true,false) and (true,true): name contains it.
// Case-insensitive, in name order.
TProductDescArr ProductModule::FindProducts(const QString &text, bool a, bool b)
{
    dataset::Query query;
    query.SetConnection(&m_connection);
    query.SetSQL({QStringLiteral("SELECT p.productid, p.code, p.barcode, p.additionalcode, p.name,"),
                  QStringLiteral("  p.price, p.taxid, t.value AS taxvalue"),
                  QStringLiteral("FROM product AS p LEFT JOIN tax AS t ON p.taxid = t.taxid"),
                  QStringLiteral("WHERE ") + Condition(text, a, b),
                  QStringLiteral("ORDER BY p.name, p.productid")});
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
