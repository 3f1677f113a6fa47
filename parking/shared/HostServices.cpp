#include "HostServices.h"

#include <dataset/Error.h>

namespace parking {

void HostServices::RunWizard(const QString &name, const QString &params) const
{
    if (m_console)
        m_console->RunWizard(name, params);
}

WindowOpener &HostServices::Windows() const
{
    if (!m_windows)
        throw dataset::Error(QStringLiteral("Prozori modula Parking nisu dostupni."));
    return *m_windows;
}

PrintGridLoan::PrintGridLoan(const HostServices &host, dataset::DBGrid *grid)
    : m_console(host.Console())
    , m_grid(grid)
{
    if (!m_console)
        return;
    m_previous = m_console->GetPrintGrid();
    m_console->SetPrintGrid(m_grid);
}

PrintGridLoan::~PrintGridLoan()
{
    if (m_console && m_console->GetPrintGrid() == m_grid)
        m_console->SetPrintGrid(m_previous);
}

} // namespace parking
