// The editor's ticket search and item entry: a vehicle's ticket becomes an item with the
// payer's data, its subscription fills the header, and products are added from the
// product selection or from what was typed into the item grid.

#include "ParkingDetailUnit.h"
#include "ParkingDetailUi.h"

#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/base/Validator.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <framework/Interfaces.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/core/TicketRows.h>
#include <parking/shared/ParkingResourceString.h>
#include <parking/lookups/ParkingSelectProductUnit.h>
#include <parking/lookups/ParkingSelectTicketUnit.h>
#include <parking/shared/HostServices.h>
#include <parking/shared/WindowOpener.h>
#include <routines/FormatFloat.h>
#include <routines/TextFormat.h>

#include <QPushButton>
#include <QScopeGuard>
#include <cstdlib>

namespace {

const QString kTicketNumber = QStringLiteral("ticketnumber");

QString Text(const dataset::Query &query, const char *field)
{
    return query.FieldByName(QString::fromLatin1(field)).AsString();
}

// Writes 'value' into the document's 'field' only when the field is still empty.
void FillIfEmpty(dataset::Query &document, const char *field, const QString &value)
{
    dataset::Field &target = document.FieldByName(QString::fromLatin1(field));
    if (target.AsString().isEmpty() && !value.isEmpty())
        target.SetAsString(value);
}

void EditIfBrowsing(dataset::Query &query)
{
    if (query.State() == dataset::DataSetState::Browse)
        query.Edit();
}

QPoint TopLeftOnScreen(const QWidget *widget)
{
    return widget->mapToGlobal(QPoint(0, 0));
}

} // namespace

QPoint TParkingDetailForm::GridPoint() const
{
    return TopLeftOnScreen(ui->DocumentItemDBG->viewport());
}

void TParkingDetailForm::VehicleHistoryExecute()
{
    const dataset::Query &document = Document();
    m_dm.Host().Windows().ShowVehicleHistory(m_dm, Text(document, "cityreg") + Text(document, "regnumber"), this);
}

void TParkingDetailForm::FindTicketActionExecute()
{
    const QPoint point = TopLeftOnScreen(ui->FindTicketButton);
    const dataset::Query &document = Document();
    const QString registration = Text(document, "cityreg") + Text(document, "regnumber");
    if (registration.isEmpty())
        return;
    if (!parking::HasTicketsOrSubscriptions(*m_dm.Connection(), registration)) {
        ShowInformationMessage(QStringLiteral("Za vozilo %1 nema karata ni pretplata.")
                                   .arg(QStringList{Text(document, "cityreg"), Text(document, "regnumber")}
                                            .join(QLatin1Char(' '))
                                            .trimmed()));
        return;
    }
    if (const auto ticket = parking::TicketByReg(m_dm, registration, point.x(), point.y())) {
        AddTicketItem(*ticket);
        return;
    }
    if (Items().RecordCount() > 0)
        return;
    if (const auto subscription = parking::SubscriptionByReg(m_dm, registration, point.x(), point.y()))
        FillFromSubscription(*subscription);
}

// The product is the one whose bar code is "DK" and the ticket's whole price; the item
// carries the ticket number and the payer comes from the ticket.
void TParkingDetailForm::AddTicketItem(const parking::TicketRow &ticket)
{
    if (!MayAddTicket(ticket.number))
        return;
    TProductDesc product;
    const QPoint grid = GridPoint();
    const QString barCode = QStringLiteral("DK") + FormatFloat(QStringLiteral("0"), ticket.price);
    if (!ProductByBarCode(m_dm.Host(), barCode, product, grid.x(), grid.y()))
        return;

    AddDocumentItem(product);
    dataset::Query &items = Items();
    items.FieldByName(kTicketNumber).SetAsString(ticket.number);
    if (items.State() == dataset::DataSetState::Insert)
        items.Post();

    dataset::Query &document = Document();
    EditIfBrowsing(document);
    const qsizetype blank = ticket.name.indexOf(QLatin1Char(' '));
    FillIfEmpty(document, "firstname", blank < 0 ? QString() : ticket.name.left(blank));
    FillIfEmpty(document, "lastname", blank < 0 ? ticket.name : ticket.name.mid(blank + 1));
    FillIfEmpty(document, "personalidentificator", ticket.personalId);
    FillIfEmpty(document, "address", ticket.address);
    FillIfEmpty(document, "zip", ticket.zip);
    FillIfEmpty(document, "city", ticket.city);
}

// The payer, a period as long as the subscription's starting today, and the zone of a
// monthly subscription.
void TParkingDetailForm::FillFromSubscription(const parking::SubscriptionRow &subscription)
{
    dataset::Query &document = Document();
    EditIfBrowsing(document);
    FillIfEmpty(document, "firstname", subscription.firstName);
    FillIfEmpty(document, "lastname", subscription.lastName);
    FillIfEmpty(document, "personalidentificator", subscription.personalId);

    // Calendar days between the two dates, whichever comes first: a day of 23 or 25 hours
    // (summer time) still counts as one.
    const qint64 days = std::abs(subscription.from.date().daysTo(subscription.to.date()));
    const QDate today = QDate::currentDate();
    document.FieldByName(QStringLiteral("parkingfromdate")).SetAsDate(today);
    document.FieldByName(QStringLiteral("parkingtodate")).SetAsDate(today.addDays(days));

    if (subscription.zone == ParkingResourceString("_PARKING_RED_ZONE_CAP"))
        document.FieldByName(QStringLiteral("parkingzone")).SetAsString(QStringLiteral("I"));
    else if (subscription.zone == ParkingResourceString("_PARKING_GRN_ZONE_CAP"))
        document.FieldByName(QStringLiteral("parkingzone")).SetAsString(QStringLiteral("II"));
}

// Every product chosen becomes a row (AddDocumentItem keeps each one before the next);
// the last stays open for typing its ticket number.
void TParkingDetailForm::AddItemExecute()
{
    const IntfPtr<IProductModule> module = GetProductModule(m_dm.Host());
    if (!module) {
        ShowErrorMessage(NoModuleMessage(u"_CMN_MOD_PRODUCT_NAME"));
        return;
    }
    TProductDescArr products;
    if (!module->SelectProducts(products))
        return;
    for (const TProductDesc &product : products)
        AddDocumentItem(product);
}

// Looks up what was typed into the code cell (by code) or the name cell (by name).
// Moving the selection away and back stores the text being typed into the field.
void TParkingDetailForm::AddItemXExecute()
{
    dataset::DBGrid &grid = *ui->DocumentItemDBG;
    const dataset::Field *selected = grid.SelectedField();
    if (!selected)
        return;
    const QString column = selected->FieldName();
    const bool byCode = column == QLatin1String("productcode");
    if (!byCode && column != QLatin1String("productname"))
        return;
    const int at = grid.SelectedIndex();
    grid.SetSelectedIndex(grid.ColumnByFieldName(byCode ? QStringLiteral("productname") : QStringLiteral("quantity")));
    grid.SetSelectedIndex(at);
    const QString typed = Text(Items(), byCode ? "productcode" : "productname");
    if (typed.isEmpty())
        return;
    TProductDesc product;
    const QPoint point = GridPoint();
    const bool found = byCode ? ProductByCode(m_dm.Host(), typed, product, point.x(), point.y())
                              : ProductByPattern(m_dm.Host(), typed, product, point.x(), point.y());
    if (found)
        AddDocumentItem(product);
}

// A bar code typed or scanned into the name cell, closed by Enter; Enter elsewhere in
// the editor does nothing.
void TParkingDetailForm::AddItemBarcodeExecute()
{
    dataset::DBGrid &grid = *ui->DocumentItemDBG;
    const dataset::Field *selected = grid.SelectedField();
    if (!selected || selected->FieldName() != QLatin1String("productname"))
        return;
    const int at = grid.SelectedIndex();
    grid.SetSelectedIndex(grid.ColumnByFieldName(QStringLiteral("quantity")));
    grid.SetSelectedIndex(at);
    const QString typed = Text(Items(), "productname");
    if (typed.isEmpty())
        return;
    TProductDesc product;
    const QPoint point = GridPoint();
    if (ProductByBarCode(m_dm.Host(), typed, product, point.x(), point.y()))
        AddDocumentItem(product);
}

// Posts the new row into the cache before its ticket number is typed. Only the rule
// that demands the ticket number is set aside, and only for this post; saving refuses
// the document while a row still lacks it (RefuseItemsWithoutTicket).
void TParkingDetailForm::PostAwaitingTicket()
{
    dataset::Query &items = Items();
    dataset::Field &ticket = items.FieldByName(kTicketNumber);
    const bool required = ticket.Required();
    const auto restore = qScopeGuard([&] { ticket.SetRequired(required); });
    ticket.SetRequired(false);
    m_dm.PostSkippingRule(items, kTicketNumber);
}

// A cached row without a ticket number stops the save before anything is written; the
// row being typed is checked by its own post.
void TParkingDetailForm::RefuseItemsWithoutTicket()
{
    dataset::Query &items = Items();
    int column = -1;
    for (int i = 0; items.Active() && i < items.FieldCount(); ++i) {
        if (items.Fields(i).FieldName() == kTicketNumber)
            column = i;
    }
    if (column < 0)
        return;
    const dataset::Field &ticket = items.Fields(column);
    const bool inserting = items.State() == dataset::DataSetState::Insert;
    const int current = items.RecNo() - 1;
    for (int row = 0; row < items.RecordCount(); ++row) {
        if ((inserting && row == current) || !items.RowValue(row, column).toString().trimmed().isEmpty())
            continue;
        if (!inserting)
            items.SetRecNo(row + 1);
        throw EValidationError(FormatResource(CommonResourceString(u"_CMN_FIELD_REQUIRED_ERR"),
                                              {ticket.DisplayLabel()}),
                               &items, kTicketNumber);
    }
}
