#include "ParkingStartStopImport.h"

#include "CodePages.h"
#include "DateParse.h"
#include "ParkingImportError.h"
#include "ParkingImportLoadFile.h"
#include "ParkingImportText.h"

#include <future>

namespace imports {

namespace {

using dataset::FieldDef;
using dataset::FieldType;

constexpr int TextFields = 9;   // name ... zone; then start and stop

FieldDef Field(const char *name, const char *label, FieldType type, int size = 0)
{
    FieldDef def;
    def.name = QLatin1String(name);
    def.displayLabel = QString::fromUtf8(label);
    def.type = type;
    def.size = size;
    return def;
}

// A field's text as stored (UTF-8), or null when it is exactly "NUL".
std::optional<QByteArray> Value(const QByteArray &bytes)
{
    if (bytes == "NUL")
        return std::nullopt;
    return FromWin1250(bytes).toUtf8();
}

// The date, one blank and the time read as one date-time, in the table's stored form.
QByteArray DateTime(const QByteArray &date, const QByteArray &time)
{
    const auto [day, clock] = MyDateTimeStrToParts(FromWin1250(date + ' ' + time));
    QByteArray stored;
    stored.reserve(19);
    AppendDateTimeText(stored, day, clock);
    return stored;
}

} // namespace

std::vector<FieldDef> StartStopFields()
{
    return {Field("name", "Partner", FieldType::String, 100),
            Field("address", "Adresa", FieldType::String, 200),
            Field("code", "PIB/JMBG", FieldType::String, 30),
            Field("zip", "Poštanski br.", FieldType::String, 20),
            Field("city", "Grad", FieldType::String, 50),
            Field("phone", "Telefon", FieldType::String, 100),
            Field("note", "Napomena", FieldType::String, 255),
            Field("regcitynumber", "Reg. broj", FieldType::String, 11),
            Field("zone", "Zona", FieldType::String, 50),
            Field("startdatetime", "Start", FieldType::DateTime),
            Field("stopdatetime", "Stop", FieldType::DateTime)};
}

QString StartStopOrder()
{
    return QStringLiteral("name, code, regcitynumber, zone, startdatetime");
}

std::optional<StartStopValues> ReadStartStopLine(const QByteArray &line)
{
    FieldSplitter fields(TransliteratingChain(line), '|');
    fields.Drop();   // field 1 is not used
    StartStopValues values;
    values.reserve(TextFields + 2);
    for (int i = 0; i < 7; ++i)
        values.push_back(Value(fields.Next()));
    // The registration is upper-cased first, so "nul" is left out too.
    std::optional<QByteArray> registration = Value(UpperRegistration(fields.Next()));
    if (!registration || registration->isEmpty())
        return std::nullopt;
    values.push_back(std::move(registration));
    values.push_back(FromWin1250(fields.Next()).toUtf8());   // zone, as read
    const QByteArray date = fields.Next();
    values.push_back(DateTime(date, fields.Next()));
    values.push_back(DateTime(date, fields.Take()));
    return values;
}

namespace {

// A run of lines read together, parsed on a second thread while the next run is read.
struct LineBatch {
    qint64 firstLine = 0;                                 // file line number of lines[0]
    std::vector<QByteArray> lines;
    std::vector<std::optional<StartStopValues>> values;   // per line; empty: left out
    std::exception_ptr error;                             // the first line that failed
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
    batch.values.clear();
    batch.error = nullptr;
    for (std::size_t i = 0; i < batch.lines.size(); ++i) {
        try {
            batch.values.push_back(ReadStartStopLine(batch.lines[i]));
        } catch (...) {
            batch.error = std::current_exception();
            batch.errorLine = batch.firstLine + qint64(i);
            return;
        }
    }
}

} // namespace

// Reading and storing run on this thread, parsing the lines on a second one, a batch
// behind; rows are stored in file order and the first failing line ends the import.
ImportSummary StartStopImportJob::Run(ImportContext &context)
{
    m_rows.reset();
    ImportSummary summary;
    ImportLineReader reader(context.fileName);
    dataset::MemoryRows rows(StartStopFields());
    if (reader.SkipHeader()) {
        LineBatch batches[2];
        int current = 0;
        bool more = ReadBatch(reader, batches[current]);
        while (more) {
            LineBatch &parsing = batches[current];
            auto parsed = std::async(std::launch::async, [&parsing] { ParseBatch(parsing); });
            more = ReadBatch(reader, batches[1 - current]);
            parsed.get();
            for (const std::optional<StartStopValues> &values : parsing.values) {
                if (values)
                    rows.AppendStored(*values);
                else
                    summary.LeaveOut(QStringLiteral("prazna registracija"));
            }
            summary.linesRead += qint64(parsing.values.size());
            if (parsing.error) {
                ++summary.linesRead;
                throw ToImportError(parsing.error, parsing.errorLine);
            }
            context.Report(reader.BytesRead(), reader.FileSize());
            current = 1 - current;
        }
    }
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

void WriteStartStopRows(const dataset::MemoryRows &rows, QIODevice &out, bool json)
{
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
