#include "ParkingImportText.h"

#include "ImportError.h"
#include <routines/CodePages.h>
#include <routines/TextFormat.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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


// What a file that is not a regular one is, in the operator's words.
QString FileKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("imenovana cev (FIFO)");
    if (S_ISCHR(mode))
        return QStringLiteral("znakovni uređaj");
    if (S_ISBLK(mode))
        return QStringLiteral("blok-uređaj");
    if (S_ISDIR(mode))
        return QStringLiteral("folder");
    if (S_ISSOCK(mode))
        return QStringLiteral("soket");
    return QStringLiteral("posebna datoteka");
}

void RefuseUnlessRegular(const QString &fileName, const struct stat &status)
{
    if (!S_ISREG(status.st_mode))
        throw ImportError(ImportFailure::File, QStringLiteral("%1 nije obična datoteka, već %2; uvozi se samo obična datoteka.")
                                                   .arg(SafeText(fileName), FileKind(status.st_mode)));
}

[[noreturn]] void OpenFailed(const QString &fileName, int error)
{
    throw ImportError(ImportFailure::File, QStringLiteral("Datoteku %1 nije moguće otvoriti: %2")
                                               .arg(SafeText(fileName), SystemErrorText(error)));
}

// Opened without waiting (a FIFO would wait for a writer) and checked on the opened file,
// so a name swapped after a check cannot slip another kind of file in.
FileHandle OpenRegular(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        OpenFailed(fileName, errno);
    RefuseUnlessRegular(fileName, status);
    FileHandle fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        OpenFailed(fileName, errno);
    if (::fstat(fd.get(), &status) != 0)
        OpenFailed(fileName, errno);
    RefuseUnlessRegular(fileName, status);
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

FileHandle::~FileHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CheckRegularFile(const QString &fileName)
{
    OpenRegular(fileName);
}

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

ImportLineReader::ImportLineReader(const QString &fileName, FileDigest *digest)
    : m_fileName(fileName)
    , m_fd(OpenRegular(fileName))
    , m_digest(digest)
{
    struct stat status {};
    ::fstat(m_fd.get(), &status);
    m_fileSize = status.st_size;
    m_remaining = m_fileSize;
    const QByteArray start = ReadRaw(3);
    int mark = 0;
    m_encoding = DetectEncoding(start, mark);
    const qint64 payload = PayloadSize(m_fileSize, mark, m_encoding);
    m_pending = start.mid(mark, std::min<qint64>(start.size() - mark, payload));
    m_remaining = payload - m_pending.size();
    if (m_encoding != ImportEncoding::Ansi)
        m_decoder = QStringDecoder(DecoderEncoding(m_encoding));
}

// Up to 'size' bytes (fewer only at the end of the file), counted into the digest.
QByteArray ImportLineReader::ReadRaw(qint64 size)
{
    const qint64 want = std::min(size, m_remaining);
    QByteArray raw(qsizetype(want), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < raw.size()) {
        const ssize_t n = ::read(m_fd.get(), raw.data() + got, size_t(raw.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw ImportError(ImportFailure::File, QStringLiteral("Datoteku %1 nije moguće pročitati: %2")
                                                       .arg(SafeText(m_fileName), SystemErrorText(errno)));
        if (n == 0)
            break; // the file became shorter while it was read
        got += n;
    }
    raw.truncate(got);
    if (m_digest)
        m_hash.addData(raw);
    m_consumed += got;
    m_remaining = got < want ? 0 : m_remaining - got;
    if (m_remaining <= 0 && m_digest) {
        m_digest->size = m_consumed;
        m_digest->sha256 = QString::fromLatin1(m_hash.result().toHex());
    }
    return raw;
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
    QByteArray raw = std::exchange(m_pending, {});
    if (raw.isEmpty() && m_remaining > 0)
        raw = ReadRaw(kChunkSize);
    if (raw.isEmpty())
        return false;
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
    const bool read = ReadLine(header);
    m_headerBlank = TrimLine(header).isEmpty();
    return read;
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
