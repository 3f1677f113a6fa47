#pragma once

// The editor's widgets and actions, each with an object name of its own; only the
// editor's own units include this.

#include "ParkingDetailUnit.h"

#include <array>

class QLabel;
class QPushButton;
class QSplitter;
namespace dataset {
class DBComboBox;
class DBDateEdit;
class DBEdit;
class DBGrid;
class DBNavigator;
} // namespace dataset

struct TParkingDetailForm::Ui {
    // Header.
    QWidget *HeaderPanel = nullptr;
    QSplitter *Splitter = nullptr;
    dataset::DBEdit *NumberEdit = nullptr;
    QPushButton *NumberButton = nullptr;
    dataset::DBDateEdit *DocumentDateTimeEdit = nullptr;
    QPushButton *DateTimeButton = nullptr;
    dataset::DBEdit *CountryRegEdit = nullptr;
    dataset::DBEdit *CityRegEdit = nullptr;
    dataset::DBEdit *RegNumberEdit = nullptr;
    QPushButton *FindTicketButton = nullptr;
    dataset::DBEdit *LicenseNumberEdit = nullptr;
    dataset::DBEdit *FirstNameEdit = nullptr;
    dataset::DBEdit *LastNameEdit = nullptr;
    dataset::DBEdit *PersonalIdentificatorEdit = nullptr;
    dataset::DBEdit *AddressEdit = nullptr;
    dataset::DBEdit *ZipEdit = nullptr;
    dataset::DBEdit *CityEdit = nullptr;
    dataset::DBComboBox *ParkingZoneCB = nullptr;
    dataset::DBComboBox *ParkingSectorCB = nullptr;
    dataset::DBDateEdit *ParkingFromDateEdit = nullptr;
    QPushButton *FromDateButton = nullptr;
    dataset::DBDateEdit *ParkingToDateEdit = nullptr;
    QPushButton *ToDateButton = nullptr;
    dataset::DBEdit *CommentEdit = nullptr;

    // Items.
    QWidget *ItemPanel = nullptr;
    dataset::DBNavigator *ItemNavigator = nullptr;
    QPushButton *AddItemButton = nullptr;
    dataset::DBGrid *DocumentItemDBG = nullptr;
    QWidget *StatusBar = nullptr;
    std::array<QLabel *, 6> StatusPanels{};

    // Bottom panel, besides the inherited OK, Apply and Cancel.
    QPushButton *CreateInvoiceButton = nullptr;
    QPushButton *CreateCashInvoiceButton = nullptr;
    QPushButton *PrintTicketButton = nullptr;
    QPushButton *DocumentPrintButton = nullptr;
    QPushButton *VehicleHistoryButton = nullptr;

    QAction *DateTimeAction = nullptr;
    QAction *FromDateAction = nullptr;
    QAction *ToDateAction = nullptr;
    QAction *AddItem = nullptr;
    QAction *AddItemX = nullptr;
    QAction *AddItemBarcode = nullptr;
    QAction *DocumentPrint = nullptr;
    QAction *PrintTicket = nullptr;
    QAction *FindTicketAction = nullptr;
    QAction *CreateInvoice = nullptr;
    QAction *CreateCashInvoice = nullptr;
    QAction *VehicleHistory = nullptr;
};
