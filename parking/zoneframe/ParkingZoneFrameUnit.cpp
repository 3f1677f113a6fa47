#include "ParkingZoneFrameUnit.h"

#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DBNavigator.h>
#include <framework/base/GridSorter.h>
#include <framework/base/WheelArrowFilter.h>
#include <parking/data/ParkingDMUnit.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TParkingZoneFrameForm::TParkingZoneFrameForm(TParkingDM &dm, QWidget *owner)
    : QDialog(owner)
    , m_dm(dm)
{
    setObjectName(QStringLiteral("ParkingZoneFrameForm"));
    setWindowTitle(QStringLiteral("Parking zone"));
    setAttribute(Qt::WA_DeleteOnClose);

    using Button = dataset::DBNavigator::Button;
    DBN = new dataset::DBNavigator(this);
    DBN->setObjectName(QStringLiteral("DBN"));
    DBN->SetDataSource(&m_dm.ParkingZoneFrameDS());
    DBN->SetVisibleButtons({Button::First, Button::Prior, Button::Next, Button::Last, Button::Insert,
                            Button::Delete, Button::Post, Button::Cancel});
    DBN->SetConfirmDelete(false);
    DBN->SetFlat(true);

    DBGrid = new dataset::DBGrid(this);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->SetDataSource(&m_dm.ParkingZoneFrameDS());
    DBGrid->AddColumn(QStringLiteral("zone"), 60);
    DBGrid->AddColumn(QStringLiteral("sector"), 60);
    DBGrid->AddColumn(QStringLiteral("street"), 300);
    // Enter on a row being entered saves it; it would otherwise press the default
    // "Zatvori" and the row would be lost with the form.
    DBGrid->OnKeyDown = [this](int &key, Qt::KeyboardModifiers modifiers) {
        dataset::Query &zones = m_dm.ParkingZoneFrameZQ();
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) || modifiers != Qt::NoModifier || !zones.IsEditing()
            || QApplication::focusWidget() != DBGrid)
            return;
        key = 0;
        try {
            zones.Post();
        } catch (...) {
            DBGrid->DeferError(std::current_exception());
        }
    };

    CancelButton = new QPushButton(QStringLiteral("&Zatvori"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setDefault(true);
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    // A row left half entered is never written; it goes with the form.
    connect(this, &QDialog::finished, &m_dm.ParkingZoneFrameZQ(), &dataset::Query::Cancel);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBN, 0, Qt::AlignLeft);
    layout->addWidget(DBGrid, 1);
    layout->addLayout(bottom);
    resize(484, 323);
    if (const QScreen *shownOn = screen())
        move(shownOn->availableGeometry().center() - rect().center());
    DBGrid->setFocus();
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
    GridSorter.AddGrid(DBGrid);
}

void TParkingZoneFrameForm::CancelButtonClick()
{
    close();
}
