#include "Error.h"

namespace dataset {

Error::Error(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

namespace {

QString databaseText(const QString &context, const QString &serverMessage, unsigned code)
{
    if (serverMessage.isEmpty())
        return context;
    return QStringLiteral("%1\n%2 (kod %3)").arg(context, serverMessage, QString::number(code));
}

} // namespace

DatabaseError::DatabaseError(const QString &context, const QString &serverMessage,
                             unsigned serverCode)
    : Error(databaseText(context, serverMessage, serverCode)),
      m_serverMessage(serverMessage), m_code(serverCode)
{
}

} // namespace dataset
