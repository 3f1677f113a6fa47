#include "Plate.h"

#include <QRegularExpression>

namespace parking {

QString PlateKey(const QString &typed)
{
    static const QRegularExpression ignored(QStringLiteral("[\\s-]+"));
    return QString(typed).remove(ignored).toUpper();
}

} // namespace parking
