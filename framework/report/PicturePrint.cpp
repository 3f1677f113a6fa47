#include "PicturePrint.h"

#include "ReportDocument.h"
#include "ReportOutput.h"

#include <QTextDocument>
#include <QUrl>

namespace {

// The width of the text on an A4 page with the report margins, in the document's pixels.
constexpr int kPageWidth = 640;

QUrl PictureUrl(qsizetype index)
{
    return QUrl(QStringLiteral("picture:%1").arg(index));
}

} // namespace

std::unique_ptr<QTextDocument> PictureReport(const QString &title, const QString &header,
                                             const QList<ReportPicture> &pictures, const QString &tailHtml)
{
    QString html = QStringLiteral("<html><body><h2>%1</h2>").arg(title.toHtmlEscaped());
    if (!header.isEmpty())
        html += QStringLiteral("<p>%1</p>").arg(header.toHtmlEscaped());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QSizeF shown = pictures[i].image.deviceIndependentSize();
        const int height = shown.width() > 0 ? qRound(kPageWidth * shown.height() / shown.width()) : 0;
        html += QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\"></p>")
                    .arg(PictureUrl(i).toString())
                    .arg(kPageWidth)
                    .arg(height);
    }
    html += tailHtml + QStringLiteral("</body></html>");
    // The pictures are known before the HTML is read, so no image is looked up in vain.
    auto document = NewReportDocument(QString());
    for (qsizetype i = 0; i < pictures.size(); ++i)
        document->addResource(QTextDocument::ImageResource, PictureUrl(i), pictures[i].image);
    document->setHtml(html);
    return document;
}

QString PrintPictures(const QString &title, const QString &header, const QList<ReportPicture> &pictures,
                      const QString &tailHtml, QWidget *owner)
{
    const std::unique_ptr<QTextDocument> report = PictureReport(title, header, pictures, tailHtml);
    return ReportOutput::Deliver(*report, title, owner);
}
