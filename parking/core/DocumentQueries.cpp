#include "DocumentQueries.h"

#include "Plate.h"

#include <dataset/Query.h>

#include <array>

namespace parking {

namespace {

// A search key, the condition its value adds, and the text appended to the value.
struct SearchCondition {
    const char *key;
    const char *condition;
    const char *suffix;
};
constexpr std::array kSearchConditions{
    SearchCondition{"number", "pd.number LIKE ", "%"},
    SearchCondition{"datefrom", "pd.documentdatetime >= ", " 00:00:00"},
    SearchCondition{"dateto", "pd.documentdatetime <= ", " 23:59:59"},
    SearchCondition{"regnumber", "pd.regnumber LIKE ", "%"},
    SearchCondition{"userfirstname", "u.firstname LIKE ", "%"},
    SearchCondition{"userlastname", "u.lastname LIKE ", "%"},
};

QString ValueOf(const std::vector<std::pair<QString, QString>> &values, const QString &key)
{
    for (const auto &[name, value] : values) {
        if (name == key)
            return value;
    }
    return {};
}

} // namespace

QStringList DocumentSearchKeys()
{
    QStringList keys;
    for (const SearchCondition &condition : kSearchConditions)
        keys << QString::fromLatin1(condition.key);
    return keys;
}

Statement DocumentSearch(const std::vector<std::pair<QString, QString>> &values, const QString &extraColumns)
{
    Statement statement;
    QStringList conditions;
    for (const SearchCondition &condition : kSearchConditions) {
        const QString key = QString::fromLatin1(condition.key);
        const QString value = ValueOf(values, key);
        if (value.isEmpty())
            continue;
        conditions << QString::fromLatin1(condition.condition) + QLatin1Char(':') + key;
        statement.params.push_back({key, value + QString::fromLatin1(condition.suffix)});
    }
    statement.sql = QStringLiteral("SELECT pd.*%1 FROM parkingdocument AS pd LEFT JOIN user AS u ON pd.userid = u.userid ")
                        .arg(extraColumns.isEmpty() ? QString() : QStringLiteral(", ") + extraColumns);
    if (!conditions.isEmpty())
        statement.sql += QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND "));
    return statement;
}

void OpenDocumentsOfPlate(dataset::Query &documents, const Plate &plate)
{
    // The server keeps the same key of each document's city mark and number joined, indexed.
    dataset::Reopen(documents, QStringLiteral("SELECT pd.* FROM parkingdocument AS pd WHERE pd.platekey = :plate"),
                    {{QStringLiteral("plate"), plate.Key()}});
}

void OpenDocument(dataset::Query &documents, qint64 id)
{
    dataset::Reopen(documents, QStringLiteral("SELECT pd.* FROM parkingdocument AS pd WHERE pd.parkingdocumentid = :id"),
                    {{QStringLiteral("id"), id}});
}

void OpenItemsOfDocument(dataset::Query &items, qint64 documentId)
{
    dataset::Reopen(items,
                    QStringLiteral("SELECT *, ROUND(itemvalue * (1 + taxvalue/100),2) AS ItemTotal FROM "
                                   "parkingdocumentitem WHERE parkingdocumentid = :idparkingdocument"),
                    {{QStringLiteral("idparkingdocument"), documentId}});
}

QStringList StreetsOfZone(dataset::Connection &connection, const QString &zone, const QString &sector)
{
    if (zone.isEmpty())
        return {};
    QString sql = QStringLiteral("SELECT street FROM parkingzoneframe WHERE zone = :zone");
    dataset::Params params{{QStringLiteral("zone"), zone}};
    if (!sector.isEmpty()) {
        sql += QStringLiteral(" AND sector = :sector");
        params.push_back({QStringLiteral("sector"), sector});
    }
    const auto query = dataset::OpenQuery(connection, sql, params);
    QStringList streets;
    for (query->First(); !query->Eof(); query->Next())
        streets << query->FieldByName(QStringLiteral("street")).AsString();
    return streets;
}

} // namespace parking
