// The editor's layout: header controls at fixed places, the item strip, grid and
// status bar, the extra bottom buttons and the actions.

#include "ParkingDetailUnit.h"
#include "ParkingDetailUi.h"

#include <dataset/DataSource.h>
#include <dataset/ErrorRelay.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBComboBox.h>
#include <dataset/widgets/DBDateEdit.h>
#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DBNavigator.h>
#include <dataset/widgets/DesignScale.h>
#include <framework/base/DesignPlacement.h>
#include <dataset/widgets/FieldText.h>
#include <parking/data/ParkingDMUnit.h>

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <type_traits>

namespace {

constexpr int kDesignWidth = 776;
constexpr int kHeaderHeight = 173;
constexpr int kEditHeight = 21;
constexpr int kItemStripHeight = 33;
constexpr int kStatusBarHeight = 28;

using Kind = DesignPlacement::Kind;

// A control bound to 'field' of the document, named 'name', with its label above it, at
// its design place; 'kind' says whether it takes a share of a wider window.
// 'widest' is the longest value of a fixed form the control shows whole.
template <class Control>
Control *PlaceControl(DesignPlacement &placement, dataset::DataSource *document, const char *label, const char *field,
                      const char *name, QRect design, Kind kind = Kind::Fixed, const QString &widest = {})
{
    auto *panel = qobject_cast<QWidget *>(placement.parent());
    auto *caption = new QLabel(QString::fromUtf8(label), panel);
    caption->setObjectName(QString::fromLatin1(field) + QStringLiteral("Label"));

    auto *control = new Control(panel);
    control->setObjectName(QString::fromLatin1(name));
    control->SetDataSource(document);
    control->SetDataField(QString::fromLatin1(field));
    if constexpr (std::is_base_of_v<QLineEdit, Control>)
        dataset::SetWidestText(*control, widest);
    design.setHeight(kEditHeight);
    placement.Add(control, design, caption, kind);
    return control;
}

QPushButton *PlaceEllipsis(DesignPlacement &placement, const QString &name, int left, int top, bool tabStop)
{
    auto *button = new QPushButton(QStringLiteral("..."), qobject_cast<QWidget *>(placement.parent()));
    button->setObjectName(name);
    button->setAutoDefault(false);
    if (!tabStop)
        button->setFocusPolicy(Qt::ClickFocus);
    placement.Add(button, QRect(left, top, 21, 21));
    return button;
}

QLabel *StatusPanel(QWidget *bar, int width, bool bevel, Qt::Alignment alignment)
{
    auto *panel = new QLabel(bar);
    panel->setFixedWidth(dataset::Scaled(*bar, width));
    panel->setAlignment(alignment | Qt::AlignVCenter);
    if (bevel)
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return panel;
}

} // namespace

// Each label stands right above its control; the rows of controls are at 24, 76, 128 of
// the design, the text fields share what a wider window gives.
void TParkingDetailForm::BuildHeader()
{
    ui->HeaderPanel = new QWidget(this);
    ui->HeaderPanel->setObjectName(QStringLiteral("HeaderPanel"));
    ui->HeaderPanel->resize(dataset::Scaled(*this, kDesignWidth), dataset::Scaled(*this, kHeaderHeight));
    DesignPlacement &p = *new DesignPlacement(ui->HeaderPanel, kDesignWidth);
    dataset::DataSource *const source = &m_dm.ParkingDocumentDS();
    constexpr Kind S = Kind::Stretch;

    using dataset::DBComboBox;
    using dataset::DBDateEdit;
    using dataset::DBEdit;

    ui->NumberEdit = PlaceControl<DBEdit>(p, source, "Broj*", "number", "NumberEdit", QRect(8, 24, 80, 0));
    ui->NumberButton = PlaceEllipsis(p, QStringLiteral("NumberButton"), 89, 24, false);
    const QString date = QStringLiteral("00.00.0000");
    ui->DocumentDateTimeEdit =
        PlaceControl<DBDateEdit>(p, source, "Datum*", "documentdatetime", "DocumentDateTimeEdit",
                                 QRect(122, 24, 120, 0), Kind::Fixed, date + QStringLiteral(" 00:00"));
    ui->DateTimeButton = PlaceEllipsis(p, QStringLiteral("DateTimeButton"), 243, 24, false);
    ui->CountryRegEdit =
        PlaceControl<DBEdit>(p, source, "Ozn. države", "countryreg", "CountryRegEdit", QRect(276, 24, 56, 0));
    ui->CityRegEdit = PlaceControl<DBEdit>(p, source, "Ozn. grada*", "cityreg", "CityRegEdit", QRect(344, 24, 60, 0));
    ui->RegNumberEdit =
        PlaceControl<DBEdit>(p, source, "Reg. broj*", "regnumber", "RegNumberEdit", QRect(416, 24, 68, 0));
    ui->FindTicketButton = PlaceEllipsis(p, QStringLiteral("FindTicketButton"), 488, 24, true);
    ui->LicenseNumberEdit =
        PlaceControl<DBEdit>(p, source, "Br. dozvole", "licensenumber", "LicenseNumberEdit", QRect(556, 24, 136, 0), S);

    ui->FirstNameEdit = PlaceControl<DBEdit>(p, source, "Ime", "firstname", "FirstNameEdit", QRect(8, 76, 80, 0), S);
    ui->LastNameEdit =
        PlaceControl<DBEdit>(p, source, "Prezime", "lastname", "LastNameEdit", QRect(100, 76, 120, 0), S);
    // A personal number has 13 digits.
    ui->PersonalIdentificatorEdit =
        PlaceControl<DBEdit>(p, source, "JMBG", "personalidentificator", "PersonalIdentificatorEdit",
                             QRect(232, 76, 100, 0), Kind::Fixed, QStringLiteral("0000000000000"));
    ui->AddressEdit = PlaceControl<DBEdit>(p, source, "Adresa", "address", "AddressEdit", QRect(344, 76, 200, 0), S);
    ui->ZipEdit = PlaceControl<DBEdit>(p, source, "Poštanski br.", "zip", "ZipEdit", QRect(556, 76, 60, 0));
    ui->CityEdit = PlaceControl<DBEdit>(p, source, "Grad", "city", "CityEdit", QRect(628, 76, 120, 0), S);

    ui->ParkingZoneCB =
        PlaceControl<DBComboBox>(p, source, "Zona", "parkingzone", "ParkingZoneCB", QRect(8, 128, 43, 0));
    ui->ParkingSectorCB =
        PlaceControl<DBComboBox>(p, source, "Sektor", "parkingsector", "ParkingSectorCB", QRect(64, 128, 43, 0));
    ui->ParkingFromDateEdit = PlaceControl<DBDateEdit>(p, source, "Od datuma", "parkingfromdate", "ParkingFromDateEdit",
                                                       QRect(120, 128, 68, 0), Kind::Fixed, date);
    ui->FromDateButton = PlaceEllipsis(p, QStringLiteral("FromDateButton"), 189, 128, false);
    ui->ParkingToDateEdit = PlaceControl<DBDateEdit>(p, source, "Do datuma", "parkingtodate", "ParkingToDateEdit",
                                                     QRect(224, 128, 68, 0), Kind::Fixed, date);
    ui->ToDateButton = PlaceEllipsis(p, QStringLiteral("ToDateButton"), 293, 128, false);
    ui->CommentEdit = PlaceControl<DBEdit>(p, source, "Komentar", "comment", "CommentEdit", QRect(344, 128, 404, 0), S);

    const QList<QWidget *> tabOrder{ui->NumberEdit,        ui->DocumentDateTimeEdit,
                                    ui->CountryRegEdit,    ui->CityRegEdit,
                                    ui->RegNumberEdit,     ui->FindTicketButton,
                                    ui->LicenseNumberEdit, ui->FirstNameEdit,
                                    ui->LastNameEdit,      ui->PersonalIdentificatorEdit,
                                    ui->AddressEdit,       ui->ZipEdit,
                                    ui->CityEdit,          ui->ParkingZoneCB,
                                    ui->ParkingSectorCB,   ui->ParkingFromDateEdit,
                                    ui->ParkingToDateEdit, ui->CommentEdit};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
    ui->HeaderPanel->setMinimumSize(p.MinimumWidth(),
                                    std::max(p.MinimumHeight(), dataset::Scaled(*this, kHeaderHeight)));
}

void TParkingDetailForm::BuildItems()
{
    ui->ItemPanel = new QWidget;
    ui->ItemPanel->setObjectName(QStringLiteral("ItemPanel"));

    auto *strip = new QWidget(ui->ItemPanel);
    strip->setObjectName(QStringLiteral("ItemStrip"));
    strip->setFixedHeight(dataset::Scaled(*this, kItemStripHeight));
    auto *stripPlacement = new DesignPlacement(strip, kDesignWidth);
    ui->ItemNavigator = new dataset::DBNavigator(strip);
    ui->ItemNavigator->setObjectName(QStringLiteral("ItemNavigator"));
    using Button = dataset::DBNavigator::Button;
    ui->ItemNavigator->SetVisibleButtons(Button::First | Button::Prior | Button::Next | Button::Last | Button::Insert
                                         | Button::Delete | Button::Post | Button::Cancel);
    ui->ItemNavigator->SetFlat(true);
    ui->ItemNavigator->SetConfirmDelete(false);
    ui->ItemNavigator->SetDataSource(&m_dm.ParkingDocumentItemDS());
    stripPlacement->Add(ui->ItemNavigator, QRect(4, 4, 208, 25));
    ui->AddItemButton = new QPushButton(strip);
    ui->AddItemButton->setObjectName(QStringLiteral("AddItemButton"));
    ui->AddItemButton->setAutoDefault(false);
    stripPlacement->Add(ui->AddItemButton, QRect(220, 4, 95, 25));

    ui->DocumentItemDBG = new dataset::DBGrid(ui->ItemPanel);
    ui->DocumentItemDBG->setObjectName(QStringLiteral("DocumentItemDBG"));
    using Option = dataset::DBGrid::Option;
    ui->DocumentItemDBG->SetOptions(Option::Editing | Option::Titles | Option::Indicator | Option::ColumnResize
                                    | Option::GridLines | Option::Tabs | Option::CancelOnExit);
    ui->DocumentItemDBG->SetDataSource(&m_dm.ParkingDocumentItemDS());
    // The code's 60 pixels and the ellipsis button's 20 beside them, so no character of the
    // code hides under the button.
    ui->DocumentItemDBG->AddColumn(QStringLiteral("productcode"), 80);
    ui->DocumentItemDBG->AddColumn(QStringLiteral("productname"), 140);
    ui->DocumentItemDBG->AddColumn(QStringLiteral("quantity"), -1, true);
    ui->DocumentItemDBG->AddColumn(QStringLiteral("price"), -1, true);
    ui->DocumentItemDBG->AddColumn(QStringLiteral("itemvalue"), -1, true);
    ui->DocumentItemDBG->AddColumn(QStringLiteral("taxvalue"), -1, true);
    ui->DocumentItemDBG->AddColumn(QStringLiteral("ItemTotal"), 80, true);
    // Ten digits of a ticket number whole; a longer number is cut in its middle (both
    // ends tell tickets apart) and shown whole as the cell's tool tip.
    ui->DocumentItemDBG->AddColumn(QStringLiteral("ticketnumber"), 90);
    ui->DocumentItemDBG->setTextElideMode(Qt::ElideMiddle);
    ui->DocumentItemDBG->SetColumnButton(0, true);
    ui->DocumentItemDBG->SetColumnButton(1, true);
    // The titles' face is a point smaller than the window's at the design size.
    QFont titles(QStringLiteral("Tahoma"));
    titles.setPointSizeF(font().pointSizeF() * 8 / 9);
    ui->DocumentItemDBG->horizontalHeader()->setFont(titles);
    ui->DocumentItemDBG->SetStretchColumn(QStringLiteral("productname"));
    ui->DocumentItemDBG->OnKeyDown = [this](int &key, Qt::KeyboardModifiers modifiers) {
        DocumentItemDBGKeyDown(key, modifiers);
    };
    ui->DocumentItemDBG->OnKeyPress = [this](QString &text) { DocumentItemDBGKeyPress(text); };
    connect(ui->DocumentItemDBG, &dataset::DBGrid::editButtonClicked, this,
            [this] { DocumentItemDBGEditButtonClick(); });

    ui->StatusBar = new QWidget(ui->ItemPanel);
    ui->StatusBar->setObjectName(QStringLiteral("StatusBar"));
    ui->StatusBar->setFixedHeight(dataset::Scaled(*this, kStatusBarHeight));
    auto *bar = new QHBoxLayout(ui->StatusBar);
    bar->setContentsMargins(0, 2, 0, 2);
    bar->setSpacing(2);
    ui->StatusPanels = {
        StatusPanel(ui->StatusBar, 45, false, Qt::AlignRight), StatusPanel(ui->StatusBar, 100, true, Qt::AlignLeft),
        StatusPanel(ui->StatusBar, 80, false, Qt::AlignRight), StatusPanel(ui->StatusBar, 100, true, Qt::AlignLeft),
        StatusPanel(ui->StatusBar, 180, true, Qt::AlignLeft),  StatusPanel(ui->StatusBar, 50, true, Qt::AlignLeft)};
    ui->StatusPanels[0]->setText(QStringLiteral("Ukupno:"));
    ui->StatusPanels[2]->setText(QStringLiteral("Ukupno sa PDV:"));
    // The captions keep their widths unless the screen font needs more to show them whole.
    for (QLabel *caption : {ui->StatusPanels[0], ui->StatusPanels[2]})
        caption->setFixedWidth(qMax(caption->minimumWidth(), dataset::NeededWidth(*caption)));
    for (std::size_t i = 0; i < ui->StatusPanels.size(); ++i) {
        ui->StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        bar->addWidget(ui->StatusPanels[i]);
    }
    bar->addStretch();

    auto *layout = new QVBoxLayout(ui->ItemPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    layout->addWidget(ui->DocumentItemDBG, 1);
    layout->addWidget(ui->StatusBar);
}

void TParkingDetailForm::BuildBottomPanel()
{
    const auto button = [this](const char *name) {
        auto *created = new QPushButton(BottomPanel);
        created->setObjectName(QString::fromLatin1(name));
        created->setAutoDefault(false);
        return created;
    };
    ui->CreateInvoiceButton = button("CreateInvoiceButton");
    ui->CreateCashInvoiceButton = button("CreateCashInvoiceButton");
    ui->PrintTicketButton = button("PrintTicketButton");
    ui->DocumentPrintButton = button("DocumentPrintButton");
    ui->VehicleHistoryButton = button("VehicleHistoryButton");
}

template <class Handler>
void TParkingDetailForm::Bind(QAction *action, Handler handler)
{
    // An error leaves through the relay, not through the button or shortcut that fired.
    connect(action, &QAction::triggered, this, [this, handler] { dataset::Relayed(m_errors, handler); });
    m_handledActions.append(action);
}

void TParkingDetailForm::BuildActions()
{
    const auto ctrl = [](int key) { return QKeySequence(Qt::CTRL | Qt::Key(key)); };
    ui->DateTimeAction = CreateAction(QStringLiteral("DateTimeAction"), QStringLiteral("..."));
    ui->FromDateAction = CreateAction(QStringLiteral("FromDateAction"), QStringLiteral("..."));
    ui->ToDateAction = CreateAction(QStringLiteral("ToDateAction"), QStringLiteral("..."));
    ui->AddItem = CreateAction(QStringLiteral("AddItem"), QStringLiteral("Dodaj stavku"), ctrl(Qt::Key_Insert));
    ui->AddItemX = CreateAction(QStringLiteral("AddItemX"), QStringLiteral("Dodaj stavku"), ctrl(Qt::Key_Space));
    ui->AddItemBarcode =
        CreateAction(QStringLiteral("AddItemBarcode"), QStringLiteral("AddItemBarcode"), QKeySequence(Qt::Key_Return));
    ui->DocumentPrint =
        CreateAction(QStringLiteral("DocumentPrint"), QStringLiteral("&Štampaj priznanicu"), ctrl(Qt::Key_P));
    ui->PrintTicket = CreateAction(QStringLiteral("PrintTicket"), QStringLiteral("Štampaj &kartu"), ctrl(Qt::Key_K));
    ui->FindTicketAction = CreateAction(QStringLiteral("FindTicketAction"), QStringLiteral("..."));
    ui->CreateInvoice = CreateAction(QStringLiteral("CreateInvoice"), QStringLiteral("Kreiraj račun"));
    ui->CreateCashInvoice =
        CreateAction(QStringLiteral("CreateCashInvoice"), QStringLiteral("Kreiraj gotovinski račun"));
    ui->VehicleHistory =
        CreateAction(QStringLiteral("VehicleHistory"), QStringLiteral("Istorija &vozila"), ctrl(Qt::Key_I));

    Bind(ui->DateTimeAction, [this] { DateTimeActionExecute(); });
    Bind(ui->FromDateAction, [this] { FromDateActionExecute(); });
    Bind(ui->ToDateAction, [this] { ToDateActionExecute(); });
    Bind(ui->FindTicketAction, [this] { FindTicketActionExecute(); });
    Bind(ui->AddItem, [this] { AddItemExecute(); });
    Bind(ui->AddItemX, [this] { AddItemXExecute(); });
    Bind(ui->AddItemBarcode, [this] { AddItemBarcodeExecute(); });
    ui->AddItemBarcode->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    Bind(ui->DocumentPrint, [this] { DocumentPrintExecute(); });
    Bind(ui->PrintTicket, [this] { PrintTicketExecute(); });
    Bind(ui->CreateInvoice, [this] { CreateInvoiceExecute(); });
    Bind(ui->CreateCashInvoice, [this] { CreateCashInvoiceExecute(); });
    Bind(ui->VehicleHistory, [this] { VehicleHistoryExecute(); });
    for (QAction *action : {ui->DocumentPrint, ui->PrintTicket, ui->CreateInvoice, ui->CreateCashInvoice})
        SetActionUpdate(action, [this](QAction *sender) { DocumentPrintUpdate(sender); });
    // Apply and the print actions read whether the header or the items hold unsaved changes.
    UpdateActionsOn(Document());
    UpdateActionsOn(Items());

    BindButton(ui->DateTimeButton, ui->DateTimeAction);
    BindButton(ui->FromDateButton, ui->FromDateAction);
    BindButton(ui->ToDateButton, ui->ToDateAction);
    BindButton(ui->FindTicketButton, ui->FindTicketAction);
    BindButton(ui->AddItemButton, ui->AddItem);
    BindButton(ui->CreateInvoiceButton, ui->CreateInvoice);
    BindButton(ui->CreateCashInvoiceButton, ui->CreateCashInvoice);
    BindButton(ui->PrintTicketButton, ui->PrintTicket);
    BindButton(ui->DocumentPrintButton, ui->DocumentPrint);
    BindButton(ui->VehicleHistoryButton, ui->VehicleHistory);

    // Placed once they carry their captions, so each is as wide as its caption needs.
    AddToBottomPanel(ui->CreateInvoiceButton, QRect(8, 8, 95, 25), false);
    AddToBottomPanel(ui->CreateCashInvoiceButton, QRect(108, 8, 135, 25), false);
    AddToBottomPanel(ui->VehicleHistoryButton, QRect(248, 8, 95, 25), false);
    AddToBottomPanel(ui->PrintTicketButton, QRect(312, 8, 95, 25), true);
    AddToBottomPanel(ui->DocumentPrintButton, QRect(412, 8, 115, 25), true);
}
