#pragma once

#include "Interfaces.h"

namespace console {

// Tells the modules which configuration file the console reads (its --config).
class ConfigurationModule final : public TInterfacedObject, public IConfigurationModule {
public:
    explicit ConfigurationModule(QString configFile);

    IInterface *QueryInterface(const QUuid &iid) override;
    PARKING_INTERFACED_OBJECT

    QString GetConfigFile() override;

private:
    QString m_configFile;
};

} // namespace console
