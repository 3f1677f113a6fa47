#pragma once

#include <framework/Interfaces.h>

namespace console {

// Reference counting and QueryInterface for a console service that answers for one
// interface only.
template <class Interface>
class ServiceObject : public TInterfacedObject, public Interface {
public:
    IInterface *QueryInterface(const QUuid &iid) override
    {
        if (iid != Interface::IID)
            return nullptr;
        AddRef();
        return static_cast<Interface *>(this);
    }
    PARKING_INTERFACED_OBJECT
};

} // namespace console
