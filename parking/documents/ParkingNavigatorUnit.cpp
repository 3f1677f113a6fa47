#include "ParkingNavigatorUnit.h"

#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <framework/base/ValueListEditor.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/data/ParkingDataSetDefs.h>
#include <parking/shared/ParkingResourceString.h>
#include <routines/FormatFloat.h>

#include <QDateTime>
#include <QStringList>

namespace {

// Search rows in their order: key, catalogue caption, and the condition a value adds
// (column and operator, then the text appended to the value).
struct SearchRow {
    const char *key;
    const char *caption;
    const char *condition;
    const char *suffix;
};
constexpr SearchRow kSearchRows[] = {
    {"number", "_PARKING_NUMBER", "pd.number LIKE ", "%"},
    {"datefrom", "_PARKING_DATE_FROM", "pd.documentdatetime >= ", " 00:00:00"},
    {"dateto", "_PARKING_DATE_TO", "pd.documentdatetime <= ", " 23:59:59"},
    {"regnumber", "_PARKING_REG_NUMBER", "pd.regnumber LIKE ", "%"},
    {"userfirstname", "_PARKING_USER_FIRSTNAME", "u.firstname LIKE ", "%"},
    {"userlastname", "_PARKING_USER_LASTNAME", "u.lastname LIKE ", "%"},
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
    documents.Close();
    // The list also shows whether each document was invoiced.
    const QString selectAll = QStringLiteral("SELECT pd.* ");
    QString sql = ParseSQL();
    if (sql.startsWith(selectAll))
        sql.replace(0, selectAll.size(), QStringLiteral("SELECT pd.*, ") + parkingdata::InvoicedColumn() + QLatin1Char(' '));
    documents.SetSQL({sql});
    documents.Open();
    documents.SetSortedFields(QStringLiteral("documentdatetime DESC, parkingdocumentid DESC"));
    documents.First();
}

// Every non-empty value (blanks count, nothing is trimmed) adds one condition. Values
// go into the text as literals with quotes doubled and backslashes escaped; the names
// and numbers are prefix searches, the dates cover the whole first and last day.
QString TParkingNavigatorForm::ParseSQL()
{
    QStringList conditions;
    for (const SearchRow &row : kSearchRows) {
        const QString value = SearchValue(QString::fromLatin1(row.key));
        if (value.isEmpty())
            continue;
        conditions << QString::fromLatin1(row.condition)
                + dataset::Connection::Quote(value + QString::fromLatin1(row.suffix));
    }
    QString sql = QStringLiteral("SELECT pd.* FROM parkingdocument AS pd LEFT JOIN user AS u ON pd.userid = u.userid ");
    if (!conditions.isEmpty())
        sql += QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND "));
    return sql;
}

void TParkingNavigatorForm::SearchVLEKeyDown(int &key, Qt::KeyboardModifiers modifiers)
{
    TCustomNavigatorForm::SearchVLEKeyDown(key, modifiers);
}

void TParkingNavigatorForm::SearchVLEKeyPress(QString &text)
{
    TCustomNavigatorForm::SearchVLEKeyPress(text);
}
