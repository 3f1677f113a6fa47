#pragma once

#include <framework/base/InterfaceSupport.h>
#include <framework/Interfaces.h>

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

// The log offered to snap-ins as the console's INoticeLog module.
class NoticeLogModule final : public TInterfacedObject, public INoticeLog {
public:
    explicit NoticeLogModule(NoticeLog &log) : m_log(log) {}

    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<INoticeLog>(this, iid); }
    PARKING_INTERFACED_OBJECT

    void AddNotice(const QString &text) override { m_log.Add(text); }

private:
    NoticeLog &m_log;
};

} // namespace console
