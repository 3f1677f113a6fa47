#pragma once

// What the host console offers the module: its modules, its print grid and its wizards,
// and the module's own windows opened for one another. The snap-in entry owns one and
// points it at the console the host last handed over; the data module is given it by
// reference and the windows reach it through the data module they are given.

#include <framework/Interfaces.h>

namespace dataset {
class DBGrid;
}

namespace parking {

class WindowOpener;

class HostServices {
public:
    HostServices() = default;
    explicit HostServices(IntfPtr<IConsole> console) : m_console(std::move(console)) {}
    HostServices(const HostServices &) = delete;
    HostServices &operator=(const HostServices &) = delete;

    void SetConsole(IntfPtr<IConsole> console) { m_console = std::move(console); }
    // Empty before the host handed a console over, and in a batch run without one.
    const IntfPtr<IConsole> &Console() const { return m_console; }

    // The host's module T, or empty when there is no console or the host lacks the module.
    template <class T>
    IntfPtr<T> HostModule() const
    {
        IntfPtr<IInterface> module;
        if (!m_console || !m_console->GetModule(T::IID, module) || !module)
            return {};
        return Supports<T>(module);
    }

    // Runs the console's wizard 'name' with 'params'; without a console nothing runs.
    void RunWizard(const QString &name, const QString &params) const;

    // The entry's window opener; data code never asks for it. Throws dataset::Error when
    // none was set (a batch run shows no windows).
    void SetWindows(WindowOpener *windows) { m_windows = windows; }
    WindowOpener &Windows() const;
    bool HasWindows() const { return m_windows != nullptr; }

private:
    IntfPtr<IConsole> m_console;
    WindowOpener *m_windows = nullptr;
};

// While it lives, 'grid' is the console's print grid (what the console prints and
// exports); the grid before it is put back at the end unless another took its place.
class PrintGridLoan {
public:
    PrintGridLoan(const HostServices &host, dataset::DBGrid *grid);
    ~PrintGridLoan();
    PrintGridLoan(const PrintGridLoan &) = delete;
    PrintGridLoan &operator=(const PrintGridLoan &) = delete;

private:
    IntfPtr<IConsole> m_console; // the console lent to, even if the host moves on
    dataset::DBGrid *m_grid;
    dataset::DBGrid *m_previous = nullptr;
};

} // namespace parking
