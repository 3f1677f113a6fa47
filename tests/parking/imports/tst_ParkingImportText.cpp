#include "ImportTestFiles.h"
#include <parking/imports/ImportError.h>
#include <parking/imports/LoadFile.h>
#include <parking/imports/ParkingImportText.h>
#include <routines/CodePages.h>
#include <routines/DateParse.h>

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace imports;

namespace {

QString w1250(const QByteArray &bytes) { return FromWin1250(bytes); }

QList<QByteArray> ReadLines(const QString &path)
{
    ImportLineReader reader(path);
    QList<QByteArray> lines;
    QByteArray line;
    while (reader.ReadLine(line))
        lines << line;
    return lines;
}

QByteArray Utf16(const QString &text, bool bigEndian)
{
    QByteArray out;
    for (const QChar c : text) {
        const char hi = char(c.unicode() >> 8);
        const char lo = char(c.unicode() & 0xFF);
        out.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return out;
}

} // namespace

class TestParkingImportText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesByMark_data();
    void decodesByMark();
    void splitsLines_data();
    void splitsLines();
    void lineEndAcrossPieces();
    void missingFileIsAnError();
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
    void digestIsOfTheBytesRead();
    void fullWorkFileSaysWhy();
    void chains_data();
    void chains();
    void csvExtension_data();
    void csvExtension();
    void takeAndDrop();
    void upperRegistration();
    void dateFieldsReadAsTheDateRoutine_data();
    void dateFieldsReadAsTheDateRoutine();
};

// Each case: the file's bytes, the text ReadImportText gives, and the 8-bit lines the
// reader hands to the chains (Windows-1250 where possible, UTF-8 where not).
void TestParkingImportText::decodesByMark_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QByteArray>>("lines");

    const QString serbian = QStringLiteral("h\nČačak šđž");
    const QList<QByteArray> serbianLines{"h", "\xC8" "a\xE8" "ak \x9A\xF0\x9E"};
    QTest::newRow("utf-16le") << QByteArray("\xFF\xFE") + Utf16(serbian, false) << serbian << serbianLines;
    QTest::newRow("utf-16be") << QByteArray("\xFE\xFF") + Utf16(serbian, true) << serbian << serbianLines;
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF") + serbian.toUtf8() << serbian << serbianLines;
    QTest::newRow("windows-1250")
        << QByteArray("h\n\xC8" "a\xE8" "ak \x9A\xF0\x9E") << serbian << serbianLines;
    // Without a mark UTF-8 bytes arrive one by one; the first chain step reads them.
    QTest::newRow("utf-8 without mark")
        << serbian.toUtf8() << w1250(serbian.toUtf8()) << QList<QByteArray>{"h", serbian.toUtf8().mid(2)};
    QTest::newRow("EF BB without BF is ansi")
        << QByteArray("\xEF\xBB" "a") << w1250("\xEF\xBB" "a") << QList<QByteArray>{"\xEF\xBB" "a"};
    QTest::newRow("odd utf-16 byte ignored")
        << QByteArray("\xFF\xFE") + Utf16("ab", false) + "c" << QStringLiteral("ab") << QList<QByteArray>{"ab"};
    QTest::newRow("nul in ansi") << QByteArray("a\0b\nc", 5) << QStringLiteral("a b\nc")
                                 << QList<QByteArray>{"a b", "c"};
    QTest::newRow("nul in utf-16") << QByteArray("\xFF\xFE") + Utf16(QString::fromUtf16(u"a\0b", 3), false)
                                   << QStringLiteral("a b") << QList<QByteArray>{"a b"};
    QTest::newRow("nul in utf-8") << QByteArray("\xEF\xBB\xBF" "a\0b", 6) << QStringLiteral("a b")
                                  << QList<QByteArray>{"a b"};
    // Cyrillic cannot be Windows-1250; it stays UTF-8 for the transliterating chain.
    QTest::newRow("cyrillic utf-16")
        << QByteArray("\xFF\xFE") + Utf16(QStringLiteral("Жика"), false) << QStringLiteral("Жика")
        << QList<QByteArray>{QStringLiteral("Жика").toUtf8()};
    QTest::newRow("empty") << QByteArray() << QString() << QList<QByteArray>{};
    QTest::newRow("one byte") << QByteArray("x") << QStringLiteral("x") << QList<QByteArray>{"x"};
}

void TestParkingImportText::decodesByMark()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QList<QByteArray>, lines);
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, "f.csv", bytes);
    QCOMPARE(ReadImportText(path), text);
    QCOMPARE(ReadLines(path), lines);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);   // the operator's file is only read
}

void TestParkingImportText::splitsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a", "b"};
    QTest::newRow("mixed") << QByteArray("a\rb\nc\r\nd") << QList<QByteArray>{"a", "b", "c", "d"};
    QTest::newRow("lf cr is two ends") << QByteArray("a\n\rb") << QList<QByteArray>{"a", "", "b"};
    QTest::newRow("empty lines kept") << QByteArray("h\r\n\r\nx\n\n") << QList<QByteArray>{"h", "", "x", ""};
    QTest::newRow("header only") << QByteArray("h") << QList<QByteArray>{"h"};
}

void TestParkingImportText::splitsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    QTemporaryDir dir;
    QCOMPARE(ReadLines(WriteTestFile(dir, "f.csv", bytes)), lines);
}

// The file is read in pieces of 1 MiB: a CR ending one piece and the LF starting the next
// are one line end, and a line across the boundary stays whole.
void TestParkingImportText::lineEndAcrossPieces()
{
    const qsizetype piece = 1 << 20;
    QByteArray bytes(piece - 1, 'a');
    bytes += "\r\nsecond line\r\n" + QByteArray(piece, 'b') + "\nend";
    QTemporaryDir dir;
    ImportLineReader reader(WriteTestFile(dir, "f.csv", bytes));
    QByteArray line;
    QVERIFY(reader.ReadLine(line));
    QCOMPARE(line.size(), piece - 1);
    QVERIFY(reader.ReadLine(line));
    QCOMPARE(line, QByteArray("second line"));
    QCOMPARE(reader.LineNumber(), 2);
    QVERIFY(reader.ReadLine(line));
    QCOMPARE(line, QByteArray(piece, 'b'));
    QVERIFY(reader.ReadLine(line));
    QCOMPARE(line, QByteArray("end"));
    QVERIFY(!reader.ReadLine(line));
    QCOMPARE(reader.LineNumber(), 4);
    QCOMPARE(reader.BytesRead(), reader.FileSize());
}

void TestParkingImportText::missingFileIsAnError()
{
    QTemporaryDir dir;
    QCOMPARE(ReadImportText(dir.filePath("none.csv")), QString());
    try {
        ImportLineReader reader(dir.filePath("none.csv"));
        QFAIL("no error");
    } catch (const ImportError &e) {
        QCOMPARE(e.kind(), ImportFailure::File);
        QVERIFY(e.message().startsWith("Pogrešan format datoteke!\n"));
    }
}

void TestParkingImportText::chains_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("transliterated");
    QTest::newRow("utf-8 latin") << QByteArray(" \tČačak\r ") << QByteArray("\xC8" "a\xE8" "ak")
                                 << QByteArray("\xC8" "a\xE8" "ak");
    QTest::newRow("1250 untouched") << QByteArray("\x9A\xF0\x9E") << QByteArray("\x9A\xF0\x9E")
                                    << QByteArray("\x9A\xF0\x9E");
    QTest::newRow("cyrillic") << QStringLiteral("Љубица Ђурђевић").toUtf8()
                              << QStringLiteral("Љубица Ђурђевић").toUtf8()
                              << QByteArray("Ljubica \xD0urdevi\xE6").replace("urd", "ur\xF0");
    QTest::newRow("mixed scripts") << QStringLiteral("ŠABAC Шабац").toUtf8()
                                   << QByteArray("\x8A" "ABAC ") + QStringLiteral("Шабац").toUtf8()
                                   << QByteArray("\x8A" "ABAC \x8A" "abac");
}

void TestParkingImportText::chains()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, transliterated);
    QCOMPARE(PlainChain(line), plain);
    QCOMPARE(TransliteratingChain(line), transliterated);
}

void TestParkingImportText::csvExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("lower") << "/x/data.csv" << true;
    QTest::newRow("upper") << "/x/DATA.CSV" << true;
    QTest::newRow("double") << "/x/data.csv.txt" << false;
    QTest::newRow("txt") << "/x/data.txt" << false;
    QTest::newRow("none") << "/x.csv/data" << false;
}

void TestParkingImportText::csvExtension()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QCOMPARE(HasCsvExtension(name), accepted);
}

void TestParkingImportText::takeAndDrop()
{
    FieldSplitter fields("a,,b c,rest,of,line", ',');
    QCOMPARE(fields.Next(), QByteArray("a"));
    QCOMPARE(fields.Next(), QByteArray(""));
    QCOMPARE(fields.Take(), QByteArray("b c"));
    fields.Drop();
    QCOMPARE(fields.Rest(), QByteArray("rest,of,line"));

    // The text after the last separator is never taken; drop then stays put.
    FieldSplitter last("x|y", '|');
    QCOMPARE(last.Next(), QByteArray("x"));
    QCOMPARE(last.Next(), QByteArray());
    QCOMPARE(last.Next(), QByteArray());
    QCOMPARE(last.Rest(), QByteArray("y"));

    // The views walk the same way and count every separator of the line.
    FieldSplitter views("a,,b c,rest,of", ',');
    QCOMPARE(views.Separators(), 4);
    QCOMPARE(views.NextView(), QByteArrayView("a"));
    QCOMPARE(views.NextView(), QByteArrayView(""));
    QCOMPARE(views.TakeView(), QByteArrayView("b c"));
    QCOMPARE(views.NextView(), QByteArrayView("b c"));
    QCOMPARE(views.NextView(), QByteArrayView("rest"));
    QVERIFY(views.NextView().isEmpty());
    QCOMPARE(views.RestView(), QByteArrayView("of"));
}

void TestParkingImportText::upperRegistration()
{
    QCOMPARE(UpperRegistration(ToWin1250(QStringLiteral("bg 123-šđ"))), ToWin1250(QStringLiteral("BG 123-ŠĐ")));
    QCOMPARE(UpperRegistration(ToWin1250(QStringLiteral("ns-čćž"))), ToWin1250(QStringLiteral("NS-ČĆŽ")));
    // Only a-z and the five Serbian letters change.
    QCOMPARE(UpperRegistration(ToWin1250(QStringLiteral("éü1"))), ToWin1250(QStringLiteral("éü1")));
}

void TestParkingImportText::dateFieldsReadAsTheDateRoutine_data()
{
    QTest::addColumn<QByteArray>("field");
    for (const char *field :
         {"2024-01-31", "2024-01-31 23:59", "2024-01-31 9:05", "2024-01-31 09:05:07", "2024-02-29 00:00:59",
          "31.1.2024", "31.01.2024. 08:00", "1.2.2024 7:30:15", "2024-01-31T10:00", "2024/01/31 10:00",
          " 2024-01-31", "2024-01-31 ", "2024-01-31  10:00", "2024-1-31", "2024-01-31 10:00:00.250",
          // Every one below is refused by both.
          "", "2023-02-29", "2024-13-01", "2024-01-31 24:00", "2024-01-31 10:60", "2024-01-31 10:5",
          "2024-01-31 100:00", "2024-01-31 10:00:0", "0000-01-01", "2024-01-3x", "31.02.2024", "x"})
        QTest::newRow(field) << QByteArray(field);
}

// The quick reading of the common form gives what the date routine gives, and every other
// form reaches the routine: the same stored text, or an error from both.
void TestParkingImportText::dateFieldsReadAsTheDateRoutine()
{
    QFETCH(QByteArray, field);
    QByteArray expected;
    try {
        const auto [date, time] = MyDateTimeStrToParts(FromWin1250(field));
        expected = QDateTime(date, time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
    } catch (const std::exception &) {
    }
    QByteArray stored = "x\t";
    try {
        AppendDateTimeField(stored, field);
    } catch (const std::exception &) {
        QVERIFY2(expected.isEmpty(), expected.constData());
        QCOMPARE(stored, QByteArray("x\t"));
        return;
    }
    QCOMPARE(stored, "x\t" + expected);
}

// A FIFO, a device (also behind a link) and a directory are refused by name and kind,
// without waiting for a writer. Should the open block after all, a writer is opened
// after 20 s to release it, so the test fails instead of hanging.
void TestParkingImportText::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("shown");
    QTest::newRow("fifo") << "fifo" << "imenovana cev (FIFO)";
    QTest::newRow("link to /dev/zero") << "zero" << "znakovni uređaj";
    QTest::newRow("directory") << "dir" << "folder";
}

void TestParkingImportText::onlyRegularFilesAreRead()
{
    QFETCH(QString, kind);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString path = dir.filePath("ulaz.csv");
    if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == "zero")
        QVERIFY(QFile::link("/dev/zero", path));
    else
        QVERIFY(QDir(dir.path()).mkdir("ulaz.csv"));
    for (const bool reader : {false, true}) {
        const std::optional<QString> refusal = RefusalWithin20s(path, [&path, reader] {
            if (reader)
                ImportLineReader(path, nullptr);
            else
                CheckRegularFile(path);
        });
        QVERIFY2(refusal, "the open waited for a writer");
        QVERIFY2(refusal->contains(QStringLiteral("ulaz.csv nije obična datoteka, već ") + shown), qPrintable(*refusal));
    }
}

// The digest covers the bytes read, not what the file holds once it has grown.
void TestParkingImportText::digestIsOfTheBytesRead()
{
    QTemporaryDir dir;
    const QByteArray first = "h\r\nred 1\r\nred 2\r\n";
    const QString path = WriteTestFile(dir, "raste.csv", first);
    FileDigest digest;
    ImportLineReader reader(path, &digest);
    QByteArray line;
    QVERIFY(reader.ReadLine(line));
    QFile more(path);
    QVERIFY(more.open(QIODevice::Append));
    more.write("red 3\r\n");
    more.close();
    QCOMPARE(digest.size, -1);
    QList<QByteArray> lines;
    while (reader.ReadLine(line))
        lines << line;
    QCOMPARE(lines, QList<QByteArray>({"red 1", "red 2"}));
    QCOMPARE(digest.size, first.size());
    QCOMPARE(digest.sha256, QString::fromLatin1(QCryptographicHash::hash(first, QCryptographicHash::Sha256).toHex()));
}

// A working file that cannot grow says why in the system's words, never "Unknown error".
void TestParkingImportText::fullWorkFileSaysWhy()
{
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QString message;
    {
        LoadFile work;
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        try {
            for (int i = 0; i < 50000; ++i) {
                work.AddWin1250(QByteArray(60, 'x'));
                work.EndRow();
            }
        } catch (const ImportError &e) {
            message = e.message();
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
    }
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY2(message.contains(QStringLiteral("se ne može upisati: datoteka je veća nego što je dozvoljeno")),
             qPrintable(message));
    QVERIFY(!message.contains("Unknown error"));
}

QTEST_GUILESS_MAIN(TestParkingImportText)
#include "tst_ParkingImportText.moc"
