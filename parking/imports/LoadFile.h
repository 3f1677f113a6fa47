#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryFile>


namespace dataset {
class Connection;
}

namespace imports {

// Appends "yyyy-MM-dd HH:mm:ss", the form in which the server and the in-memory table
// take a date-time.
void AppendDateTimeText(QByteArray &out, const QDate &date, const QTime &time);
// The common form of an export's date and time, "yyyy-mm-dd" with "h:mm", "hh:mm" or
// "hh:mm:ss", appended in that form; false, appending nothing, for any other form or an
// invalid value, which the host's date routine then reads (or words the error for).
bool AppendQuickDateTime(QByteArray &out, QByteArrayView date, QByteArrayView time);
// A Windows-1250 date with an optional time after one blank, read as the host's date
// routine reads it, appended in that form; throws as the routine does.
void AppendDateTimeField(QByteArray &out, QByteArrayView win1250);

// Rows written to a private temporary file (mode 0600, a unique name) in the server's
// tab-separated form with backslash escapes, then stored with one LOAD DATA LOCAL
// INFILE. Every value arrives exactly as given; the file is removed with the object.
class LoadFile {
public:
    LoadFile();
    ~LoadFile();
    LoadFile(const LoadFile &) = delete;
    LoadFile &operator=(const LoadFile &) = delete;

    // Windows-1250 text, stored as UTF-8.
    void AddWin1250(QByteArrayView text);
    // A date-time field as AppendDateTimeField reads it; throws, adding nothing, when it
    // cannot be read.
    void AddDateTimeField(QByteArrayView win1250);
    void AddNull();
    void EndRow();
    qint64 Rows() const { return m_rows; }

    // Loads every row into 'table' (quoted for SQL), in order, as 'columns'; the
    // connection must be one made for local loading.
    void Load(dataset::Connection &connection, const QString &table, const QString &columns);

private:
    void Separate();
    void Flush();

    QTemporaryFile m_file;
    QByteArray m_buffer;
    bool m_rowStarted = false;
    qint64 m_rows = 0;
};

} // namespace imports
