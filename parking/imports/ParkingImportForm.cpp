#include "ParkingImportForm.h"

#include "ImportHistory.h"
#include "ImportKinds.h"
#include "ParkingImportHistoryUnit.h"
#include "TableReplacement.h"

#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <framework/base/BusyCursor.h>
#include <framework/base/CustomDM.h>
#include <framework/base/WheelArrowFilter.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/ParkingResourceString.h>
#include <routines/FormatFloat.h>
#include <routines/TextFormat.h>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace imports {

namespace {

constexpr int kProgressSteps = 1000;

} // namespace

ImportWorker::ImportWorker(QObject *parent)
    : QObject(parent)
{
}

ImportWorker::~ImportWorker()
{
    if (m_thread)
        m_thread->wait();
}

bool ImportWorker::Running() const
{
    return m_thread && !m_thread->isFinished();
}

// Progress is passed on only when it moved by a thousandth, so a million lines do not
// flood the event queue.
void ImportWorker::Start(std::unique_ptr<ImportJob> job, const QString &fileName,
                         const dataset::ConnectionParams &params, const QString &user, Emptying emptying)
{
    if (m_thread)
        m_thread->wait();
    m_job = std::move(job);
    m_summary = {};
    m_failure.reset();
    ImportJob *const work = m_job.get();
    m_thread.reset(QThread::create([this, work, fileName, params, user, emptying] {
        qint64 lastStep = -1;
        const auto progress = [this, &lastStep](qint64 done, qint64 total) {
            const qint64 step = total > 0 ? done * kProgressSteps / total : 0;
            if (step == lastStep)
                return;
            lastStep = step;
            QMetaObject::invokeMethod(
                this, [this, done, total] { Q_EMIT progressed(done, total); }, Qt::QueuedConnection);
        };
        try {
            m_summary = RunImport(*work, fileName, params, progress, user, emptying);
        } catch (const ImportError &e) {
            m_failure = e;
        }
    }));
    connect(m_thread.get(), &QThread::finished, this, &ImportWorker::finished, Qt::QueuedConnection);
    m_thread->start();
}

// State held while one import runs; its destruction restores cursor and decimal separator.
struct TParkingImportForm::Running {
    QString fileName;
    Emptying emptying = Emptying::Refused;
    FormatSettingsGuard formatSettings;
    std::unique_ptr<BusyCursor> cursor;
    QList<dataset::Query *> targets;
    ImportWorker worker;
};

// The frame's widgets; the status label exists only on forms that show a status text.
struct TParkingImportForm::Ui {
    QPushButton *LoadButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QLabel *LoadingInfoLabel = nullptr;
    QPlainTextEdit *SummaryPanel = nullptr;
    QPushButton *UndoButton = nullptr;
};

TParkingImportForm::TParkingImportForm(TParkingDM &dm, const ImportDescriptor &kind, QWidget *parent)
    : QDialog(parent)
    , m_module(dm)
    , m_kind(kind)
    , ui(std::make_unique<Ui>())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(kind.FormName());
    setWindowTitle(kind.caption);
    new WheelArrowFilter(this);
    ui->LoadButton = new QPushButton(QStringLiteral("Učitaj"), this);
    ui->LoadButton->setObjectName(QStringLiteral("LoadButton"));
    ui->LoadButton->setAutoDefault(false);
    ui->CancelButton = new QPushButton(QStringLiteral("&Zatvori"), this);
    ui->CancelButton->setObjectName(QStringLiteral("CancelButton"));
    ui->CancelButton->setDefault(true);
    ui->ProgressBar = new QProgressBar(this);
    ui->ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ui->ProgressBar->setRange(0, kProgressSteps);
    ui->ProgressBar->setValue(0);
    connect(ui->LoadButton, &QPushButton::clicked, this, [this] { LoadButtonClick(); });
    connect(ui->CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
}

TParkingImportForm::~TParkingImportForm() = default;

QPushButton *TParkingImportForm::LoadButton() const
{
    return ui->LoadButton;
}

QPushButton *TParkingImportForm::CancelButton() const
{
    return ui->CancelButton;
}

QProgressBar *TParkingImportForm::ProgressBar() const
{
    return ui->ProgressBar;
}

QLabel *TParkingImportForm::CreateLoadingInfoLabel()
{
    ui->LoadingInfoLabel = new QLabel(QStringLiteral("Spremno za učitavanje."), this);
    ui->LoadingInfoLabel->setObjectName(QStringLiteral("LoadingInfoLabel"));
    return ui->LoadingInfoLabel;
}

QPlainTextEdit *TParkingImportForm::CreateSummaryPanel()
{
    ui->SummaryPanel = new QPlainTextEdit(this);
    ui->SummaryPanel->setObjectName(QStringLiteral("SummaryPanel"));
    ui->SummaryPanel->setReadOnly(true);
    ui->SummaryPanel->setMaximumHeight(fontMetrics().lineSpacing() * 6);
    ui->SummaryPanel->hide();
    return ui->SummaryPanel;
}

QPushButton *TParkingImportForm::CreateUndoButton()
{
    ui->UndoButton = new QPushButton(QStringLiteral("Vrati prethodni uvoz"), this);
    ui->UndoButton->setObjectName(QStringLiteral("UndoButton"));
    ui->UndoButton->setAutoDefault(false);
    connect(ui->UndoButton, &QPushButton::clicked, this, [this] { UndoButtonClick(); });
    return ui->UndoButton;
}

QPushButton *TParkingImportForm::CreateHistoryButton(TParkingDM &dm)
{
    dataset::Connection *connection = dm.Connection();
    const parking::HostServices &host = dm.Host();
    auto *button = new QPushButton(QStringLiteral("Istorija uvoza"), this);
    button->setObjectName(QStringLiteral("HistoryButton"));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, &host, connection] {
        try {
            ShowImportHistory(host, connection, this);
        } catch (...) {
            dataset::ReportError(std::current_exception());
        }
    });
    return button;
}

// The question is asked with no connection busy; the swap itself is one RENAME TABLE.
void TParkingImportForm::UndoButtonClick()
{
    if (Importing())
        return;
    try {
        if (!m_kind.undo)
            throw dataset::Error(QStringLiteral("Ovaj uvoz se ne može vratiti."));
        const QStringList &tables = m_kind.tables;
        dataset::Connection connection;
        connection.Connect(ModuleConnectionParams(m_module.Connection()));
        const std::optional<ImportGeneration> previous = PreviousImport(connection, tables);
        if (!previous) {
            ShowInformationMessage(QStringLiteral("Vraćanje nije moguće: nema prethodnog uvoza."));
            return;
        }
        if (!ConfirmMessage(
                QStringLiteral("Poništiti uvoz od %1 i vratiti podatke kakvi su bili pre njega?")
                    .arg(SafeText(previous->label))))
            return;
        const BusyCursor busy;
        // Undoes the import the question named, or nothing when another came meanwhile.
        UndoLastImport(connection, tables, *m_kind.undo, HistoryUser(), previous);
        UndoDone();
        SetStatus(QStringLiteral("Vraćen je prethodni uvoz."));
        ui->ProgressBar->setValue(0);
        if (ui->SummaryPanel)
            ui->SummaryPanel->hide();
    } catch (...) {
        // An undo reads no file: its failure is told without the file-format title.
        const ImportError error = ToImportError(std::current_exception());
        dataset::ReportError(std::make_exception_ptr(dataset::Error(error.cause())));
    }
}

bool TParkingImportForm::Importing() const
{
    return m_running != nullptr;
}

void TParkingImportForm::SetStatus(const QString &text)
{
    if (ui->LoadingInfoLabel)
        ui->LoadingInfoLabel->setText(text);
}

dataset::ConnectionParams ModuleConnectionParams(const dataset::Connection *connection)
{
    if (!connection)
        throw dataset::Error(QStringLiteral("Modul nije povezan sa bazom podataka."));
    return connection->Params();
}

void TParkingImportForm::ImportSucceeded(ImportJob &, const ImportSummary &) {}

dataset::ConnectionParams TParkingImportForm::ImportConnectionParams(const ImportJob &job) const
{
    return job.UsesDatabase() ? ModuleConnectionParams(m_module.Connection()) : dataset::ConnectionParams{};
}

QString TParkingImportForm::HistoryUser() const
{
    int userId = 0;
    QString name;
    m_module.GetPublisher(userId, name, true);
    return name;
}

// Runs from a button's click: errors are reported here (ReportError), none leaves the handler.
void TParkingImportForm::LoadButtonClick()
{
    if (Importing())
        return;
    const QString fileName =
        DialogService::Instance().GetOpenFileName(QStringLiteral("Učitaj CSV"), QStringLiteral("CSV datoteka (*.csv)"));
    if (!fileName.isEmpty())
        StartImport(fileName, Emptying::Refused);
}

void TParkingImportForm::StartImport(const QString &fileName, Emptying emptying)
{
    try {
        CheckImportFileName(fileName);
        std::unique_ptr<ImportJob> job = m_kind.createJob();
        const dataset::ConnectionParams params = ImportConnectionParams(*job);
        auto running = std::make_unique<Running>();
        running->fileName = fileName;
        running->emptying = emptying;
        FormatSettings::Current().DecimalSeparator = QLatin1Char('.');
        SetStatus(ParkingResourceString("_CSV_LOAD_PROGRESS_INF"));
        QCoreApplication::processEvents();
        running->cursor = std::make_unique<BusyCursor>();
        running->targets = TargetDataSets();
        for (dataset::Query *query : running->targets)
            query->DisableControls();
        m_running = std::move(running);
        ui->LoadButton->setEnabled(false);
        ui->CancelButton->setEnabled(false);
        if (ui->UndoButton)
            ui->UndoButton->setEnabled(false);
        ui->ProgressBar->setValue(0);
        if (ui->SummaryPanel)
            ui->SummaryPanel->hide();
        connect(&m_running->worker, &ImportWorker::progressed, this, [this](qint64 done, qint64 total) {
            ui->ProgressBar->setValue(total > 0 ? int(done * kProgressSteps / total) : 0);
        });
        connect(&m_running->worker, &ImportWorker::finished, this, [this] { Finish(m_running->worker.Failure()); });
        m_running->worker.Start(std::move(job), fileName, params, HistoryUser(), emptying);
        Q_EMIT importStarted();
    } catch (...) {
        const ImportError error = ToImportError(std::current_exception());
        if (m_running)
            Finish(error);
        else
            dataset::ReportError(std::make_exception_ptr(error));
    }
}

// Back on the user-interface thread: each target dataset goes to its first row and its
// controls come on again (one repaint), then cursor and decimal separator are restored.
void TParkingImportForm::Finish(std::optional<ImportError> failure)
{
    if (!m_running)
        return;
    const ImportSummary summary = m_running->worker.Summary();
    std::exception_ptr refreshFailed; // the import is stored; showing it failed
    if (!failure && m_running->worker.Job()) {
        try {
            ImportSucceeded(*m_running->worker.Job(), summary);
        } catch (...) {
            refreshFailed = std::current_exception();
        }
        SetStatus(ParkingResourceString("_CSV_LOAD_LAST_SUCC_INF"));
        if (ui->SummaryPanel) {
            ui->SummaryPanel->setPlainText(summary.Lines().join(QLatin1Char('\n')));
            ui->SummaryPanel->show();
        }
        ui->ProgressBar->setValue(kProgressSteps);
    }
    for (dataset::Query *query : m_running->targets) {
        try {
            if (query->Active())
                query->First();
        } catch (...) {
            if (!failure && !refreshFailed)
                refreshFailed = std::current_exception();
        }
        query->EnableControls();
    }
    const QString fileName = m_running->fileName;
    const bool askToEmpty = failure && failure->emptiesTable() && m_running->emptying == Emptying::Refused;
    m_running.reset();
    ui->LoadButton->setEnabled(true);
    ui->CancelButton->setEnabled(true);
    if (ui->UndoButton)
        ui->UndoButton->setEnabled(true);
    if (failure) {
        // The run is over: the text and the bar say so, not a load still going on.
        SetStatus(QStringLiteral("Učitavanje nije uspelo."));
        ui->ProgressBar->setValue(0);
    }
    Q_EMIT importFinished(!failure);
    if (askToEmpty) {
        // A non-empty file without a row to store: the table is emptied only on "Da".
        if (ConfirmMessage(QStringLiteral("%1\nUvesti je ipak i ostaviti tabelu praznu?").arg(failure->cause())))
            StartImport(fileName, Emptying::Allowed);
        return;
    }
    if (failure)
        dataset::ReportError(std::make_exception_ptr(*failure));
    else if (refreshFailed)
        ReportRefreshFailure(refreshFailed, summary);
}

void TParkingImportForm::ReportRefreshFailure(const std::exception_ptr &error, const ImportSummary &summary)
{
    // The cause as an import error words it (escaped), without the file-format title.
    const QString cause = ElidedValue(ToImportError(error).cause(), 500);
    const QStringList lines = QStringList{QStringLiteral("Uvoz je upisan, ali prikaz tabele nije osvežen: %1").arg(cause),
                                          QStringLiteral("Zatvorite i ponovo otvorite prozor da biste videli nove podatke.")}
        + summary.Lines();
    dataset::ReportError(std::make_exception_ptr(dataset::Error(lines.join(QLatin1Char('\n')))));
}

void TParkingImportForm::CancelButtonClick()
{
    close();
}

// The form stays open while its import runs.
void TParkingImportForm::reject()
{
    if (!Importing())
        QDialog::reject();
}

void TParkingImportForm::closeEvent(QCloseEvent *event)
{
    if (Importing())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

} // namespace imports
