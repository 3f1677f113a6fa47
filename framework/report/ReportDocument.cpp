#include "ReportDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>

namespace {

// The resolution a document without paint device is laid out at: the screen's logical
// one, as the text layout takes it for a font's points (96 without a screen).
qreal DocumentDpi()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen && !QCoreApplication::testAttribute(Qt::AA_Use96Dpi) ? qRound(screen->logicalDotsPerInchY()) : 96;
}
// The foot of each page that holds the page number.
constexpr qreal kFooterHeight = 18;

QFont ReportFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// Draws page 'page' (from 0) of 'document' with 'painter' standing on the body's top left
// in document pixels; the footer names the page when there are several.
void PaintPage(QTextDocument &document, QPainter &painter, int page)
{
    const QSizeF body = ReportBodySize();
    const int pages = document.pageCount();
    painter.save();
    const QRectF view(0, page * body.height(), body.width(), body.height());
    painter.setClipRect(QRectF(QPointF(0, 0), view.size()));
    painter.translate(0, -view.top());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    document.documentLayout()->draw(&painter, context);
    painter.restore();
    if (pages > 1) {
        painter.save();
        painter.setFont(document.defaultFont());
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(0, body.height(), body.width(), kFooterHeight), Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Strana %1 od %2").arg(page + 1).arg(pages));
        painter.restore();
    }
}

} // namespace

QPageLayout ReportPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

QSizeF ReportBodySize()
{
    const QSizeF points = ReportPageLayout().paintRect(QPageLayout::Point).size();
    const qreal pixelsPerPoint = DocumentDpi() / 72.0;
    return QSizeF(points.width() * pixelsPerPoint, points.height() * pixelsPerPoint - kFooterHeight);
}

std::unique_ptr<QTextDocument> NewReportDocument(const QString &html, const QList<std::pair<QUrl, QImage>> &pictures)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(ReportFont());
    // Known before the HTML is read, so no picture is looked up in vain.
    for (const auto &[url, image] : pictures)
        document->addResource(QTextDocument::ImageResource, url, image);
    document->setHtml(html);
    // The page's own margins are the only ones: the text fills the body to its edges.
    QTextFrameFormat root = document->rootFrame()->frameFormat();
    root.setMargin(0);
    document->rootFrame()->setFrameFormat(root);
    document->setPageSize(ReportBodySize());
    return document;
}

void PrintReport(QTextDocument &document, QPagedPaintDevice &device)
{
    QPainter painter(&device);
    if (!painter.isActive())
        return;
    // The body's pixels to the device's: the whole body fits the device's page, whatever
    // page the user chose in a print dialog.
    const QSizeF body = ReportBodySize();
    const qreal scale = std::min(device.width() / body.width(), device.height() / (body.height() + kFooterHeight));
    painter.scale(scale, scale);
    for (int page = 0; page < document.pageCount(); ++page) {
        if (page > 0)
            device.newPage();
        PaintPage(document, painter, page);
    }
}

QImage ReportPageImage(QTextDocument &document, int page, int dotsPerInch)
{
    const QPageLayout layout = ReportPageLayout();
    const QRect sheet = layout.fullRectPixels(dotsPerInch);
    const QRect body = layout.paintRectPixels(dotsPerInch);
    QImage image(sheet.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(body.topLeft());
    const qreal scale = qreal(body.width()) / ReportBodySize().width();
    painter.scale(scale, scale);
    PaintPage(document, painter, page);
    return image;
}
