#pragma once

// The reading rules shared by the ticket, subscription and start-stop imports: decoding a
// file by its byte-order mark, splitting it into lines, the per-line conversion chains and
// the take/drop split of a line into fields.

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <QStringDecoder>

#include <utility>

namespace imports {

enum class ImportEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// The whole file decoded by its byte-order mark (FF FE, FE FF, EF BB BF; otherwise
// Windows-1250), every NUL as a blank. A missing file gives the empty text.
QString ReadImportText(const QString &fileName);

// True when the name's extension (from its last '.') lower-cased is ".csv".
bool HasCsvExtension(const QString &fileName);

// The size and SHA-256 of the bytes an import read, taken while reading them, so they
// describe what was imported even when the file changes meanwhile.
struct FileDigest {
    qint64 size = -1; // -1: the file was not read to its end
    QString sha256;
};

// Refuses, naming what it is, anything but a regular file (after following links): a
// FIFO, a device, a directory or a socket. Opens nothing that could block. Throws
// ImportError.
void CheckRegularFile(const QString &fileName);

// An open file descriptor, closed with the object.
class FileHandle {
public:
    explicit FileHandle(int fd = -1) : m_fd(fd) {}
    ~FileHandle();
    FileHandle(FileHandle &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads an import file piece by piece as 8-bit lines: characters Windows-1250 holds as
// its bytes, Cyrillic in a Unicode file as UTF-8 for the conversion chains, any other
// character as '?', NUL as a blank, an odd last byte of a UTF-16 file ignored. A line ends at
// CR LF, CR or LF. The file is only read, and only a regular file: it is opened without
// waiting and refused when it is anything else. Bytes the file gains after it was opened
// are not read. Throws ImportError when it cannot be opened or read. When given,
// 'digest' receives the size and SHA-256 of the bytes read once the end is reached (the
// hash is computed only then).
class ImportLineReader {
public:
    explicit ImportLineReader(const QString &fileName, FileDigest *digest = nullptr);

    // The next line without its line end; false after the last one.
    bool ReadLine(QByteArray &line);
    // Reads the header line (line 1); false when the file is empty.
    bool SkipHeader();
    // The header was missing or blank (only blanks and control characters).
    bool HeaderBlank() const { return m_headerBlank; }
    // Number of the line last read, counting from 1.
    qint64 LineNumber() const { return m_lineNumber; }
    qint64 BytesRead() const { return m_consumed; }
    qint64 FileSize() const { return m_fileSize; }
    ImportEncoding Encoding() const { return m_encoding; }

private:
    bool Fill();
    QByteArray ReadRaw(qint64 size);
    QByteArray Convert(QByteArray raw);

    QString m_fileName;
    FileHandle m_fd;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    FileDigest *m_digest;
    QByteArray m_pending; // payload read with the byte-order mark
    ImportEncoding m_encoding = ImportEncoding::Ansi;
    QStringDecoder m_decoder;
    qint64 m_fileSize = 0;
    qint64 m_remaining = 0;   // payload bytes still to read
    qint64 m_consumed = 0;
    qint64 m_lineNumber = 0;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_skipLineFeed = false;   // the last line ended at a CR at the end of the buffer
    bool m_headerBlank = true;
};

// Removes every leading and trailing byte of code 32 or less.
QByteArray TrimLine(const QByteArray &line);
// UTF8To1250, trimming (the ticket import). In both chains a character that neither
// Windows-1250 nor (for the transliteration) Windows-1251 holds becomes '?'.
QByteArray PlainChain(const QByteArray &line);
// UTF8To1250, trimming, DecodeWin1250Spec, UTF8To1251, Win1251ToWin1250,
// EncodeWin1250Spec (the four in one pass), trimming (subscriptions and start-stop:
// Cyrillic to Serbian Latin).
QByteArray TransliteratingChain(const QByteArray &line);

// Walks a line field by field. Take: the text before the next separator (empty when
// none is left). Drop: skips past the next separator (nothing when none is left). There is
// no quoting, and the text after the last separator is only reachable through Rest().
class FieldSplitter {
public:
    FieldSplitter(QByteArray line, char separator);
    QByteArray Take() const;
    void Drop();
    // Take, then Drop.
    QByteArray Next();
    // Take and Next without a copy: views into the splitter's line.
    QByteArrayView TakeView() const;
    QByteArrayView NextView();
    QByteArray Rest() const { return m_line.mid(m_pos); }
    QByteArrayView RestView() const { return QByteArrayView(m_line).sliced(m_pos); }
    // Separators in the whole line.
    qsizetype Separators() const { return m_line.count(m_separator); }

private:
    qsizetype Separator() const;

    QByteArray m_line;
    char m_separator;
    qsizetype m_pos = 0;
};

// A registration upper-cased the way the imports store it: a to z, then the
// Windows-1250 letters š đ ž č ć to Š Đ Ž Č Ć; everything else unchanged.
QByteArray UpperRegistration(QByteArray registration);

} // namespace imports
