#include "ParkingViewerUnit.h"

#include <dataset/Error.h>

#include "ParkingDetailUnit.h"
#include "ParkingViewerImages.h"
#include <dataset/DataSource.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/Interfaces.h>
#include <parking/core/DocumentQueries.h>
#include <parking/core/Plate.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/HostServices.h>
#include <parking/shared/WindowOpener.h>

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <algorithm>
#include <memory>

namespace {

using Tool = parking::WindowOpener::Tool;

} // namespace

struct TParkingViewerForm::Ui {
    QLineEdit *PlateSearchEdit = nullptr;
    QAction *CustomAdd = nullptr;
    QAction *CustomEdit = nullptr;
    QAction *CustomDelete = nullptr;
    QAction *PayDeskAction = nullptr;
    QAction *ParkingZoneFrameAction = nullptr;
    QList<QAction *> ImportActions; // one per kind of import
    QAction *VehicleHistoryAction = nullptr;
};

TParkingViewerForm::TParkingViewerForm(TParkingDM &dm, QWidget *parent)
    : TCustomViewerForm(parent)
    , m_dm(dm)
    , ui(std::make_unique<Ui>())
{
    setObjectName(QStringLiteral("ParkingViewerForm"));
    resize(741, 400);
    ImageList = ParkingViewerImages();

    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };
    ui->CustomAdd = CreateAction(QStringLiteral("CustomAdd"), QStringLiteral("Dodaj"), 0, ctrl(Qt::Key_Insert));
    ui->CustomEdit = CreateAction(QStringLiteral("CustomEdit"), QStringLiteral("Uredi"), 1, ctrl(Qt::Key_Return));
    ui->CustomDelete = CreateAction(QStringLiteral("CustomDelete"), QStringLiteral("Izbriši"), 2, ctrl(Qt::Key_Delete));
    ui->PayDeskAction = CreateAction(QStringLiteral("PayDeskAction"), QStringLiteral("Blagajna"), 6, ctrl(Qt::Key_B));
    ui->ParkingZoneFrameAction =
        CreateAction(QStringLiteral("ParkingZoneFrameAction"), QStringLiteral("Parking zone"), 7, ctrl(Qt::Key_Z));
    // The import windows the entry offers; a list shown without the entry (a test) has none.
    if (m_dm.Host().HasWindows()) {
        for (const auto &command : m_dm.Host().Windows().ImportCommands()) {
            QAction *action = CreateAction(command.actionName, command.caption, command.icon);
            connect(action, &QAction::triggered, this, [this, id = command.id] {
                dataset::ReportErrors([this, &id] { ImportActionExecute(id); });
            });
            ui->ImportActions << action;
        }
    }
    ui->VehicleHistoryAction =
        CreateAction(QStringLiteral("VehicleHistoryAction"), QStringLiteral("Istorija vozila"), 11, ctrl(Qt::Key_I));

    // Failures are reported where the actions run, inside Qt's event handling.
    const auto reported = [this](void (TParkingViewerForm::*handler)()) {
        return [this, handler] { dataset::ReportErrors([this, handler] { (this->*handler)(); }); };
    };
    connect(ui->CustomAdd, &QAction::triggered, this, reported(&TParkingViewerForm::CustomAddExecute));
    connect(ui->CustomEdit, &QAction::triggered, this, reported(&TParkingViewerForm::CustomEditExecute));
    connect(ui->CustomDelete, &QAction::triggered, this, reported(&TParkingViewerForm::CustomDeleteExecute));
    connect(ui->PayDeskAction, &QAction::triggered, this, reported(&TParkingViewerForm::PayDeskActionExecute));
    connect(ui->ParkingZoneFrameAction, &QAction::triggered, this,
            reported(&TParkingViewerForm::ParkingZoneFrameActionExecute));
    connect(ui->VehicleHistoryAction, &QAction::triggered, this,
            reported(&TParkingViewerForm::VehicleHistoryActionExecute));

    ActionTB->addAction(ui->CustomAdd);
    ActionTB->addAction(ui->CustomEdit);
    ActionTB->addAction(ui->CustomDelete);
    ActionTB->addSeparator();
    ActionTB->addAction(ui->PayDeskAction);
    ActionTB->addSeparator();
    ActionTB->addAction(ui->ParkingZoneFrameAction);
    ActionTB->addSeparator();
    ActionTB->addActions(ui->ImportActions);
    // The vehicle history is not on the frame's toolbar: the console's toolbar carries it.
    // Above the list: the search by a whole registration.
    auto *plateBar = new QWidget(CenterPanel);
    plateBar->setObjectName(QStringLiteral("PlateBar"));
    auto *plateLabel = new QLabel(QStringLiteral("&Tablice:"), plateBar);
    ui->PlateSearchEdit = new QLineEdit(plateBar);
    ui->PlateSearchEdit->setObjectName(QStringLiteral("PlateSearchEdit"));
    ui->PlateSearchEdit->setPlaceholderText(QStringLiteral("npr. NS 77-88"));
    ui->PlateSearchEdit->setToolTip(QStringLiteral("Dokumenti vozila sa ovim tablicama (Enter)"));
    ui->PlateSearchEdit->setMinimumWidth(dataset::Scaled(*this, 140));
    plateLabel->setBuddy(ui->PlateSearchEdit);
    auto *plateLayout = new QHBoxLayout(plateBar);
    plateLayout->setContentsMargins(4, 2, 4, 2);
    plateLayout->addWidget(plateLabel);
    plateLayout->addWidget(ui->PlateSearchEdit);
    plateLayout->addStretch(1);
    static_cast<QBoxLayout *>(CenterPanel->layout())->insertWidget(0, plateBar);
    connect(ui->PlateSearchEdit, &QLineEdit::returnPressed, this,
            [this] { dataset::ReportErrors([this] { FindPlate(ui->PlateSearchEdit->text()); }); });
    // The frame is never narrower than its toolbar's icons, so no command hides behind an
    // overflow; with room enough the toolbar shows the commands' texts too.
    setMinimumWidth(std::max(CompactToolBarWidth(), plateBar->sizeHint().width()));

    PopupMenu->addAction(ui->CustomAdd);
    PopupMenu->addAction(ui->CustomEdit);
    PopupMenu->addAction(ui->CustomDelete);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ui->PayDeskAction);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ui->ParkingZoneFrameAction);
    PopupMenu->addSeparator();

    PopupMenu->addAction(ColumnsVisibility);

    DBG->SetDataSource(&m_dm.ParkingDocumentDS());
    DBG->AddColumn(QStringLiteral("number"), 80);
    DBG->AddColumn(QStringLiteral("documentdatetime"));
    DBG->AddColumn(QStringLiteral("cityreg"), 60);
    DBG->AddColumn(QStringLiteral("regnumber"), 68);
    DBG->AddColumn(QStringLiteral("Fakturisano"), 70, true);
}

TParkingViewerForm::~TParkingViewerForm() = default;

dataset::Query &TParkingViewerForm::Documents() const
{
    return m_dm.ParkingDocumentZQ();
}

// A closed list (before the first search) is opened with whatever SQL it holds, which
// selects no row, so the new document is its only row.
void TParkingViewerForm::CustomAddExecute()
{
    dataset::Query &documents = Documents();
    if (!documents.Active())
        documents.Open();
    documents.Append();
    ui->CustomEdit->trigger();
}

// The editor works on the current row; the list is not re-queried afterwards.
void TParkingViewerForm::CustomEditExecute()
{
    if (!Documents().Active())
        return;
    const auto editor = std::make_unique<TParkingDetailForm>(m_dm, this);
    editor->exec();
}

// The data module's before-delete handler asks for confirmation; a No aborts silently.
void TParkingViewerForm::CustomDeleteExecute()
{
    dataset::Query &documents = Documents();
    if (!documents.Active() || documents.IsEmpty())
        return;
    documents.Delete();
}

// The plate goes to the server as a parameter; the list is ordered newest first, as a
// search of the pane orders it.
int TParkingViewerForm::FindPlate(const QString &typed)
{
    const parking::Plate plate(typed);
    if (plate.IsEmpty())
        return 0;
    dataset::Query &documents = Documents();
    parking::OpenDocumentsOfPlate(documents, plate);
    documents.SetSortedFields(QStringLiteral("documentdatetime DESC, parkingdocumentid DESC"));
    documents.First();
    const int found = documents.RecordCount();
    if (found == 0) {
        if (const IntfPtr<INoticeLog> log = m_dm.Host().HostModule<INoticeLog>())
            log->AddNotice(QStringLiteral("Nema dokumenata za tablice %1.").arg(plate.Display()));
    }
    return found;
}

// The tool windows free themselves when closed.
void TParkingViewerForm::PayDeskActionExecute()
{
    m_dm.Host().Windows().Open(Tool::PayDesk, m_dm, this);
}

void TParkingViewerForm::ParkingZoneFrameActionExecute()
{
    m_dm.Host().Windows().Open(Tool::ZoneFrame, m_dm, this);
}

void TParkingViewerForm::ImportActionExecute(const QString &id)
{
    m_dm.Host().Windows().OpenImport(id, m_dm, this);
}

// The registration of the current document, or else the one typed into the search
// field; without either the window opens for a plate to be typed.
void TParkingViewerForm::VehicleHistoryActionExecute()
{
    const dataset::Query &documents = Documents();
    QString plate;
    if (documents.Active() && !documents.IsEmpty())
        plate = documents.FieldByName(QStringLiteral("cityreg")).AsString()
            + documents.FieldByName(QStringLiteral("regnumber")).AsString();
    if (parking::Plate(plate).IsEmpty())
        plate = ui->PlateSearchEdit->text();
    m_dm.Host().Windows().ShowVehicleHistory(m_dm, plate, this);
}

// The base recorded the cell under the pointer; a double click on the title row opens
// nothing.
void TParkingViewerForm::DBGDblClick()
{
    TCustomViewerForm::DBGDblClick();
    if (DblClickRow() < 0)
        return;
    const dataset::Query &documents = Documents();
    if (documents.Active() && !documents.IsEmpty())
        ui->CustomEdit->trigger();
}
