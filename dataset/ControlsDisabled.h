#pragma once

#include "Query.h"

namespace dataset {

// Keeps a query's bound controls from following it for a scope (a walk over its rows);
// they catch up once when the scope ends, on every path.
class ControlsDisabled {
public:
    explicit ControlsDisabled(Query &query) : m_query(query) { m_query.DisableControls(); }
    ~ControlsDisabled() { m_query.EnableControls(); }
    ControlsDisabled(const ControlsDisabled &) = delete;
    ControlsDisabled &operator=(const ControlsDisabled &) = delete;

private:
    Query &m_query;
};

} // namespace dataset
