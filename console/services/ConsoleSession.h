#pragma once

#include <framework/Interfaces.h>

#include <memory>

namespace dataset {
class Connection;
}

namespace console {

class Console;
class ConsoleSettings;
class NoticeLog;
class SecurityModule;

// The console object with its module services over one open connection.
class ConsoleSession {
public:
    ConsoleSession(dataset::Connection &connection, const ConsoleSettings &settings);
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession &) = delete;
    ConsoleSession &operator=(const ConsoleSession &) = delete;

    Console &GetConsole() const;
    IntfPtr<IConsole> ConsoleInterface() const;
    SecurityModule &Security() const;
    NoticeLog &Notices() const;

private:
    std::unique_ptr<NoticeLog> m_notices;
    IntfPtr<Console> m_console;
    IntfPtr<SecurityModule> m_security;
};

} // namespace console
