#include <framework/base/CustomViewer.h>

#include <framework/base/InterfaceSupport.h>

#include <QLayout>
#include <QVBoxLayout>

// ---- TFrameHolder -----------------------------------------------------------

void TFrameHolder::Set(std::unique_ptr<QWidget> frame)
{
    Reset();
    m_frame = frame.release();
}

void TFrameHolder::Reset()
{
    // Deleting a frame that sits in a console widget also takes it out of that widget.
    delete m_frame.data();
    m_frame.clear();
}

void TFrameHolder::ShowIn(QWidget *parent)
{
    QWidget *frame = m_frame.data();
    if (!frame)
        return;
    if (parent && frame->parentWidget() != parent) {
        frame->setParent(parent);
        QLayout *layout = parent->layout();
        if (!layout) {
            layout = new QVBoxLayout(parent);
            layout->setContentsMargins(0, 0, 0, 0);
        }
        layout->addWidget(frame);
    }
    frame->show();
}

void TFrameHolder::Hide()
{
    QWidget *frame = m_frame.data();
    if (!frame)
        return;
    frame->hide();
    // Out of the console's widget, so the console may drop that widget freely.
    frame->setParent(nullptr);
}

// ---- TCustomFrameSnapin -----------------------------------------------------

TCustomFrameSnapin::TCustomFrameSnapin(const IntfPtr<IConsole> &console) : m_console(console)
{
}

TCustomFrameSnapin::~TCustomFrameSnapin() = default;

void TCustomFrameSnapin::BeforeDestruction()
{
    DestroyFrame();
}

void TCustomFrameSnapin::InternalDestroyFrame()
{
    m_frame.Reset();
}

void TCustomFrameSnapin::ShowFrame(QWidget *parent)
{
    if (!HasFrame())
        InternalCreateFrame();
    m_frame.ShowIn(parent);
}

void TCustomFrameSnapin::HideFrame()
{
    m_frame.Hide();
}

void TCustomFrameSnapin::DestroyFrame()
{
    if (HasFrame())
        InternalDestroyFrame();
    m_frame.Reset();
}

// ---- TCustomViewer ----------------------------------------------------------

TCustomViewer::TCustomViewer(const IntfPtr<IConsole> &console) : TCustomFrameSnapin(console)
{
}

IInterface *TCustomViewer::QueryInterface(const QUuid &iid)
{
    return QueryInterfaceOf<IViewer>(this, iid);
}

void TCustomViewer::Load(const IntfPtr<ISnapin> &)
{
}

void TCustomViewer::Show(QWidget *parent)
{
    ShowFrame(parent);
}

void TCustomViewer::Hide()
{
    HideFrame();
}

QList<QAction *> TCustomViewer::GetActionList()
{
    return m_actions;
}

void TCustomViewer::InternalDestroyFrame()
{
    // The actions belong to the frame and go with it.
    m_actions.clear();
    TCustomFrameSnapin::InternalDestroyFrame();
}

// ---- TCustomNavigator -------------------------------------------------------

TCustomNavigator::TCustomNavigator(const IntfPtr<IConsole> &console) : TCustomFrameSnapin(console)
{
}

IInterface *TCustomNavigator::QueryInterface(const QUuid &iid)
{
    return QueryInterfaceOf<INavigable>(this, iid);
}

void TCustomNavigator::ShowNavigator(QWidget *parent)
{
    ShowFrame(parent);
}

void TCustomNavigator::HideNavigator()
{
    HideFrame();
}
