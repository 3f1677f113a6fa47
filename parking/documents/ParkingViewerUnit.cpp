#include "ParkingViewerUnit.h"

#include <dataset/Error.h>

#include "ParkingDetailUnit.h"
#include "ParkingViewerImages.h"
#include <dataset/DataSource.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/imports/ParkingStartStopUnit.h>
#include <parking/imports/ParkingSubscriptionUnit.h>
#include <parking/imports/ParkingTicketUnit.h>
#include <parking/paydesk/ParkingPayDeskUnit.h>
#include <parking/zoneframe/ParkingZoneFrameUnit.h>

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <memory>

struct TParkingViewerForm::Ui {
    QAction *CustomAdd = nullptr;
    QAction *CustomEdit = nullptr;
    QAction *CustomDelete = nullptr;
    QAction *PayDeskAction = nullptr;
    QAction *ParkingZoneFrameAction = nullptr;
    QAction *ParkingTicketAction = nullptr;
    QAction *ParkingSubscriptionAction = nullptr;
    QAction *ParkingStartStopAction = nullptr;
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
    ui->ParkingTicketAction = CreateAction(QStringLiteral("ParkingTicketAction"), QStringLiteral("Parking karte"), 8);
    ui->ParkingSubscriptionAction =
        CreateAction(QStringLiteral("ParkingSubscriptionAction"), QStringLiteral("Parking pretplate"), 9);
    ui->ParkingStartStopAction =
        CreateAction(QStringLiteral("ParkingStartStopAction"), QStringLiteral("Start-stop"), 10);

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
    connect(ui->ParkingTicketAction, &QAction::triggered, this,
            reported(&TParkingViewerForm::ParkingTicketActionExecute));
    connect(ui->ParkingSubscriptionAction, &QAction::triggered, this,
            reported(&TParkingViewerForm::ParkingSubscriptionActionExecute));
    connect(ui->ParkingStartStopAction, &QAction::triggered, this,
            reported(&TParkingViewerForm::ParkingStartStopActionExecute));

    ActionTB->addAction(ui->CustomAdd);
    ActionTB->addAction(ui->CustomEdit);
    ActionTB->addAction(ui->CustomDelete);
    ActionTB->addSeparator();
    ActionTB->addAction(ui->PayDeskAction);
    ActionTB->addSeparator();
    ActionTB->addAction(ui->ParkingZoneFrameAction);
    ActionTB->addSeparator();
    ActionTB->addAction(ui->ParkingTicketAction);
    ActionTB->addAction(ui->ParkingSubscriptionAction);
    ActionTB->addAction(ui->ParkingStartStopAction);

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

// The tool windows free themselves when closed.
void TParkingViewerForm::PayDeskActionExecute()
{
    (new TParkingPayDeskForm(m_dm, this))->exec();
}

void TParkingViewerForm::ParkingZoneFrameActionExecute()
{
    (new TParkingZoneFrameForm(m_dm, this))->exec();
}

void TParkingViewerForm::ParkingTicketActionExecute()
{
    (new TParkingTicketForm(m_dm, this))->exec();
}

void TParkingViewerForm::ParkingSubscriptionActionExecute()
{
    (new TParkingSubscriptionForm(m_dm, this))->exec();
}

void TParkingViewerForm::ParkingStartStopActionExecute()
{
    (new TParkingStartStopForm(m_dm, this))->exec();
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
