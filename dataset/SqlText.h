#pragma once

// SQL text helpers: :name parameters, literals, identifiers and LIKE patterns.

#include <QString>
#include <QVariant>

#include <vector>

namespace dataset {

// 'name' when it is a plain SQL identifier (letters, digits, '_', not starting with a
// digit); else throws Error.
QString CheckedIdentifier(const QString &name);

// 'text' with the LIKE wildcards % and _ and the escape character \ escaped, so that
// it matches only itself inside a LIKE pattern. Quote the result as any other value.
QString EscapeLike(const QString &text);

} // namespace dataset

namespace dataset::detail {

struct ParamToken {
    qsizetype start = 0;    // position of the ':'
    qsizetype length = 0;   // ':' plus the name
    QString name;
};

// The :name parameters of 'sql', skipping quoted literals, quoted identifiers and
// comments. "::" and a ':' not followed by a letter or '_' are not parameters.
std::vector<ParamToken> ScanParams(const QString &sql);

// 'sql' with each parameter replaced by the literal of its value; 'valueOf' maps a
// parameter name to its value.
template<typename ValueOf>
QString SpliceParams(const QString &sql, const std::vector<ParamToken> &tokens, ValueOf valueOf);

// A parameter value as SQL: NULL, a plain number, or a quoted text or date.
QString ParamLiteral(const QVariant &value);

// `name` with backticks doubled; "db.table" is quoted part by part by the caller.
QString QuoteIdentifier(const QString &name);

template<typename ValueOf>
QString SpliceParams(const QString &sql, const std::vector<ParamToken> &tokens, ValueOf valueOf)
{
    if (tokens.empty())
        return sql;
    QString out;
    out.reserve(sql.size() + 16 * qsizetype(tokens.size()));
    qsizetype at = 0;
    for (const ParamToken &token : tokens) {
        out += QStringView(sql).mid(at, token.start - at);
        out += ParamLiteral(valueOf(token.name));
        at = token.start + token.length;
    }
    out += QStringView(sql).mid(at);
    return out;
}

} // namespace dataset::detail
