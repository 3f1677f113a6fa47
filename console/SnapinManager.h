#pragma once

#include "SnapinPlugin.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace console {

// Finds the snap-in libraries of one folder and takes each through its life: load,
// Initialize and snap-in creation in file-name order, Finalize in reverse order.
// A library that fails a step is kept with its error and skipped.
class SnapinManager {
public:
    SnapinManager() = default;
    ~SnapinManager();
    SnapinManager(const SnapinManager &) = delete;
    SnapinManager &operator=(const SnapinManager &) = delete;

    // Default folder: "plugins" beside the executable.
    static QString DefaultFolder();

    // Loads every library of 'folder'; returns the number of running snap-ins.
    // Errors are logged (parking.console) as well as kept on the plug-ins.
    int LoadFolder(const QString &folder, const IntfPtr<IConsole> &console);
    void StopAll();

    const std::vector<std::unique_ptr<SnapinPlugin>> &Plugins() const { return m_plugins; }
    std::vector<SnapinPlugin *> Running() const;
    QStringList Errors() const;

private:
    std::vector<std::unique_ptr<SnapinPlugin>> m_plugins;
};

} // namespace console
