#include "DBDateEdit.h"

#include "FieldText.h"
#include <dataset/Field.h>

namespace dataset {

DBDateEdit::DBDateEdit(QWidget *parent)
    : DBEdit(parent)
{
    setPlaceholderText(QStringLiteral("dd.mm.gggg"));
}

QString DBDateEdit::ShownText(const Field &field, bool) const
{
    if (field.IsNull())
        return {};
    if (field.DataType() == FieldType::Date)
        return FormatDateText(QDateTime(field.AsDate(), QTime(0, 0)), false);
    return FormatDateText(field.AsDateTime(), field.DataType() == FieldType::DateTime);
}

} // namespace dataset
