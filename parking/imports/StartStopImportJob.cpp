#include "StartStopImportJob.h"

#include "FileFormatCheck.h"
#include "ImportError.h"
#include "LoadFile.h"
#include "ParkingImportText.h"
#include <routines/CodePages.h>
#include <routines/DateParse.h>

#include <QDate>
#include <QTime>

#include <future>

namespace imports {

namespace {

using dataset::FieldDef;
using dataset::FieldType;

FieldDef Field(const char *name, const char *label, FieldType type, int size = 0)
{
    FieldDef def;
    def.name = QLatin1String(name);
    def.displayLabel = QString::fromUtf8(label);
    def.type = type;
    def.size = size;
    return def;
}

} // namespace

std::vector<FieldDef> StartStopFields()
{
    return {
        Field("name", "Partner", FieldType::String, 100),  Field("address", "Adresa", FieldType::String, 200),
        Field("code", "PIB/JMBG", FieldType::String, 30),  Field("zip", "Poštanski br.", FieldType::String, 20),
        Field("city", "Grad", FieldType::String, 50),      Field("phone", "Telefon", FieldType::String, 100),
        Field("note", "Napomena", FieldType::String, 255), Field("regcitynumber", "Reg. broj", FieldType::String, 11),
        Field("zone", "Zona", FieldType::String, 50),      Field("startdatetime", "Start", FieldType::DateTime),
        Field("stopdatetime", "Stop", FieldType::DateTime)};
}

QString StartStopOrder()
{
    return QStringLiteral("name, code, regcitynumber, zone, startdatetime");
}

void StartStopLines::Clear()
{
    m_text.resize(0);
    m_values.clear();
}

StartStopLines::Row StartStopLines::At(std::size_t index) const
{
    Row row;
    for (std::size_t i = 0; i < Fields; ++i) {
        const Value &value = m_values[index * Fields + i];
        if (value.size >= 0)
            row[i] = QByteArrayView(m_text.constData() + value.begin, value.size);
    }
    return row;
}

void StartStopLines::appendText(QByteArrayView win1250, bool nulIsNull)
{
    if (nulIsNull && win1250 == "NUL") {
        m_values.push_back({0, -1});
        return;
    }
    const qsizetype begin = m_text.size();
    AppendWin1250AsUtf8(m_text, win1250);
    m_values.push_back({begin, m_text.size() - begin});
}

// The date, one blank and the time read as one date-time.
void StartStopLines::appendDateTime(QByteArrayView date, QByteArrayView time)
{
    const qsizetype begin = m_text.size();
    if (!AppendQuickDateTime(m_text, date, time)) {
        const auto [day, clock] = MyDateTimeStrToParts(FromWin1250(date.toByteArray() + ' ' + time.toByteArray()));
        AppendDateTimeText(m_text, day, clock);
    }
    m_values.push_back({begin, m_text.size() - begin});
}

bool StartStopLines::Add(const QByteArray &line)
{
    FieldSplitter fields(TransliteratingChain(line), '|');
    fields.Drop(); // field 1 is not used
    std::array<QByteArrayView, 7> texts; // name ... note
    for (QByteArrayView &text : texts)
        text = fields.NextView();
    // The registration is upper-cased first, so "nul" is left out too.
    m_registration.resize(0);
    m_registration.append(fields.NextView());
    m_registration = UpperRegistration(std::move(m_registration));
    if (m_registration.isEmpty() || m_registration == "NUL")
        return false;
    const QByteArrayView zone = fields.NextView();
    const QByteArrayView date = fields.NextView();
    const QByteArrayView start = fields.NextView();
    const QByteArrayView stop = fields.TakeView();
    const qsizetype textSize = m_text.size();
    const std::size_t valueCount = m_values.size();
    try {
        for (const QByteArrayView text : texts)
            appendText(text, true);
        appendText(m_registration, false);
        appendText(zone, false); // as read, NUL included
        appendDateTime(date, start);
        appendDateTime(date, stop);
    } catch (...) {
        m_text.resize(textSize);
        m_values.resize(valueCount);
        throw;
    }
    return true;
}

namespace {

// A run of lines read together, parsed on a second thread while the next run is read.
struct LineBatch {
    qint64 firstLine = 0; // file line number of lines[0]
    std::vector<QByteArray> lines;
    StartStopLines rows;
    qint64 linesParsed = 0;
    qint64 leftOut = 0; // lines without a registration
    FileFormatCheck format;
    std::exception_ptr error; // the first line that failed
    qint64 errorLine = 0;
};

constexpr std::size_t BatchLines = 8192;

bool ReadBatch(ImportLineReader &reader, LineBatch &batch)
{
    batch.lines.clear();
    batch.firstLine = reader.LineNumber() + 1;
    QByteArray line;
    while (batch.lines.size() < BatchLines && reader.ReadLine(line))
        batch.lines.push_back(line);
    return !batch.lines.empty();
}

void ParseBatch(LineBatch &batch)
{
    batch.rows.Clear();
    batch.linesParsed = 0;
    batch.leftOut = 0;
    batch.format = {};
    batch.error = nullptr;
    for (const QByteArray &line : batch.lines) {
        try {
            if (batch.rows.Add(line)) {
                batch.format.Readable();
            } else {
                ++batch.leftOut;
                if (TrimLine(line).isEmpty())
                    batch.format.Empty();
                else
                    batch.format.Unreadable(batch.firstLine + batch.linesParsed, QStringLiteral("nema registracije"));
            }
        } catch (...) {
            batch.error = std::current_exception();
            batch.errorLine = batch.firstLine + batch.linesParsed;
            return;
        }
        ++batch.linesParsed;
    }
}

} // namespace

// Reading and storing run on this thread while a second one parses the batch between the
// one being read and the one being stored; rows are stored in file order and the first
// failing line ends the import.
ImportSummary StartStopImportJob::Run(ImportContext &context)
{
    m_rows.reset();
    ImportSummary summary;
    ImportLineReader reader(context.fileName, context.digest);
    dataset::MemoryRows rows(StartStopFields());
    FileFormatCheck format;
    if (reader.SkipHeader()) {
        LineBatch batches[2];
        std::future<void> parsed; // after the batches: an early end waits for it first
        const auto parse = [&parsed](LineBatch &batch) {
            parsed = std::async(std::launch::async, [&batch] { ParseBatch(batch); });
        };
        int current = 0;
        bool more = ReadBatch(reader, batches[current]);
        if (more)
            parse(batches[current]);
        while (more) {
            LineBatch &done = batches[current];
            LineBatch &next = batches[1 - current];
            more = ReadBatch(reader, next);
            parsed.get();
            if (more && !done.error)
                parse(next);
            for (std::size_t i = 0; i < done.rows.Count(); ++i)
                rows.AppendStored(done.rows.At(i));
            if (done.leftOut > 0)
                summary.LeaveOut(QStringLiteral("prazna registracija"), done.leftOut);
            summary.linesRead += done.linesParsed;
            format.Add(done.format);
            if (done.error) {
                ++summary.linesRead;
                throw ToImportError(done.error, done.errorLine);
            }
            context.Report(reader.BytesRead(), reader.FileSize());
            current = 1 - current;
        }
    }
    // A file that is no start-stop export leaves the table as it was.
    format.RefuseOtherFile(QStringLiteral("start-stop izvoz"));
    RefuseEmptying(QStringLiteral("start-stop"), reader.FileSize(), qint64(rows.Count()),
                   reader.HeaderBlank() && format.NonEmptyLines() == 0, context.emptying);
    rows.Sort(StartStopOrder());
    summary.rowsStored = qint64(rows.Count());
    m_rows.emplace(std::move(rows));
    context.Report(reader.FileSize(), reader.FileSize());
    return summary;
}

dataset::MemoryRows StartStopImportJob::TakeRows()
{
    dataset::MemoryRows rows = m_rows ? std::move(*m_rows) : dataset::MemoryRows(StartStopFields());
    m_rows.reset();
    return rows;
}

} // namespace imports

namespace imports {

namespace {

void AppendJsonString(QByteArray &out, QByteArrayView text)
{
    out.append('"');
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.append('\\').append(c);
        } else if (byte < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out.append("\\u00", 4).append(hex[byte >> 4]).append(hex[byte & 15]);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

} // namespace

void WriteStartStopRows(const dataset::MemoryRows &rows, QIODevice &out, RowFormat format)
{
    const bool json = format == RowFormat::Json;
    const std::vector<FieldDef> &defs = rows.Defs();
    const int columns = int(defs.size());
    QByteArray buffer;
    const auto flush = [&] {
        if (out.write(buffer) != buffer.size())
            throw ImportError(ImportFailure::File,
                              QStringLiteral("Rezultat se ne može upisati: %1").arg(out.errorString()));
        buffer.clear();
    };
    if (json)
        buffer.append('[');
    for (std::size_t row = 0; row < rows.Count(); ++row) {
        if (json)
            buffer.append(row == 0 ? "\n{" : ",\n{");
        for (int column = 0; column < columns; ++column) {
            const FieldDef &def = defs[std::size_t(column)];
            const bool isNull = rows.IsNull(row, column);
            const QByteArrayView text = isNull ? QByteArrayView() : rows.StoredText(row, column);
            if (!json) {
                if (column > 0)
                    buffer.append('|');
                buffer.append(isNull ? QByteArrayView("NUL") : text);
                continue;
            }
            if (column > 0)
                buffer.append(',');
            AppendJsonString(buffer, def.name.toLatin1());
            buffer.append(':');
            if (isNull) {
                buffer.append("null", 4);
            } else if (def.type == FieldType::DateTime) {
                QByteArray iso = text.toByteArray();
                iso[10] = 'T';
                AppendJsonString(buffer, iso);
            } else {
                AppendJsonString(buffer, text);
            }
        }
        buffer.append(json ? "}" : "\n");
        if (buffer.size() >= (1 << 20))
            flush();
    }
    if (json)
        buffer.append(rows.Count() > 0 ? "\n]\n" : "]\n");
    flush();
}

} // namespace imports
