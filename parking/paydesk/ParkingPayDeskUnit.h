#pragma once

// The pay desk: one day's takings summed by product and by user, printed through the
// host's print wizard and written as one host "M" document; beside the grids the same
// takings as charts, printed with them.

#include <QDate>
#include <QDialog>

#include <memory>

class FeedbackBanner;
class TParkingDM;
class THostDocumentWriter;
namespace dataset {
class DBGrid;
class ErrorRelay;
class Query;
} // namespace dataset

class TParkingPayDeskForm : public QDialog {
    Q_OBJECT
public:
    // Frees itself when closed.
    explicit TParkingPayDeskForm(TParkingDM &dm, QWidget *owner = nullptr);
    ~TParkingPayDeskForm() override;

    void FormCreate();
    void DateButtonClick();
    // Enter in the date box, or leaving it: the grids show the typed day.
    void DateEditDone();
    // The day both grids show.
    QDate ShownDay() const;
    void CreateButtonClick();
    void PrintProductExecute();
    void PrintUserExecute();
    // The charts of the shown day and both grids, printed or written as PDF.
    void PrintChartsExecute();
    void CloseButtonClick();

    // Both summaries for the day 'day' ("yyyy-mm-dd").
    static void LoadSummaries(TParkingDM &dm, const QString &day);

private:
    struct Ui; // the widgets and actions, each with an object name of its own

    void BuildLayout();
    void GrowForCharts();
    void PrintGridOf(dataset::DBGrid *grid, const char *captionEntry);
    QString PrintHeader(const dataset::DBGrid *grid) const;
    QDate TypedDay() const;
    void ShowDay(const QDate &day);
    bool ConfirmRun(dataset::Query &summary, const QDate &day);
    int WriteDocumentItems(dataset::Query &summary, THostDocumentWriter &writer);
    void RecordDocument(const QDate &day, const QString &caption, int items, bool again);

    TParkingDM &m_dm;
    dataset::ErrorRelay *m_errors = nullptr;
    FeedbackBanner *m_feedback = nullptr;
    QDate m_shownDay;
    std::unique_ptr<Ui> ui;
};
