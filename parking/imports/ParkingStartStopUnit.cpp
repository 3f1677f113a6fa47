#include "ParkingStartStopUnit.h"

#include "StartStopImportJob.h"
#include <dataset/DataSource.h>
#include <dataset/MemoryRows.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/base/GridSorter.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>

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

TParkingStartStopForm::TParkingStartStopForm(TParkingDM &dm, QWidget *parent)
    : TParkingImportForm(parent)
{
    setObjectName(QStringLiteral("ParkingStartStopForm"));
    setWindowTitle(QStringLiteral("Start-stop"));
    resize(1100, 560);

    StartStopCDS = new dataset::Query(this);
    StartStopCDS->setObjectName(QStringLiteral("StartStopCDS"));
    StartStopCDS->SetSortedFields(imports::StartStopOrder());
    StartStopDS = new dataset::DataSource(this);
    StartStopDS->setObjectName(QStringLiteral("StartStopDS"));
    StartStopDS->SetDataSet(StartStopCDS);

    NewDocDateE = new QLineEdit(this);
    NewDocDateE->setObjectName(QStringLiteral("NewDocDateE"));
    NewDocDateE->setMaximumWidth(90);
    NewDocDateB = Button(this, "NewDocDateB", QStringLiteral("..."));
    NewDocDateB->setMaximumWidth(28);
    CreateDocButton = Button(this, "CreateDocButton", QStringLiteral("Kreiraj"));
    OpenDocButton = Button(this, "OpenDocButton", QStringLiteral("Otvori &dokument"));
    RegDocButton = Button(this, "RegDocButton", QStringLiteral("Proknjiži"));
    PrintButton = Button(this, "PrintButton", QStringLiteral("Štampaj"));

    StartStopDBG = Grid(this, "StartStopDBG", StartStopDS);
    StartStopDBG->AddColumn(QStringLiteral("name"), 140);
    StartStopDBG->AddColumn(QStringLiteral("city"), 72);
    StartStopDBG->AddColumn(QStringLiteral("code"), 72);
    StartStopDBG->AddColumn(QStringLiteral("regcitynumber"));
    StartStopDBG->AddColumn(QStringLiteral("zone"), 72);
    StartStopDBG->AddColumn(QStringLiteral("startdatetime"));
    StartStopDBG->AddColumn(QStringLiteral("stopdatetime"));
    DocumentDBG = Grid(this, "DocumentDBG", &dm.DocumentDS());
    DocumentDBG->AddColumn(QStringLiteral("documenttype"), 72);
    DocumentDBG->AddColumn(QStringLiteral("number"), 72);
    DocumentDBG->AddColumn(QStringLiteral("documentdate"));
    DocumentDBG->AddColumn(QStringLiteral("status"), 72);
    DocumentDBG->AddColumn(QStringLiteral("Partner"), 140);

    auto *leftTools = new QHBoxLayout;
    leftTools->addWidget(LoadButton);
    leftTools->addSpacing(12);
    leftTools->addWidget(new QLabel(QStringLiteral("Novi datum dokumenata:"), this));
    leftTools->addWidget(NewDocDateE);
    leftTools->addWidget(NewDocDateB);
    leftTools->addWidget(CreateDocButton);
    leftTools->addStretch(1);
    auto *rightTools = new QHBoxLayout;
    rightTools->addWidget(OpenDocButton);
    rightTools->addWidget(RegDocButton);
    rightTools->addWidget(PrintButton);
    rightTools->addStretch(1);
    auto *halves = new QGridLayout;
    halves->addLayout(leftTools, 0, 0);
    halves->addLayout(rightTools, 0, 1);
    halves->addWidget(StartStopDBG, 1, 0);
    halves->addWidget(DocumentDBG, 1, 1);
    halves->setColumnStretch(0, 1);
    halves->setColumnStretch(1, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar);
    layout->addLayout(halves, 1);
    layout->addLayout(bottom);

    connect(NewDocDateB, &QPushButton::clicked, this, [this] { NewDocDateBClick(); });
    connect(CreateDocButton, &QPushButton::clicked, this, [this] { CreateDocButtonClick(); });
    connect(OpenDocButton, &QPushButton::clicked, this, [this] { OpenDocButtonClick(); });
    connect(RegDocButton, &QPushButton::clicked, this, [this] { RegDocButtonClick(); });

    FormCreate();
}

TParkingStartStopForm::~TParkingStartStopForm() = default;

// Today's date for new documents, an empty table, and the document grid sortable by a
// click on a column title.
void TParkingStartStopForm::FormCreate()
{
    NewDocDateE->setText(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    StartStopCDS->OpenInMemory(dataset::MemoryRows(imports::StartStopFields()));
    GridSorter.AddGrid(DocumentDBG);
}

void TParkingStartStopForm::NewDocDateBClick()
{
    QDate date = QDate::currentDate();
    if (DialogService::Instance().PickDate(date))
        NewDocDateE->setText(date.toString(QStringLiteral("yyyy-MM-dd")));
}

std::unique_ptr<imports::ImportJob> TParkingStartStopForm::CreateJob()
{
    return std::make_unique<imports::StartStopImportJob>();
}

QList<dataset::Query *> TParkingStartStopForm::TargetDataSets() const
{
    return {StartStopCDS};
}

// The rows come already in index order, so the table takes them without sorting again.
void TParkingStartStopForm::ImportSucceeded(imports::ImportJob &job, const imports::ImportSummary &)
{
    StartStopCDS->OpenInMemory(static_cast<imports::StartStopImportJob &>(job).TakeRows());
}

// The records stay in memory; no database connection is opened for them.
dataset::ConnectionParams TParkingStartStopForm::ImportConnectionParams() const
{
    return {};
}
