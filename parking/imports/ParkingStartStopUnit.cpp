#include "ParkingStartStopUnit.h"

#include "ImportKinds.h"
#include "StartStopImportJob.h"
#include <dataset/DataSource.h>
#include <dataset/Error.h>
#include <dataset/MemoryRows.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/base/GridSorter.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/HostServices.h>
#include <parking/shared/WindowOpener.h>

#include <QAction>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton *Button(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

dataset::DBGrid *Grid(QWidget *parent, const char *name, dataset::DataSource *source)
{
    auto *grid = new dataset::DBGrid(parent);
    grid->setObjectName(QLatin1String(name));
    grid->SetReadOnly(true);
    grid->SetDataSource(source);
    return grid;
}

} // namespace

struct TParkingStartStopForm::Ui {
    dataset::Query *StartStopCDS = nullptr;
    dataset::DataSource *StartStopDS = nullptr;
    dataset::DBGrid *StartStopDBG = nullptr;
    dataset::DBGrid *DocumentDBG = nullptr;
    QLineEdit *NewDocDateE = nullptr;
    QPushButton *NewDocDateB = nullptr;
    QPushButton *CreateDocButton = nullptr;
    QPushButton *OpenDocButton = nullptr;
    QPushButton *RegDocButton = nullptr;
    QPushButton *PrintButton = nullptr;
    QAction *VehicleHistoryAction = nullptr;
    QPushButton *VehicleHistoryButton = nullptr;
};

TParkingStartStopForm::TParkingStartStopForm(TParkingDM &dm, QWidget *parent)
    : TParkingImportForm(dm, imports::ImportKindOf(u"startstop"), parent)
    , m_dm(dm)
    , ui(std::make_unique<Ui>())
{
    dataset::ResizeScaled(*this, 1100, 560);

    ui->StartStopCDS = new dataset::Query(this);
    ui->StartStopCDS->setObjectName(QStringLiteral("StartStopCDS"));
    ui->StartStopCDS->SetSortedFields(imports::StartStopOrder());
    ui->StartStopDS = new dataset::DataSource(this);
    ui->StartStopDS->setObjectName(QStringLiteral("StartStopDS"));
    ui->StartStopDS->SetDataSet(ui->StartStopCDS);

    ui->NewDocDateE = new QLineEdit(this);
    ui->NewDocDateE->setObjectName(QStringLiteral("NewDocDateE"));
    // A whole date at any text size: the row squeezes other things first.
    dataset::SetWidestText(*ui->NewDocDateE, QStringLiteral("0000-00-00"));
    ui->NewDocDateE->setFixedWidth(qMax(dataset::Scaled(*this, 90), dataset::NeededWidth(*ui->NewDocDateE)));
    ui->NewDocDateB = Button(this, "NewDocDateB", QStringLiteral("..."));
    ui->NewDocDateB->setMaximumWidth(qMax(dataset::Scaled(*this, 28), dataset::NeededWidth(*ui->NewDocDateB)));
    ui->CreateDocButton = Button(this, "CreateDocButton", QStringLiteral("Kreiraj"));
    ui->OpenDocButton = Button(this, "OpenDocButton", QStringLiteral("Otvori &dokument"));
    ui->RegDocButton = Button(this, "RegDocButton", QStringLiteral("Proknjiži"));
    ui->PrintButton = Button(this, "PrintButton", QStringLiteral("Štampaj"));
    ui->VehicleHistoryAction = new QAction(QStringLiteral("Istorija vozila"), this);
    ui->VehicleHistoryAction->setObjectName(QStringLiteral("VehicleHistoryAction"));
    ui->VehicleHistoryAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    ui->VehicleHistoryAction->setShortcutContext(Qt::WindowShortcut);
    addAction(ui->VehicleHistoryAction);
    ui->VehicleHistoryButton = Button(this, "VehicleHistoryButton", QStringLiteral("Istorija vozila"));
    ui->VehicleHistoryButton->setToolTip(
        QStringLiteral("Istorija vozila tekućeg reda, sa periodima start-stopa (Ctrl+I)"));

    ui->StartStopDBG = Grid(this, "StartStopDBG", ui->StartStopDS);
    ui->StartStopDBG->AddColumn(QStringLiteral("name"), 140);
    ui->StartStopDBG->AddColumn(QStringLiteral("city"), 72);
    ui->StartStopDBG->AddColumn(QStringLiteral("code"), 72);
    ui->StartStopDBG->AddColumn(QStringLiteral("regcitynumber"));
    ui->StartStopDBG->AddColumn(QStringLiteral("zone"), 72);
    ui->StartStopDBG->AddColumn(QStringLiteral("startdatetime"));
    ui->StartStopDBG->AddColumn(QStringLiteral("stopdatetime"));
    ui->DocumentDBG = Grid(this, "DocumentDBG", &dm.DocumentDS());
    ui->DocumentDBG->AddColumn(QStringLiteral("documenttype"), 72);
    ui->DocumentDBG->AddColumn(QStringLiteral("number"), 72);
    ui->DocumentDBG->AddColumn(QStringLiteral("documentdate"));
    ui->DocumentDBG->AddColumn(QStringLiteral("status"), 72);
    ui->DocumentDBG->AddColumn(QStringLiteral("Partner"), 140);
    ui->StartStopDBG->SetStretchColumn(QStringLiteral("name"));
    ui->DocumentDBG->SetStretchColumn(QStringLiteral("Partner"));

    auto *leftTools = new QHBoxLayout;
    leftTools->addWidget(LoadButton());
    leftTools->addWidget(CreateHistoryButton(dm));
    leftTools->addSpacing(12);
    leftTools->addWidget(new QLabel(QStringLiteral("Novi datum dokumenata:"), this));
    leftTools->addWidget(ui->NewDocDateE);
    leftTools->addWidget(ui->NewDocDateB);
    leftTools->addWidget(ui->CreateDocButton);
    leftTools->addStretch(1);
    auto *rightTools = new QHBoxLayout;
    rightTools->addWidget(ui->OpenDocButton);
    rightTools->addWidget(ui->RegDocButton);
    rightTools->addWidget(ui->PrintButton);
    rightTools->addStretch(1);
    auto *halves = new QGridLayout;
    halves->addLayout(leftTools, 0, 0);
    halves->addLayout(rightTools, 0, 1);
    halves->addWidget(ui->StartStopDBG, 1, 0);
    halves->addWidget(ui->DocumentDBG, 1, 1);
    halves->setColumnStretch(0, 1);
    halves->setColumnStretch(1, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(ui->VehicleHistoryButton);
    bottom->addStretch(1);
    bottom->addWidget(CancelButton());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar());
    layout->addLayout(halves, 1);
    layout->addLayout(bottom);

    connect(ui->NewDocDateB, &QPushButton::clicked, this, [this] { NewDocDateBClick(); });
    connect(ui->CreateDocButton, &QPushButton::clicked, this, [this] { CreateDocButtonClick(); });
    connect(ui->OpenDocButton, &QPushButton::clicked, this, [this] { OpenDocButtonClick(); });
    connect(ui->RegDocButton, &QPushButton::clicked, this, [this] { RegDocButtonClick(); });
    connect(ui->VehicleHistoryButton, &QPushButton::clicked, ui->VehicleHistoryAction, &QAction::trigger);
    connect(ui->VehicleHistoryAction, &QAction::triggered, this,
            [this] { dataset::ReportErrors([this] { VehicleHistoryActionExecute(); }); });
    // The history reads the table an import is replacing: not while one runs.
    connect(this, &TParkingImportForm::importStarted, this, [this] { SetVehicleHistoryEnabled(false); });
    connect(this, &TParkingImportForm::importFinished, this, [this] { SetVehicleHistoryEnabled(true); });

    FormCreate();
}

TParkingStartStopForm::~TParkingStartStopForm() = default;

// Today's date for new documents, an empty table, and the document grid sortable by a
// click on a column title.
void TParkingStartStopForm::FormCreate()
{
    ui->NewDocDateE->setText(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    ui->StartStopCDS->OpenInMemory(dataset::MemoryRows(imports::StartStopFields()));
    GridSorter.AddGrid(ui->DocumentDBG);
}

void TParkingStartStopForm::NewDocDateBClick()
{
    QDate date = QDate::currentDate();
    if (DialogService::Instance().PickDate(date))
        ui->NewDocDateE->setText(date.toString(QStringLiteral("yyyy-MM-dd")));
}

void TParkingStartStopForm::VehicleHistoryActionExecute()
{
    if (Importing())
        return;
    const dataset::Query &table = *ui->StartStopCDS;
    const QString plate =
        table.Active() && !table.IsEmpty() ? table.FieldByName(QStringLiteral("regcitynumber")).AsString() : QString();
    m_dm.Host().Windows().ShowVehicleHistory(m_dm, plate, this, &table);
}

void TParkingStartStopForm::SetVehicleHistoryEnabled(bool enabled)
{
    ui->VehicleHistoryAction->setEnabled(enabled);
    ui->VehicleHistoryButton->setEnabled(enabled);
}

QList<dataset::Query *> TParkingStartStopForm::TargetDataSets() const
{
    return {ui->StartStopCDS};
}

// The rows come already in index order, so the table takes them without sorting again.
void TParkingStartStopForm::ImportSucceeded(imports::ImportJob &job, const imports::ImportSummary &)
{
    ui->StartStopCDS->OpenInMemory(static_cast<imports::StartStopImportJob &>(job).TakeRows());
}
