#include "ConfigurationModule.h"

namespace console {

ConfigurationModule::ConfigurationModule(QString configFile)
    : m_configFile(std::move(configFile))
{
}

QString ConfigurationModule::GetConfigFile()
{
    return m_configFile;
}

} // namespace console
