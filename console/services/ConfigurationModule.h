#pragma once

#include "ServiceObject.h"

namespace console {

// Tells the modules which configuration file the console reads (its --config).
class ConfigurationModule final : public ServiceObject<IConfigurationModule> {
public:
    explicit ConfigurationModule(QString configFile);

    QString GetConfigFile() override;

private:
    QString m_configFile;
};

} // namespace console
