// The editor's item list: loading, totals, following the item query, binding the
// rows to their document when saving, and the grid's key rules.

#include "ParkingDetailUnit.h"
#include "ParkingDetailUi.h"

#include <dataset/ControlsDisabled.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/Interfaces.h>
#include <parking/core/DocumentQueries.h>
#include <parking/core/DocumentTotals.h>
#include <parking/data/ParkingDMUnit.h>
#include <routines/BetterRound.h>
#include <routines/FormatFloat.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QLabel>

#include <vector>

namespace {

double RoundedTotal(const dataset::Query &items)
{
    return BetterRoundTo(items.FieldByName(QStringLiteral("ItemTotal")).AsFloat(), -2);
}

double ItemValue(const dataset::Query &items)
{
    return items.FieldByName(QStringLiteral("itemvalue")).AsFloat();
}

// The product code of the current row is set (so it can no longer be typed over). The
// cell editor writes each key to the field, so a code the user is typing into the open
// editor is not yet set.
bool ProductCodeLocked(const dataset::DBGrid &grid, const dataset::Query &items)
{
    const auto *typing = qobject_cast<const QLineEdit *>(QApplication::focusWidget());
    if (typing && grid.isAncestorOf(typing) && typing->isModified())
        return false;
    const dataset::Field *selected = grid.SelectedField();
    return selected && selected->FieldName() == QLatin1String("productcode") && items.Active()
        && !items.IsEmpty() && !items.FieldByName(QStringLiteral("productcode")).AsString().isEmpty();
}

} // namespace

// A new document (still inserting) has no key yet: its list is loaded with -1 and so
// starts empty.
void TParkingDetailForm::DocumentItemsOpen()
{
    const dataset::Query &document = Document();
    const bool unsaved = document.State() == dataset::DataSetState::Insert || document.IsEmpty();
    const qint64 key = unsaved ? -1 : document.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt();

    dataset::Query &items = Items();
    items.Close();
    items.SetSortedFields(QStringLiteral("parkingdocumentitemid"));
    parking::OpenItemsOfDocument(items, key);
    items.First();
    RelaxItemDocumentKey();
    InternalDocumentItemsOpen();
}

// Net total: item values summed as they are; gross total: each row's value with tax
// rounded to two decimals before it is added.
void TParkingDetailForm::InternalDocumentItemsOpen()
{
    dataset::Query &items = Items();
    m_netTotal = 0.0;
    m_grossTotal = 0.0;
    while (!items.Eof()) {
        m_netTotal += ItemValue(items);
        m_grossTotal += RoundedTotal(items);
        items.Next();
    }
    items.First();
    RepaintTotals();
}

void TParkingDetailForm::RecalculateTotals()
{
    dataset::Query &items = Items();
    if (!items.Active())
        return;
    {
        const dataset::ControlsDisabled quiet(items);
        const dataset::Bookmark current = items.GetBookmark();
        items.First();
        InternalDocumentItemsOpen();
        if (items.BookmarkValid(current))
            items.GotoBookmark(current);
    }
    RepaintTotals();
}

void TParkingDetailForm::RepaintTotals()
{
    ui->StatusPanels[1]->setText(FormatFloat(QStringLiteral("#,##0.00"), m_netTotal));
    ui->StatusPanels[3]->setText(FormatFloat(QStringLiteral("#,##0.00"), m_grossTotal));
}

void TParkingDetailForm::WatchItemQuery()
{
    dataset::Query &items = Items();
    for (const auto step : {&dataset::Query::afterPost, &dataset::Query::afterCancel, &dataset::Query::afterDelete})
        m_itemObservers.push_back(connect(&items, step, this, &TParkingDetailForm::RecalculateTotals));
}

// Item rows are bound to their document only when the editor saves, so the key must
// not be demanded when a row is posted into the cache.
void TParkingDetailForm::RelaxItemDocumentKey()
{
    if (m_itemObservers.empty())
        return;
    dataset::Field *key = Items().FindField(QStringLiteral("parkingdocumentid"));
    if (!key)
        return;
    if (!m_itemKeyRequired)
        m_itemKeyRequired = key->Required();
    key->SetRequired(false);
}

void TParkingDetailForm::ReleaseItemQuery()
{
    for (const QMetaObject::Connection &observer : m_itemObservers)
        disconnect(observer);
    m_itemObservers.clear();
    if (m_itemKeyRequired) {
        if (dataset::Field *key = Items().FindField(QStringLiteral("parkingdocumentid")))
            key->SetRequired(*m_itemKeyRequired);
        m_itemKeyRequired.reset();
    }
}

// Rows not bound to the saved document (new rows, or rows bound by a save that was
// rolled back) are bound to it, then every cached change is written and the document's
// total follows them. A document without a key leaves the items unwritten.
void TParkingDetailForm::DocumentItemsApply()
{
    dataset::Query &items = Items();
    if (!items.Active())
        return;
    RecalculateTotals();
    const dataset::Query &document = Document();
    const qint64 documentKey =
        document.IsEmpty() ? 0 : document.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt();
    {
        const dataset::ControlsDisabled quiet(items);
        dataset::Field &owner = items.FieldByName(QStringLiteral("parkingdocumentid"));
        // A posted row may move in the sorted list; every row is visited by its bookmark.
        std::vector<dataset::Bookmark> rows;
        for (items.First(); !items.Eof(); items.Next())
            rows.push_back(items.GetBookmark());
        for (const dataset::Bookmark row : rows) {
            items.GotoBookmark(row);
            if (!owner.IsNull() && owner.AsLargeInt() == documentKey)
                continue;
            if (documentKey <= 0)
                throw dataset::Error(QStringLiteral("Dokument nije snimljen; stavke se ne mogu snimiti."));
            items.Edit();
            owner.SetAsLargeInt(documentKey);
            items.Post();
        }
        items.First();
    }
    items.ApplyUpdates();
    // The document's row keeps what its items come to, for the pay desk's month of takings.
    if (documentKey > 0)
        parking::StoreDocumentTotal(*m_dm.Connection(), documentKey);
}

void TParkingDetailForm::AddDocumentItem(const TProductDesc &product)
{
    dataset::Query &items = Items();
    // A new row that holds a chosen product stays, awaiting its ticket number; one that
    // holds only typed text is replaced by the product found for it.
    if (items.State() == dataset::DataSetState::Insert) {
        if (items.FieldByName(QStringLiteral("productid")).IsNull())
            items.Cancel();
        else
            PostAwaitingTicket();
    }
    items.Append();
    const auto set = [&items](const char *name, const QVariant &value) {
        items.FieldByName(QString::fromLatin1(name)).SetValue(value);
    };
    set("productid", product.ProductID);
    set("productcode", product.Code);
    set("productname", product.Name);
    set("taxid", product.TaxID);
    set("taxvalue", product.TaxValue);
    set("price", product.Price);
    set("itemvalue", product.Price);
    set("ItemTotal", BetterRoundTo((product.TaxValue / 100 + 1) * product.Price, -2));
    m_netTotal += ItemValue(items);
    m_grossTotal += RoundedTotal(items);
    RepaintTotals();
}

// Delete on a filled code cell is dropped; Ctrl+Delete still deletes the row.
void TParkingDetailForm::DocumentItemDBGKeyDown(int &key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    if (key == Qt::Key_Delete && held != Qt::ControlModifier && ProductCodeLocked(*ui->DocumentItemDBG, Items()))
        key = 0;
}

// A product code can be typed only into an empty code cell.
void TParkingDetailForm::DocumentItemDBGKeyPress(QString &text)
{
    if (ProductCodeLocked(*ui->DocumentItemDBG, Items()))
        text.clear();
}

void TParkingDetailForm::DocumentItemDBGEditButtonClick()
{
    ui->AddItemX->trigger();
}
