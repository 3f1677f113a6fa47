#pragma once

// Base classes of a snap-in library: the factory the console asks for the snap-in,
// and the snap-in that presents the module (name, description, image, data set).

#include <framework/base/InterfaceSupport.h>
#include <framework/Interfaces.h>

#include <QPixmap>
#include <QPointer>
#include <QString>

namespace dataset { class Query; }

// Create with CreateInterfaced<TMyFactory>(). CreateSnapin is what a module overrides.
class TCustomSnapinFactory : public ISnapinFactory, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override;
    IntfPtr<ISnapin> CreateSnapin(const IntfPtr<IConsole> &console) override = 0;
};

// The snap-in keeps the console it was created with for its whole life. Interfaces of
// companion objects (IViewer, INavigable) are answered by delegation: register the
// fields holding them with DelegateInterface in the derived constructor.
//
// Create with CreateInterfaced<TMySnapin>(console): the base constructor keeps the
// console, the derived constructor stores name, image, data set and module id and
// creates its companions, then AfterConstruction runs.
class TCustomSnapin : public ISnapin, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    explicit TCustomSnapin(const IntfPtr<IConsole> &console);
    ~TCustomSnapin() override;

    IInterface *QueryInterface(const QUuid &iid) override;

    dataset::Query *GetDataSet() override;
    QString GetDescription() override;
    QPixmap GetImage() override;
    QString GetName() override;
    // The kind of snap-in; a module list (the only kind this host shows) is 0.
    int GetSnapinType() override;

    const IntfPtr<IConsole> &Console() const { return m_console; }
    int ModuleID() const { return m_moduleID; }

protected:
    void SetDataSet(dataset::Query *dataSet);
    void SetDescription(const QString &description) { m_description = description; }
    void SetImage(const QPixmap &image) { m_image = image; }
    void SetName(const QString &name) { m_name = name; }
    void SetModuleID(int moduleID) { m_moduleID = moduleID; }

    // 'field' answers for interface I from now on; it must live as long as the snap-in.
    template <class I>
    void DelegateInterface(const IntfPtr<I> &field) { m_delegation.Add(field); }

private:
    IntfPtr<IConsole> m_console;
    QPointer<dataset::Query> m_dataSet;
    QString m_description;
    QPixmap m_image;
    QString m_name;
    int m_moduleID = 0;
    TDelegation m_delegation;
};
