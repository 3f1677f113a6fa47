#include "ReportEngine.h"

#include "ReportDocument.h"
#include "ReportOutput.h"

#include <QTextDocument>

TReportEngine::TReportEngine(QWidget *owner) : m_owner(owner) {}

void TReportEngine::Execute(const QString &html, const QString &title)
{
    const std::unique_ptr<QTextDocument> page = NewReportDocument(html);
    m_lastFile = ReportOutput::Deliver(*page, title, m_owner,
                                       m_callerTells ? ReportOutput::Notice::Caller : ReportOutput::Notice::Box);
}
