#include "DBEdit.h"

#include "Field.h"
#include "FieldDataLink.h"
#include "FieldText.h"
#include "Query.h"

#include <QKeyEvent>
#include <QScopedValueRollback>

namespace dataset {

namespace {
// Keys that change the text of a line edit (typing, deleting, pasting, cutting).
bool ChangesText(const QKeyEvent *e)
{
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) || e->matches(QKeySequence::Undo))
        return true;
    if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete)
        return true;
    const QString text = e->text();
    return !text.isEmpty() && text.at(0).isPrint();
}
} // namespace

DBEdit::DBEdit(QWidget *parent)
    : QLineEdit(parent)
    , m_link(new FieldDataLink(this))
{
    connect(m_link, &FieldDataLink::dataChanged, this, &DBEdit::Reload);
    connect(m_link, &FieldDataLink::activeChanged, this, &DBEdit::UpdateReadOnly);
    connect(this, &QLineEdit::textEdited, this, &DBEdit::OnTextEdited);
    UpdateReadOnly();
}

void DBEdit::SetDataSource(DataSource *source)
{
    m_link->SetDataSource(source);
}

DataSource *DBEdit::GetDataSource() const
{
    return m_link->GetDataSource();
}

void DBEdit::SetDataField(const QString &fieldName)
{
    m_link->SetFieldName(fieldName);
}

QString DBEdit::DataField() const
{
    return m_link->FieldName();
}

Field *DBEdit::GetField() const
{
    return m_link->GetField();
}

void DBEdit::UpdateReadOnly()
{
    // Setting the maximum length re-sets the text and drops the selection: only on change.
    setReadOnly(!m_link->CanModify());
    const Field *field = m_link->GetField();
    const int length = field && field->DataType() == FieldType::String ? field->Size() : 32767;
    if (length != maxLength())
        setMaxLength(length);
}

void DBEdit::Reload()
{
    if (m_loading)
        return;
    const Field *field = m_link->GetField();
    QString text;
    if (field)
        text = ShownText(*field, hasFocus());
    if (text != this->text()) {
        const int cursor = cursorPosition();
        setText(text);
        if (hasFocus())
            setCursorPosition(qMin(cursor, int(text.size())));
    }
    setModified(false);
}

QString DBEdit::ShownText(const Field &field, bool focused) const
{
    return focused ? detail::EditText(field) : field.DisplayText();
}

void DBEdit::keyPressEvent(QKeyEvent *e)
{
    if (ChangesText(e) && !m_link->Edit()) {
        e->ignore();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void DBEdit::OnTextEdited(const QString &text)
{
    Field *field = m_link->GetField();
    if (!field || !m_link->Edit() || !detail::TextComplete(*field, text))
        return;
    const QScopedValueRollback loading(m_loading, true);
    m_link->Guarded([&] { detail::WriteText(*field, text); });
}

void DBEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    Reload();   // the edit text may differ from the display text
}

// Leaving the control stores what was typed; a text that does not fit the field is
// reported (from an event of its own, the focus change is Qt's).
void DBEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    Field *field = m_link->GetField();
    if (field && isModified() && m_link->Editing()) {
        setModified(false);
        const QString typed = text();
        m_link->Guarded([&] { detail::WriteText(*field, typed); });
    }
    Reload();
}

} // namespace dataset
