#include "ParkingPayDeskUnit.h"

#include "PayDeskCharts.h"
#include "PayDeskSql.h"

#include <dataset/Connection.h>
#include <dataset/ControlsDisabled.h>
#include <dataset/Error.h>
#include <dataset/ErrorRelay.h>
#include <dataset/Query.h>
#include <dataset/SaveToken.h>
#include <dataset/UnitOfWork.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/base/BusyCursor.h>
#include <framework/base/FeedbackBanner.h>
#include <framework/base/GridSorter.h>
#include <framework/base/WheelArrowFilter.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <framework/report/GridPrint.h>
#include <framework/report/PicturePrint.h>
#include <parking/data/HostDocumentWriter.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/host/ParkingRegistration.h>
#include <parking/imports/ImportHistory.h>
#include <parking/host/ParkingResourceString.h>
#include <routines/DateParse.h>
#include <routines/FormatFloat.h>

#include <QAction>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

void Reload(dataset::Query &query, const QStringList &sql, const QString &day)
{
    if (query.Active())
        query.Close();
    query.SetSQL(sql);
    paydesk::BindPeriod(query, day, day);
    query.Open();
}

QPushButton *NewButton(const QString &name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    // Enter in the date box must never start a document run.
    button->setAutoDefault(false);
    return button;
}

dataset::DBGrid *NewGrid(const QString &name, dataset::DataSource *source, QWidget *parent)
{
    auto *grid = new dataset::DBGrid(parent);
    grid->setObjectName(name);
    grid->SetDataSource(source);
    grid->SetReadOnly(true);
    return grid;
}

} // namespace

struct TParkingPayDeskForm::Ui {
    QLabel *DateLabel = nullptr;
    QLineEdit *DateEdit = nullptr;
    QPushButton *DateButton = nullptr;
    QPushButton *CreateButton = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QPushButton *CloseButton = nullptr;
    dataset::DBGrid *ParkingPayDeskProductDBG = nullptr;
    dataset::DBGrid *ParkingPayDeskUserDBG = nullptr;
    QPushButton *PrintProdButton = nullptr;
    QPushButton *PrintUserButton = nullptr;
    QAction *PrintProduct = nullptr;
    QAction *PrintUser = nullptr;
    QTabWidget *Pages = nullptr;
    paydesk::PayDeskCharts *Charts = nullptr;
};

TParkingPayDeskForm::TParkingPayDeskForm(TParkingDM &dm, QWidget *owner)
    : QDialog(owner)
    , m_dm(dm)
    , ui(std::make_unique<Ui>())
{
    setObjectName(QStringLiteral("ParkingPayDeskForm"));
    setWindowTitle(QStringLiteral("Blagajna"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    BuildLayout();
    dataset::ResizeScaled(*this, 704, 358);
    if (const QScreen *shownOn = screen())
        move(shownOn->availableGeometry().center() - rect().center());
    new WheelArrowFilter(this);
    FormCreate();
}

TParkingPayDeskForm::~TParkingPayDeskForm()
{
    // The date box loses focus while the dialog's children are destroyed; by then this
    // form must not handle its "editing finished".
    disconnect(ui->DateEdit, nullptr, this, nullptr);
}

void TParkingPayDeskForm::BuildLayout()
{
    auto *top = new QHBoxLayout;
    ui->DateLabel = new QLabel(QStringLiteral("Datum"), this);
    ui->DateEdit = new QLineEdit(this);
    ui->DateEdit->setObjectName(QStringLiteral("DateEdit"));
    ui->DateEdit->setFixedWidth(qMax(
        dataset::Scaled(*this, 90), ui->DateEdit->fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000 ")) + 12));
    ui->DateLabel->setBuddy(ui->DateEdit);
    ui->DateButton = NewButton(QStringLiteral("DateButton"), QStringLiteral("..."), this);
    ui->DateButton->setFocusPolicy(Qt::NoFocus);
    ui->DateButton->setFixedWidth(qMax(dataset::Scaled(*this, 24), dataset::NeededWidth(*ui->DateButton)));
    ui->CreateButton = NewButton(QStringLiteral("CreateButton"), QStringLiteral("Kreiraj dokument"), this);
    ui->ProgressBar = new QProgressBar(this);
    ui->ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ui->ProgressBar->setValue(0);
    ui->CloseButton = NewButton(QStringLiteral("CloseButton"), QStringLiteral("&Zatvori"), this);
    top->addWidget(ui->DateLabel);
    top->addWidget(ui->DateEdit);
    top->addWidget(ui->DateButton);
    top->addSpacing(8);
    top->addWidget(ui->CreateButton);
    top->addWidget(ui->ProgressBar, 1);
    top->addWidget(ui->CloseButton);

    ui->ParkingPayDeskProductDBG =
        NewGrid(QStringLiteral("ParkingPayDeskProductDBG"), &m_dm.ParkingPayDeskProductDS(), this);
    ui->ParkingPayDeskProductDBG->AddColumn(QStringLiteral("productcode"), 60);
    ui->ParkingPayDeskProductDBG->AddColumn(QStringLiteral("productname"), 140);
    ui->ParkingPayDeskProductDBG->AddColumn(QStringLiteral("SumQuantity"));
    ui->ParkingPayDeskProductDBG->AddColumn(QStringLiteral("SumItemTotal"), 80);
    ui->ParkingPayDeskUserDBG = NewGrid(QStringLiteral("ParkingPayDeskUserDBG"), &m_dm.ParkingPayDeskUserDS(), this);
    ui->ParkingPayDeskUserDBG->AddColumn(QStringLiteral("UserName"), 140);
    ui->ParkingPayDeskUserDBG->AddColumn(QStringLiteral("SumItemTotal"), 80);
    ui->ParkingPayDeskProductDBG->SetStretchColumn(QStringLiteral("productname"));
    ui->ParkingPayDeskUserDBG->SetStretchColumn(QStringLiteral("UserName"));

    ui->PrintProduct = new QAction(QStringLiteral("Š&tampaj"), this);
    ui->PrintProduct->setObjectName(QStringLiteral("PrintProduct"));
    ui->PrintUser = new QAction(QStringLiteral("Š&tampaj"), this);
    ui->PrintUser->setObjectName(QStringLiteral("PrintUser"));
    ui->PrintProdButton = NewButton(QStringLiteral("PrintProdButton"), ui->PrintProduct->text(), this);
    ui->PrintUserButton = NewButton(QStringLiteral("PrintUserButton"), ui->PrintUser->text(), this);

    auto *left = new QVBoxLayout;
    left->addWidget(ui->ParkingPayDeskProductDBG, 1);
    left->addWidget(ui->PrintProdButton, 0, Qt::AlignLeft);
    auto *right = new QVBoxLayout;
    right->addWidget(ui->ParkingPayDeskUserDBG, 1);
    right->addWidget(ui->PrintUserButton, 0, Qt::AlignLeft);
    auto *tables = new QWidget;
    tables->setObjectName(QStringLiteral("TablesTS"));
    auto *grids = new QHBoxLayout(tables);
    grids->setContentsMargins(4, 4, 4, 4);
    grids->addLayout(left, 3);
    grids->addLayout(right, 2);
    ui->Charts = new paydesk::PayDeskCharts(m_dm.ParkingPayDeskProductZQ(), m_dm.ParkingPayDeskUserZQ());
    ui->Charts->layout()->setContentsMargins(4, 4, 4, 4);
    ui->Pages = new QTabWidget(this);
    ui->Pages->setObjectName(QStringLiteral("PayDeskPages"));
    ui->Pages->addTab(tables, QStringLiteral("T&abele"));
    ui->Pages->addTab(ui->Charts, QStringLiteral("&Grafikoni"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(ui->Pages, 1);
    // Under both pages, so news reaches the cashier on whichever page is shown.
    m_feedback = FeedbackBanner::InLayout(this);
    layout->addWidget(m_feedback);

    // An error of a handler leaves Qt's button handling first and reaches the
    // console's error display from an event of its own.
    m_errors = new dataset::ErrorRelay(this);
    const auto guarded = [this](void (TParkingPayDeskForm::*handler)()) {
        return [this, handler] { dataset::Relayed(m_errors, [this, handler] { (this->*handler)(); }); };
    };
    connect(ui->DateButton, &QPushButton::clicked, this, guarded(&TParkingPayDeskForm::DateButtonClick));
    // A date typed into the box counts once Enter is pressed or the box is left.
    connect(ui->DateEdit, &QLineEdit::editingFinished, this, guarded(&TParkingPayDeskForm::DateEditDone));
    connect(ui->CreateButton, &QPushButton::clicked, this, guarded(&TParkingPayDeskForm::CreateButtonClick));
    connect(ui->CloseButton, &QPushButton::clicked, this, [this] { CloseButtonClick(); });
    connect(ui->PrintProduct, &QAction::triggered, this, guarded(&TParkingPayDeskForm::PrintProductExecute));
    connect(ui->PrintUser, &QAction::triggered, this, guarded(&TParkingPayDeskForm::PrintUserExecute));
    connect(ui->Pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (ui->Pages->widget(index) == ui->Charts)
            GrowForCharts();
    });
    connect(ui->Charts, &paydesk::PayDeskCharts::printRequested, this,
            guarded(&TParkingPayDeskForm::PrintChartsExecute));
    connect(ui->PrintProdButton, &QPushButton::clicked, ui->PrintProduct, &QAction::trigger);
    connect(ui->PrintUserButton, &QPushButton::clicked, ui->PrintUser, &QAction::trigger);
}

// Four charts need more room than two grids: the window grows to hold them, never shrinks.
void TParkingPayDeskForm::GrowForCharts()
{
    const QSize before = size();
    dataset::ResizeScaled(*this, 900, 600);
    resize(size().expandedTo(before));
    if (const QScreen *shownOn = screen(); shownOn && !shownOn->availableGeometry().contains(frameGeometry()))
        move(shownOn->availableGeometry().center() - rect().center());
}

void TParkingPayDeskForm::LoadSummaries(TParkingDM &dm, const QString &day)
{
    const QString from = paydesk::ItemsFrom();
    const QString total = paydesk::ItemTotalSum();
    const QString condition = paydesk::PeriodCondition();
    Reload(
        dm.ParkingPayDeskProductZQ(),
        {QStringLiteral("SELECT pdi.productcode, pdi.productname, SUM(pdi.quantity) AS SumQuantity, ") + total
             + QStringLiteral(" AS SumItemTotal, "
                              "pdi.productid, pdi.taxid, pdi.taxvalue, pdi.price, SUM(pdi.itemvalue) AS SumItemValue"),
         from, condition, QStringLiteral("GROUP BY pdi.productid ORDER BY pdi.productname")},
        day);
    Reload(dm.ParkingPayDeskUserZQ(), paydesk::UserSummarySql(), day);
}

void TParkingPayDeskForm::FormCreate()
{
    ui->DateEdit->setText(QDate::currentDate().toString(kDayFormat));
    ShowDay(QDate::currentDate());
    GridSorter.AddGrid(ui->ParkingPayDeskProductDBG);
    GridSorter.AddGrid(ui->ParkingPayDeskUserDBG);
}

// The picker always starts on today, whatever the box holds.
void TParkingPayDeskForm::DateButtonClick()
{
    QDateTime chosen = QDateTime::currentDateTime();
    if (!GetDate(chosen))
        return;
    ui->DateEdit->setText(chosen.date().toString(kDayFormat));
    ShowDay(chosen.date());
}

// The day in the date box; throws when the box holds no date.
QDate TParkingPayDeskForm::TypedDay() const
{
    try {
        return MyDateStrToDate(ui->DateEdit->text());
    } catch (const std::runtime_error &error) {
        throw dataset::Error(QString::fromUtf8(error.what()));
    }
}

void TParkingPayDeskForm::DateEditDone()
{
    const QDate day = TypedDay();
    if (day != m_shownDay)
        ShowDay(day);
}

// Both grids show 'day'; the run writes the day the grids show.
void TParkingPayDeskForm::ShowDay(const QDate &day)
{
    LoadSummaries(m_dm, day.toString(kDayFormat));
    m_shownDay = day;
}

QDate TParkingPayDeskForm::ShownDay() const
{
    return m_shownDay;
}

namespace {

// Rows of surcharge tickets (DK...) and subscriptions (OPN...) are not written.
bool WrittenRow(const QString &productCode)
{
    return !productCode.startsWith(QLatin1String("DK")) && !productCode.startsWith(QLatin1String("OPN"));
}

// Whether any summary row would give an item; the summary is left on its first row.
bool HasDocumentItems(dataset::Query &summary)
{
    bool found = false;
    for (summary.First(); !summary.Eof() && !found; summary.Next())
        found = WrittenRow(summary.FieldByName(QStringLiteral("productcode")).AsString());
    summary.First();
    return found;
}

} // namespace

// One "M" document from the product summary. Rows of surcharge tickets (codes DK...) and
// subscriptions (OPN...) are counted but not written; the written rows are numbered
// without gaps except where the server refused a row. A document that cannot be posted
// ends the run with nothing written.
void TParkingPayDeskForm::CreateButtonClick()
{
    ui->ProgressBar->setValue(0);
    // The box may hold a day the grids do not show yet: the run takes the box's day.
    const QDate typed = TypedDay();
    if (typed != m_shownDay)
        ShowDay(typed);
    const QDate documentDate = m_shownDay;
    dataset::Query &summary = m_dm.ParkingPayDeskProductZQ();
    const dataset::ControlsDisabled frozen(summary);
    summary.First();
    if (summary.Eof())
        return;
    if (!HasDocumentItems(summary)) {
        ShowInformationMessage(
            QStringLiteral("Za %1 nema stavki za dokument.").arg(documentDate.toString(QStringLiteral("dd.MM.yyyy"))));
        return;
    }
    // A day's second document only when asked for; the question is put before any
    // transaction, and again when another desk made the day's document meanwhile.
    bool again = imports::DocumentMadeFor(*m_dm.Connection(), imports::kHistoryPayDeskDocument, documentDate);
    if (again && !ConfirmMessage(imports::SecondDocumentQuestion(documentDate)))
        return;
    if (!ConfirmRun(summary, documentDate))
        return;
    // The document and its history record are written as one unit of work, run again from
    // its start after a deadlock, a cluster's refusal or a lost link; every try carries
    // the same token.
    const dataset::SaveToken token{QStringLiteral("document"), QStringLiteral("documentid")};
    QStringList messages;
    QString caption;
    int documentId = 0;
    bool refused = false;
    for (;;) {
        try {
            const BusyCursor busy;
            dataset::RetryUnitOfWork(*m_dm.Connection(), [&] {
                THostDocumentWriter writer(m_dm, token);
                if (writer.PostHeader({QStringLiteral("M"), documentDate, nullptr, std::nullopt})
                    == PostOutcome::Refused) {
                    refused = true;
                    messages = writer.Messages();
                    return;
                }
                const int written = WriteDocumentItems(summary, writer);
                caption = writer.DocumentCaption();
                RecordDocument(documentDate, caption, written, again);
                documentId = writer.Commit();
                messages = writer.Messages();
            });
            break;
        } catch (const dataset::AlreadySaved &saved) {
            // A try whose COMMIT's reply was lost had stored the document and its record.
            documentId = int(saved.key());
            caption = StoredHostDocument(m_dm, documentId).caption;
            break;
        } catch (const imports::DayDocumentExists &) {
            if (!ConfirmMessage(imports::SecondDocumentQuestion(documentDate)))
                return;
            again = true;
        }
    }
    // Only once the writer's transaction has ended.
    const auto showMessages = [&messages] {
        for (const QString &message : messages)
            ShowErrorMessage(message);
    };
    if (refused) {
        showMessages();
        return;
    }
    showMessages();
    HostDocumentNotice(documentId, DocumentNoticeKind::Document);
    m_feedback->Show(QStringLiteral("Napravljen je dokument %1 za %2.")
                         .arg(caption, documentDate.toString(QStringLiteral("dd.MM.yyyy"))));
}

// Posts an item for each written row of the summary; returns how many were given.
int TParkingPayDeskForm::WriteDocumentItems(dataset::Query &summary, THostDocumentWriter &writer)
{
    ui->ProgressBar->setMaximum(summary.RecordCount());
    ui->ProgressBar->setValue(0);
    const auto field = [&summary](const char *name) -> dataset::Field & {
        return summary.FieldByName(QString::fromLatin1(name));
    };
    int sort = 1;
    for (summary.First(); !summary.Eof(); summary.Next()) {
        const QString code = field("productcode").AsString();
        if (WrittenRow(code)) {
            THostDocumentItem item;
            item.productCode = code;
            item.productName = field("productname").AsString();
            item.productId = field("productid").AsInteger();
            item.taxId = field("taxid").AsInteger();
            item.taxValue = field("taxvalue").AsFloat();
            item.price = field("price").AsFloat();
            item.quantity = field("SumQuantity").AsFloat();
            item.itemValue = field("SumItemValue").AsFloat();
            item.sort = sort++;
            writer.PostItem(item);
        }
        ui->ProgressBar->setValue(ui->ProgressBar->value() + 1);
    }
    return sort - 1;
}

// The run is confirmed with what it will write: its day, its items and their total.
bool TParkingPayDeskForm::ConfirmRun(dataset::Query &summary, const QDate &day)
{
    int count = 0;
    double total = 0.0;
    for (summary.First(); !summary.Eof(); summary.Next()) {
        if (!WrittenRow(summary.FieldByName(QStringLiteral("productcode")).AsString()))
            continue;
        ++count;
        total += summary.FieldByName(QStringLiteral("SumItemTotal")).AsFloat();
    }
    return ConfirmMessage(QStringLiteral("Kreirati dokument za %1? Stavki: %2, ukupno %3 RSD.")
                              .arg(day.toString(QStringLiteral("dd.MM.yyyy")))
                              .arg(count)
                              .arg(FormatFloat(QStringLiteral("#,##0.00"), total)));
}

// The day's document is on record in the import history, written in the document's own
// transaction, so a second one is asked first (and refused without "Da").
void TParkingPayDeskForm::RecordDocument(const QDate &day, const QString &caption, int items, bool again)
{
    imports::ImportRecord record;
    record.kind = imports::kHistoryPayDeskDocument;
    int userId = 0;
    m_dm.GetPublisher(userId, record.user, true);
    record.documentDay = day;
    record.rowsStored = items;
    record.succeeded = true;
    record.document = caption;
    imports::RecordDayDocument(*m_dm.Connection(), record, again);
}

void TParkingPayDeskForm::PrintProductExecute()
{
    PrintGridOf(ui->ParkingPayDeskProductDBG, "_PAY_DESK_PROD_CAP");
}

void TParkingPayDeskForm::PrintUserExecute()
{
    PrintGridOf(ui->ParkingPayDeskUserDBG, "_PAY_DESK_USER_CAP");
}

// The charts of the shown day with both grids under them, as one printout of its own.
void TParkingPayDeskForm::PrintChartsExecute()
{
    ui->Charts->Update();
    // The day the charts were read for, which is the day the grids hold.
    const QString title = windowTitle() + QLatin1Char(' ')
        + ui->Charts->Data().day.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" - Grafikoni");
    QList<ReportPicture> pictures;
    for (const QImage &image : ui->Charts->Pictures(QSize(640, 220)))
        pictures.push_back({image});
    PrintPictures(title, PrintHeader(ui->ParkingPayDeskProductDBG), pictures,
                  GridTableHtml(*ui->ParkingPayDeskProductDBG) + GridTableHtml(*ui->ParkingPayDeskUserDBG), this);
}

// The console prints its print grid; the one it had before is put back on every path.
void TParkingPayDeskForm::PrintGridOf(dataset::DBGrid *grid, const char *captionEntry)
{
    if (!GlobalConsole)
        return;
    const QString params = QStringLiteral("title:") + windowTitle() + QLatin1Char(' ') + ui->DateEdit->text()
        + QStringLiteral(" - ") + ParkingResourceString(captionEntry) + QStringLiteral(";header:") + PrintHeader(grid);
    struct Restore {
        dataset::DBGrid *previous;
        ~Restore() { GlobalConsole->SetPrintGrid(previous); }
    } restore{GlobalConsole->GetPrintGrid()};
    GlobalConsole->SetPrintGrid(grid);
    GlobalConsole->RunWizard(CommonResourceString(u"_CMN_PRINT_WIZ_NAME"), params);
}

// The line over a printout: its grand total, who printed it and when.
QString TParkingPayDeskForm::PrintHeader(const dataset::DBGrid *grid) const
{
    double total = 0.0;
    if (dataset::Query *query = grid->GetDataSet(); query && query->Active()) {
        const dataset::ControlsDisabled frozen(*query);
        const int at = query->RecNo();
        for (query->First(); !query->Eof(); query->Next())
            total += query->FieldByName(QStringLiteral("SumItemTotal")).AsFloat();
        if (at > 0)
            query->SetRecNo(at);
    }
    int userId = 0;
    QString operatorName;
    m_dm.GetPublisher(userId, operatorName, true);
    return QStringLiteral("Ukupno: %1 RSD · Štampao: %2 · Vreme štampe: %3")
        .arg(FormatFloat(QStringLiteral("#,##0.00"), total),
             operatorName.trimmed().isEmpty() ? QStringLiteral("-") : operatorName.trimmed(),
             QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
}

void TParkingPayDeskForm::CloseButtonClick()
{
    close();
}
