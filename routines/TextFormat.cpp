#include "TextFormat.h"

QString FormatResource(const QString &format, const QStringList &args)
{
    QString out;
    out.reserve(format.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar kind = format.at(i + 1);
            if (kind == QLatin1Char('s')) {
                if (next < args.size())
                    out += args.at(next);
                ++next;
                ++i;
                continue;
            }
            if (kind == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString ElidedValue(const QString &value, qsizetype max)
{
    return value.size() <= max ? value : value.left(max) + QChar(0x2026);
}
