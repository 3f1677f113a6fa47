#pragma once

#include <QIcon>
#include <QImage>
#include <functional>

class QPainter;

namespace dataset {

// Small pictures (tool buttons, actions, a module's icon) are drawn in code, so they look
// the same on every platform and theme. 'paint' draws a 16x16 picture on a transparent
// canvas with antialiasing on.
QImage PaintImage(const std::function<void(QPainter &)> &paint);
QIcon PaintIcon(const std::function<void(QPainter &)> &paint);

} // namespace dataset
