#pragma once

#include <QObject>
#include <exception>

namespace dataset {

// Reports an error from an event of its own. An error raised while Qt's own code is on
// the stack (a focus change, a cell commit, a button's click signal) is caught there and
// shown once that code is done, through the host's error display (ReportError).
class ErrorRelay : public QObject {
public:
    using QObject::QObject;
    void Post(std::exception_ptr error);

protected:
    bool event(QEvent *e) override;

private:
    std::exception_ptr m_error;
};

// Runs 'work'; an exception goes to the relay instead of up the stack.
template <typename Work>
void Relayed(ErrorRelay *relay, Work &&work)
{
    try {
        work();
    } catch (...) {
        relay->Post(std::current_exception());
    }
}

} // namespace dataset
