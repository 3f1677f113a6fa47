#include "LoadFile.h"

#include "ImportError.h"
#include <dataset/Connection.h>
#include <routines/CodePages.h>
#include <routines/DateParse.h>

#include <routines/TextFormat.h>

#include <QDir>

#include <cerrno>
#include <unistd.h>

namespace imports {

namespace {

constexpr qsizetype FlushSize = 1 << 20;

// The working file's trouble as the system names it ("nema mesta na disku"), with where
// the file lies, since a full or missing temporary folder is the usual cause.
[[noreturn]] void WriteFailed(int error)
{
    throw ImportError(ImportFailure::File, QStringLiteral("Radna datoteka u folderu %1 se ne može upisati: %2")
                                               .arg(SafeText(QDir::tempPath()), SystemErrorText(error)));
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

namespace {

// 'count' decimal digits of 'text' from 'at' as a number; -1 when any is not a digit.
int Digits(QByteArrayView text, qsizetype at, qsizetype count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void PutTwoDigits(char *to, int value)
{
    to[0] = char('0' + value / 10);
    to[1] = char('0' + value % 10);
}

// "yyyy-mm-dd" of a valid date.
bool IsQuickDate(QByteArrayView date)
{
    if (date.size() != 10 || date[4] != '-' || date[7] != '-')
        return false;
    const int year = Digits(date, 0, 4);
    const int month = Digits(date, 5, 2);
    const int day = Digits(date, 8, 2);
    return year >= 0 && month >= 0 && day >= 0 && QDate::isValid(year, month, day);
}

} // namespace

bool AppendQuickDateTime(QByteArray &out, QByteArrayView date, QByteArrayView time)
{
    if (!IsQuickDate(date))
        return false;
    const qsizetype colon = time.indexOf(':');
    const qsizetype rest = time.size() - colon - 1;
    if (colon < 1 || colon > 2 || (rest != 2 && rest != 5) || (rest == 5 && time[colon + 3] != ':'))
        return false;
    const int hour = Digits(time, 0, colon);
    const int minute = Digits(time, colon + 1, 2);
    const int second = rest == 5 ? Digits(time, colon + 4, 2) : 0;
    if (hour < 0 || minute < 0 || second < 0 || !QTime::isValid(hour, minute, second))
        return false;
    char text[19];
    std::copy_n(date.data(), 10, text);
    text[10] = ' ';
    PutTwoDigits(text + 11, hour);
    text[13] = ':';
    PutTwoDigits(text + 14, minute);
    text[16] = ':';
    PutTwoDigits(text + 17, second);
    out.append(text, sizeof text);
    return true;
}

void AppendDateTimeField(QByteArray &out, QByteArrayView win1250)
{
    const qsizetype blank = win1250.indexOf(' ');
    if (blank < 0 && IsQuickDate(win1250)) {
        out.append(win1250.data(), 10);
        out.append(" 00:00:00", 9);
        return;
    }
    if (blank >= 0 && AppendQuickDateTime(out, win1250.first(blank), win1250.sliced(blank + 1)))
        return;
    const auto [date, time] = MyDateTimeStrToParts(FromWin1250(win1250.toByteArray()));
    AppendDateTimeText(out, date, time);
}

LoadFile::LoadFile()
    : m_file(QDir::temp().filePath(QStringLiteral("parking-import-XXXXXX.tsv")))
{
    errno = 0;
    if (!m_file.open())
        WriteFailed(errno != 0 ? errno : EIO);
    m_buffer.reserve(FlushSize + 4096);
}

LoadFile::~LoadFile() = default;

void LoadFile::Separate()
{
    if (m_rowStarted)
        m_buffer.append('\t');
    m_rowStarted = true;
}

void LoadFile::AddWin1250(QByteArrayView text)
{
    Separate();
    // The server's default escapes: backslash, tab, line ends and NUL become two bytes.
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char *escape = nullptr;
        switch (text[i]) {
        case '\\': escape = "\\\\"; break;
        case '\t': escape = "\\t"; break;
        case '\n': escape = "\\n"; break;
        case '\r': escape = "\\r"; break;
        case '\0': escape = "\\0"; break;
        default: continue;
        }
        AppendWin1250AsUtf8(m_buffer, text.sliced(from, i - from));
        m_buffer.append(escape, 2);
        from = i + 1;
    }
    AppendWin1250AsUtf8(m_buffer, text.sliced(from));
}

void LoadFile::AddDateTimeField(QByteArrayView win1250)
{
    const qsizetype size = m_buffer.size();
    Separate();
    try {
        AppendDateTimeField(m_buffer, win1250);
    } catch (...) {
        m_buffer.truncate(size);
        throw;
    }
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

// Written straight to the file's descriptor, so a failure keeps the system's reason.
void LoadFile::Flush()
{
    qsizetype written = 0;
    while (written < m_buffer.size()) {
        const ssize_t n = ::write(m_file.handle(), m_buffer.constData() + written, size_t(m_buffer.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            WriteFailed(n < 0 ? errno : ENOSPC);
        written += n;
    }
    m_buffer.clear();
}

void LoadFile::Load(dataset::Connection &connection, const QString &table, const QString &columns)
{
    Flush();
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
