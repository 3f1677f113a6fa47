#pragma once

#include <QApplication>
#include <exception>

namespace console {

// The console's application object: errors the widgets report (dataset::ReportError)
// and, as a last resort, any exception an event handler lets escape are shown in the
// error box, and the event loop goes on.
class ConsoleApplication : public QApplication {
    Q_OBJECT
public:
    ConsoleApplication(int &argc, char **argv);
    ~ConsoleApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;
    // The general error display: the message box (nothing for a silent abort).
    static void Show(const std::exception_ptr &error);
};

} // namespace console
