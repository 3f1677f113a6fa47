#include "TextFormat.h"

#include <algorithm>

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

namespace {

// Marks that reorder or break text although they print nothing of their own.
bool IsFormatMark(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)
        || c == 0x2028 || c == 0x2029 || c == 0xFEFF;
}

bool NeedsEscape(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsFormatMark(c);
}

} // namespace

QString SafeText(const QString &text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return NeedsEscape(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (!NeedsEscape(code))
            out += c;
        else if (code == u'\n')
            out += QLatin1String("\\n");
        else if (code == u'\t')
            out += QLatin1String("\\t");
        else if (code == u'\r')
            out += QLatin1String("\\r");
        else if (code <= 0xFF)
            out += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(int(code), 4, 16, QLatin1Char('0'));
    }
    return out;
}

QString SafeLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = SafeText(line);
    return lines.join(QLatin1Char('\n'));
}
