#include "BackupStats.h"

#include "Schema.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <dataset/Statement.h>
#include <routines/TextFormat.h>

namespace dbserver::detail {

namespace {

constexpr int ShownDocuments = 5;

// The first column of every row.
QStringList Column(dataset::Connection &connection, const QString &sql, const dataset::Params &params = {})
{
    const std::unique_ptr<dataset::Query> query = dataset::OpenQuery(connection, sql, params);
    QStringList values;
    for (query->First(); !query->Eof(); query->Next())
        values << query->Fields(0).AsString();
    return values;
}

QString Text(dataset::Connection &connection, const QString &sql)
{
    const QStringList values = Column(connection, sql);
    return values.isEmpty() ? QString() : values.first();
}

qint64 Number(dataset::Connection &connection, const QString &sql)
{
    return Text(connection, sql).toLongLong();
}

QStringList SchemaDatabases(dataset::Connection &connection)
{
    return Column(connection, QStringLiteral("SELECT table_schema FROM information_schema.tables "
                                             "WHERE table_name = 'schemaversion' ORDER BY table_schema"));
}

bool HasColumn(dataset::Connection &connection, const QString &database, const QString &table, const QString &column)
{
    return !Column(connection,
                   QStringLiteral("SELECT 1 FROM information_schema.columns WHERE table_schema = :db "
                                  "AND table_name = :tbl AND column_name = :col"),
                   {{QStringLiteral("db"), database}, {QStringLiteral("tbl"), table}, {QStringLiteral("col"), column}})
                .isEmpty();
}

BackupDatabase StatsOf(dataset::Connection &connection, const QString &name)
{
    const QString db = dataset::Connection::QuoteIdentifier(name);
    BackupDatabase stats;
    stats.name = name;
    stats.schemaVersion = int(Number(connection, QStringLiteral("SELECT MAX(version) FROM %1.schemaversion").arg(db)));
    stats.documents = Number(connection, QStringLiteral("SELECT COUNT(*) FROM %1.parkingdocument").arg(db));
    stats.newestNumber = Text(connection, QStringLiteral("SELECT number FROM %1.parkingdocument "
                                                         "ORDER BY parkingdocumentid DESC LIMIT 1").arg(db));
    return stats;
}

// Documents whose stored total differs from their items, summed as the pay desk sums them.
QStringList WrongTotals(dataset::Connection &connection, const QString &db)
{
    QStringList numbers = Column(
        connection,
        QStringLiteral("SELECT pd.number FROM %1.parkingdocument AS pd LEFT JOIN "
                       "(SELECT parkingdocumentid, SUM(ROUND(itemvalue * (1 + taxvalue/100), 2)) AS total "
                       "FROM %1.parkingdocumentitem GROUP BY parkingdocumentid) AS sums "
                       "ON sums.parkingdocumentid = pd.parkingdocumentid "
                       "WHERE pd.itemtotal <> COALESCE(sums.total, 0) ORDER BY pd.parkingdocumentid")
            .arg(db));
    for (QString &number : numbers)
        number = SafeText(number);
    return numbers;
}

} // namespace

QList<BackupDatabase> ReadDatabaseStats(dataset::Connection &administrator)
{
    QList<BackupDatabase> list;
    for (const QString &name : SchemaDatabases(administrator))
        list << StatsOf(administrator, name);
    return list;
}

DatabaseCheck CheckDatabases(dataset::Connection &administrator)
{
    DatabaseCheck check;
    for (const QString &name : SchemaDatabases(administrator)) {
        const QString db = dataset::Connection::QuoteIdentifier(name);
        const QString shownName = SafeText(name);
        const BackupDatabase stats = StatsOf(administrator, name);
        const qint64 items = Number(administrator, QStringLiteral("SELECT COUNT(*) FROM %1.parkingdocumentitem").arg(db));
        check.summary << QStringLiteral("Baza %1: šema verzija %2, %3 dokumenata, %4 stavki, poslednji dokument %5.")
                             .arg(shownName).arg(stats.schemaVersion).arg(stats.documents).arg(items)
                             .arg(stats.newestNumber.isEmpty() ? QStringLiteral("—") : SafeText(stats.newestNumber));
        if (stats.schemaVersion <= 0)
            check.problems << QStringLiteral("Baza %1 nema zapisanu verziju šeme.").arg(shownName);
        else if (stats.schemaVersion != SchemaVersion)
            check.warnings << QStringLiteral("Baza %1 ima šemu verzije %2, a ovaj program radi sa %3 "
                                             "(parking-dbserver upgrade).")
                                  .arg(shownName).arg(stats.schemaVersion).arg(SchemaVersion);
        if (HasColumn(administrator, name, QStringLiteral("parkingdocument"), QStringLiteral("itemtotal"))) {
            const QStringList wrong = WrongTotals(administrator, db);
            if (!wrong.isEmpty())
                check.problems << QStringLiteral("Baza %1: %2 dokumenata ima stavke koje se ne slažu sa zapisanim "
                                                 "iznosom (%3).")
                                      .arg(shownName).arg(wrong.size())
                                      .arg(wrong.mid(0, ShownDocuments).join(QStringLiteral(", ")));
        }
        if (stats.schemaVersion >= 3) {
            const qint64 counter = Number(administrator, QStringLiteral("SELECT n FROM %1.numbercounter WHERE series = "
                                                                        "'parkingdocument' AND documenttype = '' "
                                                                        "AND year = 0 AND warehouseid = 0").arg(db));
            const qint64 highest = Number(administrator, QStringLiteral("SELECT MAX(CAST(SUBSTRING_INDEX(number, '/', 1) "
                                                                        "AS UNSIGNED)) FROM %1.parkingdocument WHERE "
                                                                        "number REGEXP '^[0-9]+/[0-9]+$'").arg(db));
            if (counter < highest)
                check.warnings << QStringLiteral("Baza %1: brojač dokumenata (%2) je iza najvećeg zapisanog broja (%3); "
                                                 "sledeći brojevi preskaču zauzete.")
                                      .arg(shownName).arg(counter).arg(highest);
        }
    }
    return check;
}

} // namespace dbserver::detail
