#pragma once

// Base classes of a snap-in's companions: the viewer (the list pane, IViewer) and the
// navigator (the search pane, INavigable). Each creates its frame on first Show through
// the virtual InternalCreateFrame, places it into the widget the console gives and
// destroys it through InternalDestroyFrame when the companion goes.

#include <framework/Interfaces.h>

#include <QList>
#include <QPointer>
#include <QWidget>
#include <memory>

class QAction;

// Holds one frame widget: owns it until destroyed (it may sit inside a console widget
// meanwhile; if that widget deletes it first, the holder simply becomes empty).
class TFrameHolder {
public:
    TFrameHolder() = default;
    TFrameHolder(const TFrameHolder &) = delete;
    TFrameHolder &operator=(const TFrameHolder &) = delete;
    ~TFrameHolder() { Reset(); }

    QWidget *Get() const { return m_frame.data(); }
    void Set(std::unique_ptr<QWidget> frame);
    void Reset();
    // Puts the frame into 'parent' (filling it through a layout) and shows it.
    void ShowIn(QWidget *parent);
    // Hides the frame and takes it out of the console's widget.
    void Hide();

private:
    QPointer<QWidget> m_frame;
};

// Common part of viewer and navigator: console, module id, frame and its life.
class TCustomFrameSnapin : public TInterfacedObject {
public:
    explicit TCustomFrameSnapin(const IntfPtr<IConsole> &console);
    ~TCustomFrameSnapin() override;

    const IntfPtr<IConsole> &Console() const { return m_console; }
    int ModuleID() const { return m_moduleID; }
    void SetModuleID(int moduleID) { m_moduleID = moduleID; }
    QWidget *Frame() const { return m_frame.Get(); }
    bool HasFrame() const { return m_frame.Get() != nullptr; }

    // Destroys the frame while the derived class is still whole.
    void BeforeDestruction() override;

protected:
    // Creates the frame and hands it over with SetFrame.
    virtual void InternalCreateFrame() = 0;
    // Frees the frame; overrides that do more call the base's at the end.
    virtual void InternalDestroyFrame();

    void SetFrame(std::unique_ptr<QWidget> frame) { m_frame.Set(std::move(frame)); }
    void ShowFrame(QWidget *parent);
    void HideFrame();
    void DestroyFrame();

private:
    IntfPtr<IConsole> m_console;
    int m_moduleID = 0;
    TFrameHolder m_frame;
};

// Create with CreateInterfaced<TMyViewer>(console).
class TCustomViewer : public IViewer, public TCustomFrameSnapin {
public:
    PARKING_INTERFACED_OBJECT
    explicit TCustomViewer(const IntfPtr<IConsole> &console);

    IInterface *QueryInterface(const QUuid &iid) override;
    void Load(const IntfPtr<ISnapin> &snapin) override;
    // Creates the frame on first use, then places it into 'parent'.
    void Show(QWidget *parent) override;
    void Hide() override;
    QList<QAction *> GetActionList() override;

protected:
    void InternalDestroyFrame() override;
    void SetActionList(const QList<QAction *> &actions) { m_actions = actions; }

private:
    QList<QAction *> m_actions;
};

// Create with CreateInterfaced<TMyNavigator>(console).
class TCustomNavigator : public INavigable, public TCustomFrameSnapin {
public:
    PARKING_INTERFACED_OBJECT
    explicit TCustomNavigator(const IntfPtr<IConsole> &console);

    IInterface *QueryInterface(const QUuid &iid) override;
    // Creates the frame on first use, then places it into 'parent'.
    void ShowNavigator(QWidget *parent) override;
    void HideNavigator() override;
};
