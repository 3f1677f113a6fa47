#include "ParkingSubscriptionUnit.h"

#include "ImportKinds.h"
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/base/GridSorter.h>
#include <parking/data/ParkingDMUnit.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

struct TParkingSubscriptionForm::Ui {
    dataset::DBGrid *DBGrid = nullptr;
};

TParkingSubscriptionForm::TParkingSubscriptionForm(TParkingDM &dm, QWidget *parent)
    : TParkingImportForm(dm, imports::ImportKindOf(u"subscriptions"), parent)
    , m_dm(dm)
    , ui(std::make_unique<Ui>())
{
    dataset::ResizeScaled(*this, 980, 520);

    ui->DBGrid = new dataset::DBGrid(this);
    ui->DBGrid->setObjectName(QStringLiteral("DBGrid"));
    ui->DBGrid->SetReadOnly(true);
    ui->DBGrid->SetDataSource(&m_dm.ParkingSubscriptionDS());
    ui->DBGrid->AddColumn(QStringLiteral("subscriptionnumber"), 80);
    ui->DBGrid->AddColumn(QStringLiteral("regcitynumber"));
    ui->DBGrid->AddColumn(QStringLiteral("subscriptionfromdate"));
    ui->DBGrid->AddColumn(QStringLiteral("subscriptiontodate"));
    ui->DBGrid->AddColumn(QStringLiteral("firstname"), 100);
    ui->DBGrid->AddColumn(QStringLiteral("lastname"), 120);
    ui->DBGrid->AddColumn(QStringLiteral("personalidentificator"), 80);
    ui->DBGrid->AddColumn(QStringLiteral("zone"), 80);
    ui->DBGrid->AddColumn(QStringLiteral("list"), 80);
    ui->DBGrid->AddColumn(QStringLiteral("status"), 80);
    ui->DBGrid->SetStretchColumn(QStringLiteral("lastname"));

    auto *top = new QHBoxLayout;
    top->addWidget(LoadButton());
    top->addWidget(CreateUndoButton());
    top->addWidget(CreateHistoryButton(m_dm));
    top->addWidget(CreateLoadingInfoLabel(), 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(ProgressBar(), 1);
    bottom->addWidget(CancelButton());
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ui->DBGrid, 1);
    layout->addWidget(CreateSummaryPanel());
    layout->addLayout(bottom);

    FormCreate();
}

TParkingSubscriptionForm::~TParkingSubscriptionForm() = default;

// The grid shows the table as it is now; a click on a column title sorts it.
void TParkingSubscriptionForm::FormCreate()
{
    Reopen();
    GridSorter.AddGrid(ui->DBGrid);
}

QList<dataset::Query *> TParkingSubscriptionForm::TargetDataSets() const
{
    return {&m_dm.ParkingSubscriptionZQ()};
}

void TParkingSubscriptionForm::Reopen()
{
    dataset::Query &subscriptions = m_dm.ParkingSubscriptionZQ();
    subscriptions.Close();
    subscriptions.Open();
}

void TParkingSubscriptionForm::UndoDone()
{
    Reopen();
}

// The table was replaced on the worker's connection; the dataset reads it again.
void TParkingSubscriptionForm::ImportSucceeded(imports::ImportJob &, const imports::ImportSummary &)
{
    Reopen();
}
