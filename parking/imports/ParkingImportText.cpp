#include "ParkingImportText.h"

#include "ImportError.h"
#include <routines/CodePages.h>

#include <QFileInfo>
#include <algorithm>

namespace imports {

namespace {

constexpr qint64 kChunkSize = 1 << 20;

// The encoding a file's first bytes announce and the length of that mark.
ImportEncoding DetectEncoding(const QByteArray &start, int &markLength)
{
    const auto at = [&](int i) { return static_cast<unsigned char>(start.at(i)); };
    markLength = 0;
    if (start.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
        markLength = 2;
        return ImportEncoding::Utf16LE;
    }
    if (start.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF) {
        markLength = 2;
        return ImportEncoding::Utf16BE;
    }
    if (start.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        markLength = 3;
        return ImportEncoding::Utf8;
    }
    return ImportEncoding::Ansi;
}

QStringConverter::Encoding DecoderEncoding(ImportEncoding encoding)
{
    switch (encoding) {
    case ImportEncoding::Utf16LE: return QStringConverter::Utf16LE;
    case ImportEncoding::Utf16BE: return QStringConverter::Utf16BE;
    default: return QStringConverter::Utf8;
    }
}

bool IsUtf16(ImportEncoding encoding)
{
    return encoding == ImportEncoding::Utf16LE || encoding == ImportEncoding::Utf16BE;
}

// Payload bytes after the mark; a UTF-16 file's odd last byte is not part of it.
qint64 PayloadSize(qint64 fileSize, int markLength, ImportEncoding encoding)
{
    const qint64 size = fileSize - markLength;
    return IsUtf16(encoding) ? size & ~qint64(1) : size;
}

void NulToBlank(QByteArray &bytes)
{
    std::replace(bytes.begin(), bytes.end(), '\0', ' ');
}

void NulToBlank(QString &text)
{
    text.replace(QChar(u'\0'), QChar(u' '));
}

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// 'size' bytes from 'from' into 'line', in its own room when it has enough.
void SetLine(QByteArray &line, const char *from, qsizetype size)
{
    line.resize(size);
    std::copy_n(from, size, line.data());
}


} // namespace

QString ReadImportText(const QString &fileName)
{
    if (!QFileInfo::exists(fileName))
        return {};
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    int mark = 0;
    const ImportEncoding encoding = DetectEncoding(bytes.left(3), mark);
    QByteArray payload = bytes.mid(mark, PayloadSize(bytes.size(), mark, encoding));
    if (encoding == ImportEncoding::Ansi) {
        NulToBlank(payload);
        return FromWin1250(payload);
    }
    QStringDecoder decoder(DecoderEncoding(encoding));
    QString text = decoder.decode(payload);
    NulToBlank(text);
    return text;
}

bool HasCsvExtension(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && name.mid(dot).toLower() == QLatin1String(".csv");
}

ImportLineReader::ImportLineReader(const QString &fileName) : m_file(fileName)
{
    if (!m_file.open(QIODevice::ReadOnly))
        throw ImportError(ImportFailure::File,
                          QStringLiteral("Datoteku %1 nije moguće otvoriti: %2")
                              .arg(fileName, m_file.errorString()));
    m_fileSize = m_file.size();
    int mark = 0;
    m_encoding = DetectEncoding(m_file.peek(3), mark);
    m_file.skip(mark);
    m_consumed = mark;
    m_remaining = PayloadSize(m_fileSize, mark, m_encoding);
    if (m_encoding != ImportEncoding::Ansi)
        m_decoder = QStringDecoder(DecoderEncoding(m_encoding));
}

// Unicode text goes to Windows-1250 where it can and stays UTF-8 where it cannot, which
// is how a UTF-8 file without a mark reaches the chains' first step.
QByteArray ImportLineReader::Convert(QByteArray raw)
{
    if (m_encoding == ImportEncoding::Ansi) {
        NulToBlank(raw);
        return raw;
    }
    QString text = m_decoder.decode(raw);
    NulToBlank(text);
    return UTF8To1250KeepingCyrillic(text.toUtf8());
}

bool ImportLineReader::Fill()
{
    if (m_remaining <= 0)
        return false;
    const QByteArray raw = m_file.read(std::min(kChunkSize, m_remaining));
    if (raw.isEmpty()) {
        m_remaining = 0;
        return false;
    }
    m_remaining -= raw.size();
    m_consumed += raw.size();
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    m_buffer.append(Convert(raw));
    return true;
}

bool ImportLineReader::ReadLine(QByteArray &line)
{
    if (m_skipLineFeed) {
        if (m_pos == m_buffer.size())
            Fill();
        if (m_pos < m_buffer.size() && m_buffer.at(m_pos) == '\n')
            ++m_pos;
        m_skipLineFeed = false;
    }
    qsizetype from = m_pos;
    for (;;) {
        const auto begin = m_buffer.cbegin() + from;
        const auto end = std::find_if(begin, m_buffer.cend(),
                                      [](char c) { return c == '\r' || c == '\n'; });
        if (end != m_buffer.cend()) {
            const qsizetype at = end - m_buffer.cbegin();
            SetLine(line, m_buffer.constData() + m_pos, at - m_pos);
            m_pos = at + 1;
            if (*end == '\r') {
                if (m_pos < m_buffer.size())
                    m_pos += m_buffer.at(m_pos) == '\n' ? 1 : 0;
                else
                    m_skipLineFeed = true;
            }
            ++m_lineNumber;
            return true;
        }
        const qsizetype scanned = m_buffer.size() - m_pos;
        if (!Fill()) {
            if (m_pos >= m_buffer.size())
                return false;
            SetLine(line, m_buffer.constData() + m_pos, m_buffer.size() - m_pos);
            m_pos = m_buffer.size();
            ++m_lineNumber;
            return true;
        }
        from = m_pos + scanned;
    }
}

bool ImportLineReader::SkipHeader()
{
    QByteArray header;
    return ReadLine(header);
}

QByteArray TrimLine(const QByteArray &line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && IsBlankOrControl(line.at(begin)))
        ++begin;
    while (end > begin && IsBlankOrControl(line.at(end - 1)))
        --end;
    return begin == 0 && end == line.size() ? line : line.mid(begin, end - begin);
}

QByteArray PlainChain(const QByteArray &line)
{
    return TrimLine(UTF8To1250KeepingCyrillic(line));
}

QByteArray TransliteratingChain(const QByteArray &line)
{
    return TrimLine(CyrillicToLatin1250(TrimLine(UTF8To1250KeepingCyrillic(line))));
}

FieldSplitter::FieldSplitter(QByteArray line, char separator)
    : m_line(std::move(line)), m_separator(separator)
{
}

qsizetype FieldSplitter::Separator() const
{
    return m_line.indexOf(m_separator, m_pos);
}

QByteArrayView FieldSplitter::TakeView() const
{
    const qsizetype at = Separator();
    return at < 0 ? QByteArrayView() : QByteArrayView(m_line).sliced(m_pos, at - m_pos);
}

QByteArray FieldSplitter::Take() const
{
    return TakeView().toByteArray();
}

void FieldSplitter::Drop()
{
    const qsizetype at = Separator();
    if (at >= 0)
        m_pos = at + 1;
}

QByteArrayView FieldSplitter::NextView()
{
    const qsizetype at = Separator();
    if (at < 0)
        return {};
    const QByteArrayView field = QByteArrayView(m_line).sliced(m_pos, at - m_pos);
    m_pos = at + 1;
    return field;
}

QByteArray FieldSplitter::Next()
{
    return NextView().toByteArray();
}

QByteArray UpperRegistration(QByteArray registration)
{
    static constexpr char kLower[] = {'\x9A', '\xF0', '\x9E', '\xE8', '\xE6'};
    static constexpr char kUpper[] = {'\x8A', '\xD0', '\x8E', '\xC8', '\xC6'};
    for (char &c : registration) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
            continue;
        }
        for (std::size_t i = 0; i < sizeof kLower; ++i) {
            if (c == kLower[i])
                c = kUpper[i];
        }
    }
    return registration;
}

} // namespace imports
