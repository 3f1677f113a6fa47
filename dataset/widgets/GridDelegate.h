#pragma once

#include <QStyledItemDelegate>

namespace dataset {

class DBGrid;

// Cell editor of the grid: a line edit limited to the field's size that puts the query
// into editing as soon as something is typed and stores each complete text in the field;
// paints the ellipsis button of the current cell.
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

private:
    void TextEdited(const QString &fieldName, const QString &text) const;
    DBGrid *m_grid;
};

} // namespace dataset
