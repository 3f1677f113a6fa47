#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

namespace dataset {

class DBGrid;

// Cell editor of the grid: a line edit limited to the field's size that puts the query
// into editing as soon as something is typed and stores each complete text in the field;
// paints the ellipsis button of the current cell; a cell whose text is cut shows it whole
// as its tool tip.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(DBGrid *grid);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    // The cell editor last opened; null once it is gone.
    QWidget *Editor() const { return m_editor; }

private:
    void TextEdited(const QString &fieldName, const QString &text) const;
    DBGrid *m_grid;
    mutable QPointer<QWidget> m_editor;
};

} // namespace dataset
