#include "ParkingVehicleHistoryUnit.h"

#include "TimeLine.h"
#include "VehicleHistory.h"
#include <dataset/DataSource.h>
#include <dataset/Error.h>
#include <dataset/MemoryRows.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/Interfaces.h>
#include <framework/report/GridPrint.h>
#include <framework/report/ReportDocument.h>
#include <framework/report/ReportOutput.h>
#include <parking/core/DocumentQueries.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/HostServices.h>
#include <parking/shared/WindowOpener.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {

using history::EventKind;

const QString kEventField = QStringLiteral("dogadjaj");

std::vector<dataset::FieldDef> EventFields()
{
    using dataset::FieldType;
    const auto field = [](const char *name, FieldType type, int size, const char *label) {
        dataset::FieldDef def;
        def.name = QLatin1String(name);
        def.type = type;
        def.size = size;
        def.displayLabel = QString::fromUtf8(label);
        return def;
    };
    std::vector<dataset::FieldDef> defs{
        field("vreme", FieldType::DateTime, 0, "Vreme"), field("vrsta", FieldType::String, 20, "Vrsta"),
        field("broj", FieldType::String, 30, "Broj"),    field("stanje", FieldType::String, 30, "Stanje"),
        field("iznos", FieldType::Real, 0, "Iznos"),     field("opis", FieldType::String, 120, "Opis"),
        field("dogadjaj", FieldType::Integer, 0, "")};
    defs[4].displayFormat = QStringLiteral("#,##0.00");
    defs.back().visible = false;
    return defs;
}

QString KindText(EventKind kind)
{
    switch (kind) {
    case EventKind::Document: return QStringLiteral("Dokument");
    case EventKind::Ticket: return QStringLiteral("Doplatna karta");
    case EventKind::Subscription: return QStringLiteral("Pretplata");
    case EventKind::StartStop: break;
    }
    return QStringLiteral("Start-stop");
}

QString StateText(const history::Event &event)
{
    if (event.kind != EventKind::Ticket)
        return {};
    switch (event.state) {
    case history::TicketState::Paid: return QStringLiteral("plaćena");
    case history::TicketState::Cancelled: return QStringLiteral("poništena");
    case history::TicketState::Open: break;
    }
    return QStringLiteral("otvorena");
}

// The row whose 'key' field holds 'id' becomes the current one; false when none does.
bool Locate(dataset::Query &query, const QString &key, qint64 id)
{
    const dataset::Field *field = query.Active() ? query.FindField(key) : nullptr;
    if (!field)
        return false;
    for (int row = 0; row < query.RecordCount(); ++row) {
        if (query.RowValue(row, field->Index()).toLongLong() == id) {
            query.SetRecNo(row + 1);
            return true;
        }
    }
    return false;
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption, const QString &tip = {})
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setToolTip(tip);
    return button;
}

} // namespace

TParkingVehicleHistoryForm::TParkingVehicleHistoryForm(TParkingDM &dm, const QString &plate, QWidget *parent,
                                                       const dataset::Query *startStop)
    : QDialog(parent)
    , m_dm(dm)
    , m_startStop(startStop)
    , m_events(std::make_unique<dataset::Query>())
{
    setObjectName(QStringLiteral("ParkingVehicleHistoryForm"));
    setWindowTitle(QStringLiteral("Istorija vozila"));
    dataset::ResizeScaled(*this, 1100, 520);

    auto *plateLabel = new QLabel(QStringLiteral("&Tablice:"), this);
    m_plateEdit = new QLineEdit(this);
    m_plateEdit->setObjectName(QStringLiteral("PlateEdit"));
    m_plateEdit->setPlaceholderText(QStringLiteral("npr. NS 77-88"));
    m_plateEdit->setToolTip(QStringLiteral("Istorija vozila sa ovim tablicama (Enter)"));
    m_plateEdit->setMinimumWidth(dataset::Scaled(*this, 140));
    plateLabel->setBuddy(m_plateEdit);
    auto *show = Button(this, "ShowButton", QStringLiteral("&Prikaži"));
    auto *day = Button(this, "DayButton", QStringLiteral("&Dan"), QStringLiteral("Jedan dan na širini prikaza"));
    auto *month =
        Button(this, "MonthButton", QStringLiteral("&Mesec"), QStringLiteral("Jedan mesec na širini prikaza"));
    auto *year =
        Button(this, "YearButton", QStringLiteral("&Godina"), QStringLiteral("Jedna godina na širini prikaza"));
    auto *all = Button(this, "AllButton", QStringLiteral("&Sve"), QStringLiteral("Svi događaji na širini prikaza"));
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("MessageLabel"));

    m_timeLine = new history::TimeLine(this);
    m_timeLine->setToolTip(QStringLiteral("Točkić miša uvećava i umanjuje, Shift+točkić i prevlačenje pomeraju"));
    m_source = new dataset::DataSource(this);
    m_source->SetDataSet(m_events.get());
    m_grid = new dataset::DBGrid(this);
    m_grid->setObjectName(QStringLiteral("EventDBG"));
    m_grid->SetReadOnly(true);
    m_grid->SetDataSource(m_source);
    m_events->OpenInMemory(dataset::MemoryRows(EventFields()));
    for (const auto &[name, width] :
         {std::pair{"vreme", 118}, {"vrsta", 104}, {"broj", 72}, {"stanje", 68}, {"iznos", 72}, {"opis", 160}})
        m_grid->AddColumn(QLatin1String(name), width);
    m_grid->SetStretchColumn(QStringLiteral("opis"));

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("HistorySplitter"));
    splitter->addWidget(m_timeLine);
    splitter->addWidget(m_grid);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto *print = Button(this, "PrintButton", QStringLiteral("Š&tampaj"));
    auto *close = Button(this, "CloseButton", QStringLiteral("&Zatvori"));
    close->setDefault(false);

    auto *tools = new QHBoxLayout;
    tools->addWidget(plateLabel);
    tools->addWidget(m_plateEdit);
    tools->addWidget(show);
    tools->addSpacing(12);
    tools->addWidget(m_message, 1);
    for (QPushButton *zoom : {day, month, year, all})
        tools->addWidget(zoom);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    const auto reported = [](auto action) { return [action] { dataset::ReportErrors(action); }; };
    connect(m_plateEdit, &QLineEdit::returnPressed, this, reported([this] { ShowPlate(m_plateEdit->text()); }));
    connect(show, &QPushButton::clicked, this, reported([this] { ShowPlate(m_plateEdit->text()); }));
    connect(day, &QPushButton::clicked, this, [this] { m_timeLine->ShowSpan(history::TimeLine::Span::Day); });
    connect(month, &QPushButton::clicked, this, [this] { m_timeLine->ShowSpan(history::TimeLine::Span::Month); });
    connect(year, &QPushButton::clicked, this, [this] { m_timeLine->ShowSpan(history::TimeLine::Span::Year); });
    connect(all, &QPushButton::clicked, this, [this] { m_timeLine->ShowAll(); });
    connect(print, &QPushButton::clicked, this, reported([this] { PrintButtonClick(); }));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_timeLine, &history::TimeLine::eventSelected, this, [this](int index) { SelectRowOf(index); });
    connect(m_timeLine, &history::TimeLine::eventActivated, this,
            [this](int index) { dataset::ReportErrors([this, index] { OpenEvent(index); }); });
    connect(m_events.get(), &dataset::Query::currentChanged, this, [this] { FollowRow(); });
    connect(m_grid, &dataset::DBGrid::cellDoubleClicked, this,
            [this](int row, int) { dataset::ReportErrors([this, row] { OpenEvent(EventOfRow(row)); }); });

    // While the window is open its table is the one the console prints and exports.
    m_printGrid = std::make_unique<parking::PrintGridLoan>(m_dm.Host(), m_grid);
    m_plateEdit->setText(plate);
    if (!plate.trimmed().isEmpty())
        ShowPlate(plate);
}

TParkingVehicleHistoryForm::~TParkingVehicleHistoryForm()
{
    disconnect(m_events.get(), nullptr, this, nullptr);
}

void TParkingVehicleHistoryForm::done(int result)
{
    m_printGrid.reset();
    QDialog::done(result);
}

void TParkingVehicleHistoryForm::ShowPlate(const QString &typed)
{
    m_typed = typed.trimmed();
    history::VehicleHistory loaded = history::LoadVehicleHistory(*m_dm.Connection(), typed, m_startStop);
    const bool empty = loaded.events.empty();
    const int count = int(loaded.events.size());
    m_timeLine->SetHistory(std::move(loaded));
    FillTable();
    setWindowTitle(m_typed.isEmpty() ? QStringLiteral("Istorija vozila")
                                     : QStringLiteral("Istorija vozila %1").arg(m_typed));
    m_message->setText(empty ? history::EmptyHistoryText(m_typed)
                             : QStringLiteral("%1: događaja %2").arg(m_timeLine->History().plate).arg(count));
}

// The table holds the events in the time line's order; the hidden field names each row's
// event, so a sort by a click on a title keeps rows and marks paired.
void TParkingVehicleHistoryForm::FillTable()
{
    dataset::MemoryRows rows(EventFields());
    const std::vector<history::Event> &events = m_timeLine->History().events;
    for (int i = 0; i < int(events.size()); ++i) {
        const history::Event &event = events[i];
        const QString summary = event.IsPeriod() ? event.label : event.details.section(u'\n', 1, 1);
        const QVariant amount =
            event.kind == EventKind::Ticket || event.kind == EventKind::Document ? QVariant(event.amount) : QVariant();
        const QVariant values[] = {
            event.start, KindText(event.kind), event.number, StateText(event), amount, summary, i};
        rows.Append(values);
    }
    m_following = true;
    m_events->OpenInMemory(std::move(rows));
    m_following = false;
    FollowRow();
}

int TParkingVehicleHistoryForm::EventOfRow(int row) const
{
    const dataset::Field *field = m_events->FindField(kEventField);
    if (!field || row < 0 || row >= m_events->RecordCount())
        return -1;
    return m_events->RowValue(row, field->Index()).toInt();
}

void TParkingVehicleHistoryForm::SelectRowOf(int index)
{
    if (m_following)
        return;
    m_following = true;
    for (int row = 0; row < m_events->RecordCount(); ++row) {
        if (EventOfRow(row) == index) {
            m_events->SetRecNo(row + 1);
            break;
        }
    }
    m_following = false;
}

void TParkingVehicleHistoryForm::FollowRow()
{
    if (m_following || !m_events->Active())
        return;
    m_following = true;
    m_timeLine->SelectEvent(m_events->IsEmpty() ? -1 : EventOfRow(m_events->RecNo() - 1));
    m_following = false;
}

// A document opens in an editor of a data module of the window's own on the same
// connection: the document list, and an editor with unsaved work that showed this
// window, keep their row and their items. The history is read again after.
void TParkingVehicleHistoryForm::OpenEvent(int index)
{
    const std::vector<history::Event> &events = m_timeLine->History().events;
    if (index < 0 || index >= int(events.size()))
        return;
    const history::Event event = events[index];
    switch (event.kind) {
    case EventKind::Document: {
        const std::unique_ptr<TParkingDM> own = TCustomDM::Create<TParkingDM>(m_dm.Host());
        own->SetZConnection(m_dm.Connection());
        dataset::Query &documents = own->ParkingDocumentZQ();
        parking::OpenDocument(documents, event.id);
        if (documents.IsEmpty())
            throw dataset::Error(QStringLiteral("Dokument %1 više ne postoji.").arg(event.number));
        m_dm.Host().Windows().EditDocument(*own, this);
        ShowPlate(m_typed);
        return;
    }
    case EventKind::Ticket: {
        m_dm.Host().Windows().OpenImport(QStringLiteral("tickets"), m_dm, this, [&] {
            Locate(m_dm.ParkingTicketZQ(), QStringLiteral("parkingticketid"), event.id);
        });
        return;
    }
    case EventKind::Subscription: {
        m_dm.Host().Windows().OpenImport(QStringLiteral("subscriptions"), m_dm, this, [&] {
            Locate(m_dm.ParkingSubscriptionZQ(), QStringLiteral("parkingsubscriptionid"), event.id);
        });
        return;
    }
    case EventKind::StartStop: return;
    }
}

QString TParkingVehicleHistoryForm::PrintButtonClick()
{
    constexpr int kPictureWidth = 1400;
    const QString title = windowTitle();
    const QString header =
        QStringLiteral("Štampano: %1").arg(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
    QString html = GridHtml(*m_grid, title, header);
    const QString picture = QStringLiteral("<p><img src=\"vozilo-istorija.png\" width=\"640\"></p>");
    const qsizetype table = html.indexOf(QStringLiteral("<table"));
    html.insert(table < 0 ? html.indexOf(QStringLiteral("</body>")) : table, picture);
    const std::unique_ptr<QTextDocument> page = NewReportDocument(html);
    page->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("vozilo-istorija.png")),
                      m_timeLine->Picture(kPictureWidth));
    return ReportOutput::Deliver(*page, title, this);
}
