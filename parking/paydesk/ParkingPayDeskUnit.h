#pragma once

// The pay desk: one day's takings summed by product and by user, printed through the
// host's print wizard and written as one host "M" document.

#include <QDialog>

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TParkingDM;
namespace dataset {
class DBGrid;
class ErrorRelay;
} // namespace dataset

class TParkingPayDeskForm : public QDialog {
    Q_OBJECT
public:
    // Frees itself when closed.
    explicit TParkingPayDeskForm(TParkingDM &dm, QWidget *owner = nullptr);
    ~TParkingPayDeskForm() override;

    QLabel *DateLabel;
    QLineEdit *DateEdit;
    QPushButton *DateButton;
    QPushButton *CreateButton;
    QProgressBar *ProgressBar;
    QPushButton *CloseButton;
    dataset::DBGrid *ParkingPayDeskProductDBG;
    dataset::DBGrid *ParkingPayDeskUserDBG;
    QPushButton *PrintProdButton;
    QPushButton *PrintUserButton;
    QAction *PrintProduct;
    QAction *PrintUser;

    void FormCreate();
    void DateButtonClick();
    void CreateButtonClick();
    void PrintProductExecute();
    void PrintUserExecute();
    void CloseButtonClick();

    // Both summaries for the day 'day' ("yyyy-mm-dd").
    static void LoadSummaries(TParkingDM &dm, const QString &day);

private:
    void BuildLayout();
    void PrintGridOf(dataset::DBGrid *grid, const char *captionEntry);

    TParkingDM &m_dm;
    dataset::ErrorRelay *m_errors = nullptr;
};
