#include "CodePages.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using HighHalf = std::array<char16_t, 128>;

// Bytes 0x80..0xFF. Undefined bytes carry the control character of the same number.
constexpr HighHalf kWin1250 = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr HighHalf kWin1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Character -> byte for the upper half of one code page, through a flat table over the
// characters up to the highest the page holds.
class CodePage {
public:
    explicit CodePage(const HighHalf &table)
        : m_table(table)
    {
        const char16_t highest = *std::max_element(table.begin(), table.end());
        m_reverse.assign(std::size_t(highest) + 1, 0);
        for (int i = 0; i < 128; ++i)
            m_reverse[table[std::size_t(i)]] = char(0x80 + i);
    }
    QChar toUnicode(char byte) const
    {
        const auto b = static_cast<unsigned char>(byte);
        return b < 0x80 ? QChar(b) : QChar(m_table[b - 0x80]);
    }
    // 0 when the code page has no byte for the character.
    char fromUnicode(char32_t c) const
    {
        if (c < 0x80)
            return char(c);
        return c < m_reverse.size() ? m_reverse[c] : 0;
    }

private:
    const HighHalf &m_table;
    std::vector<char> m_reverse;
};

const CodePage &win1250()
{
    static const CodePage page(kWin1250);
    return page;
}

const CodePage &win1251()
{
    static const CodePage page(kWin1251);
    return page;
}

QByteArray encode(const QString &text, const CodePage &page)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const char b = page.fromUnicode(c);
        out.append(b == 0 && c != 0 ? '?' : b);
    }
    return out;
}

QString decode(const QByteArray &bytes, const CodePage &page)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *to = out.data();
    for (const char b : bytes)
        *to++ = page.toUnicode(b);
    return out;
}

// Length of the well-formed UTF-8 sequence at 'at' (2 to 4 bytes, at most 'left' long)
// and its character; 0 when the bytes there are not one (ASCII, stray or overlong bytes,
// surrogates).
int utf8Sequence(const char *at, qsizetype left, char32_t &character)
{
    const auto byte = [at](int i) { return static_cast<unsigned char>(at[i]); };
    const unsigned char lead = byte(0);
    int length = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (length > left)
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(i);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    character = c;
    return length;
}

int utf8Sequence(const QByteArray &text, qsizetype pos, char32_t &character)
{
    return utf8Sequence(text.constData() + pos, text.size() - pos, character);
}

bool isAscii(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; });
}

// ASCII stays as it is in every conversion below, so a line without a byte above 127 is
// passed through whole.
// 'keep' decides for a well-formed sequence the page cannot hold: kept as it is, or '?'.
// No sequence becomes longer, so the result is written into room of the text's size.
template <typename Keep>
QByteArray utf8ToCodePage(const QByteArray &text, const CodePage &page, Keep keep)
{
    if (isAscii(text))
        return text;
    QByteArray out(text.size(), Qt::Uninitialized);
    char *to = out.data();
    const char *from = text.constData();
    const char *const end = from + text.size();
    while (from < end) {
        if (static_cast<unsigned char>(*from) < 0x80) {
            *to++ = *from++;
            continue;
        }
        char32_t c = 0;
        const int length = utf8Sequence(from, end - from, c);
        const char mapped = length > 0 ? page.fromUnicode(c) : 0;
        if (mapped != 0) {
            *to++ = mapped;
            from += length;
        } else if (length > 0 && !keep(c)) {
            *to++ = '?';
            from += length;
        } else {
            const int kept = length > 0 ? length : 1;
            to = std::copy(from, from + kept, to);
            from += kept;
        }
    }
    out.truncate(to - out.constData());
    return out;
}

// The escape that protects one byte: marker, then the byte in two hex digits.
constexpr char kMarker = '\x01';

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

QByteArray ToWin1250(const QString &text)
{
    return encode(text, win1250());
}
QString FromWin1250(const QByteArray &bytes)
{
    return decode(bytes, win1250());
}
QByteArray ToWin1251(const QString &text)
{
    return encode(text, win1251());
}
QString FromWin1251(const QByteArray &bytes)
{
    return decode(bytes, win1251());
}

QByteArray UTF8To1250(const QByteArray &text)
{
    return utf8ToCodePage(text, win1250(), [](char32_t) { return true; });
}
QByteArray UTF8To1251(const QByteArray &text)
{
    return utf8ToCodePage(text, win1251(), [](char32_t) { return true; });
}
QByteArray UTF8To1250KeepingCyrillic(const QByteArray &text)
{
    return utf8ToCodePage(text, win1250(), [](char32_t c) { return win1251().fromUnicode(c) != 0; });
}

QByteArray DecodeWin1250Spec(const QByteArray &text)
{
    if (isAscii(text) && !text.contains(kMarker))
        return text;
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text.at(i));
        char32_t c = 0;
        const int length = b >= 0x80 ? utf8Sequence(text, i, c) : 0;
        if (length > 0 && win1251().fromUnicode(c) != 0) {
            out.append(text.constData() + i, length);
            i += length;
            continue;
        }
        if (b >= 0x80 || text.at(i) == kMarker) {
            // The marker itself is escaped too, so the round trip is exact.
            static const char hex[] = "0123456789ABCDEF";
            out.append(kMarker).append(hex[b >> 4]).append(hex[b & 15]);
        } else {
            out.append(text.at(i));
        }
        ++i;
    }
    return out;
}

QByteArray EncodeWin1250Spec(const QByteArray &text)
{
    if (!text.contains(kMarker))
        return text;
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == kMarker && i + 2 < text.size() && isHexDigit(text.at(i + 1)) && isHexDigit(text.at(i + 2))) {
            out.append(char(text.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
        } else {
            out.append(text.at(i));
        }
    }
    return out;
}

QString TransliterateCyrillic(QChar c)
{
    static const QHash<char16_t, QString> table = [] {
        // Serbian Cyrillic first, then the other letters Windows-1251 holds.
        const std::pair<const char *, const char *> pairs[] = {
            {"А", "A"},  {"Б", "B"},  {"В", "V"}, {"Г", "G"}, {"Д", "D"},  {"Ђ", "Đ"},  {"Е", "E"},  {"Ж", "Ž"},
            {"З", "Z"},  {"И", "I"},  {"Ј", "J"}, {"К", "K"}, {"Л", "L"},  {"Љ", "Lj"}, {"М", "M"},  {"Н", "N"},
            {"Њ", "Nj"}, {"О", "O"},  {"П", "P"}, {"Р", "R"}, {"С", "S"},  {"Т", "T"},  {"Ћ", "Ć"},  {"У", "U"},
            {"Ф", "F"},  {"Х", "H"},  {"Ц", "C"}, {"Ч", "Č"}, {"Џ", "Dž"}, {"Ш", "Š"},  {"Й", "J"},  {"Щ", "Šč"},
            {"Ъ", ""},   {"Ы", "Y"},  {"Ь", ""},  {"Э", "E"}, {"Ю", "Ju"}, {"Я", "Ja"}, {"Ё", "Jo"}, {"Є", "Je"},
            {"І", "I"},  {"Ї", "Ji"}, {"Ў", "U"}, {"Ґ", "G"}, {"Ѓ", "Gj"}, {"Ќ", "Kj"}, {"Ѕ", "Dz"},
        };
        QHash<char16_t, QString> map;
        for (const auto &[cyrillic, latin] : pairs) {
            const QString upper = QString::fromUtf8(cyrillic);
            const QString latinText = QString::fromUtf8(latin);
            map.insert(upper.at(0).unicode(), latinText);
            map.insert(upper.toLower().at(0).unicode(), latinText.toLower());
        }
        return map;
    }();
    const auto it = table.constFind(c.unicode());
    return it == table.cend() ? QString(c) : *it;
}

namespace {

// The Latin spelling in Windows-1250 of each upper byte of Windows-1251: at most two
// bytes, which no UTF-8 sequence of a Windows-1251 character is shorter than.
struct Latin {
    char bytes[2];
    qsizetype size;
};

const std::array<Latin, 128> &latinOf1251()
{
    static const std::array<Latin, 128> latin = [] {
        std::array<Latin, 128> table{};
        for (int b = 0x80; b < 0x100; ++b) {
            const QByteArray text = ToWin1250(TransliterateCyrillic(win1251().toUnicode(char(b))));
            Q_ASSERT(text.size() <= 2);
            Latin &entry = table[std::size_t(b - 0x80)];
            entry.size = std::min<qsizetype>(text.size(), 2);
            std::copy_n(text.constData(), entry.size, entry.bytes);
        }
        return table;
    }();
    return latin;
}

} // namespace

QByteArray Win1251ToWin1250(const QByteArray &text)
{
    if (isAscii(text))
        return text;
    const std::array<Latin, 128> &latin = latinOf1251();
    QByteArray out;
    out.reserve(text.size() + text.size() / 8);
    for (const char b : text) {
        if (static_cast<unsigned char>(b) < 0x80) {
            out.append(b);
        } else {
            const Latin &entry = latin[static_cast<unsigned char>(b) - 0x80];
            out.append(entry.bytes, entry.size);
        }
    }
    return out;
}

// Of the four steps only UTF-8 sequences of Windows-1251 characters change anything: the
// protection steps give every other byte back as it was, and each such sequence becomes
// the Latin spelling of its Windows-1251 byte, which is never longer.
QByteArray CyrillicToLatin1250(const QByteArray &text)
{
    // The Windows-1251 character a sequence at 'at' holds and the sequence's length.
    const auto cyrillicAt = [](const char *at, qsizetype left, char &byte) {
        char32_t c = 0;
        const int length = static_cast<unsigned char>(*at) >= 0xC2 ? utf8Sequence(at, left, c) : 0;
        byte = length > 0 ? win1251().fromUnicode(c) : 0;
        return length;
    };
    const char *from = text.constData();
    const char *const end = from + text.size();
    char byte = 0;
    for (; from < end; ++from) {
        if (cyrillicAt(from, end - from, byte) > 0 && byte != 0)
            break;
    }
    if (from == end)
        return text;
    const std::array<Latin, 128> &latin = latinOf1251();
    QByteArray out(text.size(), Qt::Uninitialized);
    char *to = std::copy(text.constData(), from, out.data());
    while (from < end) {
        const int length = cyrillicAt(from, end - from, byte);
        if (byte != 0) {
            const Latin &entry = latin[static_cast<unsigned char>(byte) - 0x80];
            to = std::copy_n(entry.bytes, entry.size, to);
            from += length;
        } else {
            *to++ = *from++;
        }
    }
    out.truncate(to - out.constData());
    return out;
}

namespace {

// The UTF-8 bytes of each upper byte of Windows-1250 (two or three).
struct Utf8Of1250 {
    char bytes[3];
    qsizetype size;
};

const std::array<Utf8Of1250, 128> &utf8Of1250()
{
    static const std::array<Utf8Of1250, 128> table = [] {
        std::array<Utf8Of1250, 128> utf8{};
        for (std::size_t i = 0; i < 128; ++i) {
            const char16_t c = kWin1250[i];
            Utf8Of1250 &entry = utf8[i];
            if (c < 0x800) {
                entry = {{char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F)), 0}, 2};
            } else {
                entry = {{char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))}, 3};
            }
        }
        return utf8;
    }();
    return table;
}

} // namespace

void AppendWin1250AsUtf8(QByteArray &out, QByteArrayView bytes)
{
    const std::array<Utf8Of1250, 128> &utf8 = utf8Of1250();
    const qsizetype start = out.size();
    out.resize(start + 3 * bytes.size());
    char *to = out.data() + start;
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        if (byte < 0x80) {
            *to++ = b;
        } else {
            const Utf8Of1250 &entry = utf8[byte - 0x80];
            to = std::copy_n(entry.bytes, entry.size, to);
        }
    }
    out.truncate(to - out.constData());
}
