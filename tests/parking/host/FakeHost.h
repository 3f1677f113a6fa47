#pragma once

// A small console and security module for the module's tests: they record the calls
// the module makes and answer as a test sets them up.

#include <framework/base/InterfaceSupport.h>
#include <framework/Interfaces.h>

#include <QHash>
#include <QList>
#include <QStringList>

class FakeSecurityModule : public ISecurityModule, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override
    {
        return QueryInterfaceOf<ISecurityModule>(this, iid);
    }

    dataset::Connection *GetConnection() override
    {
        ++getConnectionCalls;
        return connection;
    }
    bool AfterConnect() override
    {
        ++afterConnectCalls;
        return true;
    }
    // ask false: the logged-in user; true: the user whose id the record carries.
    bool GetUserDesc(TUserDesc &user, bool ask) override
    {
        lastAsk = ask;
        lastAskedId = user.UserID;
        const int id = ask ? user.UserID : currentUserId;
        if (!users.contains(id))
            return false;
        user.UserID = id;
        user.FirstName = users.value(id).first;
        user.LastName = users.value(id).second;
        return true;
    }

    dataset::Connection *connection = nullptr;
    int currentUserId = 7;   // not in 'users': no logged-in user
    QHash<int, std::pair<QString, QString>> users{
        {7, {QStringLiteral("Petar"), QStringLiteral("Petrović")}},
        {9, {QStringLiteral("Ana"), QStringLiteral("Đokić")}},
    };
    int getConnectionCalls = 0;
    int afterConnectCalls = 0;
    bool lastAsk = false;
    int lastAskedId = 0;
};

class FakeNoticeLog : public INoticeLog, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<INoticeLog>(this, iid); }
    void AddNotice(const QString &text) override { notices << text; }

    QStringList notices;
};

class FakeConfiguration : public IConfigurationModule, public TInterfacedObject {
public:
    explicit FakeConfiguration(QString file) : configFile(std::move(file)) {}
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<IConfigurationModule>(this, iid); }
    QString GetConfigFile() override { return configFile; }
    QString configFile;
};

class FakeConsole : public IConsole, public TInterfacedObject {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override { return QueryInterfaceOf<IConsole>(this, iid); }

    bool GetModule(const QUuid &iid, IntfPtr<IInterface> &module) override
    {
        ++getModuleCalls;
        if (const IntfPtr<IInterface> other = modules.value(iid)) {
            module = other;
            return true;
        }
        if (iid != ISecurityModule::IID || !security)
            return false;
        module = IntfPtr<IInterface>(security);
        return true;
    }
    void SetPrintGrid(dataset::DBGrid *grid) override
    {
        ++setPrintGridCalls;
        printGrid = grid;
    }
    dataset::DBGrid *GetPrintGrid() override { return printGrid; }
    void RunWizard(const QString &name, const QString &params) override
    {
        wizardRuns << name + QLatin1Char('|') + params;
        wizardGrids << printGrid;
    }

    IntfPtr<FakeSecurityModule> security;   // empty: the host has no security module
    QHash<QUuid, IntfPtr<IInterface>> modules;   // further modules, by interface identifier
    int getModuleCalls = 0;
    int setPrintGridCalls = 0;
    dataset::DBGrid *printGrid = nullptr;
    QStringList wizardRuns;                  // "name|params" of each run
    QList<dataset::DBGrid *> wizardGrids;    // the print grid during each run
};
