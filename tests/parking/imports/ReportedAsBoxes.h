#pragma once

// For tests run without the console: errors the forms report (dataset::ReportError) are
// shown as error boxes through the dialog service, as the console's error display does.

#include <dataset/Error.h>
#include <framework/common/DialogService.h>

#include <utility>

class ReportedAsBoxes {
public:
    ReportedAsBoxes()
        : m_previous(dataset::SetErrorReporter([](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const dataset::Error &e) {
                ShowErrorMessage(e.message());
            } catch (const std::exception &e) {
                ShowErrorMessage(QString::fromUtf8(e.what()));
            }
        }))
    {
    }
    ~ReportedAsBoxes() { dataset::SetErrorReporter(std::move(m_previous)); }
    ReportedAsBoxes(const ReportedAsBoxes &) = delete;
    ReportedAsBoxes &operator=(const ReportedAsBoxes &) = delete;

private:
    dataset::ErrorReporter m_previous;
};
