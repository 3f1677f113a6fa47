#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <memory>

class QTextDocument;
class QWidget;

// A picture of a report (a chart), printed across the page's width.
struct ReportPicture {
    QImage image;
};

// A report of pictures under a title and an optional header line, each picture the page's
// width at its own proportions, followed by 'tailHtml' (tables, for instance). The pictures
// are held by the document as image resources.
std::unique_ptr<QTextDocument> PictureReport(const QString &title, const QString &header,
                                             const QList<ReportPicture> &pictures, const QString &tailHtml);

// PictureReport previewed, or written as PDF like every report; returns the file written,
// or empty after a preview. Throws dataset::Error when the file cannot be written.
QString PrintPictures(const QString &title, const QString &header, const QList<ReportPicture> &pictures,
                      const QString &tailHtml, QWidget *owner);
