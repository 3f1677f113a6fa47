#include "SubscriptionImportJob.h"

#include "ImportError.h"
#include "ImportHistory.h"
#include "LoadFile.h"
#include "TableReplacement.h"
#include "ParkingImportText.h"
#include <parking/data/ParkingDataSetDefs.h>
#include <routines/CodePages.h>
#include <routines/DateParse.h>

#include <dataset/Error.h>

namespace imports {

namespace {

const QString Table = QStringLiteral("parkingsubscription");

// Column sizes of the data module's subscription dataset.
struct Sizes {
    int number, registration, firstName, lastName, personalIdentificator, zone, list, status;
};

const Sizes &ColumnSizes()
{
    static const Sizes sizes = [] {
        const auto of = [](const char *field) { return ParkingFieldSize("ParkingSubscriptionZQ", field); };
        return Sizes{of("subscriptionnumber"),    of("regcitynumber"), of("firstname"), of("lastname"),
                     of("personalidentificator"), of("zone"),          of("list"),      of("status")};
    }();
    return sizes;
}

QString Text(const QByteArray &bytes, int size)
{
    return FromWin1250(bytes).left(size);
}

std::pair<QDate, QTime> Date(const QByteArray &bytes)
{
    return MyDateTimeStrToParts(FromWin1250(bytes));
}

} // namespace

std::optional<SubscriptionRow> ReadSubscriptionLine(const QByteArray &line)
{
    const Sizes &sizes = ColumnSizes();
    const QByteArray normalised = TransliteratingChain(line);
    FieldSplitter fields(normalised, ',');
    SubscriptionRow row;
    row.subscriptionNumber = Text(fields.Next(), sizes.number);
    row.regCityNumber = Text(UpperRegistration(fields.Next()), sizes.registration);
    if (row.regCityNumber.isEmpty())
        return std::nullopt;
    if (row.subscriptionNumber.isEmpty())
        throw dataset::Error(QStringLiteral("Nedostaje broj pretplate."));
    row.fromDate = Date(fields.Next());
    row.toDate = Date(fields.Next());
    row.firstName = Text(fields.Next(), sizes.firstName);
    row.lastName = Text(fields.Next(), sizes.lastName);
    row.personalIdentificator = Text(fields.Next(), sizes.personalIdentificator);
    row.zone = Text(fields.Next(), sizes.zone);
    row.list = Text(fields.Next(), sizes.list);
    // Field 10 is not used; the status is everything after the tenth separator.
    fields.Drop();
    if (normalised.count(',') >= 10)
        row.status = Text(fields.Rest(), sizes.status);
    return row;
}

QString SubscriptionImportJob::HistoryKind() const
{
    return kHistorySubscriptions;
}

QStringList SubscriptionImportJob::Tables()
{
    return {Table};
}

ImportSummary SubscriptionImportJob::Run(ImportContext &context)
{
    ImportSummary summary;
    ImportLineReader reader(context.fileName);
    TableReplacement replacement(*context.connection, Tables(), ImportLabel(context.fileName));
    LoadFile work;
    if (reader.SkipHeader()) {
        QByteArray line;
        while (reader.ReadLine(line)) {
            ++summary.linesRead;
            std::optional<SubscriptionRow> row;
            try {
                row = ReadSubscriptionLine(line);
            } catch (...) {
                throw ToImportError(std::current_exception(), reader.LineNumber());
            }
            if (!row) {
                summary.LeaveOut(TrimLine(line).isEmpty() ? QStringLiteral("prazan red")
                                                          : QStringLiteral("prazna registracija"));
                continue;
            }
            work.AddText(row->subscriptionNumber);
            work.AddText(row->regCityNumber);
            work.AddDateTime(row->fromDate);
            work.AddDateTime(row->toDate);
            work.AddText(row->firstName);
            work.AddText(row->lastName);
            work.AddText(row->personalIdentificator);
            work.AddText(row->zone);
            work.AddText(row->list);
            work.AddText(row->status);
            work.EndRow();
            ++summary.rowsStored;
            if ((summary.linesRead & 0x3FF) == 0)
                context.Report(reader.BytesRead(), reader.FileSize());
        }
    }
    work.Load(*context.connection, replacement.Fresh(Table),
              QStringLiteral("subscriptionnumber, regcitynumber, subscriptionfromdate, subscriptiontodate,"
                             " firstname, lastname, personalidentificator, zone, list, status"));
    replacement.Commit();
    context.Report(reader.FileSize(), reader.FileSize());
    return summary;
}

} // namespace imports
