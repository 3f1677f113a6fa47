#include "DataAwareControl.h"

#include "CharacterLimit.h"
#include "FieldDataLink.h"
#include "FieldText.h"
#include <dataset/Field.h>

#include <QKeyEvent>
#include <QLineEdit>

namespace dataset {

DataAwareControl::DataAwareControl(QObject *control)
    : m_link(new FieldDataLink(control))
{
    QObject::connect(m_link, &FieldDataLink::dataChanged, control, [this] { Reload(); });
    QObject::connect(m_link, &FieldDataLink::activeChanged, control, [this] { UpdateReadOnly(); });
}

// The link outlives this part of the control (the widget deletes its children later):
// nothing may reach the control's overrides from here on.
DataAwareControl::~DataAwareControl()
{
    QObject::disconnect(m_link, nullptr, nullptr, nullptr);
}

void DataAwareControl::SetDataSource(DataSource *source)
{
    m_link->SetDataSource(source);
}

DataSource *DataAwareControl::GetDataSource() const
{
    return m_link->GetDataSource();
}

void DataAwareControl::SetDataField(const QString &fieldName)
{
    m_link->SetDataField(fieldName);
}

QString DataAwareControl::GetDataField() const
{
    return m_link->GetDataField();
}

Field *DataAwareControl::GetField() const
{
    return m_link->GetField();
}

void DataAwareControl::Reload()
{
    if (!m_loading)
        ShowField();
}

void DataAwareControl::WriteText(Field &field, const QString &text)
{
    m_link->Guarded([&] { detail::WriteText(field, text); });
}

void DataAwareControl::FollowField(QLineEdit &edit) const
{
    // Setting the maximum length re-sets the text and drops the selection: only on change.
    edit.setReadOnly(!m_link->CanModify());
    const Field *field = m_link->GetField();
    LimitCharacters(edit, field && field->DataType() == FieldType::String ? field->Size() : 0);
}

bool DataAwareControl::TypesText(const QKeyEvent *e)
{
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut))
        return true;
    if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete)
        return true;
    const QString text = e->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

bool DataAwareControl::StartEditFor(QKeyEvent *e, bool changesText)
{
    if (!changesText || m_link->Edit())
        return true;
    e->ignore();
    return false;
}

} // namespace dataset
