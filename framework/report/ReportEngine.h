#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// The host's report engine: lays out a page given as HTML and previews it (or writes it
// as PDF without a display, see ReportOutput). Errors are thrown as dataset::Error.
class TReportEngine {
public:
    explicit TReportEngine(QWidget *owner);

    // The page 'html' (every value in it escaped by the caller) under 'title'.
    void Execute(const QString &html, const QString &title);

    // The caller names a written file to the user itself (no box of the engine's).
    void SetCallerTellsFile(bool callerTells) { m_callerTells = callerTells; }

    // The PDF written by the last call, empty when it was previewed.
    const QString &LastOutputFile() const { return m_lastFile; }

private:
    QPointer<QWidget> m_owner;
    QString m_lastFile;
    bool m_callerTells = false;
};
