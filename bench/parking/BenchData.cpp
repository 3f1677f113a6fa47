#include "BenchData.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <parking/core/DocumentTotals.h>

#include <QDate>
#include <QElapsedTimer>
#include <QFile>

#include <array>
#include <cstdio>
#include <random>

namespace bench {

namespace {

constexpr int UserCount = 20;
constexpr int UnusedNumbers = 5;

const std::array<const char *, 10> TownMarks = {"BG", "NS", "NI", "KG", "SU", "ČA", "ŠA", "ZR", "PA", "VA"};
const std::array<const char *, 8> FirstNames = {"Petar", "Ana", "Marko", "Jelena", "Đorđe", "Milica", "Stefan", "Ivana"};
const std::array<const char *, 8> LastNames = {"Petrović", "Jovanović", "Nikolić", "Đorđević",
                                               "Ilić", "Stojanović", "Marković", "Šarić"};
const std::array<const char *, 6> Streets = {"Kneza Miloša", "Bulevar kralja Aleksandra", "Takovska",
                                             "Nemanjina", "Cara Dušana", "Vojvode Stepe"};
const std::array<const char *, 5> Cities = {"Beograd", "Novi Sad", "Niš", "Kragujevac", "Subotica"};

// Seconds since 1970 (wall clock, no zone) as "yyyy-MM-dd HH:mm:ss", or the date only.
QByteArray stamp(qint64 seconds, bool withTime = true)
{
    const QDate date = QDate::fromJulianDay(2440588 + seconds / 86400);
    const int second = int(seconds % 86400);
    char text[32];
    const int size = withTime ? std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year(),
                                              date.month(), date.day(), second / 3600, second / 60 % 60, second % 60)
                              : std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    return QByteArray(text, size);
}

qint64 wallSeconds(const QDateTime &time)
{
    return QDateTime(time.date(), time.time(), Qt::UTC).toSecsSinceEpoch();
}

class Output {
public:
    explicit Output(const QString &path) : m_file(path)
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw dataset::Error(QStringLiteral("Datoteka %1 se ne može napraviti.").arg(path));
    }
    QByteArray &line() { return m_line; }
    void endLine()
    {
        m_line.back() = '\n';
        if (m_file.write(m_line) != m_line.size())
            throw dataset::Error(QStringLiteral("Upis u datoteku %1 nije uspeo.").arg(m_file.fileName()));
        m_line.clear();
    }

private:
    QFile m_file;
    QByteArray m_line;
};

void field(QByteArray &line, const QByteArray &value)
{
    line += value;
    line += '\t';
}

void loadFile(dataset::Connection &connection, const QString &path, const QString &table, const QString &columns)
{
    connection.ExecuteLocalLoad(QStringLiteral("LOAD DATA LOCAL INFILE %1 INTO TABLE %2 CHARACTER SET utf8mb4 (%3)")
                                    .arg(dataset::Connection::Quote(path), table, columns),
                                path);
}

} // namespace

void WriteDocuments(const QString &path, const DataShape &shape)
{
    Output out(path);
    std::mt19937 random(20130501);
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    const qint64 span = qint64(shape.spanDays) * 86400;
    const qint64 last = wallSeconds(shape.newest);
    const qint64 first = last - span;
    const int count = shape.documents;
    qint64 previous = first;
    for (int i = 1; i <= count; ++i) {
        // Every hundredth document shares its time with the one before.
        const qint64 at = i % 100 == 0 ? previous : first + (count > 1 ? span * (i - 1) / (count - 1) : span);
        previous = at;
        const int number = i <= count / 2 ? i : i + UnusedNumbers;
        QByteArray &line = out.line();
        field(line, QByteArray::number(i));
        field(line, QByteArray::number(number) + '/' + stamp(at).mid(2, 2));
        field(line, stamp(at));
        field(line, i % 50 == 0 ? QByteArray("plaćeno gotovinom") : QByteArray());
        field(line, "SRB");
        field(line, TownMarks[std::size_t(pick(int(TownMarks.size())))]);
        field(line, QByteArray::number(1000 + pick(RegistrationSpread)) + char('A' + pick(26)) + char('A' + pick(26)));
        field(line, i % 3 == 0 ? QByteArray::number(100000 + pick(900000)) : QByteArray());
        field(line, FirstNames[std::size_t(pick(int(FirstNames.size())))]);
        field(line, LastNames[std::size_t(pick(int(LastNames.size())))]);
        field(line, QByteArray::number(1000000000000LL + pick(1000000000)));
        field(line, QByteArray(Streets[std::size_t(pick(int(Streets.size())))]) + ' ' + QByteArray::number(1 + pick(150)));
        field(line, QByteArray::number(11000 + 10 * pick(30)));
        field(line, Cities[std::size_t(pick(int(Cities.size())))]);
        field(line, QByteArray::number(1 + pick(3)));
        field(line, QByteArray(1, char('A' + pick(4))));
        field(line, i % 4 == 0 ? QByteArray("Takovska, Nemanjina") : QByteArray("\\N"));
        field(line, stamp(at, false));
        field(line, stamp(at + qint64(pick(30)) * 86400, false));
        field(line, "\\N");
        field(line, QByteArray::number(1 + pick(UserCount)));
        out.endLine();
    }
}

void WriteItems(const QString &path, const DataShape &shape)
{
    Output out(path);
    std::mt19937 random(20130502);
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    for (int document = 1; document <= shape.documents; ++document) {
        for (int item = 0; item < 2; ++item) {
            const int price = 100 * (1 + pick(20));
            QByteArray &line = out.line();
            field(line, "1");
            field(line, QByteArray::number(price));
            field(line, QByteArray::number(price));
            field(line, "1");
            field(line, "20");
            field(line, QByteArray::number(1 + pick(20)));
            field(line, "DK" + QByteArray::number(price));
            field(line, "Doplatna karta " + QByteArray::number(price));
            field(line, QByteArray::number(document));
            field(line, "DK" + QByteArray::number(10000000 + 2 * qint64(document) + item));
            out.endLine();
        }
    }
}

double LoadData(dataset::Connection &connection, const QString &workDir, const DataShape &shape)
{
    const QString documents = workDir + QStringLiteral("/parkingdocument.tsv");
    const QString items = workDir + QStringLiteral("/parkingdocumentitem.tsv");
    WriteDocuments(documents, shape);
    WriteItems(items, shape);

    QElapsedTimer timer;
    timer.start();
    // The generated rows are consistent; checking them one by one would only slow the load.
    connection.Execute(QStringLiteral("SET SESSION foreign_key_checks = 0, unique_checks = 0"));
    connection.Execute(QStringLiteral("TRUNCATE TABLE parkingdocumentitem"));
    connection.Execute(QStringLiteral("TRUNCATE TABLE parkingdocument"));
    connection.Execute(QStringLiteral("DELETE FROM user"));
    QStringList users;
    for (int id = 1; id <= UserCount; ++id) {
        users << QStringLiteral("(%1, %2, %3, %4)")
                     .arg(id)
                     .arg(dataset::Connection::Quote(QStringLiteral("korisnik%1").arg(id)),
                          dataset::Connection::Quote(QString::fromUtf8(FirstNames[std::size_t(id) % FirstNames.size()])),
                          dataset::Connection::Quote(QString::fromUtf8(LastNames[std::size_t(id) % LastNames.size()])));
    }
    connection.Execute(QStringLiteral("INSERT INTO user (userid, username, firstname, lastname) VALUES ")
                       + users.join(QStringLiteral(", ")));
    loadFile(connection, documents, QStringLiteral("parkingdocument"),
             QStringLiteral("parkingdocumentid, number, documentdatetime, comment, countryreg, cityreg, regnumber,"
                            " licensenumber, firstname, lastname, personalidentificator, address, zip, city,"
                            " parkingzone, parkingsector, parkingstreets, parkingfromdate, parkingtodate,"
                            " documentid, userid"));
    loadFile(connection, items, QStringLiteral("parkingdocumentitem"),
             QStringLiteral("quantity, price, itemvalue, taxid, taxvalue, productid, productcode, productname,"
                            " parkingdocumentid, ticketnumber"));
    // Each document keeps what its items come to, as the editor's save stores it.
    connection.Execute(QStringLiteral("UPDATE parkingdocument AS pd JOIN (SELECT parkingdocumentid, SUM(%1) AS total "
                                      "FROM parkingdocumentitem AS i GROUP BY parkingdocumentid) AS sums "
                                      "ON sums.parkingdocumentid = pd.parkingdocumentid SET pd.itemtotal = sums.total")
                           .arg(parking::ItemTotal(QStringLiteral("i"))));
    connection.Execute(QStringLiteral("SET SESSION foreign_key_checks = 1, unique_checks = 1"));
    connection.Execute(QStringLiteral("ANALYZE TABLE parkingdocument, parkingdocumentitem"));
    QFile::remove(documents);
    QFile::remove(items);
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace bench
