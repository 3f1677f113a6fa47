#include "DBMemo.h"

#include "Field.h"
#include "FieldDataLink.h"
#include "FieldText.h"

#include <QKeyEvent>
#include <QScopedValueRollback>

namespace dataset {

DBMemo::DBMemo(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_link(new FieldDataLink(this))
{
    connect(m_link, &FieldDataLink::dataChanged, this, &DBMemo::Reload);
    connect(m_link, &FieldDataLink::activeChanged, this, [this] { setReadOnly(!m_link->CanModify()); });
    connect(this, &QPlainTextEdit::textChanged, this, &DBMemo::Store);
    setReadOnly(true);
}

void DBMemo::SetDataSource(DataSource *source)
{
    m_link->SetDataSource(source);
}

DataSource *DBMemo::GetDataSource() const
{
    return m_link->GetDataSource();
}

void DBMemo::SetDataField(const QString &fieldName)
{
    m_link->SetFieldName(fieldName);
}

QString DBMemo::DataField() const
{
    return m_link->FieldName();
}

void DBMemo::Reload()
{
    if (m_loading)
        return;
    const Field *field = m_link->GetField();
    const QString text = field ? detail::EditText(*field) : QString();
    if (text == toPlainText())
        return;
    const QScopedValueRollback loading(m_loading, true);
    setPlainText(text);
}

void DBMemo::keyPressEvent(QKeyEvent *e)
{
    const QString typed = e->text();
    const bool changes = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete
        || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->matches(QKeySequence::Paste)
        || e->matches(QKeySequence::Cut) || (!typed.isEmpty() && typed.at(0).isPrint());
    if (changes && !m_link->Edit()) {
        e->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void DBMemo::Store()
{
    Field *field = m_link->GetField();
    if (m_loading || !field || !m_link->Editing())
        return;
    const QScopedValueRollback loading(m_loading, true);
    const QString text = toPlainText();
    m_link->Guarded([&] { field->SetAsString(text); });
}

} // namespace dataset
