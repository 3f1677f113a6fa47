#include "ParkingDetailUnit.h"
#include "HeldDocument.h"
#include "ParkingDetailUi.h"

#include <dataset/Error.h>
#include <dataset/ErrorRelay.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBComboBox.h>
#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/FieldText.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>

#include <QAction>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

void EditIfBrowsing(dataset::Query &query)
{
    if (!query.IsEditing())
        query.Edit();
}

} // namespace

TParkingDetailForm::TParkingDetailForm(TParkingDM &dm, QWidget *owner)
    : TCustomDetailForm(owner)
    , m_dm(dm)
    , ui(std::make_unique<Ui>())
    , m_errors(new dataset::ErrorRelay(this))
{
    setObjectName(QStringLiteral("ParkingDetailForm"));
    setWindowTitle(QStringLiteral("Račun / Karta"));
    BuildHeader();
    BuildItems();
    BuildBottomPanel();
    BuildActions();

    ui->Splitter = new QSplitter(Qt::Vertical, GeneralTS);
    ui->Splitter->setObjectName(QStringLiteral("Splitter"));
    ui->Splitter->setHandleWidth(3);
    ui->Splitter->setChildrenCollapsible(false);
    ui->Splitter->addWidget(ui->HeaderPanel);
    ui->Splitter->addWidget(ui->ItemPanel);
    ui->Splitter->setStretchFactor(1, 1);
    ui->Splitter->setSizes({ui->HeaderPanel->minimumHeight(), 300});
    setMinimumWidth(std::max(ui->HeaderPanel->minimumWidth(), BottomPanel->minimumWidth()));
    auto *layout = new QVBoxLayout(GeneralTS);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ui->Splitter);
    SetUpFeedback();

    FormCreate();
}

TParkingDetailForm::~TParkingDetailForm()
{
    ReleaseItemQuery();
}

dataset::Query &TParkingDetailForm::Document() const
{
    return m_dm.ParkingDocumentZQ();
}

dataset::Query &TParkingDetailForm::Items() const
{
    return m_dm.ParkingDocumentItemZQ();
}

void TParkingDetailForm::FormCreate()
{
    QStringList values;
    m_dm.GetFieldValues(QStringLiteral("zone"), QStringLiteral("parkingzoneframe"), values, true, {}, {});
    ui->ParkingZoneCB->SetItems(values);
    m_dm.GetFieldValues(QStringLiteral("sector"), QStringLiteral("parkingzoneframe"), values, true, {}, {});
    ui->ParkingSectorCB->SetItems(values);

    // A new document shows the number its defaults gave it; saving gives the final one.
    if (Document().State() == dataset::DataSetState::Insert)
        m_automaticNumber = Document().FieldByName(QStringLiteral("number")).AsString();

    WatchItemQuery();
    DocumentItemsOpen();

    int userId = Document().FieldByName(QStringLiteral("userid")).AsInteger();
    QString userName;
    m_dm.GetPublisher(userId, userName, false);
    ui->StatusPanels[4]->setText(userName);
}

void TParkingDetailForm::showEvent(QShowEvent *event)
{
    TCustomDetailForm::showEvent(event);
    ui->CityRegEdit->setFocus();
}

bool TParkingDetailForm::HasUnsavedChanges() const
{
    const dataset::Query &items = Items();
    return Document().IsEditing() || items.IsEditing() || (items.Active() && items.UpdatesPending());
}

void TParkingDetailForm::CustomApplyUpdate(QAction *sender)
{
    sender->setEnabled(HasUnsavedChanges());
}

// Printing and invoicing are offered only for a fully saved document, and only once a
// handler does the work.
void TParkingDetailForm::DocumentPrintUpdate(QAction *sender)
{
    sender->setEnabled(!HasUnsavedChanges() && m_handledActions.contains(sender));
}

void TParkingDetailForm::CustomApplyExecute()
{
    SaveDocument();
}

void TParkingDetailForm::CustomOKExecute()
{
    CustomApplyExecute();
    accept();
}

void TParkingDetailForm::DiscardChanges()
{
    Document().Cancel();
    if (Items().Active())
        Items().CancelUpdates();
}

void TParkingDetailForm::CustomCancelExecute()
{
    DiscardChanges();
    reject();
}

void TParkingDetailForm::FormCloseQuery(bool &canClose)
{
    if (!HasUnsavedChanges())
        return;
    switch (AskYesNoCancel(CommonResourceString(u"_CMN_SAVE_CHANGES_PROMT"))) {
    case DialogAnswer::Yes:
        SaveDocument();
        break;
    case DialogAnswer::No:
        DiscardChanges();
        break;
    case DialogAnswer::Cancel:
        canClose = false;
        break;
    }
}

void TParkingDetailForm::FormClose(TCloseAction &action)
{
    ReleaseItemQuery();
    TCustomDetailForm::FormClose(action);
}

void TParkingDetailForm::DateTimeActionExecute()
{
    dataset::Query &document = Document();
    QDateTime value = document.FieldByName(QStringLiteral("documentdatetime")).AsDateTime();
    if (!GetDateTime(value))
        return;
    EditIfBrowsing(document);
    document.FieldByName(QStringLiteral("documentdatetime")).SetAsDateTime(value);
}

// The "from" date sets both ends of the period; the "to" date only its end.
void TParkingDetailForm::FromDateActionExecute()
{
    QDateTime value = QDateTime::currentDateTime();
    if (!GetDate(value))
        return;
    dataset::Query &document = Document();
    EditIfBrowsing(document);
    document.FieldByName(QStringLiteral("parkingfromdate")).SetAsDate(value.date());
    document.FieldByName(QStringLiteral("parkingtodate")).SetAsDate(value.date());
}

void TParkingDetailForm::ToDateActionExecute()
{
    QDateTime value = QDateTime::currentDateTime();
    if (!GetDate(value))
        return;
    dataset::Query &document = Document();
    EditIfBrowsing(document);
    document.FieldByName(QStringLiteral("parkingtodate")).SetAsDate(value.date());
}
