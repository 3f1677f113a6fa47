#include "ConsoleApplication.h"

#include "ErrorDisplay.h"

namespace console {

ConsoleApplication::ConsoleApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool ConsoleApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (!ErrorDisplay::IsSilentAbort(std::current_exception()))
            ErrorDisplay::Show(ErrorDisplay::MessageOf(std::current_exception()));
    }
    // The handler ran and failed; the event counts as handled.
    return true;
}

} // namespace console
