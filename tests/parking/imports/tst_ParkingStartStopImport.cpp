#include "ImportTestFiles.h"
#include <parking/imports/ImportError.h>
#include <parking/imports/StartStopImportJob.h>
#include <routines/CodePages.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QCollator>
#include <QtTest>

#include <algorithm>
#include <map>

using namespace imports;

// Start-stop export: one line to values, the whole file to the ordered in-memory table,
// and the table written out.
class TestStartStopImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void line_data();
    void line();
    void fileInIndexOrder();
    void namesInSerbianOrder();
    void largeMixedFileInSerbianOrder();
    void writtenAsJson();
    void otherFilesRefused_data();
    void otherFilesRefused();
};

namespace {

const QByteArray Header = "id|name|address|code|zip|city|phone|note|reg|zone|date|start|stop|\r\n";

QString Show(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("<null>");
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value.toString();
}

QStringList Values(const QByteArray &line)
{
    StartStopLines lines;
    if (!lines.Add(line))
        return {QStringLiteral("<left out>")};
    // As the table stores them: texts cut to the field sizes.
    dataset::MemoryRows rows(StartStopFields());
    rows.AppendStored(lines.At(0));
    QStringList shown;
    for (int column = 0; column < int(StartStopLines::Fields); ++column)
        shown << Show(rows.Value(0, column));
    return shown;
}

QString WriteFile(const QTemporaryDir &dir, const QByteArray &content)
{
    return WriteTestFile(dir, QStringLiteral("ss.csv"), content);
}

dataset::MemoryRows Import(const QString &path, ImportSummary *summary = nullptr, Emptying emptying = Emptying::Refused)
{
    StartStopImportJob job;
    ImportContext context{path, nullptr, {}, emptying};
    const ImportSummary result = job.Run(context);
    if (summary)
        *summary = result;
    return job.TakeRows();
}

} // namespace

void TestStartStopImport::line_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("all fields, surplus field ignored")
        << QByteArray("7|Pera|Ulica 1|123|21000|Novi Sad|064|nap|ns123ab|Z1|2024-03-15|08:15|09:45:30|x|")
        << QStringList{"Pera", "Ulica 1", "123", "21000", "Novi Sad", "064", "nap", "NS123AB", "Z1",
                       "2024-03-15 08:15:00", "2024-03-15 09:45:30"};
    QTest::newRow("NUL is null, Nul and NULL stay, zone NUL stays")
        << QByteArray("1|NUL|Nul|NULL|NUL|NUL|NUL|NUL|BG1|NUL|15.03.2024|08:00|09:00|")
        << QStringList{"<null>", "Nul", "NULL", "<null>", "<null>", "<null>", "<null>", "BG1", "NUL",
                       "2024-03-15 08:00:00", "2024-03-15 09:00:00"};
    QTest::newRow("no separator after the stop time")
        << QByteArray("1|A|B|C|D|E|F|G|BG1|Z|2024-03-15|08:00|09:00")
        << QStringList{"A", "B", "C", "D", "E", "F", "G", "BG1", "Z", "2024-03-15 08:00:00",
                       "2024-03-15 00:00:00"};
    QTest::newRow("one-digit hour, seconds kept")
        << QByteArray("1|A|B|C|D|E|F|G|BG1|Z|2024-03-15|7:05|9:00:01|")
        << QStringList{"A", "B", "C", "D", "E", "F", "G", "BG1", "Z", "2024-03-15 07:05:00",
                       "2024-03-15 09:00:01"};
    QTest::newRow("registration nul is left out")
        << QByteArray("1|A|B|C|D|E|F|G|nul|Z|2024-03-15|08:00|09:00|") << QStringList{"<left out>"};
    QTest::newRow("empty registration is left out")
        << QByteArray("1|A|B|C|D|E|F|G||Z|2024-03-15|08:00|09:00|") << QStringList{"<left out>"};
    QTest::newRow("empty line") << QByteArray("   ") << QStringList{"<left out>"};
    QTest::newRow("Serbian letters upper-cased, cut to 11")
        << ToWin1250(QStringLiteral("1|A|B|C|D|E|F|G|ns-čćšđž-12345|Z|2024-03-15|08:00|09:00|"))
        << QStringList{"A", "B", "C", "D", "E", "F", "G", "NS-ČĆŠĐŽ-12", "Z", "2024-03-15 08:00:00",
                       "2024-03-15 09:00:00"};
    QTest::newRow("Cyrillic transliterated")
        << QStringLiteral("1|Љубиша Ђорђевић|Њива 3|C|D|Ниш|F|G|ni001|Z|2024-03-15|08:00|09:00|").toUtf8()
        << QStringList{"Ljubiša Đorđević", "Njiva 3", "C", "D", "Niš", "F", "G", "NI001", "Z",
                       "2024-03-15 08:00:00", "2024-03-15 09:00:00"};
}

void TestStartStopImport::line()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, values);
    QCOMPARE(Values(line), values);
}

void TestStartStopImport::fileInIndexOrder()
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, Header
        + "1|Zoran|a|2|z|c|p|n|BG9|Z1|2024-03-15|10:00|11:00|\n"
          "2|ana|a|2|z|c|p|n|BG1|Z2|2024-03-15|10:00|11:00|\r"
          "3|Ana|a|1|z|c|p|n|BG5|Z1|2024-03-15|10:00|11:00|\r\n"
          "4|Zoran|a|1|z|c|p|n|BG9|Z1|2024-03-14|10:00|11:00|\n"
          "5|Ana|a|2|z|c|p|n|BG1|Z1|2024-03-16|10:00|11:00|\n"
          "6|Ana|a|2|z|c|p|n|BG1|Z1|2024-03-15|10:00|11:00|\n"
          "\n"
          "8|NUL|a|2|z|c|p|n|BG1|Z1|2024-03-15|10:00|11:00|\n");
    ImportSummary summary;
    const dataset::MemoryRows rows = Import(path, &summary);
    QCOMPARE(summary.linesRead, 8);
    QCOMPARE(summary.rowsStored, 7);
    QStringList seen;
    for (std::size_t row = 0; row < rows.Count(); ++row)
        seen << Show(rows.Value(row, 0)) + QLatin1Char('/') + Show(rows.Value(row, 2)) + QLatin1Char('/')
                + Show(rows.Value(row, 7)) + QLatin1Char('/') + Show(rows.Value(row, 8)) + QLatin1Char('/')
                + Show(rows.Value(row, 9)).left(10);
    QCOMPARE(seen, QStringList({"<null>/2/BG1/Z1/2024-03-15", "Ana/1/BG5/Z1/2024-03-15",
                                "Ana/2/BG1/Z1/2024-03-15", "Ana/2/BG1/Z1/2024-03-16",
                                "ana/2/BG1/Z2/2024-03-15", "Zoran/1/BG9/Z1/2024-03-14",
                                "Zoran/2/BG9/Z1/2024-03-15"}));
}

// The table's index orders names as the Serbian alphabet does (C, Č, Ć, D, Dž, Đ, …),
// case aside, with "Dž" one letter after every other D; names equal but for case keep the
// order of the file.
void TestStartStopImport::namesInSerbianOrder()
{
    const QStringList expected{"Cvetković", "Čačak",   "Ćirić",  "Dimić", "Džajić", "Đorđević", "Lukić",
                               "Ljubić",    "Nikolić", "Njegoš", "šabac", "Šabac",  "Zeta",     "Žika"};
    QStringList scrambled{"Žika",  "šabac",   "Njegoš", "Đorđević", "Ljubić", "Zeta",  "Čačak",
                          "Dimić", "Nikolić", "Ćirić",  "Šabac",    "Džajić", "Lukić", "Cvetković"};
    QByteArray content = Header;
    int id = 0;
    for (const QString &name : scrambled)
        content += QByteArray::number(++id) + '|' + name.toUtf8() + "|a|1|z|c|p|n|BG1|Z1|2024-03-15|10:00|11:00|\n";
    QTemporaryDir dir;
    const dataset::MemoryRows rows = Import(WriteFile(dir, content));
    QStringList seen;
    for (std::size_t row = 0; row < rows.Count(); ++row)
        seen << rows.Value(row, 0).toString();
    QCOMPARE(seen, expected);
}

namespace {

// A line of mixed texts: Serbian letters and digraphs in both cases, digits, names that
// repeat and names that do not (so sharing stops part way), null, and many ties on every
// key; the note carries the line's number.
QByteArray MixedLine(int line, std::uint32_t &seed)
{
    static const char *const names[] = {"Ana", "ana", "ANA", "Đorđe", "đorđe", "Ljiljana", "LJILJANA", "lJubav",
                                        "Lukić", "Njegoš", "nikola", "Džajić", "dzeta", "DŽEMAL", "Čeda", "ćira",
                                        "Cvija", "Šaban", "sava", "Žika", "zoran", "Dimić 9", "dimić 10"};
    static const char *const towns[] = {"bg", "NS", "ni", "ča", "šd", "lj", "NJ", "dž", "Ću", "žr"};
    static const char *const zones[] = {"Zona 1", "zona 1", "ZONA 2", "Žuta", "čaršija", "Crvena", "NUL"};
    const auto pick = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    QString name = QString::fromUtf8(names[pick(std::size(names))]);
    if (pick(4) == 0)
        name += QLatin1Char(' ') + QString::number(line);
    else if (pick(2) == 0)
        name += QLatin1Char(' ') + QString::number(pick(40));
    const QString code = pick(3) == 0 ? QString::number(line) : QString::number(pick(100));
    const QString fields[] = {
        QString::number(line), pick(20) == 0 ? QStringLiteral("NUL") : name, QStringLiteral("a"),
        pick(30) == 0 ? QStringLiteral("NUL") : code, QStringLiteral("z"), QStringLiteral("c"), QStringLiteral("p"),
        QStringLiteral("n%1").arg(line), QString::fromUtf8(towns[pick(std::size(towns))]) + QString::number(pick(20)),
        QString::fromUtf8(zones[pick(std::size(zones))]), QStringLiteral("2024-03-0%1").arg(1 + pick(3)),
        QStringLiteral("%1:00").arg(8 + pick(3)), QStringLiteral("23:00")};
    return ToWin1250(QStringList(std::begin(fields), std::end(fields)).join(QLatin1Char('|')) + QStringLiteral("|\n"));
}

} // namespace

// A file large enough to be sorted in runs and merged comes out in the order of one stable
// sort that compares whole texts with the Serbian collator (case aside, null first).
void TestStartStopImport::largeMixedFileInSerbianOrder()
{
    constexpr int Lines = 150000;
    QByteArray content = Header;
    std::uint32_t seed = 7;
    for (int line = 1; line <= Lines; ++line)
        content += MixedLine(line, seed);
    QTemporaryDir dir;
    const dataset::MemoryRows rows = Import(WriteFile(dir, content));
    QCOMPARE(int(rows.Count()), Lines);

    // Each key's distinct texts ranked by the collator alone; null ranks lowest.
    QCollator serbian(QLocale(QStringLiteral("sr_Latn_RS")));
    serbian.setCaseSensitivity(Qt::CaseInsensitive);
    const int keyColumns[] = {0, 2, 7, 8};
    std::vector<std::vector<int>> ranks(std::size(keyColumns), std::vector<int>(rows.Count()));
    for (std::size_t key = 0; key < std::size(keyColumns); ++key) {
        std::map<QString, std::vector<std::size_t>> rowsOf;
        for (std::size_t row = 0; row < rows.Count(); ++row) {
            if (!rows.IsNull(row, keyColumns[key]))
                rowsOf[rows.Value(row, keyColumns[key]).toString()].push_back(row);
        }
        std::vector<std::pair<QCollatorSortKey, const std::vector<std::size_t> *>> texts;
        for (const auto &[text, at] : rowsOf)
            texts.emplace_back(serbian.sortKey(text), &at);
        std::sort(texts.begin(), texts.end(), [](const auto &a, const auto &b) { return a.first.compare(b.first) < 0; });
        int rank = 0;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (i > 0 && texts[i - 1].first.compare(texts[i].first) != 0)
                ++rank;
            for (const std::size_t row : *texts[i].second)
                ranks[key][row] = rank + 1;
        }
    }
    // The start as stored ("yyyy-MM-dd HH:mm:ss") orders as the time does; ties by line.
    using Key = std::tuple<int, int, int, int, QByteArray, int>;
    std::vector<Key> keys;
    for (std::size_t row = 0; row < rows.Count(); ++row)
        keys.emplace_back(ranks[0][row], ranks[1][row], ranks[2][row], ranks[3][row],
                          rows.StoredText(row, 9).toByteArray(), rows.StoredText(row, 6).sliced(1).toInt());
    std::vector<std::size_t> expected(rows.Count());
    std::iota(expected.begin(), expected.end(), std::size_t(0));
    std::sort(expected.begin(), expected.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    for (std::size_t row = 0; row < rows.Count(); ++row) {
        if (expected[row] != row)
            QFAIL(qPrintable(QStringLiteral("row %1 holds line %2, line %3 expected")
                                 .arg(row)
                                 .arg(rows.Value(row, 6).toString())
                                 .arg(rows.Value(expected[row], 6).toString())));
    }
}

// Quotes and null survive the JSON form (the command's test checks the line form).
void TestStartStopImport::writtenAsJson()
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, Header + ToWin1250(QStringLiteral(
        "1|Đura \"x\"|NUL|1|z|c|p|n|BG1|Z1|2024-03-15|08:05|23:59:59|\n")));
    const dataset::MemoryRows rows = Import(path);

    QBuffer json;
    json.open(QIODevice::WriteOnly);
    WriteStartStopRows(rows, json, RowFormat::Json);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.data(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject row = document.array().at(0).toObject();
    QCOMPARE(row.size(), 11);
    QCOMPARE(row.value(QStringLiteral("name")).toString(), QStringLiteral("Đura \"x\""));
    QVERIFY(row.value(QStringLiteral("address")).isNull());
    QCOMPARE(row.value(QStringLiteral("startdatetime")).toString(), QStringLiteral("2024-03-15T08:05:00"));

    QBuffer empty;
    empty.open(QIODevice::WriteOnly);
    WriteStartStopRows(dataset::MemoryRows(StartStopFields()), empty, RowFormat::Json);
    QCOMPARE(QJsonDocument::fromJson(empty.data()).array().size(), 0);
}

// A subscription export or a log is no start-stop export: refused, nothing read into the
// table. A header alone empties it only when allowed.
void TestStartStopImport::otherFilesRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<bool>("emptiesTable");
    QTest::newRow("subscription export")
        << QByteArray("broj,reg,od,do,ime,prezime,jmbg,zona,lista,x,status\r\n"
                      "P1,BG1,2024-01-01,2024-01-31,Ana,Ban,1,Z,L,,a\r\nP2,BG2,2024-01-01,2024-01-31,Ivo,Ban,1,Z,L,,a\r\n")
        << "Datoteka nije start-stop izvoz (2 nečitljivih redova): red 2: nema registracije; red 3: " << false;
    QTest::newRow("log") << QByteArray("a\nb c d\n\ne f\n") << "Datoteka nije start-stop izvoz (2 nečitljivih" << false;
    QTest::newRow("header only") << Header
                                 << "Datoteka nema nijedan red za upis; tabela start-stop bi ostala prazna." << true;
    QTest::newRow("line ends only") << QByteArray(100000, '\n')
                                    << "Datoteka sadrži samo prazne redove; tabela start-stop bi ostala prazna." << false;
}

void TestStartStopImport::otherFilesRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, cause);
    QFETCH(bool, emptiesTable);
    QTemporaryDir dir;
    const QString path = WriteFile(dir, content);
    try {
        Import(path);
        QFAIL("accepted");
    } catch (const ImportError &e) {
        QVERIFY2(e.cause().startsWith(cause), qPrintable(e.cause()));
        QCOMPARE(e.emptiesTable(), emptiesTable);
    }
    if (emptiesTable)
        QCOMPARE(Import(path, nullptr, Emptying::Allowed).Count(), std::size_t(0));
}

QTEST_GUILESS_MAIN(TestStartStopImport)
#include "tst_ParkingStartStopImport.moc"
