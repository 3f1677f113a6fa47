#include "WheelArrowFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>
#include <QWidget>

WheelArrowFilter::WheelArrowFilter(QObject *owner) : QObject(owner)
{
    qApp->installEventFilter(this);
}

WheelArrowFilter::~WheelArrowFilter()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool WheelArrowFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    QWidget *target = QApplication::focusWidget();
    // A search box does nothing with the wheel (its arrow keys would move the list).
    if (!target || qobject_cast<QLineEdit *>(target))
        return true;
    const auto *wheel = static_cast<QWheelEvent *>(event);
    if (wheel->angleDelta().y() == 0)
        return true;
    // One press per notch: a release as well would reach handlers that act on it.
    QKeyEvent press(QEvent::KeyPress, wheel->angleDelta().y() > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    return true;
}
