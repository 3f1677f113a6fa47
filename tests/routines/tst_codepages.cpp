#include <routines/CodePages.h>

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <random>

namespace {

QByteArray utf8(const char *text) { return QByteArray(text); }

// The transliterating import chain on one line, without the trimming steps.
QByteArray transliteratingChain(const QByteArray &line)
{
    return EncodeWin1250Spec(Win1251ToWin1250(UTF8To1251(DecodeWin1250Spec(UTF8To1250(line)))));
}

} // namespace

class TestCodePages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tablesMatchIconv_data();
    void tablesMatchIconv();
    void unmappableBecomesQuestionMark();
    void utf8To1250_data();
    void utf8To1250();
    void serbianTransliteration_data();
    void serbianTransliteration();
    void transliteratingChain_data();
    void transliteratingChain();
    void cyrillicStepsInOnePass();
    void protectionRoundTripsEveryByte();
    void unicodeLinesByCharacter();
};

void TestCodePages::tablesMatchIconv_data()
{
    QTest::addColumn<QString>("codePage");
    QTest::newRow("1250") << "CP1250";
    QTest::newRow("1251") << "CP1251";
}

// iconv drops bytes its code page leaves undefined (-c); ours map them to the control
// character of the same number, so those lines come back empty here.
void TestCodePages::tablesMatchIconv()
{
    QFETCH(QString, codePage);
    if (QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty())
        QSKIP("iconv is not installed");

    QByteArray input;
    for (int b = 0x80; b <= 0xFF; ++b)
        input.append(char(b)).append('\n');
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"), {"-c", "-f", codePage, "-t", "UTF-8"});
    QVERIFY(iconv.waitForStarted());
    iconv.write(input);
    iconv.closeWriteChannel();
    QVERIFY(iconv.waitForFinished());
    const QList<QByteArray> lines = iconv.readAllStandardOutput().split('\n');
    QCOMPARE(lines.size(), 129);

    const bool is1250 = codePage == QLatin1String("CP1250");
    for (int b = 0x80; b <= 0xFF; ++b) {
        const QByteArray byte(1, char(b));
        const QString ours = is1250 ? FromWin1250(byte) : FromWin1251(byte);
        const QString reference = QString::fromUtf8(lines.at(b - 0x80));
        const QString expected = reference.isEmpty() ? QString(QChar(b)) : reference;
        QVERIFY2(ours == expected, qPrintable(QStringLiteral("byte %1").arg(b, 0, 16)));
        QCOMPARE(is1250 ? ToWin1250(ours) : ToWin1251(ours), byte);
    }
}

void TestCodePages::unmappableBecomesQuestionMark()
{
    QCOMPARE(ToWin1250(QStringLiteral("Šabac Ж ✓ 😀")), QByteArray("\x8a" "abac ? ? ?"));
    QCOMPARE(ToWin1251(QStringLiteral("Жč")), QByteArray("\xc6?"));
    QCOMPARE(FromWin1250(QByteArray("\xc8" "a\xe8" "ak")), QStringLiteral("Čačak"));
}

void TestCodePages::utf8To1250_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("ascii") << utf8("AB-123, x") << utf8("AB-123, x");
    QTest::newRow("serbian latin") << utf8("čćšžđ ČĆŠŽĐ")
                                   << QByteArray("\xe8\xe6\x9a\x9e\xf0 \xc8\xc6\x8a\x8e\xd0");
    QTest::newRow("euro and dash") << utf8("5 € – 6") << QByteArray("5 \x80 \x96 6");
    QTest::newRow("already 1250") << QByteArray("\xd0" "or\xf0" "e \xe8") << QByteArray("\xd0" "or\xf0" "e \xe8");
    // Windows-1250 "ČŠ" happens to be well-formed UTF-8 for a character 1250 lacks.
    QTest::newRow("1250 pair looking like utf-8") << QByteArray("\xc8\x8a") << QByteArray("\xc8\x8a");
    QTest::newRow("cyrillic stays") << utf8("Ж") << utf8("Ж");
    QTest::newRow("truncated sequence") << QByteArray("a\xc4") << QByteArray("a\xc4");
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QByteArray("\xc0\xaf");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QByteArray("\xed\xa0\x80");
}

void TestCodePages::utf8To1250()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(UTF8To1250(input), expected);
}

void TestCodePages::serbianTransliteration_data()
{
    QTest::addColumn<QString>("cyrillic");
    QTest::addColumn<QString>("latin");

    // The Serbian alphabet in order, upper case; lower case is checked alongside.
    const char *const reference[][2] = {
        {"А", "A"}, {"Б", "B"}, {"В", "V"}, {"Г", "G"}, {"Д", "D"}, {"Ђ", "Đ"},
        {"Е", "E"}, {"Ж", "Ž"}, {"З", "Z"}, {"И", "I"}, {"Ј", "J"}, {"К", "K"},
        {"Л", "L"}, {"Љ", "Lj"}, {"М", "M"}, {"Н", "N"}, {"Њ", "Nj"}, {"О", "O"},
        {"П", "P"}, {"Р", "R"}, {"С", "S"}, {"Т", "T"}, {"Ћ", "Ć"}, {"У", "U"},
        {"Ф", "F"}, {"Х", "H"}, {"Ц", "C"}, {"Ч", "Č"}, {"Џ", "Dž"}, {"Ш", "Š"},
    };
    for (const auto &pair : reference)
        QTest::newRow(pair[1]) << QString::fromUtf8(pair[0]) << QString::fromUtf8(pair[1]);
}

void TestCodePages::serbianTransliteration()
{
    QFETCH(QString, cyrillic);
    QFETCH(QString, latin);
    QCOMPARE(Win1251ToWin1250(ToWin1251(cyrillic)), ToWin1250(latin));
    QCOMPARE(Win1251ToWin1250(ToWin1251(cyrillic.toLower())), ToWin1250(latin.toLower()));
}

void TestCodePages::transliteratingChain_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cyrillic name") << utf8("Петар Петровић,БГ123АБ")
                                   << QStringLiteral("Petar Petrović,BG123AB");
    QTest::newRow("digraphs") << utf8("Љиљана Њиваћ Џелетовић")
                              << QStringLiteral("Ljiljana Njivać Dželetović");
    QTest::newRow("latin utf-8 and cyrillic")
            << utf8("Đorđe Čolić|Ђорђе Чолић") << QStringLiteral("Đorđe Čolić|Đorđe Čolić");
    // Windows-1250 letters read as 1251 would turn into Cyrillic transliterations.
    QTest::newRow("plain 1250 text") << ToWin1250(QStringLiteral("Šabac, Čačak, Užice, Niš, Đurđevo"))
                                     << QStringLiteral("Šabac, Čačak, Užice, Niš, Đurđevo");
    QTest::newRow("1250 punctuation") << ToWin1250(QStringLiteral("„Zona“ – 100 €"))
                                      << QStringLiteral("„Zona“ – 100 €");
    QTest::newRow("escape marker in text") << QByteArray("a\x01" "E8b") << QStringLiteral("a\x01" "E8b");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestCodePages::transliteratingChain()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    QCOMPARE(FromWin1250(::transliteratingChain(line)), expected);
}

// The one-pass Cyrillic steps give the bytes of the four steps in turn, on lines of
// Cyrillic, Windows-1250 bytes, stray UTF-8 bytes and the protection marker mixed.
void TestCodePages::cyrillicStepsInOnePass()
{
    const QByteArray pieces[] = {"a", " ", "\x01", "\x01" "41", "\x8A", "\xE8", "\xC3", "\xA9", "\xD0",
                                 "\xE2\x82\xAC", "\xC2\x98", "\xF0\x9F\x98\x80", QStringLiteral("Љ").toUtf8(),
                                 QStringLiteral("ш").toUtf8(), QStringLiteral("Ђ").toUtf8(), QStringLiteral("č").toUtf8()};
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray text;
        for (int i = int(random() % 12); i > 0; --i)
            text += pieces[random() % std::size(pieces)];
        QCOMPARE(CyrillicToLatin1250(text),
                 EncodeWin1250Spec(Win1251ToWin1250(UTF8To1251(DecodeWin1250Spec(text)))));
    }
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        QByteArray utf8;
        AppendWin1250AsUtf8(utf8, byte);
        QCOMPARE(utf8, FromWin1250(byte).toUtf8());
    }
}

void TestCodePages::protectionRoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QByteArray protectedText = DecodeWin1250Spec(all);
    for (const char c : protectedText)
        QVERIFY(static_cast<unsigned char>(c) < 0x80);
    QCOMPARE(EncodeWin1250Spec(protectedText), all);
}

// Random lines of characters from both code pages and beyond them: each character
// Windows-1250 holds becomes its byte, Cyrillic stays UTF-8 for the transliteration, and
// any other becomes "?"; the transliteration then leaves no UTF-8 behind. Appending the
// result as UTF-8 after other text gives the Windows-1250 reading of it.
void TestCodePages::unicodeLinesByCharacter()
{
    const QString pool = QStringLiteral("aZ09 ,|\\\tčćžšđČĆŽŠĐ€„–ЉљЖжЂђЋћЏџЙйЁёЇїΩøØ¥™№é😀");
    const QList<uint> characters = pool.toUcs4();
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        QString line;
        QByteArray expected;
        for (int i = int(random() % 40); i > 0; --i) {
            const char32_t c = characters[random() % characters.size()];
            const QString character = QString::fromUcs4(&c, 1);
            line += character;
            const QByteArray in1250 = ToWin1250(character);
            if (in1250 != "?")
                expected += in1250;
            else if (ToWin1251(character) != "?")
                expected += character.toUtf8();
            else
                expected += '?';
        }
        const QByteArray converted = UTF8To1250KeepingCyrillic(line.toUtf8());
        QCOMPARE(converted, expected);
        const QByteArray latin = CyrillicToLatin1250(converted);
        QCOMPARE(latin, EncodeWin1250Spec(Win1251ToWin1250(UTF8To1251(DecodeWin1250Spec(converted)))));
        QByteArray utf8 = "prefix ";
        AppendWin1250AsUtf8(utf8, latin);
        QCOMPARE(utf8, "prefix " + FromWin1250(latin).toUtf8());
    }
}

QTEST_GUILESS_MAIN(TestCodePages)
#include "tst_codepages.moc"
