#include "GridDelegate.h"

#include "CharacterLimit.h"
#include "DBGrid.h"
#include "DataSetModel.h"
#include "FieldText.h"
#include <dataset/Field.h>
#include <dataset/Query.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QToolTip>

namespace dataset {

GridDelegate::GridDelegate(DBGrid *grid)
    : QStyledItemDelegate(grid)
    , m_grid(grid)
{
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
    const Field *field = m_grid->Model()->ColumnField(index.column());
    if (field && field->DataType() == FieldType::String)
        LimitCharacters(*editor, field->Size());
    const QString fieldName = m_grid->Model()->ColumnFieldName(index.column());
    connect(editor, &QLineEdit::textEdited, this,
            [this, fieldName](const QString &text) { TextEdited(fieldName, text); });
    m_editor = editor;
    return editor;
}

// Typed text goes to the field at once, so a post from elsewhere (the navigator) sees it.
void GridDelegate::TextEdited(const QString &fieldName, const QString &text) const
{
    Query *query = m_grid->GetDataSet();
    if (!query || !query->Active())
        return;
    try {
        if (!query->IsEditing())
            query->Edit();
        Field &field = query->FieldByName(fieldName);
        if (detail::TextComplete(field, text))
            detail::WriteText(field, text);
    } catch (...) {
        m_grid->DeferError(std::current_exception());
    }
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return QStyledItemDelegate::setEditorData(editor, index);
    // The grid sees the editor's keys before the delegate does (key hooks); re-installing
    // puts its filter in front of the one the view installed after createEditor.
    editor->removeEventFilter(m_grid);
    editor->installEventFilter(m_grid);
    if (line->isModified())
        return;   // never overwrite what the user is typing
    line->setText(index.data(Qt::EditRole).toString());
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return QStyledItemDelegate::setModelData(editor, model, index);
    if (!line->isModified())
        return;
    try {
        model->setData(index, line->text(), Qt::EditRole);
    } catch (...) {
        m_grid->DeferError(std::current_exception());
    }
}

void GridDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    QRect rect = option.rect;
    if (m_grid->ShowsButton(index))
        rect.setRight(m_grid->ButtonRect(index).left() - 1);
    editor->setGeometry(rect);
}

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!m_grid->ShowsButton(index))
        return QStyledItemDelegate::paint(painter, option, index);
    // The text ends where the button begins, so the button hides none of it.
    QStyleOptionViewItem text(option);
    text.rect.setRight(m_grid->ButtonRect(index).left() - 1);
    QStyledItemDelegate::paint(painter, text, index);
    QStyleOptionButton button;
    button.rect = m_grid->ButtonRect(index);
    button.text = QStringLiteral("...");
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    button.palette = option.palette;
    button.fontMetrics = option.fontMetrics;
    QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButton, &button, painter, option.widget);
}

// A text wider than its cell (shown cut) is shown whole as the cell's tool tip.
bool GridDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                             const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    if (m_grid->ShowsButton(index))
        cell.rect.setRight(m_grid->ButtonRect(index).left() - 1);
    const QStyle *style = view->style();
    const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    if (cell.text.isEmpty() || cell.fontMetrics.horizontalAdvance(cell.text) <= room.width() - 2 * margin) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(),
                       QStringLiteral("<p style='white-space:pre'>%1</p>").arg(cell.text.toHtmlEscaped()), view,
                       view->visualRect(index));
    return true;
}

} // namespace dataset
