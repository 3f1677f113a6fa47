// The editor's layout: header controls at fixed places, the item strip, grid and
// status bar, the extra bottom buttons and the actions.

#include "ParkingDetailUnit.h"

#include "DBComboBox.h"
#include "DBDateEdit.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBNavigator.h"
#include "DataSource.h"
#include "FieldText.h"
#include "ParkingDMUnit.h"
#include "Query.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int kHeaderHeight = 173;
constexpr int kEditHeight = 21;
constexpr int kLabelAbove = 16;
constexpr int kItemStripHeight = 33;
constexpr int kStatusBarHeight = 28;

// A control bound to 'field' of the document, named 'name', with its label above it.
template <class Control>
Control *PlaceControl(QWidget *panel, dataset::DataSource *document, const char *label, const char *field, const char *name, int left,
                      int top, int width)
{
    auto *caption = new QLabel(QString::fromUtf8(label), panel);
    caption->setObjectName(QString::fromLatin1(field) + QStringLiteral("Label"));
    caption->move(left, top - kLabelAbove);
    caption->adjustSize();

    auto *control = new Control(panel);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, kEditHeight);
    control->SetDataSource(document);
    control->SetDataField(QString::fromLatin1(field));
    return control;
}

QPushButton *PlaceEllipsis(QWidget *panel, const QString &name, int left, int top, bool tabStop)
{
    auto *button = new QPushButton(QStringLiteral("..."), panel);
    button->setObjectName(name);
    button->setGeometry(left, top, 21, 21);
    button->setAutoDefault(false);
    if (!tabStop)
        button->setFocusPolicy(Qt::ClickFocus);
    return button;
}

QLabel *StatusPanel(QWidget *bar, int width, bool bevel, Qt::Alignment alignment)
{
    auto *panel = new QLabel(bar);
    panel->setFixedWidth(width);
    panel->setAlignment(alignment | Qt::AlignVCenter);
    if (bevel)
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return panel;
}

} // namespace

// Each label stands 16 pixels above its control; the rows of controls are at 24, 76, 128.
void TParkingDetailForm::BuildHeader()
{
    HeaderPanel = new QWidget;
    HeaderPanel->setObjectName(QStringLiteral("HeaderPanel"));
    HeaderPanel->setMinimumHeight(kHeaderHeight);
    QWidget *p = HeaderPanel;
    dataset::DataSource *const source = &m_dm.ParkingDocumentDS();

    using dataset::DBComboBox;
    using dataset::DBDateEdit;
    using dataset::DBEdit;

    NumberEdit = PlaceControl<DBEdit>(p, source, "Broj*", "number", "NumberEdit", 8, 24, 80);
    NumberButton = PlaceEllipsis(p, QStringLiteral("NumberButton"), 89, 24, false);
    DocumentDateTimeEdit =
        PlaceControl<DBDateEdit>(p, source, "Datum*", "documentdatetime", "DocumentDateTimeEdit", 122, 24, 120);
    DateTimeButton = PlaceEllipsis(p, QStringLiteral("DateTimeButton"), 243, 24, false);
    CountryRegEdit = PlaceControl<DBEdit>(p, source, "Ozn. države", "countryreg", "CountryRegEdit", 276, 24, 56);
    CityRegEdit = PlaceControl<DBEdit>(p, source, "Ozn. grada*", "cityreg", "CityRegEdit", 344, 24, 60);
    RegNumberEdit = PlaceControl<DBEdit>(p, source, "Reg. broj*", "regnumber", "RegNumberEdit", 416, 24, 68);
    FindTicketButton = PlaceEllipsis(p, QStringLiteral("FindTicketButton"), 488, 24, true);
    LicenseNumberEdit =
        PlaceControl<DBEdit>(p, source, "Br. dozvole", "licensenumber", "LicenseNumberEdit", 556, 24, 136);

    FirstNameEdit = PlaceControl<DBEdit>(p, source, "Ime", "firstname", "FirstNameEdit", 8, 76, 80);
    LastNameEdit = PlaceControl<DBEdit>(p, source, "Prezime", "lastname", "LastNameEdit", 100, 76, 120);
    PersonalIdentificatorEdit = PlaceControl<DBEdit>(p, source, "JMBG", "personalidentificator",
                                                     "PersonalIdentificatorEdit", 232, 76, 100);
    AddressEdit = PlaceControl<DBEdit>(p, source, "Adresa", "address", "AddressEdit", 344, 76, 200);
    ZipEdit = PlaceControl<DBEdit>(p, source, "Poštanski br.", "zip", "ZipEdit", 556, 76, 60);
    CityEdit = PlaceControl<DBEdit>(p, source, "Grad", "city", "CityEdit", 628, 76, 120);

    ParkingZoneCB = PlaceControl<DBComboBox>(p, source, "Zona", "parkingzone", "ParkingZoneCB", 8, 128, 43);
    ParkingSectorCB = PlaceControl<DBComboBox>(p, source, "Sektor", "parkingsector", "ParkingSectorCB", 64, 128, 43);
    ParkingFromDateEdit =
        PlaceControl<DBDateEdit>(p, source, "Od datuma", "parkingfromdate", "ParkingFromDateEdit", 120, 128, 68);
    FromDateButton = PlaceEllipsis(p, QStringLiteral("FromDateButton"), 189, 128, false);
    ParkingToDateEdit =
        PlaceControl<DBDateEdit>(p, source, "Do datuma", "parkingtodate", "ParkingToDateEdit", 224, 128, 68);
    ToDateButton = PlaceEllipsis(p, QStringLiteral("ToDateButton"), 293, 128, false);
    CommentEdit = PlaceControl<DBEdit>(p, source, "Komentar", "comment", "CommentEdit", 344, 128, 404);

    const QList<QWidget *> tabOrder{NumberEdit, DocumentDateTimeEdit, CountryRegEdit, CityRegEdit,
                                    RegNumberEdit, FindTicketButton, LicenseNumberEdit, FirstNameEdit,
                                    LastNameEdit, PersonalIdentificatorEdit, AddressEdit, ZipEdit,
                                    CityEdit, ParkingZoneCB, ParkingSectorCB, ParkingFromDateEdit,
                                    ParkingToDateEdit, CommentEdit};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
}

void TParkingDetailForm::BuildItems()
{
    ItemPanel = new QWidget;
    ItemPanel->setObjectName(QStringLiteral("ItemPanel"));

    auto *strip = new QWidget(ItemPanel);
    strip->setObjectName(QStringLiteral("ItemStrip"));
    strip->setFixedHeight(kItemStripHeight);
    ItemNavigator = new dataset::DBNavigator(strip);
    ItemNavigator->setObjectName(QStringLiteral("ItemNavigator"));
    using Button = dataset::DBNavigator::Button;
    ItemNavigator->SetVisibleButtons(Button::First | Button::Prior | Button::Next | Button::Last
                                     | Button::Insert | Button::Delete | Button::Post | Button::Cancel);
    ItemNavigator->SetFlat(true);
    ItemNavigator->SetConfirmDelete(false);
    ItemNavigator->SetDataSource(&m_dm.ParkingDocumentItemDS());
    ItemNavigator->setGeometry(4, 4, 208, 25);
    AddItemButton = new QPushButton(strip);
    AddItemButton->setObjectName(QStringLiteral("AddItemButton"));
    AddItemButton->setGeometry(220, 4, 95, 25);
    AddItemButton->setAutoDefault(false);

    DocumentItemDBG = new dataset::DBGrid(ItemPanel);
    DocumentItemDBG->setObjectName(QStringLiteral("DocumentItemDBG"));
    using Option = dataset::DBGrid::Option;
    DocumentItemDBG->SetOptions(Option::Editing | Option::Titles | Option::Indicator | Option::ColumnResize
                                | Option::GridLines | Option::Tabs | Option::CancelOnExit);
    DocumentItemDBG->SetDataSource(&m_dm.ParkingDocumentItemDS());
    DocumentItemDBG->AddColumn(QStringLiteral("productcode"), 60);
    DocumentItemDBG->AddColumn(QStringLiteral("productname"), 140);
    DocumentItemDBG->AddColumn(QStringLiteral("quantity"), -1, true);
    DocumentItemDBG->AddColumn(QStringLiteral("price"), -1, true);
    DocumentItemDBG->AddColumn(QStringLiteral("itemvalue"), -1, true);
    DocumentItemDBG->AddColumn(QStringLiteral("taxvalue"), -1, true);
    DocumentItemDBG->AddColumn(QStringLiteral("ItemTotal"), 80, true);
    DocumentItemDBG->AddColumn(QStringLiteral("ticketnumber"), 60);
    DocumentItemDBG->SetColumnButton(0, true);
    DocumentItemDBG->SetColumnButton(1, true);
    DocumentItemDBG->horizontalHeader()->setFont(QFont(QStringLiteral("Tahoma"), 8));
    DocumentItemDBG->OnKeyDown = [this](int &key, Qt::KeyboardModifiers modifiers) {
        DocumentItemDBGKeyDown(key, modifiers);
    };
    DocumentItemDBG->OnKeyPress = [this](QString &text) { DocumentItemDBGKeyPress(text); };
    connect(DocumentItemDBG, &dataset::DBGrid::editButtonClicked, this,
            [this] { DocumentItemDBGEditButtonClick(); });

    StatusBar = new QWidget(ItemPanel);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(kStatusBarHeight);
    auto *bar = new QHBoxLayout(StatusBar);
    bar->setContentsMargins(0, 2, 0, 2);
    bar->setSpacing(2);
    StatusPanels = {StatusPanel(StatusBar, 45, false, Qt::AlignRight),
                    StatusPanel(StatusBar, 100, true, Qt::AlignLeft),
                    StatusPanel(StatusBar, 80, false, Qt::AlignRight),
                    StatusPanel(StatusBar, 100, true, Qt::AlignLeft),
                    StatusPanel(StatusBar, 180, true, Qt::AlignLeft),
                    StatusPanel(StatusBar, 50, true, Qt::AlignLeft)};
    StatusPanels[0]->setText(QStringLiteral("Ukupno:"));
    StatusPanels[2]->setText(QStringLiteral("Ukupno sa PDV:"));
    // The captions keep their widths unless the screen font needs more to show them whole.
    for (QLabel *caption : {StatusPanels[0], StatusPanels[2]})
        caption->setFixedWidth(qMax(caption->minimumWidth(), caption->sizeHint().width()));
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        bar->addWidget(StatusPanels[i]);
    }
    bar->addStretch();

    auto *layout = new QVBoxLayout(ItemPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    layout->addWidget(DocumentItemDBG, 1);
    layout->addWidget(StatusBar);
}

void TParkingDetailForm::BuildBottomPanel()
{
    const auto button = [this](const char *name, int left, int width) {
        auto *created = new QPushButton(BottomPanel);
        created->setObjectName(QString::fromLatin1(name));
        created->setGeometry(left, 8, width, 25);
        created->setAutoDefault(false);
        return created;
    };
    CreateInvoiceButton = button("CreateInvoiceButton", 8, 95);
    CreateCashInvoiceButton = button("CreateCashInvoiceButton", 108, 135);
    PrintTicketButton = button("PrintTicketButton", 312, 95);
    DocumentPrintButton = button("DocumentPrintButton", 412, 115);
    AnchorRight(PrintTicketButton);
    AnchorRight(DocumentPrintButton);
}

template <class Handler>
void TParkingDetailForm::Bind(QAction *action, Handler handler)
{
    // An error leaves through the relay, not through the button or shortcut that fired.
    connect(action, &QAction::triggered, this, [this, handler] { dataset::detail::Relayed(m_errors, handler); });
    m_handledActions.append(action);
}

void TParkingDetailForm::BuildActions()
{
    const auto ctrl = [](int key) { return QKeySequence(Qt::CTRL | Qt::Key(key)); };
    DateTimeAction = CreateAction(QStringLiteral("DateTimeAction"), QStringLiteral("..."));
    FromDateAction = CreateAction(QStringLiteral("FromDateAction"), QStringLiteral("..."));
    ToDateAction = CreateAction(QStringLiteral("ToDateAction"), QStringLiteral("..."));
    AddItem = CreateAction(QStringLiteral("AddItem"), QStringLiteral("Dodaj stavku"), ctrl(Qt::Key_Insert));
    AddItemX = CreateAction(QStringLiteral("AddItemX"), QStringLiteral("Dodaj stavku"), ctrl(Qt::Key_Space));
    AddItemBarcode = CreateAction(QStringLiteral("AddItemBarcode"), QStringLiteral("AddItemBarcode"),
                                  QKeySequence(Qt::Key_Return));
    DocumentPrint = CreateAction(QStringLiteral("DocumentPrint"), QStringLiteral("&Štampaj priznanicu"),
                                 ctrl(Qt::Key_P));
    PrintTicket = CreateAction(QStringLiteral("PrintTicket"), QStringLiteral("Štampaj &kartu"), ctrl(Qt::Key_K));
    FindTicketAction = CreateAction(QStringLiteral("FindTicketAction"), QStringLiteral("..."));
    CreateInvoice = CreateAction(QStringLiteral("CreateInvoice"), QStringLiteral("Kreiraj račun"));
    CreateCashInvoice = CreateAction(QStringLiteral("CreateCashInvoice"), QStringLiteral("Kreiraj gotovinski račun"));

    Bind(DateTimeAction, [this] { DateTimeActionExecute(); });
    Bind(FromDateAction, [this] { FromDateActionExecute(); });
    Bind(ToDateAction, [this] { ToDateActionExecute(); });
    Bind(FindTicketAction, [this] { FindTicketActionExecute(); });
    Bind(AddItem, [this] { AddItemExecute(); });
    Bind(AddItemX, [this] { AddItemXExecute(); });
    Bind(AddItemBarcode, [this] { AddItemBarcodeExecute(); });
    AddItemBarcode->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    Bind(DocumentPrint, [this] { DocumentPrintExecute(); });
    Bind(PrintTicket, [this] { PrintTicketExecute(); });
    Bind(CreateInvoice, [this] { CreateInvoiceExecute(); });
    Bind(CreateCashInvoice, [this] { CreateCashInvoiceExecute(); });
    for (QAction *action : {DocumentPrint, PrintTicket, CreateInvoice, CreateCashInvoice})
        SetActionUpdate(action, [this](QAction *sender) { DocumentPrintUpdate(sender); });
    // Apply and the print actions read whether the header or the items hold unsaved changes.
    UpdateActionsOn(Document());
    UpdateActionsOn(Items());

    BindButton(DateTimeButton, DateTimeAction);
    BindButton(FromDateButton, FromDateAction);
    BindButton(ToDateButton, ToDateAction);
    BindButton(FindTicketButton, FindTicketAction);
    BindButton(AddItemButton, AddItem);
    BindButton(CreateInvoiceButton, CreateInvoice);
    BindButton(CreateCashInvoiceButton, CreateCashInvoice);
    BindButton(PrintTicketButton, PrintTicket);
    BindButton(DocumentPrintButton, DocumentPrint);
}
