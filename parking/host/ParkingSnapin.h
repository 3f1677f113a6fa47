#pragma once

// The module's snap-in objects: the factory, the snap-in that presents the module to
// the console, and its two companions, the document list (viewer) and the search pane
// (navigator).

#include <framework/base/CustomSnapin.h>
#include <framework/base/CustomViewer.h>

// Module number the console knows the parking module by.
inline constexpr int kParkingModuleID = 2027;

class TParkingSnapinFactory : public TCustomSnapinFactory {
public:
    // The first call creates the snap-in; every call returns that one snap-in and makes
    // 'console' the console of the module's host services.
    IntfPtr<ISnapin> CreateSnapin(const IntfPtr<IConsole> &console) override;

private:
    IntfPtr<ISnapin> m_snapin;
};

class TParkingSnapin : public TCustomSnapin {
public:
    explicit TParkingSnapin(const IntfPtr<IConsole> &console);
    ~TParkingSnapin() override;

    // Companions; IViewer and INavigable asked of the snap-in are answered by them.
    IntfPtr<IViewer> Viewer;
    IntfPtr<INavigable> Navigator;
};

class TParkingViewer : public TCustomViewer {
public:
    explicit TParkingViewer(const IntfPtr<IConsole> &console);

    // Attaches the host's connection to the data module (the snap-in is not used).
    void Load(const IntfPtr<ISnapin> &snapin) override;
    // The list grid is the console's print grid while the list is shown.
    void Show(QWidget *parent) override;
    void Hide() override;

protected:
    // Creates the document list; the base frees it (InternalDestroyFrame).
    void InternalCreateFrame() override;
};

class TParkingNavigator : public TCustomNavigator {
public:
    using TCustomNavigator::TCustomNavigator;

protected:
    // Creates the search pane; the base frees it (InternalDestroyFrame).
    void InternalCreateFrame() override;
};
