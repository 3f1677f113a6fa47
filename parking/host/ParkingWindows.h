#pragma once

// The entry's window opener: the one place that knows every window of the module.

#include <parking/shared/WindowOpener.h>

class ParkingWindows final : public parking::WindowOpener {
public:
    void Open(Tool tool, TParkingDM &dm, QWidget *parent, const std::function<void()> &beforeShow = {}) override;
    std::vector<ImportCommand> ImportCommands() const override;
    void OpenImport(const QString &id, TParkingDM &dm, QWidget *parent,
                    const std::function<void()> &beforeShow = {}) override;
    void EditDocument(TParkingDM &dm, QWidget *parent) override;
    void ShowVehicleHistory(TParkingDM &dm, const QString &plate, QWidget *parent,
                            const dataset::Query *startStop = nullptr) override;
};
