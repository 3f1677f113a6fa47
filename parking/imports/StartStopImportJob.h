#pragma once

// The start-stop export: its in-memory table, reading one line, the job that fills the
// table, and the table written out as text or JSON.

#include "ImportJob.h"
#include <dataset/MemoryRows.h>

#include <QIODevice>

#include <array>
#include <optional>

namespace imports {

// The eleven fields of the in-memory table, with their sizes and grid titles.
std::vector<dataset::FieldDef> StartStopFields();
// The table's index order: name, code, regcitynumber, zone, startdatetime.
QString StartStopOrder();

// Lines of the export read into the table's stored form (MemoryRows::AppendStored), the
// values of every row kept one after another in one buffer.
class StartStopLines {
public:
    static constexpr std::size_t Fields = 11;
    using Row = std::array<std::optional<QByteArrayView>, Fields>;

    void Clear();
    // Reads one line as the line reader gives it: "NUL" is null. False, adding nothing,
    // when the registration is empty or NUL. Throws, adding nothing, when a date or time
    // cannot be read.
    bool Add(const QByteArray &line);
    std::size_t Count() const { return m_values.size() / Fields; }
    // The values of row 'index': views into the buffer, valid until the next Add or Clear.
    Row At(std::size_t index) const;

private:
    void appendText(QByteArrayView win1250, bool nulIsNull);
    void appendDateTime(QByteArrayView date, QByteArrayView time);

    QByteArray m_text;
    struct Value {
        qsizetype begin;
        qsizetype size; // -1 for null
    };
    std::vector<Value> m_values;
    QByteArray m_registration;
};

// Reads the whole file into an in-memory table in index order; needs no database. A
// failure leaves no rows behind.
class StartStopImportJob : public ImportJob {
public:
    bool UsesDatabase() const override { return false; }
    ImportSummary Run(ImportContext &context) override;
    // The rows read by the last successful run (moved out).
    dataset::MemoryRows TakeRows();

private:
    std::optional<dataset::MemoryRows> m_rows;
};

// How the start-stop table is written out.
enum class RowFormat {
    Lines, // "|"-separated lines with NUL for null
    Json, // an array of objects with the eleven fields, null for null, yyyy-MM-ddTHH:mm:ss
};

// The table in its order, as 'format' says. Throws ImportError when the device refuses
// the text.
void WriteStartStopRows(const dataset::MemoryRows &rows, QIODevice &out, RowFormat format);

} // namespace imports
