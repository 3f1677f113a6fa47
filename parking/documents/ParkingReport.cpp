#include "ParkingReport.h"

#include <dataset/Field.h>
#include <dataset/Query.h>
#include <framework/report/ReportEngine.h>
#include <routines/BetterRound.h>
#include <routines/FormatFloat.h>

#include <QStringList>

#include <utility>
#include <vector>

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

// Every amount on the page is in dinars.
const QString kCurrency = QStringLiteral(" RSD");

QString money(double value)
{
    return FormatFloat(QStringLiteral("#,##0.00"), value);
}

QString esc(const QString &value)
{
    return value.toHtmlEscaped();
}

// An item cell; only the name may wrap.
QString cell(const QString &value, bool right = false, bool wrap = false)
{
    return QStringLiteral("<td%1%2>%3</td>")
            .arg(right ? QStringLiteral(" align=\"right\"") : QString(),
                 wrap ? QString() : QStringLiteral(" style=\"white-space: nowrap\""), esc(value));
}

// A captioned box of label / value lines; empty values are left out.
QString box(const char *caption, const std::vector<std::pair<const char *, QString>> &lines)
{
    QString html = QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                                  "style=\"border-collapse: collapse; border-color: #808080\">"
                                  "<tr><td colspan=\"2\" bgcolor=\"#e4e4e4\"><b>%1</b></td></tr>")
            .arg(QString::fromUtf8(caption));
    for (const auto &[label, value] : lines) {
        if (value.isEmpty())
            continue;
        html += QStringLiteral("<tr><td width=\"102\"><font color=\"#505050\">%1</font></td><td>%2</td></tr>")
                    .arg(QString::fromUtf8(label), esc(value));
    }
    return html + QStringLiteral("</table>");
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

// An A4 page as a municipal operator issues it: the operator and the document's
// title and number, payer and vehicle side by side, the paid zone (with its streets on
// the ticket), the items with tax, the totals and the signature lines.
QString ParkingReportHtml(const ParkingReportData &data)
{
    QString html = QStringLiteral("<html><body>");
    html += QStringLiteral(
                "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>"
                "<td width=\"50%\" valign=\"top\"><font size=\"+1\"><b>GRADSKA SLUŽBA PARKIRANJA</b></font><br/>"
                "Naplata parkiranja i doplatnih karata<br/><font color=\"#505050\">Blagajna</font></td>"
                "<td width=\"50%\" align=\"right\" valign=\"top\"><font size=\"+2\"><b>%1</b></font><br/>"
                "Datum: %2</td></tr></table>")
                .arg(esc(data.title.contains(data.number) ? data.title : joined({data.title, data.number}, QStringLiteral(" "))),
                     esc(data.dateText));
    html += QStringLiteral("<hr/>");

    const QString address = joined({data.payerAddress, data.payerCity}, QStringLiteral(", "));
    html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>"
                           "<td width=\"49%\" valign=\"top\">%1</td><td width=\"2%\"></td>"
                           "<td width=\"49%\" valign=\"top\">%2</td></tr></table><br/>")
                .arg(box("Platilac", {{"Ime i prezime:", data.payerName}, {"Adresa:", address}}),
                     box("Vozilo i parkiranje",
                         {{"Reg. oznaka:", data.vehicle}, {"Zona:", data.zone}, {"Sektor:", data.sector},
                          {"Period:", data.period}}));
    if (data.ticket) {
        // The part shown behind the windscreen: the vehicle, the zone and the period at a glance.
        const QString where = joined({data.zone.isEmpty() ? QString() : QStringLiteral("Zona ") + data.zone,
                                      data.sector.isEmpty() ? QString() : QStringLiteral("Sektor ") + data.sector},
                                     QStringLiteral(" / "));
        html += QStringLiteral("<table width=\"100%\" border=\"2\" cellspacing=\"0\" cellpadding=\"8\" "
                               "style=\"border-collapse: collapse; border-color: #202020\"><tr><td align=\"center\">"
                               "<font size=\"+4\"><b>%1</b></font><br/><font size=\"+1\">%2</font><br/>%3"
                               "</td></tr></table><br/>")
                    .arg(esc(data.vehicle), esc(where), esc(data.period));
        html += box("Ulice zone i sektora", {{"Ulice:", data.streets.isEmpty() ? QStringLiteral("-") : data.streets}});
        html += QStringLiteral("<br/>");
    }

    html += QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                           "style=\"border-collapse: collapse; border-color: #808080\">"
                           "<tr bgcolor=\"#e4e4e4\" style=\"white-space: nowrap\">"
                           "<th width=\"5%\" align=\"left\">Rb.</th>"
                           "<th width=\"10%\" align=\"left\">Šifra</th><th width=\"24%\" align=\"left\">Naziv</th>"
                           "<th width=\"12%\" align=\"left\">Br. karte</th><th width=\"6%\" align=\"right\">Kol.</th>"
                           "<th width=\"11%\" align=\"right\">Cena (RSD)</th><th width=\"7%\" align=\"right\">PDV %</th>"
                           "<th width=\"12%\" align=\"right\">Iznos (RSD)</th>"
                           "<th width=\"13%\" align=\"right\">Sa PDV (RSD)</th></tr>");
    int row = 0;
    for (const ParkingReportData::Item &item : data.items) {
        html += QStringLiteral("<tr>");
        html += cell(QString::number(++row) + QLatin1Char('.'), true);
        html += cell(item.code);
        html += cell(item.name, false, true);
        html += cell(item.ticketNumber);
        html += cell(FormatFloat(QStringLiteral("0.###"), item.quantity), true);
        html += cell(money(item.price), true);
        html += cell(FormatFloat(QStringLiteral("0.##"), item.taxRate), true);
        html += cell(money(item.value), true);
        html += cell(money(item.total), true);
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table><br/>");

    html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">"
                           "<tr><td width=\"60%\"></td><td>Osnovica (bez PDV-a):</td><td align=\"right\">%1</td></tr>"
                           "<tr><td></td><td>PDV:</td><td align=\"right\">%2</td></tr>"
                           "<tr><td></td><td bgcolor=\"#e4e4e4\"><b>Ukupno za naplatu:</b></td>"
                           "<td bgcolor=\"#e4e4e4\" align=\"right\"><b>%3</b></td></tr></table>")
                .arg(esc(money(data.netTotal) + kCurrency), esc(money(data.grossTotal - data.netTotal) + kCurrency),
                     esc(money(data.grossTotal) + kCurrency));
    html += QStringLiteral("<br/><br/><br/><br/><br/>"
                           "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\"><tr>"
                           "<td width=\"40%\" align=\"center\">______________________<br/>Naplatio: %2</td>"
                           "<td width=\"20%\"></td>"
                           "<td width=\"40%\" align=\"center\">______________________<br/>Platilac</td>"
                           "</tr></table><br/>"
                           "<p align=\"center\"><font size=\"-1\" color=\"#505050\">%1</font></p>")
                .arg(data.ticket ? QStringLiteral("Karta važi za navedeno vozilo, zonu i period. "
                                                  "Istaknite je na vidnom mestu u vozilu.")
                                 : QStringLiteral("Priznanica je dokaz o uplati. Sačuvajte je do isteka perioda "
                                                  "parkiranja."),
                     esc(data.cashier));
    html += QStringLiteral("</body></html>");
    return html;
}

void ExecuteParkingReport(TReportEngine &engine, dataset::Query &document, dataset::Query &items,
                          const QString &title, const QString &dateText, bool ticket, const QString &cashier)
{
    ParkingReportData data = ReadParkingReport(document, items, title, dateText, ticket);
    data.cashier = cashier;
    engine.Execute(ParkingReportHtml(data), title);
}
