#include "ParkingDataSetDefs.h"

using dataset::FieldDef;
using dataset::FieldType;
using parking::Access;
using parking::Caching;

namespace {

constexpr bool Req = true;
constexpr bool Opt = false;

FieldDef Fld(const char *name, FieldType type, int size, bool required, const char *label = "", const char *format = "")
{
    FieldDef def;
    def.name = QString::fromUtf8(name);
    def.type = type;
    def.size = size;
    def.required = required;
    def.displayLabel = QString::fromUtf8(label);
    def.displayFormat = QString::fromUtf8(format);
    return def;
}

FieldDef Key(const char *name, bool required = Opt)
{
    return Fld(name, FieldType::Key, 0, required);
}
FieldDef Text(const char *name, int size, bool required, const char *label = "")
{
    return Fld(name, FieldType::String, size, required, label);
}
FieldDef Real(const char *name, bool required, const char *label = "", const char *format = "")
{
    return Fld(name, FieldType::Real, 0, required, label, format);
}

} // namespace

namespace parkingdata {

ParkingDataSetDef ZoneFrame()
{
    return {"ParkingZoneFrameZQ",
            "ParkingZoneFrameDS",
            Access::Live,
            Caching::Immediate,
            {QStringLiteral("SELECT * FROM parkingzoneframe ORDER BY zone, sector, parkingzoneframeid")},
            {
                Key("parkingzoneframeid"),
                Text("zone", 3, Req, "Zona"),
                Text("sector", 3, Req, "Sektor"),
                Text("street", 255, Req, "Ulica"),
            }};
}

QString InvoicedColumn()
{
    return QStringLiteral("IF(EXISTS(SELECT 1 FROM parkingdocumentiteminvoice AS inv "
                          "WHERE inv.parkingdocumentid = pd.parkingdocumentid), 'da', 'ne') AS Fakturisano");
}

ParkingDataSetDef Document()
{
    return {"ParkingDocumentZQ",
            "ParkingDocumentDS",
            Access::Live,
            Caching::Immediate,
            {QStringLiteral("SELECT pd.*, ") + InvoicedColumn() + QLatin1Char(' '), QStringLiteral("FROM parkingdocument AS pd "),
             QStringLiteral("  LEFT JOIN user AS u ON pd.userid = u.userid "),
             QStringLiteral("WHERE pd.parkingdocumentid = -1")},
            {
                Key("parkingdocumentid"),
                Text("number", 30, Req, "Broj"),
                Fld("documentdatetime", FieldType::DateTime, 0, Req, "Datum i vreme"),
                Text("comment", 255, Opt, "Komentar"),
                Text("countryreg", 4, Opt, "Ozn. države"),
                Text("cityreg", 3, Req, "Ozn. grada"),
                Text("regnumber", 8, Req, "Reg. broj"),
                Text("licensenumber", 20, Opt, "Br. dozvole"),
                Text("firstname", 20, Opt, "Ime"),
                Text("lastname", 30, Opt, "Prezime"),
                Text("personalidentificator", 20, Opt, "JMBG"),
                Text("address", 200, Opt, "Adresa"),
                Text("zip", 20, Opt, "Poštanski br."),
                Text("city", 50, Opt, "Grad"),
                Text("parkingzone", 3, Opt, "Zona"),
                Text("parkingsector", 3, Opt, "Sektor"),
                Fld("parkingstreets", FieldType::Memo, 0, Opt),
                Fld("parkingfromdate", FieldType::Date, 0, Opt, "Od datuma"),
                Fld("parkingtodate", FieldType::Date, 0, Opt, "Do datuma"),
                Key("documentid"),
                Key("userid"),
            }};
}

ParkingDataSetDef DocumentItem()
{
    return {"ParkingDocumentItemZQ",
            "ParkingDocumentItemDS",
            Access::Live,
            Caching::Cached,
            {QStringLiteral("SELECT *, ROUND(itemvalue * (1 + taxvalue/100),2) AS ItemTotal"),
             QStringLiteral("FROM parkingdocumentitem WHERE parkingdocumentid = -1")},
            {
                Key("parkingdocumentitemid"),
                Real("quantity", Req, "Količina", "0.###"),
                Real("price", Req, "Cena", "0.00"),
                Real("itemvalue", Req, "Vrednost", "0.00"),
                Key("taxid", Req),
                Real("taxvalue", Req, "Porez", "0.00"),
                Key("productid", Req),
                Text("productcode", 20, Req, "Kod"),
                Text("productname", 100, Req, "Proizvod"),
                Key("parkingdocumentid", Req),
                Text("ticketnumber", 20, Req, "Karta"),
                Real("ItemTotal", Opt, "Vred.+PDV", "0.00"),
            }};
}

ParkingDataSetDef PayDeskUser()
{
    return {"ParkingPayDeskUserZQ",
            "ParkingPayDeskUserDS",
            Access::ReadOnly,
            Caching::Immediate,
            {QStringLiteral("SELECT CONCAT(u.firstname,' ',u.lastname) AS UserName, "
                            "SUM(ROUND(pdi.itemvalue * (1 + pdi.taxvalue/100),2)) AS SumItemTotal"),
             QStringLiteral("FROM parkingdocumentitem AS pdi LEFT JOIN parkingdocument AS pd "
                            "ON pdi.parkingdocumentid = pd.parkingdocumentid LEFT JOIN user AS u "
                            "ON pd.userid = u.userid"),
             QStringLiteral("GROUP BY pd.userid"), QStringLiteral("ORDER BY UserName")},
            {
                Text("UserName", 101, Opt, "Korisnik"),
                Real("SumItemTotal", Opt, "Vred.+PDV", "0.00"),
            }};
}

ParkingDataSetDef PayDeskProduct()
{
    return {"ParkingPayDeskProductZQ",
            "ParkingPayDeskProductDS",
            Access::ReadOnly,
            Caching::Immediate,
            {QStringLiteral("SELECT pdi.productcode, pdi.productname, SUM(pdi.quantity) AS SumQuantity, "
                            "SUM(ROUND(pdi.itemvalue * (1 + pdi.taxvalue/100),2)) AS SumItemTotal, "
                            "pdi.productid, pdi.taxid, pdi.taxvalue, pdi.price, "
                            "SUM(pdi.itemvalue) AS SumItemValue"),
             QStringLiteral("FROM parkingdocumentitem AS pdi LEFT JOIN parkingdocument AS pd "
                            "ON pdi.parkingdocumentid = pd.parkingdocumentid"),
             QStringLiteral("GROUP BY pdi.productid"), QStringLiteral("ORDER BY pdi.productname")},
            {
                Text("productcode", 20, Req, "Kod"),
                Text("productname", 100, Req, "Proizvod"),
                Real("SumQuantity", Opt, "Količina", "0.###"),
                Real("SumItemTotal", Opt, "Vred.+PDV", "0.00"),
                Key("productid", Req),
                Key("taxid", Req),
                Real("taxvalue", Req),
                Real("price", Req, "", "0.00"),
                Real("SumItemValue", Opt, "", "0.00"),
            }};
}

ParkingDataSetDef Ticket()
{
    return {"ParkingTicketZQ",
            "ParkingTicketDS",
            Access::Live,
            Caching::Immediate,
            {QStringLiteral("SELECT * FROM parkingticket")},
            {
                Key("parkingticketid"),
                Fld("ticketdate", FieldType::DateTime, 0, Req, "Datum"),
                Text("ticketnumber", 20, Req, "Karta"),
                Fld("zone", FieldType::SmallInt, 0, Req, "Zona"),
                Text("regcitynumber", 11, Req, "Reg. broj"),
                Real("ticketprice", Req, "Cena", "0.00"),
                Fld("status", FieldType::SmallInt, 0, Req, "Status"),
                Text("name", 50, Opt, "Ime"),
                Text("personalidentificator", 20, Opt, "JMBG"),
                Text("address", 200, Opt, "Adresa"),
                Text("zip", 20, Opt, "Poštanski br."),
                Text("city", 50, Opt, "Grad"),
            }};
}

ParkingDataSetDef Subscription()
{
    return {"ParkingSubscriptionZQ",
            "ParkingSubscriptionDS",
            Access::Live,
            Caching::Immediate,
            {QStringLiteral("SELECT * FROM parkingsubscription")},
            {
                Key("parkingsubscriptionid"),
                Fld("subscriptionfromdate", FieldType::DateTime, 0, Req, "Od datuma"),
                Fld("subscriptiontodate", FieldType::DateTime, 0, Req, "Do datuma"),
                Text("subscriptionnumber", 20, Req, "Pretplata"),
                Text("regcitynumber", 11, Req, "Reg. broj"),
                Text("firstname", 20, Opt, "Ime"),
                Text("lastname", 30, Opt, "Prezime"),
                Text("personalidentificator", 20, Opt, "JMBG"),
                Text("zone", 50, Opt, "Zona"),
                Text("list", 50, Opt, "Lista"),
                Text("status", 20, Opt, "Status"),
            }};
}

ParkingDataSetDef TicketRaw()
{
    return {"ParkingTicketRawZQ",
            nullptr,
            Access::Live,
            Caching::Immediate,
            {QStringLiteral("SELECT * FROM parkingticketraw")},
            {
                Fld("vreme_izdavanja_DK", FieldType::DateTime, 0, Opt),
                Text("id_DK", 20, Req),
                Fld("id_zone", FieldType::Integer, 0, Req),
                Text("reg_oznaka", 50, Req),
                Real("cena_DK", Req),
                Fld("status_doplatne", FieldType::Integer, 0, Opt),
                Fld("vreme_slanja_opomene", FieldType::DateTime, 0, Opt),
                Real("uplaceni_iznos", Opt),
                Fld("datum_uplate", FieldType::Date, 0, Opt),
                Text("JMBG", 20, Opt),
                Text("ime_i_prezime", 100, Opt),
                Text("ulica", 100, Opt),
                Text("broj", 50, Opt),
                Text("mesto", 50, Opt),
                Text("PTTbroj", 20, Opt),
                Fld("parkiraliste", FieldType::Integer, 0, Opt),
                Fld("datum_storniranja", FieldType::Date, 0, Opt),
                Text("ID_kontrolora", 20, Opt),
            }};
}

ParkingDataSetDef HostDocument()
{
    return {
        "DocumentZQ",
        "DocumentDS",
        Access::Live,
        Caching::Immediate,
        {QStringLiteral("SELECT d.*,"), QStringLiteral("CONCAT(p.name,'') AS Partner,"),
         QStringLiteral("CONCAT(p.code,'') AS PartnerCode,"), QStringLiteral("CONCAT(p.address,'') AS PartnerAddress,"),
         QStringLiteral("CONCAT(p.zip,'') AS PartnerZip,"), QStringLiteral("CONCAT(p.city,'') AS PartnerCity"),
         QStringLiteral("FROM document AS d"), QStringLiteral("  LEFT JOIN partner AS p ON d.partnerid = p.partnerid"),
         QStringLiteral("WHERE d.documentid = -1")},
        {
            Key("documentid"),
            Text("comment", 255, Opt),
            Text("documentcurrency", 3, Req),
            Fld("documentdate", FieldType::Date, 0, Req, "Datum"),
            Fld("valutedate", FieldType::Date, 0, Req),
            Fld("description", FieldType::Memo, 0, Opt),
            Fld("direction", FieldType::SmallInt, 0, Req),
            Key("exchangelistid"),
            Text("inputcurrency", 3, Opt),
            Text("number", 30, Req, "Broj"),
            Key("partnerid"),
            Text("status", 1, Req, "Status"),
            Text("documenttype", 2, Req, "Tip"),
            Key("warehouseid"),
            Key("userid"),
            Text("statement", 1, Req),
            Key("inwarehouseid"),
            Key("reservationid"),
            Key("relateddocumentid"),
            Fld("documentissuedate", FieldType::Date, 0, Req),
            Key("partneraddressid"),
            Key("vehicleid"),
            Key("transporterrandid"),
            Fld("docreturn", FieldType::Boolean, 0, Req),
            Fld("documentadmissiondate", FieldType::Date, 0, Opt),
            Key("documentchargetypeid"),
            Text("partnername", 100, Opt),
            Fld("correctgoods", FieldType::Boolean, 0, Opt),
            Text("Partner", 100, Opt),
            Text("PartnerCode", 30, Opt),
            Text("PartnerAddress", 200, Opt),
            Text("PartnerZip", 20, Opt),
            Text("PartnerCity", 50, Opt),
        }};
}

ParkingDataSetDef HostDocumentItem()
{
    return {"DocumentItemZQ",
            nullptr,
            Access::Live,
            Caching::Immediate,
            {QStringLiteral("SELECT di.*, 0.0 AS SupplyValue, 0.0 AS ItemTotal, 0.0 AS ItemValueVAT,"),
             QStringLiteral("CONCAT(p.code,'') AS ProductCode, "),
             QStringLiteral("CONCAT(p.barcode,'') AS ProductBarcode, "),
             QStringLiteral("CONCAT(p.unitname,'') AS ProductUnitName,"),
             QStringLiteral("CONCAT(p.manufcode,'') AS ProductManufCode,"),
             QStringLiteral("CONCAT(t.name,'') AS ProductTaxName"), QStringLiteral("FROM documentitem AS di"),
             QStringLiteral("  LEFT JOIN product AS p ON di.productid = p.productid"),
             QStringLiteral("  LEFT JOIN tax AS t ON p.taxid = t.taxid"), QStringLiteral("WHERE documentid = -1")},
            {
                Key("documentitemid"),
                Real("cost", Req),
                Text("costtype", 1, Req),
                Real("rebate", Req),
                Text("rebatetype", 1, Req),
                Key("documentid", Req),
                Real("margin", Req),
                Text("marginetype", 1, Req),
                Real("price", Req),
                Real("price2", Req),
                Real("itemvalue", Req),
                Key("productid", Req),
                Text("productname", 100, Req),
                Real("quantity", Req),
                Fld("sort", FieldType::Integer, 0, Req),
                Real("taxvalue", Req),
                Key("taxid", Req),
                Real("intax", Req),
                Real("specialrebate", Req),
                Text("specialrebatetype", 1, Req),
                Text("note", 50, Opt),
                Real("SupplyValue", Req),
                Real("ItemTotal", Req),
                Real("ItemValueVAT", Req),
                Text("ProductCode", 20, Opt),
                Text("ProductBarcode", 20, Opt),
                Text("ProductUnitName", 15, Opt),
                Text("ProductManufCode", 50, Opt),
                Text("ProductTaxName", 15, Opt),
            }};
}

} // namespace parkingdata

std::vector<ParkingDataSetDef> ParkingDataSetDefs()
{
    using namespace parkingdata;
    std::vector<ParkingDataSetDef> defs;
    defs.reserve(10);
    defs.push_back(ZoneFrame());
    defs.push_back(Document());
    defs.push_back(DocumentItem());
    defs.push_back(PayDeskUser());
    defs.push_back(PayDeskProduct());
    defs.push_back(Ticket());
    defs.push_back(Subscription());
    defs.push_back(TicketRaw());
    defs.push_back(HostDocument());
    defs.push_back(HostDocumentItem());
    return defs;
}

int ParkingFieldSize(const char *dataSetName, const char *fieldName)
{
    for (const ParkingDataSetDef &def : ParkingDataSetDefs()) {
        if (qstrcmp(def.name, dataSetName) != 0)
            continue;
        for (const dataset::FieldDef &field : def.fields) {
            if (field.name == QLatin1String(fieldName))
                return field.size;
        }
    }
    return 0;
}
