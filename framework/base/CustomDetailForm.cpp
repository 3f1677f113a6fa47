#include "base/CustomDetailForm.h"

#include "Error.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kBottomPanelHeight = 41;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
// Periodic refresh for state changes that no user input announces.
constexpr int kUpdateIntervalMs = 250;

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::FocusIn:
        return true;
    default:
        return false;
    }
}

} // namespace

TCustomDetailForm::TCustomDetailForm(QWidget *parent)
    : QDialog(parent),
      PageControl(new QTabWidget(this)),
      GeneralTS(new QWidget),
      BottomPanel(new QWidget(this)),
      OKButton(new QPushButton(BottomPanel)),
      ApplyButton(new QPushButton(BottomPanel)),
      CancelButton(new QPushButton(BottomPanel)),
      CustomOK(nullptr),
      CustomApply(nullptr),
      CustomCancel(nullptr),
      m_updateTimer(new QTimer(this))
{
    PageControl->setObjectName(QStringLiteral("PageControl"));
    GeneralTS->setObjectName(QStringLiteral("GeneralTS"));
    PageControl->addTab(GeneralTS, QStringLiteral("Opšte"));
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setFixedHeight(kBottomPanelHeight);
    BottomPanel->installEventFilter(this);
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
    // to the host's error display there and the form stays as it is.
    connect(CustomOK, &QAction::triggered, this, [this] { dataset::ReportErrors([this] { CustomOKExecute(); }); });
    connect(CustomApply, &QAction::triggered, this,
            [this] { dataset::ReportErrors([this] { CustomApplyExecute(); }); });
    connect(CustomCancel, &QAction::triggered, this,
            [this] { dataset::ReportErrors([this] { CustomCancelExecute(); }); });
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
    BottomPanel->resize(776, kBottomPanelHeight);
    OKButton->setGeometry(532, 8, kButtonWidth, kButtonHeight);
    ApplyButton->setGeometry(612, 8, kButtonWidth, kButtonHeight);
    CancelButton->setGeometry(692, 8, kButtonWidth, kButtonHeight);
    AnchorRight(OKButton);
    AnchorRight(ApplyButton);
    AnchorRight(CancelButton);
    resize(776, 510);

    m_updateTimer->setInterval(kUpdateIntervalMs);
    connect(m_updateTimer, &QTimer::timeout, this, &TCustomDetailForm::UpdateActions);
}

TCustomDetailForm::~TCustomDetailForm()
{
    qApp->removeEventFilter(this);
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
    m_updateQueued = false;
    for (const ActionUpdate &update : m_updates) {
        if (update.handler)
            update.handler(update.action);
    }
}

void TCustomDetailForm::BindButton(QPushButton *button, QAction *action)
{
    const auto follow = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    };
    follow();
    connect(action, &QAction::changed, button, follow);
    connect(button, &QPushButton::clicked, action, [action] { action->trigger(); });
}

void TCustomDetailForm::AnchorRight(QWidget *widget)
{
    const int margin = BottomPanel->width() - widget->geometry().right();
    m_anchors.push_back({widget, margin});
}

void TCustomDetailForm::LayoutBottomPanel()
{
    const int width = BottomPanel->width();
    for (const Anchor &anchor : m_anchors) {
        QRect geometry = anchor.widget->geometry();
        geometry.moveRight(width - anchor.rightMargin);
        anchor.widget->setGeometry(geometry);
    }
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
    qApp->installEventFilter(this);
    m_updateTimer->start();
    UpdateActions();
}

void TCustomDetailForm::hideEvent(QHideEvent *event)
{
    m_updateTimer->stop();
    qApp->removeEventFilter(this);
    QDialog::hideEvent(event);
}

bool TCustomDetailForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == BottomPanel && event->type() == QEvent::Resize)
        LayoutBottomPanel();
    // After user input, refresh once the event loop is idle again.
    if (!m_updateQueued && IsUserInput(event->type())) {
        m_updateQueued = true;
        QTimer::singleShot(0, this, &TCustomDetailForm::UpdateActions);
    }
    return QDialog::eventFilter(watched, event);
}
