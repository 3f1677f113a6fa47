#include "ErrorDisplay.h"

#include "ConsoleLog.h"
#include <dataset/Error.h>
#include <framework/base/Abort.h>
#include <framework/common/DialogService.h>

#include <QApplication>

namespace console {

namespace {

ErrorDisplay::Sink &CurrentSink()
{
    static ErrorDisplay::Sink sink;
    return sink;
}

void ShowBox(const QString &message)
{
    // A nested failure while the box is up goes to the log rather than stacking boxes.
    static bool showing = false;
    if (showing || !qApp) {
        qCWarning(lcConsole, "%s", qUtf8Printable(message));
        return;
    }
    showing = true;
    try {
        DialogService::Instance().ShowError(message);
    } catch (...) {
        qCWarning(lcConsole, "%s", qUtf8Printable(message));
    }
    showing = false;
}

} // namespace

void ErrorDisplay::Show(const QString &message)
{
    if (const auto &sink = CurrentSink())
        sink(message);
    else
        ShowBox(message);
}

ErrorDisplay::Sink ErrorDisplay::SetSink(Sink sink)
{
    return std::exchange(CurrentSink(), std::move(sink));
}

QString ErrorDisplay::MessageOf(const std::exception_ptr &current)
{
    try {
        std::rethrow_exception(current);
    } catch (const dataset::Error &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Došlo je do nepoznate greške.");
    }
}

bool ErrorDisplay::IsSilentAbort(const std::exception_ptr &current)
{
    try {
        std::rethrow_exception(current);
    } catch (const EAbort &) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace console
