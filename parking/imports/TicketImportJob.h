#pragma once

#include "ImportJob.h"

namespace imports {

// The ticket export into `parkingticketraw` and the kept tickets into `parkingticket`:
// the file is converted line by line to Windows-1250 on a thread of its own while the
// server loads it in one statement, then transferred by one INSERT ... SELECT, both into
// fresh tables that replace the old ones at once.
class TicketImportJob : public ImportJob {
public:
    bool LoadsLocalFiles() const override { return true; }
    std::optional<parking::ImportKind> HistoryKind() const override;
    ImportSummary Run(ImportContext &context) override;
    // The tables the import replaces (and an undo puts back).
    static QStringList Tables();
};

// The load and transfer statements for the staging table 'raw' and working table
// 'tickets' (quoted names), the file the load names 'path'.
QString TicketLoadStatement(const QString &path, const QString &raw);
QString TicketTransferStatement(const QString &raw, const QString &tickets);

} // namespace imports
