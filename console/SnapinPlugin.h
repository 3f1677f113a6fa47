#pragma once

#include <framework/base/SnapinLibrary.h>
#include <framework/Interfaces.h>

#include <QLibrary>
#include <QString>

namespace console {

// One snap-in library and its life in the console. The state only moves forward one
// step at a time; a failed step keeps the state it had and records the reason.
class SnapinPlugin {
public:
    enum class State {
        Found,        // the file is known, nothing loaded
        Loaded,       // library mapped and its three exports resolved
        Initialized,  // Initialize ran
        Running,      // the factory gave a snap-in for the console
        Stopped,      // snap-in released and Finalize ran
    };

    explicit SnapinPlugin(QString filePath);
    ~SnapinPlugin();
    SnapinPlugin(const SnapinPlugin &) = delete;
    SnapinPlugin &operator=(const SnapinPlugin &) = delete;

    // Each step runs only from the state before it; false (and ErrorString) on failure.
    bool Load();
    bool Initialize();
    bool Start(const IntfPtr<IConsole> &console);
    // Releases the snap-in and the factory, then runs Finalize (after Initialize only).
    void Stop();

    State GetState() const { return m_state; }
    bool HasError() const { return !m_error.isEmpty(); }
    const QString &ErrorString() const { return m_error; }
    const QString &FilePath() const { return m_filePath; }

    const IntfPtr<ISnapin> &Snapin() const { return m_snapin; }
    IntfPtr<IViewer> Viewer() const;
    IntfPtr<INavigable> Navigator() const;

private:
    bool Fail(const QString &message);

    QString m_filePath;
    QLibrary m_library;
    State m_state = State::Found;
    QString m_error;
    InitializeFunc m_initialize = nullptr;
    FinalizeFunc m_finalize = nullptr;
    GetSnapinFactoryFunc m_getFactory = nullptr;
    IntfPtr<ISnapinFactory> m_factory;
    IntfPtr<ISnapin> m_snapin;
};

} // namespace console
