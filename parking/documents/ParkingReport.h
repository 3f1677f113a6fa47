#pragma once

#include <QString>

#include <vector>

namespace dataset { class Query; }
class TReportEngine;

// What the receipt and the parking ticket show, read from the document query (standing
// on the document) and its item query.
struct ParkingReportData {
    struct Item {
        QString code;
        QString name;
        QString ticketNumber;
        double quantity = 0.0;
        double price = 0.0;      // without tax
        double taxRate = 0.0;    // percent
        double value = 0.0;      // without tax
        double total = 0.0;      // with tax, rounded to 2 decimals
    };

    QString title;
    QString dateText;
    QString number;
    QString vehicle;       // country mark, town mark and number
    QString payerName;
    QString payerAddress;
    QString payerCity;     // zip and city
    QString zone;
    QString sector;
    QString period;        // from - to
    QString streets;       // ticket only
    QString cashier;       // who took the payment
    bool ticket = false;
    std::vector<Item> items;
    double netTotal = 0.0;
    double grossTotal = 0.0;
};

// Reads every item row (the item query's position is restored afterwards).
ParkingReportData ReadParkingReport(dataset::Query &document, dataset::Query &items,
                                    const QString &title, const QString &dateText, bool ticket);

// The page as HTML for QTextDocument; every value is escaped.
QString ParkingReportHtml(const ParkingReportData &data);

// Reads the receipt (or, with 'ticket', the ticket with the streets of its zone and
// sector, `parkingstreets`) and hands it to 'engine'; 'cashier' is printed after
// "Naplatio:".
void ExecuteParkingReport(TReportEngine &engine, dataset::Query &document, dataset::Query &items,
                          const QString &title, const QString &dateText, bool ticket, const QString &cashier);
