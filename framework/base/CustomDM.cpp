#include <framework/base/CustomDM.h>

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/SqlText.h>
#include <framework/base/Abort.h>

#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>

#include <QRegularExpression>
#include <QScopedValueRollback>

namespace {

// "name", "name DESC", "a, b ASC": plain column names with an optional direction.
QString CheckedOrder(const QString &order)
{
    static const QRegularExpression item(
        QStringLiteral("^\\s*([A-Za-z0-9_]+)(\\s+(ASC|DESC))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList parts;
    for (const QString &part : order.split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = item.match(part);
        if (!match.hasMatch())
            throw dataset::Error(QStringLiteral("Neispravan redosled sortiranja: '%1'.").arg(order));
        parts << match.captured(1) + (match.hasCaptured(3) ? QLatin1Char(' ') + match.captured(3).toUpper()
                                                            : QString());
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

TCustomDM::TCustomDM(QObject *parent) : QObject(parent)
{
}

TCustomDM::~TCustomDM() = default;

dataset::Connection *TCustomDM::Connection() const
{
    return m_connection.data();
}

void TCustomDM::SetZConnection(dataset::Connection *connection)
{
    m_connection = connection;
    const auto queries = findChildren<dataset::Query *>();
    for (dataset::Query *query : queries)
        query->SetConnection(connection);
    ConnectionAttached();
}

void TCustomDM::DataModuleCreate()
{
    CreateFieldValidations();
    CreateRelations();
}

void TCustomDM::CommonBeforePost(dataset::Query &dataSet)
{
    if (m_validator)
        m_validator->Validate(dataSet, m_skippedField);
}

void TCustomDM::PostSkippingRule(dataset::Query &dataSet, const QString &fieldName)
{
    const QScopedValueRollback skipped(m_skippedField, fieldName);
    dataSet.Post();
}

void TCustomDM::CommonBeforeDelete(dataset::Query &)
{
    if (!ConfirmMessage(CommonResourceString(u"_CMN_DELETE_RECORD_PROMT")))
        Abort();
}

qint64 TCustomDM::GetLastInsertID()
{
    // LAST_INSERT_ID() is kept per session and survives the SELECTs a post may run after
    // its INSERT, unlike the client library's last-statement value.
    dataset::Query query;
    query.SetConnection(m_connection.data());
    query.SetSQL({QStringLiteral("SELECT LAST_INSERT_ID() AS lastid")});
    query.Open();
    return query.FieldByName(QStringLiteral("lastid")).AsLargeInt();
}

void TCustomDM::GetFieldValues(const QString &fieldName, const QString &tableName,
                               QStringList &list, bool distinct, const QString &where,
                               const QString &order)
{
    const QString column = dataset::CheckedIdentifier(fieldName);
    QString sql =
        QStringLiteral("SELECT %1%2 FROM %3")
            .arg(distinct ? QStringLiteral("DISTINCT ") : QString(), column, dataset::CheckedIdentifier(tableName));
    if (!where.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY ") + (order.trimmed().isEmpty() ? column : CheckedOrder(order));

    dataset::Query query;
    query.SetConnection(m_connection.data());
    query.SetSQL({sql});
    query.Open();
    list.clear();
    dataset::Field &field = query.Fields(0);
    for (query.First(); !query.Eof(); query.Next()) {
        if (!field.IsNull())
            list << field.AsString();
    }
}
