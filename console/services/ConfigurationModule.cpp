#include "ConfigurationModule.h"

namespace console {

ConfigurationModule::ConfigurationModule(QString configFile)
    : m_configFile(std::move(configFile))
{
}

IInterface *ConfigurationModule::QueryInterface(const QUuid &iid)
{
    if (iid != IConfigurationModule::IID)
        return nullptr;
    AddRef();
    return static_cast<IConfigurationModule *>(this);
}

QString ConfigurationModule::GetConfigFile()
{
    return m_configFile;
}

} // namespace console
