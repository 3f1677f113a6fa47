#include "Console.h"

#include <dataset/Error.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/report/GridPrint.h>

#include <QApplication>

namespace console {

bool Console::GetModule(const QUuid &iid, IntfPtr<IInterface> &module)
{
    const auto it = m_modules.constFind(iid);
    if (it == m_modules.constEnd() || !*it) {
        module.reset();
        return false;
    }
    module = *it;
    return true;
}

Console::~Console()
{
    QObject::disconnect(m_gridDestroyed);
}

void Console::SetPrintGrid(dataset::DBGrid *grid)
{
    QObject::disconnect(m_gridDestroyed);
    m_printGrid = grid;
    if (grid) {
        // A form that closes without handing its grid back leaves no grid behind.
        m_gridDestroyed = QObject::connect(grid, &QObject::destroyed, [this] {
            m_printGrid = nullptr;
            if (m_gridChanged)
                m_gridChanged(nullptr);
        });
    }
    if (m_gridChanged)
        m_gridChanged(grid);
}

dataset::DBGrid *Console::GetPrintGrid()
{
    return m_printGrid;
}

void Console::RunWizard(const QString &wizardName, const QString &params)
{
    (void)wizardName; // the console has one wizard: printing the current grid
    RunPrintWizard(m_printGrid.data(), params, QApplication::activeWindow());
}

void Console::RegisterModule(const QUuid &iid, IntfPtr<IInterface> module)
{
    if (module)
        m_modules.insert(iid, std::move(module));
    else
        m_modules.remove(iid);
}

} // namespace console
