#include "DBMemo.h"

#include "FieldDataLink.h"
#include "FieldText.h"
#include <dataset/Field.h>

#include <QKeyEvent>

namespace dataset {

DBMemo::DBMemo(QWidget *parent)
    : QPlainTextEdit(parent)
    , DataAwareControl(this)
{
    connect(this, &QPlainTextEdit::textChanged, this, &DBMemo::Store);
    UpdateReadOnly();
}

void DBMemo::UpdateReadOnly()
{
    setReadOnly(!Link().CanModify());
}

void DBMemo::ShowField()
{
    const Field *field = GetField();
    const QString text = field ? detail::EditText(*field) : QString();
    if (text == toPlainText())
        return;
    const auto writing = WritingScope();
    setPlainText(text);
}

void DBMemo::keyPressEvent(QKeyEvent *e)
{
    const bool newLine = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (StartEditFor(e, TypesText(e) || newLine))
        QPlainTextEdit::keyPressEvent(e);
}

void DBMemo::Store()
{
    Field *field = GetField();
    if (Loading() || !field || !Link().Editing())
        return;
    const auto writing = WritingScope();
    const QString text = toPlainText();
    Link().Guarded([&] { field->SetAsString(text); });
}

} // namespace dataset
