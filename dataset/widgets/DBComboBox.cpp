#include "DBComboBox.h"

#include "FieldDataLink.h"
#include "FieldText.h"
#include <dataset/Field.h>

#include <QLineEdit>

namespace dataset {

DBComboBox::DBComboBox(QWidget *parent)
    : QComboBox(parent)
    , DataAwareControl(this)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert); // typed values stay out of the list
    connect(lineEdit(), &QLineEdit::textEdited, this, &DBComboBox::Store);
    connect(this, &QComboBox::textActivated, this, &DBComboBox::Store);
    UpdateReadOnly();
}

void DBComboBox::SetItems(const QStringList &items)
{
    {
        const auto writing = WritingScope();
        clear();
        addItems(items);
    }
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
    FollowField(*lineEdit());
}

void DBComboBox::ShowField()
{
    const Field *field = GetField();
    const QString text = field ? detail::EditText(*field) : QString();
    if (text != currentText()) {
        const auto writing = WritingScope();
        setCurrentIndex(findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive));
        setEditText(text);
    }
}

void DBComboBox::Store(const QString &text)
{
    Field *field = GetField();
    if (Loading() || !field)
        return;
    // Starting the edit reloads bound controls; the typed text must survive that.
    bool editing = true;
    {
        const auto writing = WritingScope();
        Link().Guarded([&] {
            editing = Link().Edit();
            if (editing)
                detail::WriteText(*field, text);
        });
    }
    if (!editing)
        Reload();
}

} // namespace dataset
