#include "SecurityModule.h"

#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>
#include <dataset/Query.h>

namespace console {

SecurityModule::SecurityModule(dataset::Connection &connection, int schemaVersion)
    : m_connection(connection)
    , m_schemaVersion(schemaVersion)
{
}

dataset::Connection *SecurityModule::GetConnection()
{
    return &m_connection;
}

// True when the database carries the schema version this console was built for.
// A missing version table (an older or foreign database) answers false; any other
// database failure is thrown.
bool SecurityModule::AfterConnect()
{
    return m_connection.Connected()
        && dbserver::InstalledSchemaVersion(m_connection) == m_schemaVersion;
}

bool SecurityModule::GetUserDesc(TUserDesc &user, bool ask)
{
    if (!ask) {
        if (!m_loggedIn)
            return false;
        user = m_current;
        return true;
    }
    dataset::Query query;
    query.SetConnection(&m_connection);
    query.SetSQL({QStringLiteral("SELECT userid, firstname, lastname FROM user WHERE userid = :id")});
    query.SetParam(QStringLiteral("id"), user.UserID);
    query.Open();
    if (query.IsEmpty())
        return false;
    user.FirstName = query.FieldByName(QStringLiteral("firstname")).AsString();
    user.LastName = query.FieldByName(QStringLiteral("lastname")).AsString();
    return true;
}

void SecurityModule::SetCurrentUser(const TUserDesc &user)
{
    m_current = user;
    m_loggedIn = true;
}

} // namespace console
