#pragma once

// The start-stop export: its in-memory table, reading one line, the job that fills the
// table, and the table written out as text or JSON.

#include "MemoryRows.h"
#include "ParkingImportJob.h"

#include <QIODevice>
#include <optional>

namespace imports {

// The eleven fields of the in-memory table, with their sizes and grid titles.
std::vector<dataset::FieldDef> StartStopFields();
// The table's index order: name, code, regcitynumber, zone, startdatetime.
QString StartStopOrder();

// One line of the export as the line reader gives it, as the eleven field values in the
// table's stored form (MemoryRows::AppendStored; nullopt for "NUL"); nothing when the
// registration is empty or NUL. Throws when a date or time cannot be read.
using StartStopValues = std::vector<std::optional<QByteArray>>;
std::optional<StartStopValues> ReadStartStopLine(const QByteArray &line);

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

// The table in its order: "|"-separated lines with NUL for null, or (json) an array of
// objects with the eleven fields, null for null and date-times as yyyy-MM-ddTHH:mm:ss.
// Throws ImportError when the device refuses the text.
void WriteStartStopRows(const dataset::MemoryRows &rows, QIODevice &out, bool json);

} // namespace imports
