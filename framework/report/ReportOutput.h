#pragma once

#include <QString>

class QTextDocument;
class QWidget;

// Where a finished report goes. On a display it is previewed in a QPrintPreviewDialog
// (print or save from there). Without a display (offscreen / minimal platform), or when
// PARKING_REPORT_DIR names a folder, it is written there as PDF (the user's private
// folder ~/.local/share/parking/izvestaji when the variable is unset) and the user is
// told the file name. Files are new, readable by the user only, never written through
// a link found in their place.
class ReportOutput {
public:
    // The folder PDF files are written to, or empty when reports are previewed.
    static QString OutputDirectory();

    // Who tells the user the name of a written file: a box of its own, or the caller (a
    // window that shows it in its own banner, so a print brings one notice, not two).
    enum class Notice { Box, Caller };

    // Previews or writes 'document'; returns the file written, or empty after a preview.
    // Throws dataset::Error when the file cannot be written.
    static QString Deliver(QTextDocument &document, const QString &title, QWidget *owner, Notice notice = Notice::Box);

    // Writes 'document' as PDF (A4) to the new file 'fileName'; throws dataset::Error on
    // failure, also when 'fileName' exists (as a file or a link).
    static void WritePdf(QTextDocument &document, const QString &fileName);
};
