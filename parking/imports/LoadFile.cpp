#include "LoadFile.h"

#include "ImportError.h"
#include <dataset/Connection.h>

#include <QDir>

namespace imports {

namespace {

constexpr qsizetype FlushSize = 1 << 20;

[[noreturn]] void WriteFailed(const QFile &file)
{
    throw ImportError(ImportFailure::File,
                      QStringLiteral("Radna datoteka se ne može upisati: %1").arg(file.errorString()));
}

void AppendDigits(QByteArray &out, int value, int width)
{
    char digits[4];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = char('0' + value % 10);
        value /= 10;
    }
    out.append(digits, width);
}

} // namespace

void AppendDateTimeText(QByteArray &out, const QDate &date, const QTime &time)
{
    AppendDigits(out, date.year(), 4);
    out.append('-');
    AppendDigits(out, date.month(), 2);
    out.append('-');
    AppendDigits(out, date.day(), 2);
    out.append(' ');
    AppendDigits(out, time.hour(), 2);
    out.append(':');
    AppendDigits(out, time.minute(), 2);
    out.append(':');
    AppendDigits(out, time.second(), 2);
}

LoadFile::LoadFile()
    : m_file(QDir::temp().filePath(QStringLiteral("parking-import-XXXXXX.tsv")))
{
    if (!m_file.open())
        WriteFailed(m_file);
    m_buffer.reserve(FlushSize + 4096);
}

LoadFile::~LoadFile() = default;

void LoadFile::Separate()
{
    if (m_rowStarted)
        m_buffer.append('\t');
    m_rowStarted = true;
}

void LoadFile::AddText(const QString &text)
{
    Separate();
    // The server's default escapes: backslash, tab, line ends and NUL become two bytes.
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '\\': m_buffer.append("\\\\", 2); break;
        case '\t': m_buffer.append("\\t", 2); break;
        case '\n': m_buffer.append("\\n", 2); break;
        case '\r': m_buffer.append("\\r", 2); break;
        case '\0': m_buffer.append("\\0", 2); break;
        default: m_buffer.append(c);
        }
    }
}

void LoadFile::AddDateTime(const std::pair<QDate, QTime> &value)
{
    if (!value.first.isValid()) {
        AddNull();
        return;
    }
    Separate();
    AppendDateTimeText(m_buffer, value.first, value.second);
}

void LoadFile::AddNull()
{
    Separate();
    m_buffer.append("\\N", 2);
}

void LoadFile::EndRow()
{
    m_buffer.append('\n');
    m_rowStarted = false;
    ++m_rows;
    if (m_buffer.size() >= FlushSize)
        Flush();
}

void LoadFile::Flush()
{
    if (m_file.write(m_buffer) != m_buffer.size())
        WriteFailed(m_file);
    m_buffer.clear();
}

void LoadFile::Load(dataset::Connection &connection, const QString &table, const QString &columns)
{
    Flush();
    if (!m_file.flush())
        WriteFailed(m_file);
    if (m_rows == 0)
        return;
    const QString path = m_file.fileName();
    connection.ExecuteLocalLoad(
        QStringLiteral("LOAD DATA LOCAL INFILE %1 INTO TABLE %2 CHARACTER SET utf8mb4"
                       " FIELDS TERMINATED BY '\\t' ESCAPED BY '\\\\' LINES TERMINATED BY '\\n' (%3)")
            .arg(dataset::Connection::Quote(path), table, columns),
        path);
}

} // namespace imports
