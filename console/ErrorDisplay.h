#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace console {

// Where the console's error messages go. The default shows a modal error box; tests
// and the offscreen runs replace it to record the texts instead.
class ErrorDisplay {
public:
    using Sink = std::function<void(const QString &message)>;

    static void Show(const QString &message);
    // Installs 'sink' and returns the one it replaces; an empty sink restores the box.
    static Sink SetSink(Sink sink);

    // The readable text of the exception being handled ('current' from a catch block).
    static QString MessageOf(const std::exception_ptr &current);
    // True for the framework's silent abort, which ends an action without a message.
    static bool IsSilentAbort(const std::exception_ptr &current);
};

} // namespace console
