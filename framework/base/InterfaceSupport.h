#pragma once

// Helpers for implementing IInterface::QueryInterface: answering for interfaces the
// object implements itself, and for interfaces a companion object answers for it.

#include <framework/Interfaces.h>

#include <functional>
#include <tuple>
#include <vector>

// Returns 'self' as the first of the interfaces Is whose identifier is 'iid' (IInterface
// answers as the first of Is), with an added reference; nullptr when none matches.
template <class... Is, class Self>
IInterface *QueryInterfaceOf(Self *self, const QUuid &iid)
{
    IInterface *result = nullptr;
    ((result == nullptr && iid == Is::IID ? (result = static_cast<Is *>(self), 0) : 0), ...);
    if (result == nullptr && iid == IInterface::IID) {
        using First = std::tuple_element_t<0, std::tuple<Is...>>;
        result = static_cast<First *>(self);
    }
    if (result)
        result->AddRef();
    return result;
}

// A table of interfaces answered by companion objects. Each entry reads the owner's
// field at the moment of the query, so a field released or replaced later is honoured.
class TDelegation {
public:
    template <class I>
    void Add(const IntfPtr<I> &field)
    {
        m_entries.push_back({I::IID, [&field]() -> IInterface * { return field.get(); }});
    }

    // The companion's own answer for 'iid' (an added reference), or nullptr.
    IInterface *Query(const QUuid &iid) const
    {
        for (const auto &entry : m_entries) {
            if (entry.iid != iid)
                continue;
            IInterface *companion = entry.companion();
            return companion ? companion->QueryInterface(iid) : nullptr;
        }
        return nullptr;
    }

private:
    struct Entry {
        QUuid iid;
        std::function<IInterface *()> companion;
    };
    std::vector<Entry> m_entries;
};
