#include "ParkingImportHistoryUnit.h"

#include "ImportHistory.h"

#include <dataset/Connection.h>
#include <dataset/DataSource.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/Interfaces.h>
#include <framework/base/GridSorter.h>
#include <framework/common/CommonResourceString.h>
#include <parking/shared/HostServices.h>
#include <routines/TextFormat.h>

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Column {
    const char *field;
    const char *title;
    int width;
};

constexpr Column kColumns[] = {
    {"startedat", "Početak", 130},    {"endedat", "Kraj", 130},           {"kind", "Vrsta", 110},
    {"outcome", "Ishod", 80},         {"username", "Korisnik", 110},      {"computer", "Računar", 100},
    {"filename", "Datoteka", 200},    {"filesize", "Veličina", 80},       {"documentday", "Dan dokumenta", 90},
    {"document", "Dokument", 70},     {"linesread", "Pročitano", 70},     {"rowsstored", "Upisano", 70},
    {"leftout", "Izostavljeno", 250}, {"firsterror", "Prva greška", 250}, {"sha256", "SHA-256", 200},
};

} // namespace

TParkingImportHistoryForm::TParkingImportHistoryForm(const parking::HostServices &host,
                                                     dataset::Connection *connection, QWidget *parent)
    : QDialog(parent)
    , m_query(std::make_unique<dataset::Query>())
    , m_host(host)
{
    setObjectName(QStringLiteral("ParkingImportHistoryForm"));
    setWindowTitle(QStringLiteral("Istorija uvoza"));
    resize(980, 480);
    m_query->SetConnection(connection);
    m_query->SetSQL({imports::HistoryListStatement()});
    m_query->Open();
    for (const Column &column : kColumns) {
        dataset::Field &field = m_query->FieldByName(QString::fromLatin1(column.field));
        field.SetDisplayLabel(QString::fromUtf8(column.title));
        // File names and causes may carry control characters or bidi marks.
        field.OnGetText = [](dataset::Field &, QString &text, bool) { text = SafeText(text); };
    }
    m_source = new dataset::DataSource(this);
    m_source->SetDataSet(m_query.get());

    m_grid = new dataset::DBGrid(this);
    m_grid->setObjectName(QStringLiteral("HistoryDBG"));
    m_grid->SetReadOnly(true);
    m_grid->SetDataSource(m_source);
    for (const Column &column : kColumns)
        m_grid->AddColumn(QString::fromLatin1(column.field), column.width);
    GridSorter.AddGrid(m_grid);

    auto *print = new QPushButton(QStringLiteral("Š&tampaj"), this);
    print->setObjectName(QStringLiteral("PrintButton"));
    print->setAutoDefault(false);
    auto *close = new QPushButton(QStringLiteral("&Zatvori"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setDefault(true);
    connect(print, &QPushButton::clicked, this, [this] { PrintButtonClick(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);

    // While the window is open its grid is the one the console prints and exports.
    m_printGrid = std::make_unique<parking::PrintGridLoan>(m_host, m_grid);
}

TParkingImportHistoryForm::~TParkingImportHistoryForm() = default;

void TParkingImportHistoryForm::done(int result)
{
    m_printGrid.reset();
    QDialog::done(result);
}

void TParkingImportHistoryForm::PrintButtonClick()
{
    m_host.RunWizard(CommonResourceString(u"_CMN_PRINT_WIZ_NAME"),
                     QStringLiteral("title:") + windowTitle() + QStringLiteral(";header:"));
}

namespace imports {

void ShowImportHistory(const parking::HostServices &host, dataset::Connection *connection, QWidget *parent)
{
    TParkingImportHistoryForm form(host, connection, parent);
    form.exec();
}

} // namespace imports
