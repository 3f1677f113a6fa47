#pragma once

// The subscription export: reading one line, and the job that replaces
// parkingsubscription with the file's subscriptions.

#include "ImportJob.h"

#include <QDate>
#include <QTime>
#include <QString>
#include <optional>
#include <utility>

namespace imports {

struct SubscriptionRow {
    QString subscriptionNumber;
    QString regCityNumber;
    std::pair<QDate, QTime> fromDate; // as read, without a time zone
    std::pair<QDate, QTime> toDate;
    QString firstName;
    QString lastName;
    QString personalIdentificator;
    QString zone;
    QString list;
    QString status;
};

// One line of the export as the line reader gives it: the transliterating chain, fields
// split at ",", the registration upper-cased, texts cut to the column sizes. Nothing when
// the registration is empty. Throws when a date cannot be read or the subscription
// number is missing.
std::optional<SubscriptionRow> ReadSubscriptionLine(const QByteArray &line);

// Replaces parkingsubscription as one step: on any failure the table keeps its rows.
class SubscriptionImportJob : public ImportJob {
public:
    bool LoadsLocalFiles() const override { return true; }
    std::optional<parking::ImportKind> HistoryKind() const override;
    ImportSummary Run(ImportContext &context) override;
    // The table the import replaces (and an undo puts back).
    static QStringList Tables();
};

} // namespace imports
