#include "ImportTestFiles.h"
#include <parking/imports/ImportError.h>
#include <parking/imports/StartStopImportJob.h>
#include <routines/CodePages.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

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
