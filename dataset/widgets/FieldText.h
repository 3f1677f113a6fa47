#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace dataset {

class Field;
class Query;

// Date texts of the bound controls: dd.MM.yyyy, with " HH:mm" for date-time fields.
QString FormatDateText(const QDateTime &value, bool withTime);
// Reads d.M.yyyy (also with two-digit years and '/' or '-' separators), with an optional
// time H:mm or H:mm:ss. Empty text gives an invalid QDateTime; unreadable text nothing.
std::optional<QDateTime> ParseDateText(const QString &text, bool withTime);

namespace detail {

bool IsTextField(const Field &field);
bool IsDateField(const Field &field);
// The text a control edits: the field's OnGetText (edit flavour) or its plain value.
QString EditText(const Field &field);
// True when 'text' can be stored in the field now (a half-typed number or date cannot).
bool TextComplete(const Field &field, const QString &text);
// Stores an edited text: empty clears a non-text field, dates are parsed; throws Error
// with a readable message when the text does not fit the field.
void WriteText(Field &field, const QString &text);
// Before the cursor leaves a row: a changed row is posted, a row without changes
// (an inserted one included) is cancelled.
void CheckBrowseMode(Query &query);

// CheckBrowseMode before moving to row 'target' (0-based); returns the target's row after
// a cancelled inserted row has left the list.
int LeaveRow(Query &query, int target);
// Asks whether the current row may be deleted: 'handler' when set, else a message box
// over 'parent'.
bool ConfirmDelete(QWidget *parent, const std::function<bool()> &handler);

} // namespace detail
} // namespace dataset
