#include "ErrorRelay.h"

#include "Error.h"

#include <QCoreApplication>
#include <QEvent>

namespace dataset {

namespace {
QEvent::Type RelayedErrorEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}
} // namespace

void ErrorRelay::Post(std::exception_ptr error)
{
    if (m_error)
        return; // the first error is the one worth showing
    m_error = std::move(error);
    QCoreApplication::postEvent(this, new QEvent(RelayedErrorEvent()));
}

bool ErrorRelay::event(QEvent *e)
{
    if (e->type() != RelayedErrorEvent())
        return QObject::event(e);
    std::exception_ptr error;
    std::swap(error, m_error);
    ReportError(std::move(error));
    return true;
}

} // namespace dataset
