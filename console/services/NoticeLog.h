#pragma once

#include <QObject>
#include <QStringList>

namespace console {

// The notices the document service received, in order, as texts a user can read.
class NoticeLog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void Add(const QString &text);
    const QStringList &Entries() const { return m_entries; }

Q_SIGNALS:
    void noticeAdded(const QString &text);

private:
    QStringList m_entries;
};

} // namespace console
