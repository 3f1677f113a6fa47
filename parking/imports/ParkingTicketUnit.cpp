#include "ParkingTicketUnit.h"

#include "ImportHistory.h"
#include "ImportKinds.h"
#include "TicketDocument.h"
#include <dataset/ErrorRelay.h>
#include <dataset/Field.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/base/BusyCursor.h>
#include <framework/base/GridSorter.h>
#include <framework/common/DialogService.h>
#include <parking/core/TicketStatus.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/lookups/ParkingSelectProductUnit.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

struct TParkingTicketForm::Ui {
    dataset::DBGrid *DBGrid = nullptr;
    QPushButton *CreateButton = nullptr;
};

TParkingTicketForm::TParkingTicketForm(TParkingDM &dm, QWidget *parent)
    : TParkingImportForm(dm, imports::ImportKindOf(u"tickets"), parent)
    , m_dm(dm)
    , ui(std::make_unique<Ui>())
{
    dataset::ResizeScaled(*this, 780, 480);

    ui->DBGrid = new dataset::DBGrid(this);
    ui->DBGrid->setObjectName(QStringLiteral("DBGrid"));
    ui->DBGrid->SetReadOnly(true);
    ui->DBGrid->SetDataSource(&m_dm.ParkingTicketDS());
    ui->DBGrid->AddColumn(QStringLiteral("ticketdate"));
    ui->DBGrid->AddColumn(QStringLiteral("ticketnumber"), 80);
    ui->DBGrid->AddColumn(QStringLiteral("zone"), 40);
    ui->DBGrid->AddColumn(QStringLiteral("regcitynumber"));
    ui->DBGrid->AddColumn(QStringLiteral("ticketprice"));
    ui->DBGrid->AddColumn(QStringLiteral("status"), 130);
    ui->DBGrid->AddColumn(QStringLiteral("name"), 200);
    ui->DBGrid->SetStretchColumn(QStringLiteral("name"));

    ui->CreateButton = new QPushButton(QStringLiteral("Kreiraj dokument"), this);
    ui->CreateButton->setObjectName(QStringLiteral("CreateButton"));
    ui->CreateButton->setAutoDefault(false);
    m_errors = new dataset::ErrorRelay(this);
    connect(ui->CreateButton, &QPushButton::clicked, this,
            [this] { dataset::Relayed(m_errors, [this] { CreateButtonClick(); }); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(LoadButton());
    buttons->addWidget(ui->CreateButton);
    buttons->addWidget(CreateUndoButton());
    buttons->addWidget(CreateHistoryButton(m_dm));
    buttons->addWidget(ProgressBar(), 1);
    buttons->addWidget(CancelButton());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ui->DBGrid, 1);
    layout->addWidget(CreateLoadingInfoLabel());
    layout->addWidget(CreateSummaryPanel());
    layout->addLayout(buttons);
    // The document reads the staging table an import is replacing: not while one runs.
    connect(this, &TParkingImportForm::importStarted, ui->CreateButton,
            [this] { ui->CreateButton->setEnabled(false); });
    connect(this, &TParkingImportForm::importFinished, ui->CreateButton,
            [this] { ui->CreateButton->setEnabled(true); });

    FormCreate();
}

TParkingTicketForm::~TParkingTicketForm() = default;

// The grid shows the current tickets.
void TParkingTicketForm::FormCreate()
{
    // The status shows its caption, as the ticket lookup lists it; the field exists only
    // while the query is open.
    const auto captions = [this] {
        if (dataset::Field *status = m_dm.ParkingTicketZQ().FindField(QStringLiteral("status")))
            status->OnGetText = [](dataset::Field &sender, QString &text, bool) {
                text = sender.IsNull() ? QString() : parking::StatusCaption(sender.AsInteger());
            };
    };
    connect(&m_dm.ParkingTicketZQ(), &dataset::Query::afterOpen, this, captions);
    m_dm.ParkingTicketZQ().Close();
    m_dm.ParkingTicketZQ().Open();
    GridSorter.AddGrid(ui->DBGrid);
}

QList<dataset::Query *> TParkingTicketForm::TargetDataSets() const
{
    return {&m_dm.ParkingTicketRawZQ(), &m_dm.ParkingTicketZQ()};
}

// The grid's tickets are read again; the staging table, which no grid shows, only when
// something holds it open.
void TParkingTicketForm::ImportSucceeded(imports::ImportJob &, const imports::ImportSummary &)
{
    m_dm.ParkingTicketZQ().Refresh();
    if (m_dm.ParkingTicketRawZQ().Active())
        m_dm.ParkingTicketRawZQ().Refresh();
}

void TParkingTicketForm::UndoDone()
{
    m_dm.ParkingTicketZQ().Close();
    m_dm.ParkingTicketZQ().Open();
    if (m_dm.ParkingTicketRawZQ().Active())
        m_dm.ParkingTicketRawZQ().Refresh();
}

// Errors of the document reach the console's error display through the relay.
void TParkingTicketForm::CreateButtonClick()
{
    if (Importing())
        return;
    QDate day = QDate::currentDate().addDays(-1);
    if (!GetDate(day))
        return;
    // A day's second document only when asked for, before any transaction, and again
    // when another desk made the day's document meanwhile.
    imports::DayCopy copy = imports::DocumentMadeFor(*m_dm.Connection(), parking::ImportKind::TicketDocument, day)
        ? imports::DayCopy::Another
        : imports::DayCopy::First;
    if (copy == imports::DayCopy::Another && !ConfirmMessage(imports::SecondDocumentQuestion(day)))
        return;
    // The product picker opens at the top-left corner of the button, and only where the
    // user may choose among several products; a price without a product is reported.
    const QPoint at = ui->CreateButton->mapToGlobal(QPoint(0, 0));
    const auto choose = [this, at](const QString &barcode, TProductDesc &product) {
        return ProductByBarCode(m_dm.Host(), barcode, product, at.x(), at.y());
    };
    const auto lookup = [this, &choose](const QString &barcode, QString &reason) {
        return imports::ProductByBarcodeChoosing(m_dm.Host(), barcode, reason, choose);
    };
    imports::TicketDocumentResult result;
    for (;;) {
        try {
            const BusyCursor busy;
            result = imports::CreateTicketDocument(m_dm, day, lookup, copy);
            break;
        } catch (const imports::DayDocumentExists &) {
            if (!ConfirmMessage(imports::SecondDocumentQuestion(day)))
                return;
            copy = imports::DayCopy::Another;
        }
    }
    for (const QString &message : result.messages)
        ShowErrorMessage(message);
    ProgressBar()->setValue(result.written ? ProgressBar()->maximum() : 0);
    ShowInformationMessage(result.ReportLines().join(QLatin1Char('\n')));
}
