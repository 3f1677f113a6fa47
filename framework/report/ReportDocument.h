#pragma once

#include <QString>

#include <memory>

class QTextDocument;

// A text document for printing: the report font (one that holds č, ć, š, ž, đ) and the
// given HTML.
std::unique_ptr<QTextDocument> NewReportDocument(const QString &html);
