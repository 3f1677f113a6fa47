#pragma once

// The SQL text and field declarations of the data module's datasets.

#include <dataset/Field.h>

#include <QStringList>
#include <vector>

struct ParkingDataSetDef {
    const char *name; // object name of the query, e.g. "ParkingDocumentZQ"
    const char *dataSourceName; // nullptr: the dataset has no data source
    bool live;
    bool cachedUpdates;
    QStringList sql; // lines, joined with line breaks by the query
    std::vector<dataset::FieldDef> fields;
};

namespace parkingdata {
ParkingDataSetDef ZoneFrame();
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
