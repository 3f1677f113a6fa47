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

TParkingViewerForm::TParkingViewerForm(TParkingDM &dm, QWidget *parent)
    : TCustomViewerForm(parent)
    , m_dm(dm)
{
    setObjectName(QStringLiteral("ParkingViewerForm"));
    resize(741, 400);
    ImageList = ParkingViewerImages();

    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };
    CustomAdd = CreateAction(QStringLiteral("CustomAdd"), QStringLiteral("Dodaj"), 0, ctrl(Qt::Key_Insert));
    CustomEdit = CreateAction(QStringLiteral("CustomEdit"), QStringLiteral("Uredi"), 1, ctrl(Qt::Key_Return));
    CustomDelete = CreateAction(QStringLiteral("CustomDelete"), QStringLiteral("Izbriši"), 2, ctrl(Qt::Key_Delete));
    PayDeskAction = CreateAction(QStringLiteral("PayDeskAction"), QStringLiteral("Blagajna"), 6, ctrl(Qt::Key_B));
    ParkingZoneFrameAction = CreateAction(QStringLiteral("ParkingZoneFrameAction"),
                                          QStringLiteral("Parking zone"), 7, ctrl(Qt::Key_Z));
    ParkingTicketAction = CreateAction(QStringLiteral("ParkingTicketAction"), QStringLiteral("Parking karte"), 8);
    ParkingSubscriptionAction = CreateAction(QStringLiteral("ParkingSubscriptionAction"),
                                             QStringLiteral("Parking pretplate"), 9);
    ParkingStartStopAction = CreateAction(QStringLiteral("ParkingStartStopAction"), QStringLiteral("Start-stop"), 10);

    // Failures are reported where the actions run, inside Qt's event handling.
    const auto reported = [this](void (TParkingViewerForm::*handler)()) {
        return [this, handler] { dataset::ReportErrors([this, handler] { (this->*handler)(); }); };
    };
    connect(CustomAdd, &QAction::triggered, this, reported(&TParkingViewerForm::CustomAddExecute));
    connect(CustomEdit, &QAction::triggered, this, reported(&TParkingViewerForm::CustomEditExecute));
    connect(CustomDelete, &QAction::triggered, this, reported(&TParkingViewerForm::CustomDeleteExecute));
    connect(PayDeskAction, &QAction::triggered, this, reported(&TParkingViewerForm::PayDeskActionExecute));
    connect(ParkingZoneFrameAction, &QAction::triggered, this, reported(&TParkingViewerForm::ParkingZoneFrameActionExecute));
    connect(ParkingTicketAction, &QAction::triggered, this, reported(&TParkingViewerForm::ParkingTicketActionExecute));
    connect(ParkingSubscriptionAction, &QAction::triggered, this,
            reported(&TParkingViewerForm::ParkingSubscriptionActionExecute));
    connect(ParkingStartStopAction, &QAction::triggered, this, reported(&TParkingViewerForm::ParkingStartStopActionExecute));

    ActionTB->addAction(CustomAdd);
    ActionTB->addAction(CustomEdit);
    ActionTB->addAction(CustomDelete);
    ActionTB->addSeparator();
    ActionTB->addAction(PayDeskAction);
    ActionTB->addSeparator();
    ActionTB->addAction(ParkingZoneFrameAction);
    ActionTB->addSeparator();
    ActionTB->addAction(ParkingTicketAction);
    ActionTB->addAction(ParkingSubscriptionAction);
    ActionTB->addAction(ParkingStartStopAction);

    PopupMenu->addAction(CustomAdd);
    PopupMenu->addAction(CustomEdit);
    PopupMenu->addAction(CustomDelete);
    PopupMenu->addSeparator();
    PopupMenu->addAction(PayDeskAction);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ParkingZoneFrameAction);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ColumnsVisibility);

    DBG->SetDataSource(&m_dm.ParkingDocumentDS());
    DBG->AddColumn(QStringLiteral("number"), 80);
    DBG->AddColumn(QStringLiteral("documentdatetime"));
    DBG->AddColumn(QStringLiteral("cityreg"), 60);
    DBG->AddColumn(QStringLiteral("regnumber"), 68);
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
    CustomEdit->trigger();
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
        CustomEdit->trigger();
}
