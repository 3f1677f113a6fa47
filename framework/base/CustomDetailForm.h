#pragma once

// Base of a modal detail form: a page control with the "general" tab, a bottom panel
// with OK, Apply and Cancel bound to the actions CustomOK, CustomApply, CustomCancel,
// a close query asked on every close attempt, and actions refreshed by their update
// handlers when the form is shown, after its own actions run and whenever a query it
// shows changes.

#include <QDialog>
#include <QKeySequence>
#include <QList>
#include <functional>
#include <vector>

class DesignPlacement;
class QRect;
class QAction;
class QPushButton;
class QTabWidget;
namespace dataset {
class Query;
}

enum class TCloseAction { None, Hide, Free };

class TCustomDetailForm : public QDialog {
    Q_OBJECT
public:
    explicit TCustomDetailForm(QWidget *parent = nullptr);
    ~TCustomDetailForm() override;

    QTabWidget *PageControl;
    QWidget *GeneralTS;
    QWidget *BottomPanel;
    QPushButton *OKButton;
    QPushButton *ApplyButton;
    QPushButton *CancelButton;
    QList<QAction *> ActionList;
    QAction *CustomOK;
    QAction *CustomApply;
    QAction *CustomCancel;

    // Creates an action of the form (added to ActionList and to the form's shortcuts).
    QAction *CreateAction(const QString &name, const QString &caption,
                          const QKeySequence &shortcut = {});
    // 'handler' decides the action's state; it runs on UpdateActions.
    void SetActionUpdate(QAction *action, std::function<void(QAction *)> handler);
    void UpdateActions();
    // Actions are updated whenever 'query' changes its state, moves, changes a row's
    // values or its whole result, for as long as both the form and the query live.
    void UpdateActionsOn(const dataset::Query &query);
    // A button that triggers 'action' and follows its caption and enabled state.
    static void BindButton(QPushButton *button, QAction *action);
    // Keeps 'widget' (a child of BottomPanel) at its distance from the panel's right edge.
    void AnchorRight(QWidget *widget);
    // Places 'widget' (a child of BottomPanel) at its design rectangle on a form 776
    // pixels wide, sized for the running font (DesignPlacement), left or anchored right.
    void AddToBottomPanel(QWidget *widget, const QRect &design, bool anchorRight);

protected:
    virtual void CustomOKExecute();        // base: closes with Accepted
    virtual void CustomApplyExecute();     // base: nothing
    virtual void CustomCancelExecute();    // base: closes with Rejected
    virtual void CustomApplyUpdate(QAction *sender);   // base: enabled
    // Asked on every close attempt; set canClose to false to keep the form open.
    virtual void FormCloseQuery(bool &canClose);
    // Runs when the form closes; Free deletes it later, None keeps it open.
    virtual void FormClose(TCloseAction &action);

    void done(int result) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct ActionUpdate { QAction *action; std::function<void(QAction *)> handler; };
    std::vector<ActionUpdate> m_updates;
    std::vector<QMetaObject::Connection> m_followed; // the signals of UpdateActionsOn
    DesignPlacement *m_bottom = nullptr;
    bool m_closing = false;
};
