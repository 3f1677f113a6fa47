#include <framework/base/DesignPlacement.h>

#include <dataset/widgets/DesignScale.h>

#include <QEvent>
#include <QLabel>
#include <QScopedValueRollback>
#include <QWidget>
#include <algorithm>
#include <map>

namespace {

// Neighbours keep the design's distance, but never more than this between them when a
// wider widget pushes the next one on.
constexpr int kLargestPushGap = 8;
constexpr int kLabelGap = 6;

} // namespace

DesignPlacement::DesignPlacement(QWidget *panel, int designWidth)
    : QObject(panel)
    , m_panel(panel)
    , m_designWidth(designWidth)
{
    panel->installEventFilter(this);
}

void DesignPlacement::Add(QWidget *widget, const QRect &design, QLabel *label, Kind kind)
{
    m_items.push_back({widget, design, label, kind});
    Place();
}

// Rows by design top; within a row the left-placed widgets go left to right, the ones
// anchored right from the right edge leftwards.
std::vector<DesignPlacement::Placed> DesignPlacement::Columns(int width, int *overflow) const
{
    const auto scaled = [this](int pixels) { return dataset::Scaled(*m_panel, pixels); };
    std::vector<Placed> placed(m_items.size());
    std::map<int, std::vector<std::size_t>> rows;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        rows[m_items[i].design.top()].push_back(i);
    *overflow = 0;
    for (auto &[top, row] : rows) {
        std::sort(row.begin(), row.end(),
                  [this](std::size_t a, std::size_t b) { return m_items[a].design.left() < m_items[b].design.left(); });
        const auto widthOf = [&](const Item &item) {
            return std::max(scaled(item.design.width()), dataset::NeededWidth(*item.widget));
        };
        int right = 0;
        int designRight = 0;
        int labelEnd = -kLabelGap;
        for (std::size_t i : row) {
            const Item &item = m_items[i];
            if (item.kind == Kind::AnchorRight)
                continue;
            const int gap = scaled(std::min(std::max(item.design.left() - designRight, 0), kLargestPushGap));
            int x = std::max(scaled(item.design.left()), right + gap);
            if (item.label)
                x = std::max(x, labelEnd + scaled(kLabelGap));
            placed[i] = {x, widthOf(item)};
            if (item.label)
                labelEnd = x + dataset::NeededWidth(*item.label);
            right = x + placed[i].width;
            designRight = item.design.left() + item.design.width();
        }
        int left = width;
        int designLeft = m_designWidth;
        for (auto it = row.rbegin(); it != row.rend(); ++it) {
            const Item &item = m_items[*it];
            if (item.kind != Kind::AnchorRight)
                continue;
            const int designEnd = item.design.left() + item.design.width();
            const int margin = scaled(m_designWidth - designEnd);
            const int gap = scaled(std::min(std::max(designLeft - designEnd, 0), kLargestPushGap));
            const int end = std::min(width - margin, left - gap);
            placed[*it] = {end - widthOf(item), widthOf(item)};
            left = placed[*it].x;
            designLeft = item.design.left();
        }
        // Anchored widgets must leave room after the left ones; a row without them its
        // design margin on the right.
        const int need = left < width ? right + scaled(kLargestPushGap) - left
                                      : right + scaled(std::max(m_designWidth - designRight, 0)) - width;
        *overflow = std::max(*overflow, need);
    }
    return placed;
}

// Each row of controls as far down as the design has it, or below the row before with
// room for its labels.
std::vector<int> DesignPlacement::RowTops(int *bottom) const
{
    const auto scaled = [this](int pixels) { return dataset::Scaled(*m_panel, pixels); };
    std::map<int, std::vector<std::size_t>> rows;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        rows[m_items[i].design.top()].push_back(i);
    std::vector<int> tops(m_items.size());
    int previousBottom = 0;
    int previousDesignBottom = 0;
    for (const auto &[top, row] : rows) {
        int labelHeight = 0;
        int height = 0;
        int designHeight = 0;
        for (std::size_t i : row) {
            const Item &item = m_items[i];
            if (item.label)
                labelHeight = std::max(labelHeight, item.label->sizeHint().height() + 1);
            height = std::max(height, std::max(scaled(item.design.height()), item.widget->sizeHint().height()));
            designHeight = std::max(designHeight, item.design.height());
        }
        const int gap = scaled(std::max(top - previousDesignBottom, 0));
        const int y = std::max({scaled(top), previousBottom + gap, previousBottom + labelHeight + 2});
        for (std::size_t i : row)
            tops[i] = y;
        previousBottom = y + height;
        previousDesignBottom = top + designHeight;
    }
    *bottom = previousBottom;
    return tops;
}

int DesignPlacement::MinimumWidth() const
{
    const int designed = dataset::Scaled(*m_panel, m_designWidth);
    int overflow = 0;
    Columns(designed, &overflow);
    return designed + std::max(overflow, 0);
}

int DesignPlacement::MinimumHeight() const
{
    int bottom = 0;
    RowTops(&bottom);
    return bottom + dataset::Scaled(*m_panel, 8);
}

void DesignPlacement::Place()
{
    if (m_placing)
        return;
    const QScopedValueRollback placing(m_placing, true);
    const int minimum = MinimumWidth();
    const int width = std::max(m_panel->width(), minimum);
    int overflow = 0;
    std::vector<Placed> placed = Columns(minimum, &overflow);
    int bottom = 0;
    const std::vector<int> tops = RowTops(&bottom);

    // The extra room: to the stretching widgets of each row by design width, and every
    // widget right of one moves on by what the ones before it took.
    const int extra = width - minimum;
    std::map<int, std::vector<std::size_t>> rows;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        rows[m_items[i].design.top()].push_back(i);
    for (auto &[top, row] : rows) {
        std::sort(row.begin(), row.end(), [&](std::size_t a, std::size_t b) { return placed[a].x < placed[b].x; });
        int stretchWidth = 0;
        for (std::size_t i : row)
            if (m_items[i].kind == Kind::Stretch)
                stretchWidth += m_items[i].design.width();
        int shift = 0;
        int given = 0;
        for (std::size_t i : row) {
            if (m_items[i].kind == Kind::AnchorRight) {
                placed[i].x += extra;
                continue;
            }
            placed[i].x += shift;
            if (m_items[i].kind == Kind::Stretch && stretchWidth > 0) {
                given += m_items[i].design.width();
                const int share = extra * given / stretchWidth - shift;
                placed[i].width += share;
                shift += share;
            }
        }
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item &item = m_items[i];
        const int height = std::max(dataset::Scaled(*m_panel, item.design.height()), item.widget->sizeHint().height());
        item.widget->setGeometry(placed[i].x, tops[i], placed[i].width, height);
        if (item.label) {
            item.label->adjustSize();
            item.label->move(placed[i].x, tops[i] - item.label->height() - 1);
        }
    }
}

bool DesignPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panel && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        Place();
    return QObject::eventFilter(watched, event);
}
