#include "ParkingViewerImages.h"

#include <dataset/widgets/IconPainter.h>

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(0x33, 0x33, 0x33);
const QColor kGreen(0x2e, 0x8b, 0x2e);
const QColor kRed(0xc0, 0x30, 0x30);
const QColor kBlue(0x1f, 0x5f, 0xbf);
const QColor kYellow(0xe8, 0xb8, 0x20);
const QColor kPaper(0xfa, 0xfa, 0xf2);

using dataset::PaintIcon;

// A sheet of paper with a few text lines: the background of the document icons.
void Sheet(QPainter &p)
{
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(QRectF(2.5, 1.5, 9, 12));
    for (const double y : {4.5, 6.5, 8.5})
        p.drawLine(QPointF(4.5, y), QPointF(9.5, y));
}

QIcon AddIcon()
{
    return PaintIcon([](QPainter &p) {
        Sheet(p);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawRect(QRectF(10, 7, 2, 8));
        p.drawRect(QRectF(7, 10, 8, 2));
    });
}

QIcon EditIcon()
{
    return PaintIcon([](QPainter &p) {
        Sheet(p);
        p.setPen(QPen(kYellow, 2.5, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(14, 6), QPointF(7.5, 12.5));
        p.setPen(QPen(kInk, 1.5));
        p.drawPoint(QPointF(6.5, 13.5));
    });
}

QIcon DeleteIcon()
{
    return PaintIcon([](QPainter &p) {
        Sheet(p);
        p.setPen(QPen(kRed, 2));
        p.drawLine(QPointF(8, 8), QPointF(14, 14));
        p.drawLine(QPointF(14, 8), QPointF(8, 14));
    });
}

QIcon RefreshIcon()
{
    return PaintIcon([](QPainter &p) {
        p.setPen(QPen(kGreen, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        QPainterPath head;
        head.moveTo(10, 1);
        head.lineTo(15, 5);
        head.lineTo(9, 7);
        head.closeSubpath();
        p.drawPath(head);
    });
}

QIcon SearchIcon()
{
    return PaintIcon([](QPainter &p) {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(0xcf, 0xe4, 0xff));
        p.drawEllipse(QRectF(2, 2, 8, 8));
        p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14, 14));
    });
}

QIcon PrintIcon()
{
    return PaintIcon([](QPainter &p) {
        p.setPen(kInk);
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(0x9a, 0x9a, 0x9a));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
    });
}

QIcon PayDeskIcon()
{
    return PaintIcon([](QPainter &p) {
        p.setPen(kInk);
        p.setBrush(QColor(0x9a, 0x9a, 0x9a));
        p.drawRect(QRectF(1.5, 8.5, 13, 6));
        p.setBrush(QColor(0xcf, 0xf0, 0xcf));
        p.drawRect(QRectF(3.5, 2.5, 9, 5));
        p.setPen(Qt::NoPen);
        p.setBrush(kYellow);
        p.drawEllipse(QRectF(6, 10, 4, 3));
    });
}

QIcon ZoneIcon()
{
    return PaintIcon([](QPainter &p) {
        p.setPen(kInk);
        p.setBrush(QColor(0xdf, 0xef, 0xdf));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(kRed, 1.5));
        p.drawLine(QPointF(8, 2), QPointF(8, 14));
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRect(QRectF(3, 3, 4, 4));
    });
}

// A ticket: a coloured slip with a punched notch; 'letter' tells the kinds apart.
QIcon SlipIcon(const QColor &colour, QChar letter)
{
    return PaintIcon([colour, letter](QPainter &p) {
        p.setPen(kInk);
        p.setBrush(colour);
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(-1, 6, 4, 4));
        QFont font = p.font();
        font.setPixelSize(8);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 3, 12, 10), Qt::AlignCenter, QString(letter));
    });
}

QIcon StartStopIcon()
{
    return PaintIcon([](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        QPainterPath play;
        play.moveTo(1, 3);
        play.lineTo(8, 8);
        play.lineTo(1, 13);
        play.closeSubpath();
        p.drawPath(play);
        p.setBrush(kRed);
        p.drawRect(QRectF(9, 4, 6, 8));
    });
}

// A vehicle's history: a time line with a bar and two marks on it.
QIcon HistoryIcon()
{
    return PaintIcon([](QPainter &p) {
        p.setPen(QPen(kInk, 1));
        p.drawLine(QPointF(1, 13.5), QPointF(15, 13.5));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRect(QRectF(2, 8, 8, 3));
        p.setBrush(kRed);
        p.drawEllipse(QRectF(10, 2, 4, 4));
        p.setBrush(kGreen);
        p.drawEllipse(QRectF(3, 2, 4, 4));
    });
}

} // namespace

QList<QIcon> ParkingViewerImages()
{
    return {AddIcon(),    EditIcon(),    DeleteIcon(), RefreshIcon(),
            SearchIcon(), PrintIcon(),   PayDeskIcon(), ZoneIcon(),
            SlipIcon(kRed, QLatin1Char('K')), SlipIcon(kBlue, QLatin1Char('P')), StartStopIcon(),
            HistoryIcon()};
}
