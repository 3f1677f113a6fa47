#include "WizardParams.h"

#include <QStringList>

namespace console {

WizardParams WizardParams::Parse(const QString &text)
{
    WizardParams result;
    QString *current = nullptr;
    const QStringList parts = text.split(QLatin1Char(';'));
    for (const QString &part : parts) {
        if (part.startsWith(QLatin1String("title:"), Qt::CaseInsensitive)) {
            current = &result.title;
            *current = part.mid(6);
        } else if (part.startsWith(QLatin1String("header:"), Qt::CaseInsensitive)) {
            current = &result.header;
            *current = part.mid(7);
        } else if (current) {
            *current += QLatin1Char(';') + part;
        } else if (!part.isEmpty()) {
            // Text before any key: taken as the title.
            current = &result.title;
            *current = part;
        }
    }
    return result;
}

} // namespace console
