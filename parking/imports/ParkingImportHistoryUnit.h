#pragma once

// "Istorija uvoza": every import, undo and ticket or pay-desk document run, newest first,
// in a grid like every other grid (sorted by a click on a title, printed and exported
// through the console).

#include <QDialog>
#include <memory>

namespace dataset {
class Connection;
class DataSource;
class DBGrid;
class Query;
} // namespace dataset
namespace parking {
class HostServices;
class PrintGridLoan;
} // namespace parking

class TParkingImportHistoryForm : public QDialog {
    Q_OBJECT
public:
    TParkingImportHistoryForm(const parking::HostServices &host, dataset::Connection *connection,
                              QWidget *parent = nullptr);
    ~TParkingImportHistoryForm() override;

    void PrintButtonClick();

protected:
    void done(int result) override;

private:
    std::unique_ptr<dataset::Query> m_query;
    dataset::DataSource *m_source = nullptr;
    dataset::DBGrid *m_grid = nullptr;
    const parking::HostServices &m_host;
    std::unique_ptr<parking::PrintGridLoan> m_printGrid; // while the window is open
};

namespace imports {

// Shows the history over 'connection' modally; errors are reported at the caller's edge.
void ShowImportHistory(const parking::HostServices &host, dataset::Connection *connection, QWidget *parent);

} // namespace imports
