#include "DBEdit.h"

#include "FieldDataLink.h"
#include "FieldText.h"
#include <dataset/Field.h>

#include <QKeyEvent>

namespace dataset {

DBEdit::DBEdit(QWidget *parent)
    : QLineEdit(parent)
    , DataAwareControl(this)
{
    connect(this, &QLineEdit::textEdited, this, &DBEdit::OnTextEdited);
    UpdateReadOnly();
}

void DBEdit::UpdateReadOnly()
{
    FollowField(*this);
}

void DBEdit::ShowField()
{
    const Field *field = GetField();
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
    if (StartEditFor(e, TypesText(e) || e->matches(QKeySequence::Undo)))
        QLineEdit::keyPressEvent(e);
}

void DBEdit::OnTextEdited(const QString &text)
{
    Field *field = GetField();
    if (!field || !Link().Edit() || !detail::TextComplete(*field, text))
        return;
    const auto writing = WritingScope();
    WriteText(*field, text);
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
    Field *field = GetField();
    if (field && isModified() && Link().Editing()) {
        setModified(false);
        WriteText(*field, text());
    }
    Reload();
}

} // namespace dataset
