#include "ParkingZoneFrameUnit.h"

#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DBNavigator.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/base/GridSorter.h>
#include <framework/base/WheelArrowFilter.h>
#include <parking/data/ParkingDMUnit.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

struct TParkingZoneFrameForm::Ui {
    dataset::DBNavigator *DBN = nullptr;
    dataset::DBGrid *DBGrid = nullptr;
    QPushButton *CancelButton = nullptr;
};

TParkingZoneFrameForm::TParkingZoneFrameForm(TParkingDM &dm, QWidget *owner)
    : QDialog(owner)
    , m_dm(dm)
    , ui(std::make_unique<Ui>())
{
    setObjectName(QStringLiteral("ParkingZoneFrameForm"));
    setWindowTitle(QStringLiteral("Parking zone"));
    setAttribute(Qt::WA_DeleteOnClose);

    using Button = dataset::DBNavigator::Button;
    ui->DBN = new dataset::DBNavigator(this);
    ui->DBN->setObjectName(QStringLiteral("DBN"));
    ui->DBN->SetDataSource(&m_dm.ParkingZoneFrameDS());
    ui->DBN->SetVisibleButtons({Button::First, Button::Prior, Button::Next, Button::Last, Button::Insert,
                                Button::Delete, Button::Post, Button::Cancel});
    ui->DBN->SetConfirmDelete(false);
    ui->DBN->SetFlat(true);

    ui->DBGrid = new dataset::DBGrid(this);
    ui->DBGrid->setObjectName(QStringLiteral("DBGrid"));
    ui->DBGrid->SetDataSource(&m_dm.ParkingZoneFrameDS());
    ui->DBGrid->AddColumn(QStringLiteral("zone"), 60);
    ui->DBGrid->AddColumn(QStringLiteral("sector"), 60);
    ui->DBGrid->AddColumn(QStringLiteral("street"), 300);
    ui->DBGrid->SetStretchColumn(QStringLiteral("street"));
    // Enter on a row being entered saves it; it would otherwise press the default
    // "Zatvori" and the row would be lost with the form.
    ui->DBGrid->OnKeyDown = [this](int &key, Qt::KeyboardModifiers modifiers) {
        dataset::Query &zones = m_dm.ParkingZoneFrameZQ();
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) || modifiers != Qt::NoModifier || !zones.IsEditing()
            || QApplication::focusWidget() != ui->DBGrid)
            return;
        key = 0;
        try {
            zones.Post();
        } catch (...) {
            ui->DBGrid->DeferError(std::current_exception());
        }
    };

    ui->CancelButton = new QPushButton(QStringLiteral("&Zatvori"), this);
    ui->CancelButton->setObjectName(QStringLiteral("CancelButton"));
    ui->CancelButton->setDefault(true);
    connect(ui->CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    // A row left half entered is never written; it goes with the form.
    connect(this, &QDialog::finished, &m_dm.ParkingZoneFrameZQ(), &dataset::Query::Cancel);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(ui->CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(ui->DBN, 0, Qt::AlignLeft);
    layout->addWidget(ui->DBGrid, 1);
    layout->addLayout(bottom);
    dataset::ResizeScaled(*this, 484, 323);
    if (const QScreen *shownOn = screen())
        move(shownOn->availableGeometry().center() - rect().center());
    ui->DBGrid->setFocus();
    new WheelArrowFilter(this);
    FormCreate();
}

TParkingZoneFrameForm::~TParkingZoneFrameForm() = default;

// Reopening shows the table as it is now and drops a row left half entered last time.
void TParkingZoneFrameForm::FormCreate()
{
    dataset::Query &zones = m_dm.ParkingZoneFrameZQ();
    if (zones.Active())
        zones.Close();
    zones.Open();
    GridSorter.AddGrid(ui->DBGrid);
}

void TParkingZoneFrameForm::CancelButtonClick()
{
    close();
}
