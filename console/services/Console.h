#pragma once

#include "ServiceObject.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>

namespace console {

// The console as the snap-ins see it: module services by identifier, the grid that
// the print and export commands act on, and the print wizard.
class Console final : public ServiceObject<IConsole> {
public:
    using PrintGridChanged = std::function<void(dataset::DBGrid *grid)>;

    Console() = default;
    ~Console() override;

    bool GetModule(const QUuid &iid, IntfPtr<IInterface> &module) override;
    void SetPrintGrid(dataset::DBGrid *grid) override;
    dataset::DBGrid *GetPrintGrid() override;
    void RunWizard(const QString &wizardName, const QString &params) override;

    // Offers 'module' under 'iid'; an empty pointer withdraws it.
    void RegisterModule(const QUuid &iid, IntfPtr<IInterface> module);
    void SetPrintGridChanged(PrintGridChanged handler) { m_gridChanged = std::move(handler); }

private:
    QHash<QUuid, IntfPtr<IInterface>> m_modules;
    QPointer<dataset::DBGrid> m_printGrid; // cleared when the grid goes
    PrintGridChanged m_gridChanged;
    QMetaObject::Connection m_gridDestroyed;
};

} // namespace console
