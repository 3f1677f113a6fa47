#include "DBComboBox.h"

#include "Field.h"
#include "FieldDataLink.h"
#include "FieldText.h"

#include <QLineEdit>
#include <QScopedValueRollback>

namespace dataset {

DBComboBox::DBComboBox(QWidget *parent)
    : QComboBox(parent)
    , m_link(new FieldDataLink(this))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);   // typed values stay out of the list
    connect(m_link, &FieldDataLink::dataChanged, this, &DBComboBox::Reload);
    connect(m_link, &FieldDataLink::activeChanged, this, &DBComboBox::UpdateReadOnly);
    connect(lineEdit(), &QLineEdit::textEdited, this, &DBComboBox::Store);
    connect(this, &QComboBox::textActivated, this, &DBComboBox::Store);
    UpdateReadOnly();
}

void DBComboBox::SetDataSource(DataSource *source)
{
    m_link->SetDataSource(source);
}

DataSource *DBComboBox::GetDataSource() const
{
    return m_link->GetDataSource();
}

void DBComboBox::SetDataField(const QString &fieldName)
{
    m_link->SetFieldName(fieldName);
}

QString DBComboBox::DataField() const
{
    return m_link->FieldName();
}

Field *DBComboBox::GetField() const
{
    return m_link->GetField();
}

void DBComboBox::SetItems(const QStringList &items)
{
    m_loading = true;
    clear();
    addItems(items);
    m_loading = false;
    Reload();   // clearing the list also cleared the text
}

QStringList DBComboBox::Items() const
{
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items << itemText(i);
    return items;
}

void DBComboBox::UpdateReadOnly()
{
    const bool canModify = m_link->CanModify();
    lineEdit()->setReadOnly(!canModify);
    const Field *field = m_link->GetField();
    const int length = field && field->DataType() == FieldType::String ? field->Size() : 32767;
    if (length != lineEdit()->maxLength())
        lineEdit()->setMaxLength(length);
}

void DBComboBox::Reload()
{
    if (m_loading)
        return;
    const Field *field = m_link->GetField();
    const QString text = field ? detail::EditText(*field) : QString();
    if (text != currentText()) {
        const QScopedValueRollback loading(m_loading, true);
        setCurrentIndex(findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive));
        setEditText(text);
    }
}

void DBComboBox::Store(const QString &text)
{
    Field *field = m_link->GetField();
    if (m_loading || !field)
        return;
    // Starting the edit reloads bound controls; the typed text must survive that.
    bool editing = true;
    {
        const QScopedValueRollback loading(m_loading, true);
        m_link->Guarded([&] {
            editing = m_link->Edit();
            if (editing)
                detail::WriteText(*field, text);
        });
    }
    if (!editing)
        Reload();
}

} // namespace dataset
