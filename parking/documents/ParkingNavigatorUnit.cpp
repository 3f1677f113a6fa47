#include "ParkingNavigatorUnit.h"

#include <dataset/Query.h>
#include <dataset/Statement.h>
#include <framework/base/ValueListEditor.h>
#include <framework/common/DialogService.h>
#include <parking/core/DocumentQueries.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/data/ParkingDataSetDefs.h>
#include <parking/shared/ParkingResourceString.h>
#include <routines/FormatFloat.h>

#include <QDateTime>

namespace {

// Search rows in the order of the search's keys: key and catalogue caption.
struct SearchRow {
    const char *key;
    const char *caption;
};
constexpr SearchRow kSearchRows[] = {
    {"number", "_PARKING_NUMBER"},
    {"datefrom", "_PARKING_DATE_FROM"},
    {"dateto", "_PARKING_DATE_TO"},
    {"regnumber", "_PARKING_REG_NUMBER"},
    {"userfirstname", "_PARKING_USER_FIRSTNAME"},
    {"userlastname", "_PARKING_USER_LASTNAME"},
};

bool IsDateKey(const QString &key)
{
    return key == QLatin1String("datefrom") || key == QLatin1String("dateto");
}

} // namespace

TParkingNavigatorForm::TParkingNavigatorForm(TParkingDM &dm, QWidget *parent)
    : TCustomNavigatorForm(parent)
    , m_dm(dm)
{
    setObjectName(QStringLiteral("ParkingNavigatorForm"));
    for (const SearchRow &row : kSearchRows)
        SearchVLE->AddRow(QString::fromLatin1(row.key));
    SetSearchProps();
}

TParkingNavigatorForm::~TParkingNavigatorForm() = default;

void TParkingNavigatorForm::SetSearchProps()
{
    for (const SearchRow &row : kSearchRows)
        SearchVLE->SetCaption(QString::fromLatin1(row.key), ParkingResourceString(row.caption));
    SearchVLE->SetEllipsis(QStringLiteral("datefrom"), true);
    SearchVLE->SetEllipsis(QStringLiteral("dateto"), true);
    TCustomNavigatorForm::SetSearchProps();
}

// The picker always starts at today, whatever the row holds; a cancel changes nothing.
void TParkingNavigatorForm::SearchVLEEditButtonClick()
{
    const QString key = CurrentSearchKey();
    if (!IsDateKey(key))
        return;
    QDateTime value = QDateTime::currentDateTime();
    if (GetDate(value))
        SetSearchValue(key, FormatDateTime(QStringLiteral("yyyy-mm-dd"), value));
}

void TParkingNavigatorForm::FindButtonClick()
{
    TCustomNavigatorForm::FindButtonClick();
    dataset::Query &documents = m_dm.ParkingDocumentZQ();
    // The list also shows whether each document was invoiced; the values are bound.
    const parking::Statement search = parking::DocumentSearch(SearchValues(), parkingdata::InvoicedColumn());
    dataset::Reopen(documents, search.sql, search.params);
    documents.SetSortedFields(QStringLiteral("documentdatetime DESC, parkingdocumentid DESC"));
    documents.First();
}

std::vector<std::pair<QString, QString>> TParkingNavigatorForm::SearchValues() const
{
    std::vector<std::pair<QString, QString>> values;
    for (const QString &key : parking::DocumentSearchKeys())
        values.emplace_back(key, SearchValue(key));
    return values;
}

// The search as SQL text, as the base's contract asks: every non-empty value (blanks
// count, nothing is trimmed) adds one condition, written as a literal with quotes
// doubled and backslashes escaped. The list itself is opened with the values bound.
QString TParkingNavigatorForm::ParseSQL()
{
    const parking::Statement search = parking::DocumentSearch(SearchValues());
    return dataset::SqlText(search.sql, search.params);
}

void TParkingNavigatorForm::SearchVLEKeyDown(int &key, Qt::KeyboardModifiers modifiers)
{
    TCustomNavigatorForm::SearchVLEKeyDown(key, modifiers);
}

void TParkingNavigatorForm::SearchVLEKeyPress(QString &text)
{
    TCustomNavigatorForm::SearchVLEKeyPress(text);
}
