#include "ConsoleApplication.h"

#include "ErrorDisplay.h"
#include <dataset/Error.h>
#include <framework/common/SerbianQtTexts.h>

namespace console {

ConsoleApplication::ConsoleApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // Errors the widgets catch at their edge come here, as do those that escape.
    dataset::SetErrorReporter([](std::exception_ptr error) { Show(error); });
    // Qt's own texts (file dialog, standard buttons, --help) in Serbian.
    installTranslator(new SerbianQtTexts(this));
}

ConsoleApplication::~ConsoleApplication()
{
    dataset::SetErrorReporter({});
}

void ConsoleApplication::Show(const std::exception_ptr &error)
{
    if (!ErrorDisplay::IsSilentAbort(error))
        ErrorDisplay::Show(ErrorDisplay::MessageOf(error));
}

bool ConsoleApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The last resort for an exception nothing caught: reported like any other.
        dataset::ReportError(std::current_exception());
    }
    // The handler ran and failed; the event counts as handled.
    return true;
}

} // namespace console
