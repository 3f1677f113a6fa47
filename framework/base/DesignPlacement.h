#pragma once

// Keeps the widgets of a panel at the places a pixel design gives them, sized for the
// running font: every design distance grows with the font (dataset::DesignScale), a
// widget too narrow for its text widens and what follows it in its row moves on, the
// next label never runs into a label before it, and rows go down as far as their labels
// need. A panel wider than the rows need gives the extra room to its stretching widgets,
// in proportion to their design widths; widgets anchored right keep their distance from
// the panel's right edge (a wider one grows to the left).

#include <QObject>
#include <QRect>
#include <vector>

class QLabel;
class QWidget;

class DesignPlacement : public QObject {
public:
    enum class Kind { Fixed, Stretch, AnchorRight };

    // 'designWidth': the width of the panel in the design.
    DesignPlacement(QWidget *panel, int designWidth);

    // 'widget' at its design rectangle; 'label' (may be null) stands right above it.
    void Add(QWidget *widget, const QRect &design, QLabel *label = nullptr, Kind kind = Kind::Fixed);
    // Places every widget for the panel's current width (also on every resize).
    void Place();
    // The smallest panel that shows every widget whole.
    int MinimumWidth() const;
    int MinimumHeight() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Item {
        QWidget *widget;
        QRect design;
        QLabel *label;
        Kind kind;
    };
    struct Placed {
        int x = 0;
        int width = 0;
    };
    // The rows' horizontal places for a panel 'width' wide; the need beyond it in 'overflow'.
    std::vector<Placed> Columns(int width, int *overflow) const;
    std::vector<int> RowTops(int *bottom) const;

    QWidget *m_panel;
    int m_designWidth;
    std::vector<Item> m_items;
    bool m_placing = false;
};
