#pragma once

#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QUrl>

#include <memory>
#include <utility>

class QPagedPaintDevice;
class QTextDocument;

// The page every report is laid out for: A4 portrait with 15 mm margins.
QPageLayout ReportPageLayout();

// The part of that page a report's text and pictures fill, in the document's pixels (the
// screen's logical pixels, 1/96 inch on most); a line at its foot is kept for the page number.
QSizeF ReportBodySize();

// A text document for printing: the report font (one that holds č, ć, š, ž, đ), the
// given HTML with its pictures, laid out page by page on the report page, so what the
// layout shows is what the printout holds.
std::unique_ptr<QTextDocument> NewReportDocument(const QString &html,
                                                 const QList<std::pair<QUrl, QImage>> &pictures = {});

// Paints every page of a document made by NewReportDocument on 'device' (a PDF writer or
// a printer), scaled to the device's page; a report of more pages numbers them.
void PrintReport(QTextDocument &document, QPagedPaintDevice &device);

// One page as PrintReport paints it, as a picture of the whole sheet at 'dotsPerInch'.
QImage ReportPageImage(QTextDocument &document, int page, int dotsPerInch);
