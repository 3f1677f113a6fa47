#include "WheelArrowFilter.h"

#include <QApplication>
#include <QKeyEvent>
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
    if (!target)
        return true;
    const auto *wheel = static_cast<QWheelEvent *>(event);
    const int key = wheel->angleDelta().y() > 0 ? Qt::Key_Up : Qt::Key_Down;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    return true;
}
