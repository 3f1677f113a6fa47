#pragma once

#include "ServiceObject.h"

namespace console {

// The security module: the console's connection, the schema check after connecting,
// and the names of users.
class SecurityModule final : public ServiceObject<ISecurityModule> {
public:
    // 'schemaVersion' is the version the console's schema installer writes.
    SecurityModule(dataset::Connection &connection, int schemaVersion);

    dataset::Connection *GetConnection() override;
    bool AfterConnect() override;
    bool GetUserDesc(TUserDesc &user, bool ask) override;

    // The user who logged in; until then GetUserDesc(…, false) answers false.
    void SetCurrentUser(const TUserDesc &user);

private:
    dataset::Connection &m_connection;
    int m_schemaVersion;
    bool m_loggedIn = false;
    TUserDesc m_current;
};

} // namespace console
