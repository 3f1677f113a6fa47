#pragma once

// The SQL text and field declarations of the data module's datasets.

#include <dataset/Field.h>

#include <QStringList>
#include <vector>

namespace parking {
// Whether a query edits its update table or only reads.
enum class Access { ReadOnly, Live };
// Whether a query's edits wait for ApplyUpdates or are written row by row.
enum class Caching { Immediate, Cached };
} // namespace parking

struct ParkingDataSetDef {
    const char *name; // object name of the query, e.g. "ParkingDocumentZQ"
    const char *dataSourceName; // nullptr: the dataset has no data source
    parking::Access access;
    parking::Caching caching;
    QStringList sql; // lines, joined with line breaks by the query
    std::vector<dataset::FieldDef> fields;
};

namespace parkingdata {
ParkingDataSetDef ZoneFrame();
// The document list's column "Fakturisano": "da" when a host document was made from
// one of the document's items (an index look-up per row), else "ne".
QString InvoicedColumn();
ParkingDataSetDef Document();
ParkingDataSetDef DocumentItem();
ParkingDataSetDef PayDeskUser();
ParkingDataSetDef PayDeskProduct();
ParkingDataSetDef Ticket();
ParkingDataSetDef Subscription();
ParkingDataSetDef TicketRaw();
ParkingDataSetDef HostDocument();
ParkingDataSetDef HostDocumentItem();
} // namespace parkingdata

// The ten datasets in declaration order.
std::vector<ParkingDataSetDef> ParkingDataSetDefs();

// The declared size of a text field of one of the datasets; 0 when not declared.
int ParkingFieldSize(const char *dataSetName, const char *fieldName);
