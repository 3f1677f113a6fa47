#pragma once

// "Istorija vozila": one registration's tickets, subscriptions, documents and start-stop
// periods on a time line beside a table of the same events, newest first. A row selects
// its mark and a mark its row; a double click opens the document, or the ticket or
// subscription list at that line. Printed with the picture, exported like every grid.

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class TParkingDM;
namespace dataset {
class DataSource;
class DBGrid;
class Query;
} // namespace dataset
namespace history {
class TimeLine;
}
namespace parking {
class PrintGridLoan;
}

class TParkingVehicleHistoryForm : public QDialog {
    Q_OBJECT
public:
    // 'startStop', when given, is a loaded start-stop table whose periods are shown too.
    TParkingVehicleHistoryForm(TParkingDM &dm, const QString &plate, QWidget *parent = nullptr,
                               const dataset::Query *startStop = nullptr);
    ~TParkingVehicleHistoryForm() override;

    // Reads the history of 'typed' (however written) and shows it. Throws dataset::Error.
    void ShowPlate(const QString &typed);
    // Opens what event 'index' stands for (document editor, ticket or subscription list).
    void OpenEvent(int index);
    // The picture and the table as one report (preview or PDF).
    QString PrintButtonClick();

    history::TimeLine &TimeLine() const { return *m_timeLine; }
    dataset::Query &Events() const { return *m_events; }
    // The event the table's row 'row' (0-based) shows.
    int EventOfRow(int row) const;

protected:
    void done(int result) override;

private:
    void FillTable();
    void SelectRowOf(int index);
    void FollowRow();

    TParkingDM &m_dm;
    const dataset::Query *m_startStop = nullptr;
    std::unique_ptr<dataset::Query> m_events;
    dataset::DataSource *m_source = nullptr;
    dataset::DBGrid *m_grid = nullptr;
    history::TimeLine *m_timeLine = nullptr;
    QLineEdit *m_plateEdit = nullptr;
    QLabel *m_message = nullptr;
    QString m_typed;
    bool m_following = false;
    std::unique_ptr<parking::PrintGridLoan> m_printGrid; // while the window is open
};
