#include "SqlText.h"

#include "Connection.h"
#include "Error.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace dataset {

QString CheckedIdentifier(const QString &name)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!identifier.match(name).hasMatch())
        throw Error(QStringLiteral("Neispravan naziv tabele ili kolone: '%1'.").arg(name));
    return name;
}

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

} // namespace dataset

namespace dataset::detail {

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Index just past a literal or quoted identifier opened by sql[start]; a doubled
// closing quote stays inside, and so does a backslash-escaped character in strings.
qsizetype skipQuoted(const QString &sql, qsizetype start)
{
    const QChar quote = sql.at(start);
    const bool escapes = quote != QLatin1Char('`');
    qsizetype i = start + 1;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        if (escapes && c == QLatin1Char('\\')) {
            i += 2;
        } else if (c == quote) {
            if (i + 1 < sql.size() && sql.at(i + 1) == quote)
                i += 2;
            else
                return i + 1;
        } else {
            ++i;
        }
    }
    return sql.size();
}

// Index just past the literal, quoted identifier or comment that starts at sql[i];
// -1 when none starts there.
qsizetype skipIgnored(const QString &sql, qsizetype i)
{
    const qsizetype n = sql.size();
    const QChar c = sql.at(i);
    const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
    if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'))
        return skipQuoted(sql, i);
    if (c == QLatin1Char('#') || (c == QLatin1Char('-') && next == QLatin1Char('-'))) {
        const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
        return end < 0 ? n : end + 1;
    }
    if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
        const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
        return end < 0 ? n : end + 2;
    }
    return -1;
}

} // namespace

std::vector<ParamToken> ScanParams(const QString &sql)
{
    std::vector<ParamToken> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
        if (const qsizetype skipped = skipIgnored(sql, i); skipped >= 0) {
            i = skipped;
        } else if (c == QLatin1Char(':')) {
            if (next == QLatin1Char(':')) {
                i += 2;
            } else if (isNameStart(next)) {
                qsizetype end = i + 1;
                while (end < n && isNameChar(sql.at(end)))
                    ++end;
                tokens.push_back({i, end - i, sql.mid(i + 1, end - i - 1)});
                i = end;
            } else {
                ++i;
            }
        } else {
            ++i;
        }
    }
    return tokens;
}

SelectShape ScanSelect(const QString &sql)
{
    static const QStringList refused = {
        QStringLiteral("GROUP"), QStringLiteral("HAVING"), QStringLiteral("ORDER"), QStringLiteral("LIMIT"),
        QStringLiteral("UNION"), QStringLiteral("INTO"), QStringLiteral("FOR"), QStringLiteral("LOCK"),
        QStringLiteral("WINDOW"), QStringLiteral("PROCEDURE"), QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT")};
    SelectShape shape;
    const qsizetype n = sql.size();
    int depth = 0;
    bool first = true;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (const qsizetype skipped = skipIgnored(sql, i); skipped >= 0) {
            // A literal counts as text of the statement, a comment does not.
            if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'))
                shape.end = skipped;
            i = skipped;
        } else if (isNameStart(c) || c == QLatin1Char('@') || c.isDigit()) {
            qsizetype end = i + 1;
            while (end < n && (isNameChar(sql.at(end)) || sql.at(end) == QLatin1Char('.') || sql.at(end) == QLatin1Char('@')))
                ++end;
            const QString word = sql.mid(i, end - i).toUpper();
            if (first && word != QLatin1String("SELECT"))
                return {};
            first = false;
            if (depth == 0 && refused.contains(word))
                return {};
            if (depth == 0 && word == QLatin1String("WHERE"))
                shape.where = end;
            i = end;
            shape.end = i;
        } else {
            if (c == QLatin1Char('('))
                ++depth;
            else if (c == QLatin1Char(')'))
                --depth;
            if (c == QLatin1Char(';'))
                return depth == 0 && sql.mid(i + 1).trimmed().isEmpty() && !first ? (shape.simple = true, shape) : SelectShape{};
            if (!c.isSpace())
                shape.end = i + 1;
            ++i;
        }
    }
    shape.simple = !first && depth == 0;
    return shape;
}

QString WithCondition(const QString &sql, const SelectShape &shape, const QString &condition, const QString &tail)
{
    QString text;
    if (condition.isEmpty())
        text = sql.left(shape.end);
    else if (shape.where < 0)
        text = sql.left(shape.end) + QStringLiteral(" WHERE ") + condition;
    else
        text = sql.left(shape.where) + QStringLiteral(" (") + sql.mid(shape.where, shape.end - shape.where)
            + QStringLiteral(") AND ") + condition;
    return text + tail;
}

QString ParamLiteral(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QStringLiteral("NULL");
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (!qIsFinite(number))
            return QStringLiteral("NULL");
        return QString::number(number, 'g', QLocale::FloatingPointShortest);
    }
    case QMetaType::QDate:
        return Connection::Quote(value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
    case QMetaType::QDateTime:
        return Connection::Quote(value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    default:
        return Connection::Quote(value.toString());
    }
}

QString QuoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('`'), QLatin1String("``"));
    return QLatin1Char('`') + quoted + QLatin1Char('`');
}

} // namespace dataset::detail
