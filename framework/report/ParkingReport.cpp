#include "ParkingReport.h"

#include "BetterRound.h"
#include "Field.h"
#include "FormatFloat.h"
#include "Query.h"

#include <QStringList>

namespace {

QString text(const dataset::Query &query, const char *fieldName)
{
    const dataset::Field *field = query.FindField(QLatin1String(fieldName));
    return field && !field->IsNull() ? field->AsString().trimmed() : QString();
}

double number(const dataset::Query &query, const char *fieldName, bool *found = nullptr)
{
    const dataset::Field *field = query.FindField(QLatin1String(fieldName));
    if (found)
        *found = field != nullptr;
    return field ? field->AsFloat() : 0.0;
}

QString dateFieldText(const dataset::Query &query, const char *fieldName)
{
    const dataset::Field *field = query.FindField(QLatin1String(fieldName));
    if (!field || field->IsNull())
        return {};
    const QDateTime value = field->AsDateTime();
    if (!value.isValid())
        return {};
    const bool withTime = field->DataType() == dataset::FieldType::DateTime
            && value.time() != QTime(0, 0);
    return FormatDateTime(withTime ? QStringLiteral("dd.mm.yyyy hh:nn") : QStringLiteral("dd.mm.yyyy"),
                          value);
}

QString joined(const QStringList &parts, const QString &separator)
{
    QStringList present;
    for (const QString &part : parts) {
        if (!part.isEmpty())
            present.append(part);
    }
    return present.join(separator);
}

// Walks a query from its first row and puts the cursor and the bound controls back.
class QueryWalk {
public:
    explicit QueryWalk(dataset::Query &query) : m_query(query), m_bookmark(query.GetBookmark())
    {
        m_query.DisableControls();
    }
    ~QueryWalk()
    {
        try {
            if (m_bookmark != 0 && m_query.BookmarkValid(m_bookmark))
                m_query.GotoBookmark(m_bookmark);
        } catch (...) {
            // The row stays where the walk ended; nothing to report from a destructor.
        }
        m_query.EnableControls();
    }
    QueryWalk(const QueryWalk &) = delete;
    QueryWalk &operator=(const QueryWalk &) = delete;

private:
    dataset::Query &m_query;
    dataset::Bookmark m_bookmark;
};

QString money(double value)
{
    return FormatFloat(QStringLiteral("#,##0.00"), value);
}

QString cell(const QString &value, bool right = false)
{
    return QStringLiteral("<td%1>%2</td>")
            .arg(right ? QStringLiteral(" align=\"right\"") : QString(), value.toHtmlEscaped());
}

QString headerRow(const char *label, const QString &value)
{
    return QStringLiteral("<tr><td width=\"30%\"><b>%1</b></td><td>%2</td></tr>")
            .arg(QString::fromUtf8(label), value.toHtmlEscaped());
}

} // namespace

ParkingReportData ReadParkingReport(dataset::Query &document, dataset::Query &items,
                                    const QString &title, const QString &dateText, bool ticket)
{
    ParkingReportData data;
    data.title = title;
    data.dateText = dateText;
    data.ticket = ticket;
    data.number = text(document, "number");
    data.vehicle = joined({text(document, "countryreg"), text(document, "cityreg"),
                           text(document, "regnumber")}, QStringLiteral(" "));
    data.payerName = joined({text(document, "firstname"), text(document, "lastname")},
                            QStringLiteral(" "));
    data.payerAddress = text(document, "address");
    data.payerCity = joined({text(document, "zip"), text(document, "city")}, QStringLiteral(" "));
    data.zone = text(document, "parkingzone");
    data.sector = text(document, "parkingsector");
    data.period = joined({dateFieldText(document, "parkingfromdate"),
                          dateFieldText(document, "parkingtodate")}, QStringLiteral(" - "));
    if (ticket)
        data.streets = text(document, "parkingstreets");

    if (!items.Active())
        return data;
    const QueryWalk walk(items);
    for (items.First(); !items.Eof(); items.Next()) {
        ParkingReportData::Item item;
        item.code = text(items, "productcode");
        item.name = text(items, "productname");
        item.ticketNumber = text(items, "ticketnumber");
        item.quantity = number(items, "quantity");
        item.price = number(items, "price");
        item.taxRate = number(items, "taxvalue");
        item.value = number(items, "itemvalue");
        bool hasTotal = false;
        item.total = number(items, "ItemTotal", &hasTotal);
        if (!hasTotal)
            item.total = BetterRoundTo(item.value * (1 + item.taxRate / 100), -2);
        data.netTotal += item.value;
        data.grossTotal += item.total;
        data.items.push_back(item);
    }
    data.netTotal = BetterRoundTo(data.netTotal, -2);
    data.grossTotal = BetterRoundTo(data.grossTotal, -2);
    return data;
}

QString ParkingReportHtml(const ParkingReportData &data)
{
    QString html;
    html += QStringLiteral("<html><body>");
    html += QStringLiteral("<h2>%1</h2>").arg(data.title.toHtmlEscaped());
    html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">");
    html += headerRow("Broj:", data.number);
    html += headerRow("Datum:", data.dateText);
    html += headerRow("Vozilo:", data.vehicle);
    html += headerRow("Platilac:", data.payerName);
    html += headerRow("Adresa:", joined({data.payerAddress, data.payerCity}, QStringLiteral(", ")));
    html += headerRow("Zona:", data.zone);
    html += headerRow("Sektor:", data.sector);
    html += headerRow("Period:", data.period);
    if (data.ticket)
        html += headerRow("Ulice:", data.streets);
    html += QStringLiteral("</table><br/>");

    html += QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\">"
                           "<tr><th>Šifra</th><th>Naziv</th><th>Br. karte</th><th>Količina</th>"
                           "<th>Cena</th><th>PDV %</th><th>Iznos sa PDV</th></tr>");
    for (const ParkingReportData::Item &item : data.items) {
        html += QStringLiteral("<tr>");
        html += cell(item.code);
        html += cell(item.name);
        html += cell(item.ticketNumber);
        html += cell(FormatFloat(QStringLiteral("0.###"), item.quantity), true);
        html += cell(money(item.price), true);
        html += cell(FormatFloat(QStringLiteral("0.##"), item.taxRate), true);
        html += cell(money(item.total), true);
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table><br/>");
    html += QStringLiteral("<table align=\"right\" cellpadding=\"2\">");
    html += QStringLiteral("<tr><td>Ukupno bez PDV-a:</td><td align=\"right\">%1</td></tr>")
                    .arg(money(data.netTotal).toHtmlEscaped());
    html += QStringLiteral("<tr><td><b>Ukupno sa PDV-om:</b></td><td align=\"right\"><b>%1</b></td></tr>")
                    .arg(money(data.grossTotal).toHtmlEscaped());
    html += QStringLiteral("</table></body></html>");
    return html;
}
