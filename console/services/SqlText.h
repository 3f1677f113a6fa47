#pragma once

#include <QString>

namespace console {

// 'text' with the LIKE wildcards % and _ and the escape character \ escaped, so that
// it matches only itself inside a LIKE pattern. Quote the result as any other value.
QString EscapeLike(const QString &text);

} // namespace console
