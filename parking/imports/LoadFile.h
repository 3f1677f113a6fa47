#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryFile>

#include <utility>

namespace dataset {
class Connection;
}

namespace imports {

// Appends "yyyy-MM-dd HH:mm:ss", the form in which the server and the in-memory table
// take a date-time.
void AppendDateTimeText(QByteArray &out, const QDate &date, const QTime &time);

// Rows written to a private temporary file (mode 0600, a unique name) in the server's
// tab-separated form with backslash escapes, then stored with one LOAD DATA LOCAL
// INFILE. Every value arrives exactly as given; the file is removed with the object.
class LoadFile {
public:
    LoadFile();
    ~LoadFile();
    LoadFile(const LoadFile &) = delete;
    LoadFile &operator=(const LoadFile &) = delete;

    void AddText(const QString &text);
    void AddDateTime(const std::pair<QDate, QTime> &value); // an invalid date is null
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
