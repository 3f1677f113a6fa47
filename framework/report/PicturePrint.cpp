#include "PicturePrint.h"

#include "ReportDocument.h"
#include "ReportOutput.h"

#include <QTextDocument>
#include <QUrl>

namespace {

QUrl PictureUrl(qsizetype index)
{
    return QUrl(QStringLiteral("picture:%1").arg(index));
}

} // namespace

std::unique_ptr<QTextDocument> PictureReport(const QString &title, const QString &header,
                                             const QList<ReportPicture> &pictures, const QString &tailHtml)
{
    // Each picture as wide as the page's text, so no chart runs past the page's edge.
    const int pageWidth = int(ReportBodySize().width());
    QString html = QStringLiteral("<html><body><h2>%1</h2>").arg(title.toHtmlEscaped());
    if (!header.isEmpty())
        html += QStringLiteral("<p>%1</p>").arg(header.toHtmlEscaped());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QSizeF shown = pictures[i].image.deviceIndependentSize();
        const int height = shown.width() > 0 ? qRound(pageWidth * shown.height() / shown.width()) : 0;
        html += QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\"></p>")
                    .arg(PictureUrl(i).toString())
                    .arg(pageWidth)
                    .arg(height);
    }
    html += tailHtml + QStringLiteral("</body></html>");
    QList<std::pair<QUrl, QImage>> resources;
    for (qsizetype i = 0; i < pictures.size(); ++i)
        resources.append({PictureUrl(i), pictures[i].image});
    return NewReportDocument(html, resources);
}

QString PrintPictures(const QString &title, const QString &header, const QList<ReportPicture> &pictures,
                      const QString &tailHtml, QWidget *owner)
{
    const std::unique_ptr<QTextDocument> report = PictureReport(title, header, pictures, tailHtml);
    return ReportOutput::Deliver(*report, title, owner);
}
