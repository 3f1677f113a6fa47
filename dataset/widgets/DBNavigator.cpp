#include "DBNavigator.h"

#include "DesignScale.h"
#include "FieldText.h"
#include "IconPainter.h"
#include <dataset/DataSource.h>
#include <dataset/ErrorRelay.h>
#include <dataset/Query.h>

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace dataset {

namespace {

using Button = DBNavigator::Button;

struct ButtonInfo {
    Button button;
    const char *hint;
};

constexpr std::array<ButtonInfo, DBNavigator::kButtonCount> kButtons{{
    {Button::First, "Prvi zapis"},
    {Button::Prior, "Prethodni zapis"},
    {Button::Next, "Sledeći zapis"},
    {Button::Last, "Poslednji zapis"},
    {Button::Insert, "Dodaj zapis"},
    {Button::Delete, "Obriši zapis"},
    {Button::Edit, "Izmeni zapis"},
    {Button::Post, "Snimi izmene"},
    {Button::Cancel, "Poništi izmene"},
    {Button::Refresh, "Osveži podatke"},
}};

// The picture of one button, in one colour.
void DrawButton(QPainter &p, Button button, const QColor &color)
{
    p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(color);
    auto triangle = [&](double tipX, double baseX) {
        QPainterPath path;
        path.moveTo(tipX, 8);
        path.lineTo(baseX, 3);
        path.lineTo(baseX, 13);
        path.closeSubpath();
        p.drawPath(path);
    };
    switch (button) {
    case Button::First: p.drawLine(QPointF(4, 3), QPointF(4, 13)); triangle(6, 12); break;
    case Button::Prior: triangle(5, 11); break;
    case Button::Next: triangle(11, 5); break;
    case Button::Last: triangle(10, 4); p.drawLine(QPointF(12, 3), QPointF(12, 13)); break;
    case Button::Insert: p.drawLine(QPointF(8, 3), QPointF(8, 13)); p.drawLine(QPointF(3, 8), QPointF(13, 8)); break;
    case Button::Delete: p.drawLine(QPointF(3, 8), QPointF(13, 8)); break;
    case Button::Edit: {
        QPainterPath path;
        path.moveTo(8, 3);
        path.lineTo(3, 12);
        path.lineTo(13, 12);
        path.closeSubpath();
        p.drawPath(path);
        break;
    }
    case Button::Post:
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 4)}));
        break;
    case Button::Cancel: p.drawLine(QPointF(4, 4), QPointF(12, 12)); p.drawLine(QPointF(12, 4), QPointF(4, 12)); break;
    case Button::Refresh:
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 300 * 16);
        p.setBrush(color);
        p.drawPolygon(QPolygonF({QPointF(9, 1.5), QPointF(13, 3.5), QPointF(9, 6)}));
        break;
    }
}

} // namespace

DBNavigator::DBNavigator(QWidget *parent)
    : QWidget(parent)
    , m_errors(new ErrorRelay(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        auto *tool = new QToolButton(this);
        const Button button = kButtons[i].button;
        tool->setIcon(PaintIcon([button](QPainter &p) { DrawButton(p, button, QColor(0x1f, 0x3f, 0x7f)); }));
        tool->setToolTip(QString::fromUtf8(kButtons[i].hint));
        tool->setAutoRaise(true);
        tool->setFocusPolicy(Qt::NoFocus);
        // 25 pixels at the design's font size, more with a larger font.
        tool->setFixedSize(Scaled(*this, 25), Scaled(*this, 25));
        // A failed post or delete is reported once the button's own click handling is done.
        connect(tool, &QToolButton::clicked, this, [this, button] { Relayed(m_errors, [&] { BtnClick(button); }); });
        layout->addWidget(tool);
        m_buttons[i] = tool;
    }
    layout->addStretch(1);
    SetVisibleButtons(Buttons::fromInt(0x3ff));
}

int DBNavigator::IndexOf(Button button)
{
    for (int i = 0; i < kButtonCount; ++i)
        if (kButtons[i].button == button)
            return i;
    return 0;
}

QToolButton *DBNavigator::ButtonWidget(Button button) const
{
    return m_buttons[IndexOf(button)];
}

void DBNavigator::SetVisibleButtons(Buttons buttons)
{
    m_visible = buttons;
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[i]->setVisible(buttons.testFlag(kButtons[i].button));
}

void DBNavigator::SetFlat(bool flat)
{
    for (QToolButton *tool : m_buttons)
        tool->setAutoRaise(flat);
}

DataSource *DBNavigator::GetDataSource() const
{
    return m_source.Source();
}

Query *DBNavigator::GetDataSet() const
{
    return m_query;
}

void DBNavigator::SetDataSource(DataSource *source)
{
    m_source.Bind(source, this, &DBNavigator::AttachQuery);
}

void DBNavigator::AttachQuery(Query *query)
{
    m_connections.Clear();
    m_query = query;
    if (query) {
        m_connections = {
            connect(query, &Query::dataSetChanged, this, &DBNavigator::UpdateButtons),
            connect(query, &Query::currentChanged, this, &DBNavigator::UpdateButtons),
            connect(query, &Query::stateChanged, this, &DBNavigator::UpdateButtons),
            connect(query, &QObject::destroyed, this, &DBNavigator::UpdateButtons),
        };
    }
    UpdateButtons();
}

void DBNavigator::UpdateButtons()
{
    const Query *query = m_query;
    const bool active = query && query->Active();
    const bool editing = active && query->IsEditing();
    const bool canModify = active && query->RequestLive();
    const int recNo = active ? query->RecNo() : 0;
    const int count = active ? query->RecordCount() : 0;
    const bool up = active && recNo > 1;
    const bool down = active && (recNo < count || query->CanFetchMore());
    auto enable = [this](Button button, bool on) { ButtonWidget(button)->setEnabled(on); };
    enable(Button::First, up);
    enable(Button::Prior, up);
    enable(Button::Next, down);
    enable(Button::Last, down);
    enable(Button::Insert, canModify);
    enable(Button::Delete, canModify && count > 0);
    enable(Button::Edit, canModify && !editing && count > 0);
    enable(Button::Post, canModify && editing);
    enable(Button::Cancel, canModify && editing);
    enable(Button::Refresh, active);
}

// Moving from an edited row posts it first (an untouched inserted row is dropped).
void DBNavigator::BtnClick(Button button)
{
    Query *query = m_query;
    if (!query || !query->Active())
        return;
    switch (button) {
    case Button::First: detail::CheckBrowseMode(*query); query->First(); break;
    case Button::Prior: detail::CheckBrowseMode(*query); query->Prior(); break;
    case Button::Next: detail::CheckBrowseMode(*query); query->Next(); break;
    case Button::Last: detail::CheckBrowseMode(*query); query->Last(); break;
    case Button::Insert: detail::CheckBrowseMode(*query); query->Insert(); break;
    case Button::Edit: query->Edit(); break;
    case Button::Post: query->Post(); break;
    case Button::Cancel: query->Cancel(); break;
    case Button::Refresh: detail::CheckBrowseMode(*query); query->Refresh(); break;
    case Button::Delete:
        if (m_confirmDelete && !detail::ConfirmDelete(this, OnConfirmDelete))
            return;
        query->Delete();
        break;
    }
    UpdateButtons();
    Q_EMIT clicked(button);
}

} // namespace dataset
