#include "ReportDocument.h"

#include <QFont>
#include <QTextDocument>

std::unique_ptr<QTextDocument> NewReportDocument(const QString &html)
{
    auto document = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9);
    font.setStyleHint(QFont::SansSerif);
    document->setDefaultFont(font);
    document->setHtml(html);
    return document;
}
