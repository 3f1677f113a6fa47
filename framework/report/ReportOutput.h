#pragma once

#include <QString>

class QTextDocument;
class QWidget;

// Where a finished report goes. On a display it is previewed in a QPrintPreviewDialog
// (print or save from there). Without a display (offscreen / minimal platform), or when
// PARKING_REPORT_DIR names a folder, it is written there as PDF (parking/izvestaji in the
// user's data folder when the variable is unset), private to the user, and the user is
// told the file name.
class ReportOutput {
public:
    // The folder PDF files are written to, or empty when reports are previewed.
    static QString OutputDirectory();

    // Previews or writes 'document'; returns the file written, or empty after a preview.
    // Throws dataset::Error when the file cannot be written.
    static QString Deliver(QTextDocument &document, const QString &title, QWidget *owner);

    // Writes 'document' as PDF (A4) to 'fileName'; throws dataset::Error on failure.
    static void WritePdf(QTextDocument &document, const QString &fileName);
};
