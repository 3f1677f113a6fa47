#include <framework/base/CustomDetailForm.h>

#include <framework/base/DesignPlacement.h>

#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/widgets/DesignScale.h>

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int kDesignWidth = 776;
constexpr int kBottomPanelHeight = 41;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

} // namespace

TCustomDetailForm::TCustomDetailForm(QWidget *parent)
    : QDialog(parent)
    , PageControl(new QTabWidget(this))
    , GeneralTS(new QWidget)
    , BottomPanel(new QWidget(this))
    , OKButton(new QPushButton(BottomPanel))
    , ApplyButton(new QPushButton(BottomPanel))
    , CancelButton(new QPushButton(BottomPanel))
    , CustomOK(nullptr)
    , CustomApply(nullptr)
    , CustomCancel(nullptr)
{
    PageControl->setObjectName(QStringLiteral("PageControl"));
    GeneralTS->setObjectName(QStringLiteral("GeneralTS"));
    PageControl->addTab(GeneralTS, QStringLiteral("Opšte"));
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setFixedHeight(dataset::Scaled(*BottomPanel, kBottomPanelHeight));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    ApplyButton->setObjectName(QStringLiteral("ApplyButton"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PageControl, 1);
    layout->addWidget(BottomPanel);

    CustomOK = CreateAction(QStringLiteral("CustomOK"), QStringLiteral("OK"),
                            QKeySequence(Qt::CTRL | Qt::Key_Return));
    CustomApply = CreateAction(QStringLiteral("CustomApply"), QStringLiteral("Primeni"),
                               QKeySequence(Qt::CTRL | Qt::Key_S));
    CustomCancel = CreateAction(QStringLiteral("CustomCancel"), QStringLiteral("Otkaži"));
    // Actions run inside Qt's event handling (a click, a shortcut): a failure is reported
    // to the host's error display there and the form stays as it is. What their work
    // changed is then offered or withdrawn.
    const auto run = [this](void (TCustomDetailForm::*execute)()) {
        return [this, execute] {
            dataset::ReportErrors([this, execute] { (this->*execute)(); });
            UpdateActions();
        };
    };
    connect(CustomOK, &QAction::triggered, this, run(&TCustomDetailForm::CustomOKExecute));
    connect(CustomApply, &QAction::triggered, this, run(&TCustomDetailForm::CustomApplyExecute));
    connect(CustomCancel, &QAction::triggered, this, run(&TCustomDetailForm::CustomCancelExecute));
    SetActionUpdate(CustomApply, [this](QAction *sender) { CustomApplyUpdate(sender); });

    BindButton(OKButton, CustomOK);
    BindButton(ApplyButton, CustomApply);
    BindButton(CancelButton, CustomCancel);
    // No button is pressed by Enter: in a detail form Enter belongs to its fields.
    for (QPushButton *button : {OKButton, ApplyButton, CancelButton}) {
        button->setDefault(false);
        button->setAutoDefault(false);
    }

    // The buttons keep the places they have on a form 776 pixels wide, anchored right.
    BottomPanel->resize(dataset::Scaled(*BottomPanel, kDesignWidth), BottomPanel->height());
    m_bottom = new DesignPlacement(BottomPanel, kDesignWidth);
    AddToBottomPanel(OKButton, QRect(532, 8, kButtonWidth, kButtonHeight), true);
    AddToBottomPanel(ApplyButton, QRect(612, 8, kButtonWidth, kButtonHeight), true);
    AddToBottomPanel(CancelButton, QRect(692, 8, kButtonWidth, kButtonHeight), true);
    dataset::ResizeScaled(*this, kDesignWidth, 510);
}

// Hiding the dialog (in QDialog's destructor) may still change a query, for instance when
// a control gives its text back on losing focus; the derived form is gone by then.
TCustomDetailForm::~TCustomDetailForm()
{
    for (const QMetaObject::Connection &followed : m_followed)
        disconnect(followed);
    m_updates.clear();
}

QAction *TCustomDetailForm::CreateAction(const QString &name, const QString &caption,
                                         const QKeySequence &shortcut)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    addAction(action);
    ActionList.append(action);
    return action;
}

void TCustomDetailForm::SetActionUpdate(QAction *action, std::function<void(QAction *)> handler)
{
    for (ActionUpdate &update : m_updates) {
        if (update.action == action) {
            update.handler = std::move(handler);
            return;
        }
    }
    m_updates.push_back({action, std::move(handler)});
}

void TCustomDetailForm::UpdateActions()
{
    for (const ActionUpdate &update : m_updates) {
        if (update.handler)
            update.handler(update.action);
    }
}

void TCustomDetailForm::UpdateActionsOn(const dataset::Query &query)
{
    m_followed.push_back(connect(&query, &dataset::Query::stateChanged, this, &TCustomDetailForm::UpdateActions));
    m_followed.push_back(connect(&query, &dataset::Query::currentChanged, this, &TCustomDetailForm::UpdateActions));
    m_followed.push_back(connect(&query, &dataset::Query::recordChanged, this, &TCustomDetailForm::UpdateActions));
    m_followed.push_back(connect(&query, &dataset::Query::dataSetChanged, this, &TCustomDetailForm::UpdateActions));
}

void TCustomDetailForm::BindButton(QPushButton *button, QAction *action)
{
    const auto follow = [button, action] {
        button->setText(action->text());
        // The shortcut that works shows where the pointer rests.
        const QString shortcut = action->shortcut().toString(QKeySequence::NativeText);
        button->setToolTip(shortcut.isEmpty() ? QString()
                                              : QStringLiteral("%1 (%2)").arg(action->iconText(), shortcut));
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    };
    follow();
    connect(action, &QAction::changed, button, follow);
    connect(button, &QPushButton::clicked, action, [action] { action->trigger(); });
}

void TCustomDetailForm::AnchorRight(QWidget *widget)
{
    AddToBottomPanel(widget, widget->geometry(), true);
}

void TCustomDetailForm::AddToBottomPanel(QWidget *widget, const QRect &design, bool anchorRight)
{
    m_bottom->Add(widget, design, nullptr,
                  anchorRight ? DesignPlacement::Kind::AnchorRight : DesignPlacement::Kind::Fixed);
    BottomPanel->setMinimumWidth(m_bottom->MinimumWidth());
}

void TCustomDetailForm::CustomOKExecute()
{
    accept();
}

void TCustomDetailForm::CustomApplyExecute()
{
}

void TCustomDetailForm::CustomCancelExecute()
{
    reject();
}

void TCustomDetailForm::CustomApplyUpdate(QAction *sender)
{
    sender->setEnabled(true);
}

void TCustomDetailForm::FormCloseQuery(bool &)
{
}

void TCustomDetailForm::FormClose(TCloseAction &)
{
}

// accept(), reject(), Escape and the window's close button all end here.
void TCustomDetailForm::done(int result)
{
    if (m_closing)
        return;
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose)
        return;
    TCloseAction action = TCloseAction::Hide;
    FormClose(action);
    if (action == TCloseAction::None)
        return;
    {
        // Reset even when a handler of finished() or accepted() throws, or the form
        // could never be closed again.
        const QScopedValueRollback closing(m_closing, true);
        QDialog::done(result);
    }
    if (action == TCloseAction::Free)
        deleteLater();
}

// Escape and the window's close button end in done(); its close handlers' failures are
// reported and the form stays open.
void TCustomDetailForm::keyPressEvent(QKeyEvent *event)
{
    dataset::ReportErrors([&] { QDialog::keyPressEvent(event); });
}

void TCustomDetailForm::closeEvent(QCloseEvent *event)
{
    try {
        QDialog::closeEvent(event);
    } catch (...) {
        event->ignore();
        dataset::ReportError(std::current_exception());
    }
}

void TCustomDetailForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    UpdateActions();
}
