#include "ConsoleSession.h"

#include "ConfigurationModule.h"
#include "Console.h"
#include "DocumentModule.h"
#include "DocumentService.h"
#include "NoticeLog.h"
#include "PartnerModule.h"
#include "ProductModule.h"
#include "SecurityModule.h"
#include <console/connection/ConsoleSettings.h>
#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>

namespace console {

ConsoleSession::ConsoleSession(dataset::Connection &connection, const ConsoleSettings &settings)
    : m_notices(std::make_unique<NoticeLog>())
    , m_console(new Console)
    , m_security(new SecurityModule(connection, dbserver::SchemaVersion))
{
    Console &c = *m_console;
    c.RegisterModule(ISecurityModule::IID, IntfPtr<IInterface>(static_cast<ISecurityModule *>(m_security.get())));
    c.RegisterModule(IProductModule::IID,
                     IntfPtr<IInterface>(static_cast<IProductModule *>(new ProductModule(connection))));
    c.RegisterModule(IPartnerModule::IID,
                     IntfPtr<IInterface>(static_cast<IPartnerModule *>(new PartnerModule(connection))));
    c.RegisterModule(
        IDocumentModule::IID,
        IntfPtr<IInterface>(static_cast<IDocumentModule *>(new DocumentModule(settings.DefaultCurrency()))));
    c.RegisterModule(
        IConfigurationModule::IID,
        IntfPtr<IInterface>(static_cast<IConfigurationModule *>(new ConfigurationModule(settings.Path()))));
    c.RegisterModule(IDocumentService::IID,
                     IntfPtr<IInterface>(static_cast<IDocumentService *>(new DocumentService(connection, *m_notices))));
    c.RegisterModule(INoticeLog::IID, IntfPtr<IInterface>(static_cast<INoticeLog *>(new NoticeLogModule(*m_notices))));
    QObject::connect(&connection, &dataset::Connection::reconnected, m_notices.get(), [log = m_notices.get()] {
        log->Add(QStringLiteral("Veza sa bazom podataka je bila prekinuta i ponovo je uspostavljena."));
    });
}

ConsoleSession::~ConsoleSession() = default;

Console &ConsoleSession::GetConsole() const
{
    return *m_console;
}
IntfPtr<IConsole> ConsoleSession::ConsoleInterface() const
{
    return IntfPtr<IConsole>(m_console.get());
}
SecurityModule &ConsoleSession::Security() const
{
    return *m_security;
}
NoticeLog &ConsoleSession::Notices() const
{
    return *m_notices;
}

} // namespace console
