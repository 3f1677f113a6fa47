#include "SubscriptionImportJob.h"

#include "FileFormatCheck.h"
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

// One line's values as Windows-1250 views into its converted text, cut to the column
// sizes (one byte is one character): the chain, fields split at ",", the registration
// upper-cased.
class SubscriptionFields {
public:
    // False when the registration is empty; throws when the subscription number is missing.
    bool Read(const QByteArray &line)
    {
        const Sizes &sizes = ColumnSizes();
        m_fields.emplace(TransliteratingChain(line), ',');
        FieldSplitter &fields = *m_fields;
        number = Cut(fields.NextView(), sizes.number);
        m_registration.resize(0);
        m_registration.append(fields.NextView());
        m_registration = UpperRegistration(std::move(m_registration));
        registration = Cut(m_registration, sizes.registration);
        if (registration.isEmpty())
            return false;
        if (number.isEmpty())
            throw dataset::Error(QStringLiteral("Nedostaje broj pretplate."));
        fromDate = fields.NextView();
        toDate = fields.NextView();
        firstName = Cut(fields.NextView(), sizes.firstName);
        lastName = Cut(fields.NextView(), sizes.lastName);
        personalIdentificator = Cut(fields.NextView(), sizes.personalIdentificator);
        zone = Cut(fields.NextView(), sizes.zone);
        list = Cut(fields.NextView(), sizes.list);
        // Field 10 is not used; the status is everything after the tenth separator.
        fields.Drop();
        status = {};
        if (fields.Separators() >= 10)
            status = Cut(fields.RestView(), sizes.status);
        return true;
    }

    QByteArrayView number, registration, fromDate, toDate, firstName, lastName, personalIdentificator, zone, list,
        status;

private:
    static QByteArrayView Cut(QByteArrayView text, int size) { return text.first(std::min<qsizetype>(text.size(), size)); }

    std::optional<FieldSplitter> m_fields;
    QByteArray m_registration;
};

QString Text(QByteArrayView win1250)
{
    return FromWin1250(win1250.toByteArray());
}

std::pair<QDate, QTime> Date(QByteArrayView win1250)
{
    return MyDateTimeStrToParts(Text(win1250));
}

} // namespace

std::optional<SubscriptionRow> ReadSubscriptionLine(const QByteArray &line)
{
    SubscriptionFields fields;
    if (!fields.Read(line))
        return std::nullopt;
    SubscriptionRow row;
    row.subscriptionNumber = Text(fields.number);
    row.regCityNumber = Text(fields.registration);
    row.fromDate = Date(fields.fromDate);
    row.toDate = Date(fields.toDate);
    row.firstName = Text(fields.firstName);
    row.lastName = Text(fields.lastName);
    row.personalIdentificator = Text(fields.personalIdentificator);
    row.zone = Text(fields.zone);
    row.list = Text(fields.list);
    row.status = Text(fields.status);
    return row;
}

std::optional<parking::ImportKind> SubscriptionImportJob::HistoryKind() const
{
    return parking::ImportKind::SubscriptionImport;
}

QStringList SubscriptionImportJob::Tables()
{
    return {Table};
}

ImportSummary SubscriptionImportJob::Run(ImportContext &context)
{
    ImportSummary summary;
    ImportLineReader reader(context.fileName, context.digest);
    TableReplacement replacement(*context.connection, Tables(), context.generation);
    LoadFile work;
    FileFormatCheck format;
    if (reader.SkipHeader()) {
        QByteArray line;
        SubscriptionFields fields;
        while (reader.ReadLine(line)) {
            ++summary.linesRead;
            bool stored = false;
            try {
                stored = fields.Read(line);
                if (stored) {
                    work.AddWin1250(fields.number);
                    work.AddWin1250(fields.registration);
                    work.AddDateTimeField(fields.fromDate);
                    work.AddDateTimeField(fields.toDate);
                    for (const QByteArrayView text : {fields.firstName, fields.lastName, fields.personalIdentificator,
                                                      fields.zone, fields.list, fields.status})
                        work.AddWin1250(text);
                    work.EndRow();
                }
            } catch (...) {
                throw ToImportError(std::current_exception(), reader.LineNumber());
            }
            if (!stored) {
                // A line without a registration is no subscription (a log line, another export).
                if (TrimLine(line).isEmpty()) {
                    format.Empty();
                    summary.LeaveOut(QStringLiteral("prazan red"));
                } else {
                    format.Unreadable(reader.LineNumber(), QStringLiteral("nema registracije"));
                    summary.LeaveOut(QStringLiteral("prazna registracija"));
                }
                continue;
            }
            format.Readable();
            ++summary.rowsStored;
            if ((summary.linesRead & 0x3FF) == 0)
                context.Report(reader.BytesRead(), reader.FileSize());
        }
    }
    format.RefuseOtherFile(QStringLiteral("izvoz pretplata"));
    RefuseEmptying(Table, reader.FileSize(), summary.rowsStored, reader.HeaderBlank() && format.NonEmptyLines() == 0,
                   context.emptying);
    work.Load(*context.connection, replacement.Fresh(Table),
              QStringLiteral("subscriptionnumber, regcitynumber, subscriptionfromdate, subscriptiontodate,"
                             " firstname, lastname, personalidentificator, zone, list, status"));
    replacement.Commit();
    context.Report(reader.FileSize(), reader.FileSize());
    return summary;
}

} // namespace imports
