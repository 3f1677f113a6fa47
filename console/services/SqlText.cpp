#include "SqlText.h"

namespace console {

QString EscapeLike(const QString &text)
{
    QString result;
    result.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            result += QLatin1Char('\\');
        result += c;
    }
    return result;
}

} // namespace console
