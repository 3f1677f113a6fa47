#include "SnapinPlugin.h"

#include "ErrorDisplay.h"

#include <QFileInfo>

namespace console {

SnapinPlugin::SnapinPlugin(QString filePath)
    : m_filePath(std::move(filePath))
    , m_library(m_filePath)
{
}

SnapinPlugin::~SnapinPlugin()
{
    Stop();
    // The library stays mapped: objects and Qt meta data it created may still be
    // referenced by widgets until the process ends.
}

bool SnapinPlugin::Fail(const QString &message)
{
    m_error = QStringLiteral("Modul %1: %2").arg(QFileInfo(m_filePath).fileName(), message);
    return false;
}

bool SnapinPlugin::Load()
{
    if (m_state != State::Found)
        return false;
    if (!m_library.load())
        return Fail(QStringLiteral("biblioteka se ne može učitati (%1).").arg(m_library.errorString()));
    m_initialize = reinterpret_cast<InitializeFunc>(m_library.resolve("Initialize"));
    m_finalize = reinterpret_cast<FinalizeFunc>(m_library.resolve("Finalize"));
    m_getFactory = reinterpret_cast<GetSnapinFactoryFunc>(m_library.resolve("GetSnapinFactory"));
    QStringList missing;
    if (!m_initialize)
        missing << QStringLiteral("Initialize");
    if (!m_getFactory)
        missing << QStringLiteral("GetSnapinFactory");
    if (!m_finalize)
        missing << QStringLiteral("Finalize");
    if (!missing.isEmpty())
        return Fail(QStringLiteral("biblioteka nema ulaznu tačku %1.").arg(missing.join(QStringLiteral(", "))));
    m_state = State::Loaded;
    return true;
}

bool SnapinPlugin::Initialize()
{
    if (m_state != State::Loaded)
        return false;
    try {
        m_initialize();
    } catch (...) {
        return Fail(QStringLiteral("inicijalizacija nije uspela: %1")
                        .arg(ErrorDisplay::MessageOf(std::current_exception())));
    }
    m_state = State::Initialized;
    return true;
}

bool SnapinPlugin::Start(const IntfPtr<IConsole> &console)
{
    if (m_state != State::Initialized)
        return false;
    try {
        const auto exported = IntfPtr<IInterface>::Adopt(m_getFactory());
        m_factory = Supports<ISnapinFactory>(exported);
        if (!m_factory)
            return Fail(QStringLiteral("biblioteka nije dala fabriku modula."));
        m_snapin = m_factory->CreateSnapin(console);
    } catch (...) {
        m_factory.reset();
        return Fail(QStringLiteral("modul nije mogao da se napravi: %1")
                        .arg(ErrorDisplay::MessageOf(std::current_exception())));
    }
    if (!m_snapin) {
        m_factory.reset();
        return Fail(QStringLiteral("fabrika nije dala modul."));
    }
    m_state = State::Running;
    return true;
}

void SnapinPlugin::Stop()
{
    if (m_state != State::Initialized && m_state != State::Running)
        return;
    m_snapin.reset();
    m_factory.reset();
    try {
        m_finalize();
    } catch (...) {
        Fail(QStringLiteral("završetak rada nije uspeo: %1")
                 .arg(ErrorDisplay::MessageOf(std::current_exception())));
    }
    m_state = State::Stopped;
}

IntfPtr<IViewer> SnapinPlugin::Viewer() const
{
    return Supports<IViewer>(m_snapin);
}

IntfPtr<INavigable> SnapinPlugin::Navigator() const
{
    return Supports<INavigable>(m_snapin);
}

} // namespace console
