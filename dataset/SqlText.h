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

// Where a plain SELECT takes one more condition, an ORDER BY and a LIMIT: the text starts
// with SELECT and has no GROUP BY, HAVING, ORDER BY, LIMIT, UNION, INTO, FOR, LOCK,
// WINDOW or PROCEDURE outside parentheses, quotes and comments.
struct SelectShape {
    bool simple = false;
    qsizetype where = -1;   // just past the top-level WHERE; -1 when there is none
    qsizetype end = 0;      // end of the last word that is not a comment, blank or ';'
};
SelectShape ScanSelect(const QString &sql);
// The statement of 'shape' with 'condition' added to its WHERE (none: the text as it is)
// and 'tail' (" ORDER BY …") after it.
QString WithCondition(const QString &sql, const SelectShape &shape, const QString &condition,
                      const QString &tail);

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
