#include "ParkingViewerUnit.h"

#include "DBGrid.h"
#include "DataSource.h"
#include "ParkingDMUnit.h"
#include "ParkingDetailUnit.h"
#include "ParkingStartStopUnit.h"
#include "ParkingSubscriptionUnit.h"
#include "ParkingTicketUnit.h"
#include "ParkingViewerImages.h"
#include "Query.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <memory>

namespace {

dataset::Query *Documents()
{
    return ParkingDM ? ParkingDM->ParkingDocumentZQ : nullptr;
}

} // namespace

TParkingViewerForm::TParkingViewerForm(QWidget *parent) : TCustomViewerForm(parent)
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

    connect(CustomAdd, &QAction::triggered, this, [this] { CustomAddExecute(); });
    connect(CustomEdit, &QAction::triggered, this, [this] { CustomEditExecute(); });
    connect(CustomDelete, &QAction::triggered, this, [this] { CustomDeleteExecute(); });
    connect(ParkingTicketAction, &QAction::triggered, this, [this] { ParkingTicketActionExecute(); });
    connect(ParkingSubscriptionAction, &QAction::triggered, this, [this] { ParkingSubscriptionActionExecute(); });
    connect(ParkingStartStopAction, &QAction::triggered, this, [this] { ParkingStartStopActionExecute(); });
    // The pay desk and the zone frame are separate forms of the module; until they are
    // part of the build their actions are shown but disabled.
    for (QAction *tool : {PayDeskAction, ParkingZoneFrameAction})
        tool->setEnabled(false);

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

    if (ParkingDM)
        DBG->SetDataSource(ParkingDM->ParkingDocumentDS);
    DBG->AddColumn(QStringLiteral("number"), 80);
    DBG->AddColumn(QStringLiteral("documentdatetime"));
    DBG->AddColumn(QStringLiteral("cityreg"), 60);
    DBG->AddColumn(QStringLiteral("regnumber"), 68);
}

TParkingViewerForm::~TParkingViewerForm() = default;

// A closed list (before the first search) is opened with whatever SQL it holds, which
// selects no row, so the new document is its only row.
void TParkingViewerForm::CustomAddExecute()
{
    dataset::Query *documents = Documents();
    if (!documents)
        return;
    if (!documents->Active())
        documents->Open();
    documents->Append();
    CustomEdit->trigger();
}

// The editor works on the current row; the list is not re-queried afterwards.
void TParkingViewerForm::CustomEditExecute()
{
    dataset::Query *documents = Documents();
    if (!documents || !documents->Active())
        return;
    const auto editor = std::make_unique<TParkingDetailForm>(this);
    editor->exec();
}

// The data module's before-delete handler asks for confirmation; a No aborts silently.
void TParkingViewerForm::CustomDeleteExecute()
{
    dataset::Query *documents = Documents();
    if (!documents || !documents->Active() || documents->IsEmpty())
        return;
    documents->Delete();
}

// The import forms free themselves when closed.
void TParkingViewerForm::ParkingTicketActionExecute()
{
    auto *form = new TParkingTicketForm(this);
    form->exec();
}

void TParkingViewerForm::ParkingSubscriptionActionExecute()
{
    auto *form = new TParkingSubscriptionForm(this);
    form->exec();
}

void TParkingViewerForm::ParkingStartStopActionExecute()
{
    auto *form = new TParkingStartStopForm(this);
    form->exec();
}

// The base recorded the cell under the pointer; a double click on the title row opens
// nothing.
void TParkingViewerForm::DBGDblClick()
{
    TCustomViewerForm::DBGDblClick();
    if (DblClickRow() < 0)
        return;
    const dataset::Query *documents = Documents();
    if (documents && documents->Active() && !documents->IsEmpty())
        CustomEdit->trigger();
}
