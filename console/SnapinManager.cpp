#include "SnapinManager.h"

#include "ConsoleLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace console {

SnapinManager::~SnapinManager()
{
    StopAll();
}

QString SnapinManager::DefaultFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/plugins");
}

int SnapinManager::LoadFolder(const QString &folder, const IntfPtr<IConsole> &console)
{
    const QDir dir(folder);
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    int running = 0;
    for (const QString &name : files) {
        const QString path = dir.absoluteFilePath(name);
        if (!QLibrary::isLibrary(path))
            continue;
        auto plugin = std::make_unique<SnapinPlugin>(path);
        if (plugin->Load() && plugin->Initialize() && plugin->Start(console))
            ++running;
        if (plugin->HasError())
            qCWarning(lcConsole, "%s", qUtf8Printable(plugin->ErrorString()));
        m_plugins.push_back(std::move(plugin));
    }
    return running;
}

void SnapinManager::StopAll()
{
    for (auto it = m_plugins.rbegin(); it != m_plugins.rend(); ++it)
        (*it)->Stop();
}

std::vector<SnapinPlugin *> SnapinManager::Running() const
{
    std::vector<SnapinPlugin *> result;
    for (const auto &plugin : m_plugins)
        if (plugin->GetState() == SnapinPlugin::State::Running)
            result.push_back(plugin.get());
    return result;
}

QStringList SnapinManager::Errors() const
{
    QStringList result;
    for (const auto &plugin : m_plugins)
        if (plugin->HasError())
            result << plugin->ErrorString();
    return result;
}

} // namespace console
