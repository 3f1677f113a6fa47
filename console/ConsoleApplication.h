#pragma once

#include <QApplication>

namespace console {

// The console's application object: every exception that an event handler lets
// escape is caught here and shown in the error box, and the event loop goes on.
class ConsoleApplication : public QApplication {
    Q_OBJECT
public:
    ConsoleApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace console
