#include "IconPainter.h"

#include <QPainter>
#include <QPixmap>

namespace dataset {

QImage PaintImage(const std::function<void(QPainter &)> &paint)
{
    constexpr int kSize = 16;
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return image;
}

QIcon PaintIcon(const std::function<void(QPainter &)> &paint)
{
    return QIcon(QPixmap::fromImage(PaintImage(paint)));
}

} // namespace dataset
