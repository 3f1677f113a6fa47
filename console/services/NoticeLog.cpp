#include "NoticeLog.h"

#include <QTime>

namespace console {

void NoticeLog::Add(const QString &text)
{
    const QString entry = QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + text;
    m_entries << entry;
    Q_EMIT noticeAdded(entry);
}

} // namespace console
