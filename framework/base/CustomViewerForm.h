#pragma once

// Base of a snap-in's list frame: a toolbar, the centre panel with the list grid, the
// frame's actions with their icons, and the grid's context menu.

#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QWidget>

class QAction;
class QMenu;
class QResizeEvent;
class QToolBar;
namespace dataset { class DBGrid; }

class TCustomViewerForm : public QWidget {
    Q_OBJECT
public:
    explicit TCustomViewerForm(QWidget *parent = nullptr);
    ~TCustomViewerForm() override;

    // Components (owned by the form through Qt parents).
    QToolBar *ActionTB;
    QWidget *CenterPanel;
    dataset::DBGrid *DBG;
    QList<QAction *> ActionList;     // every action of the frame, handed to the console
    QAction *ColumnsVisibility;      // lets the user show and hide grid columns
    QList<QIcon> ImageList;          // icons the actions refer to by index
    QMenu *PopupMenu;                // the grid's context menu

    // Creates an action of the frame (object name 'name'), adds it to ActionList and to
    // the frame's shortcuts; 'imageIndex' picks its icon from ImageList (-1: none).
    QAction *CreateAction(const QString &name, const QString &caption, int imageIndex = -1,
                          const QKeySequence &shortcut = {});
    QIcon Image(int index) const;
    // The toolbar's width with its commands' icons alone: the narrowest the frame gets.
    int CompactToolBarWidth() const;

    // Grid cell of the last double click (row -1: the title row).
    int DblClickRow() const { return m_dblClickRow; }
    int DblClickColumn() const { return m_dblClickColumn; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Bound to the grid's double click; overrides call the base's first.
    virtual void DBGDblClick();
    // Bound to ColumnsVisibility: a list of the grid's columns to tick on and off.
    virtual void ColumnsVisibilityExecute();

private:
    void FitToolBar();

    int m_dblClickRow = -1;
    int m_dblClickColumn = -1;
};
