#include "DeferredKeys.h"

#include <dataset/Connection.h>
#include <dataset/Query.h>

#include <QRegularExpression>

namespace imports {

namespace {

QString CreateTableText(dataset::Connection &connection, const QString &table)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SHOW CREATE TABLE ") + table});
    query.Open();
    return query.Fields(1).AsString();
}

// "`name`" of a key definition.
QString KeyName(const QString &definition)
{
    static const QRegularExpression name(QStringLiteral("^KEY (`(?:[^`]|``)+`)"));
    return name.match(definition).captured(1);
}

} // namespace

QStringList PlainKeyDefinitions(const QString &createTable)
{
    static const QRegularExpression line(QStringLiteral("^\\s*(KEY `(?:[^`]|``)+` .*?),?$"),
                                         QRegularExpression::MultilineOption);
    QStringList definitions;
    for (auto match = line.globalMatch(createTable); match.hasNext();)
        definitions << match.next().captured(1);
    return definitions;
}

DeferredKeys::DeferredKeys(dataset::Connection &connection, const QString &table)
    : m_connection(connection)
    , m_table(table)
    , m_definitions(PlainKeyDefinitions(CreateTableText(connection, table)))
{
    QStringList drops;
    for (const QString &definition : m_definitions)
        drops << QStringLiteral("DROP KEY ") + KeyName(definition);
    if (!drops.isEmpty())
        m_connection.Execute(QStringLiteral("ALTER TABLE %1 %2").arg(m_table, drops.join(QStringLiteral(", "))));
}

void DeferredKeys::Restore()
{
    QStringList adds;
    for (const QString &definition : m_definitions)
        adds << QStringLiteral("ADD ") + definition;
    if (!adds.isEmpty())
        m_connection.Execute(QStringLiteral("ALTER TABLE %1 %2").arg(m_table, adds.join(QStringLiteral(", "))));
    m_definitions.clear();
}

} // namespace imports
