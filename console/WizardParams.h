#pragma once

#include <QString>

namespace console {

// The parameter text of the print wizard: "title:...;header:...". Keys may come in
// any order or be missing; a ';' not followed by a known key belongs to the value.
struct WizardParams {
    QString title;
    QString header;

    static WizardParams Parse(const QString &text);
};

} // namespace console
