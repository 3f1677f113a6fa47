#include "ParkingDMUnit.h"

#include "ParkingDataSetDefs.h"
#include <parking/shared/HostServices.h>
#include <dataset/Connection.h>
#include <dataset/DataSource.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/widgets/IconPainter.h>
#include <framework/base/Validator.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DocDescription.h>
#include <routines/FormatFloat.h>

#include <QColor>
#include <QPainter>

std::unique_ptr<TParkingDM> ParkingDM;

namespace {

// The module's icon: a white "P" on a blue square.
QImage ModuleIcon()
{
    return dataset::PaintImage([](QPainter &painter) {
        painter.fillRect(1, 1, 14, 14, QColor(0x1f, 0x5f, 0xbf));
        const QColor white(Qt::white);
        painter.fillRect(4, 3, 3, 10, white); // stem
        painter.fillRect(7, 3, 4, 2, white); // top of the bowl
        painter.fillRect(7, 7, 4, 2, white); // bottom of the bowl
        painter.fillRect(10, 4, 2, 4, white); // right side of the bowl
    });
}

// Rows of the document list read at a time: a few screenfuls.
constexpr int DocumentPacket = 200;

} // namespace

TParkingDM::TParkingDM(QObject *parent)
    : TParkingDM(std::make_unique<parking::HostServices>(), nullptr, parent)
{
}

TParkingDM::TParkingDM(parking::HostServices &host, QObject *parent)
    : TParkingDM(nullptr, &host, parent)
{
}

TParkingDM::TParkingDM(std::unique_ptr<parking::HostServices> own, parking::HostServices *given, QObject *parent)
    : TCustomDM(parent)
    , m_parkingZoneFrameZQ(NewQuery(parkingdata::ZoneFrame()))
    , m_parkingDocumentZQ(NewQuery(parkingdata::Document()))
    , m_parkingDocumentItemZQ(NewQuery(parkingdata::DocumentItem()))
    , m_parkingPayDeskUserZQ(NewQuery(parkingdata::PayDeskUser()))
    , m_parkingPayDeskProductZQ(NewQuery(parkingdata::PayDeskProduct()))
    , m_parkingTicketZQ(NewQuery(parkingdata::Ticket()))
    , m_parkingSubscriptionZQ(NewQuery(parkingdata::Subscription()))
    , m_parkingTicketRawZQ(NewQuery(parkingdata::TicketRaw()))
    , m_documentZQ(NewQuery(parkingdata::HostDocument()))
    , m_documentItemZQ(NewQuery(parkingdata::HostDocumentItem()))
    , m_parkingZoneFrameDS(NewDataSource("ParkingZoneFrameDS", m_parkingZoneFrameZQ))
    , m_parkingDocumentDS(NewDataSource("ParkingDocumentDS", m_parkingDocumentZQ))
    , m_parkingDocumentItemDS(NewDataSource("ParkingDocumentItemDS", m_parkingDocumentItemZQ))
    , m_parkingPayDeskUserDS(NewDataSource("ParkingPayDeskUserDS", m_parkingPayDeskUserZQ))
    , m_parkingPayDeskProductDS(NewDataSource("ParkingPayDeskProductDS", m_parkingPayDeskProductZQ))
    , m_parkingTicketDS(NewDataSource("ParkingTicketDS", m_parkingTicketZQ))
    , m_parkingSubscriptionDS(NewDataSource("ParkingSubscriptionDS", m_parkingSubscriptionZQ))
    , m_documentDS(NewDataSource("DocumentDS", m_documentZQ))
    , m_ownHost(std::move(own))
    , m_host(given ? *given : *m_ownHost)
{
    setObjectName(QStringLiteral("ParkingDM"));
    BindHandlers();
    ImageList.append(ModuleIcon());
}

TParkingDM::~TParkingDM() = default;

dataset::Query &TParkingDM::NewQuery(ParkingDataSetDef def)
{
    auto *query = new dataset::Query(this);
    query->setObjectName(QString::fromLatin1(def.name));
    query->SetSQL(def.sql);
    query->SetRequestLive(def.access == parking::Access::Live);
    query->SetCachedUpdates(def.caching == parking::Caching::Cached);
    query->SetFieldDefs(std::move(def.fields));
    return *query;
}

dataset::DataSource &TParkingDM::NewDataSource(const char *name, dataset::Query &query)
{
    auto *source = new dataset::DataSource(this);
    source->setObjectName(QString::fromLatin1(name));
    source->SetDataSet(&query);
    return *source;
}

void TParkingDM::BindHandlers()
{
    for (dataset::Query *checked : {&m_parkingDocumentZQ, &m_parkingDocumentItemZQ}) {
        checked->BeforePost = [this](dataset::Query &dataSet) { CommonBeforePost(dataSet); };
        checked->BeforeDelete = [this](dataset::Query &dataSet) { CommonBeforeDelete(dataSet); };
    }
    m_parkingDocumentZQ.OnNewRecord = [this](dataset::Query &dataSet) { ParkingDocumentZQNewRecord(dataSet); };
    // The document list grows with the years: it is read a screenful or so at a time.
    m_parkingDocumentZQ.SetPacketRecords(DocumentPacket);
    m_parkingDocumentItemZQ.OnNewRecord = [this](dataset::Query &dataSet) { ParkingDocumentItemZQNewRecord(dataSet); };
    // Fields exist only while the query is open, so their display handlers are bound
    // on every open.
    connect(&m_documentZQ, &dataset::Query::afterOpen, this, &TParkingDM::BindDocumentZQTexts);
}

void TParkingDM::BindDocumentZQTexts()
{
    using namespace std::placeholders;
    if (dataset::Field *status = m_documentZQ.FindField(QStringLiteral("status")))
        status->OnGetText = std::bind(&TParkingDM::DocumentZQstatusGetText, this, _1, _2, _3);
    if (dataset::Field *type = m_documentZQ.FindField(QStringLiteral("documenttype")))
        type->OnGetText = std::bind(&TParkingDM::DocumentZQdocumenttypeGetText, this, _1, _2, _3);
}

void TParkingDM::DataModuleCreate()
{
    TCustomDM::DataModuleCreate();
    SetValidator(std::make_unique<TValidator>(FieldValidations()));
}

void TParkingDM::CreateFieldValidations()
{
    const QString required = CommonResourceString(u"_CMN_FIELD_REQUIRED_ERR");
    const QString invalid = CommonResourceString(u"_CMN_FIELD_INVALIDE_ERR");
    const TFieldTest documentNumber = [this](dataset::Field &field) { return TestDocumentNumber(field); };

    TFieldValidations rules;
    rules.push_back(
        FieldValidation({m_parkingDocumentZQ, QStringLiteral("documentdatetime")}, true, TestDate, required, invalid));
    rules.push_back(
        FieldValidation({m_parkingDocumentZQ, QStringLiteral("number")}, true, documentNumber, required, invalid));
    rules.push_back(
        FieldValidation({m_parkingDocumentZQ, QStringLiteral("cityreg")}, true, TestZeroLength, required, invalid));
    rules.push_back(
        FieldValidation({m_parkingDocumentZQ, QStringLiteral("regnumber")}, true, TestZeroLength, required, invalid));
    rules.push_back(FieldValidation({m_parkingDocumentItemZQ, QStringLiteral("ticketnumber")}, true, TestZeroLength,
                                    required, invalid));
    SetFieldValidations(std::move(rules));
}

void TParkingDM::CreateRelations()
{
    // The module declares no relations of its own.
}

bool TParkingDM::TestDocumentNumber(dataset::Field &field)
{
    if (!TestZeroLength(field))
        return false;
    return TestUnique(field, QStringLiteral("parkingdocument"), QStringLiteral("number"),
                      QStringLiteral("parkingdocumentid"), QString(), 0);
}

void TParkingDM::ParkingDocumentZQNewRecord(dataset::Query &dataSet)
{
    const QDateTime now = QDateTime::currentDateTime();
    dataSet.FieldByName(QStringLiteral("documentdatetime")).SetAsDateTime(now);
    dataSet.FieldByName(QStringLiteral("number")).SetAsString(NewDocumentNumber(now));
    int userId = 0;
    QString userName;
    GetPublisher(userId, userName, true);
    dataSet.FieldByName(QStringLiteral("userid")).SetAsInteger(userId);
}

QString TParkingDM::NewDocumentNumber(const QDateTime &date)
{
    return QString::number(GetParkingDocIndex(date)) + QLatin1Char('/') + FormatDateTime(QStringLiteral("yy"), date);
}

void TParkingDM::ParkingDocumentItemZQNewRecord(dataset::Query &dataSet)
{
    dataSet.FieldByName(QStringLiteral("quantity")).SetAsFloat(1.0);
}

void TParkingDM::DocumentZQstatusGetText(dataset::Field &sender, QString &text, bool)
{
    if (sender.DataSet().IsEmpty()) {
        text.clear();
        return;
    }
    text = sender.AsString() == QLatin1String("p") ? CommonResourceString(u"_DOC_REG_STATUS_CAPTION")
                                                   : CommonResourceString(u"_DOC_NOT_REG_STATUS_CAPTION");
}

void TParkingDM::DocumentZQdocumenttypeGetText(dataset::Field &sender, QString &text, bool)
{
    text = GetDocDescription(sender.AsString());
}

namespace {

// The newest version row: one read of the primary key's last entry.
int StoredSchemaVersion(dataset::Connection &connection)
{
    dataset::Query version;
    version.SetConnection(&connection);
    version.SetSQL({QStringLiteral("SELECT version FROM schemaversion ORDER BY version DESC LIMIT 1")});
    version.Open();
    return version.IsEmpty() ? 0 : version.Fields(0).AsInteger();
}

} // namespace

void TParkingDM::ConnectionAttached()
{
    m_schemaVersion.reset();
    dataset::Connection *connection = Connection();
    if (connection && connection->Connected())
        m_schemaVersion = StoredSchemaVersion(*connection);
}

void TParkingDM::CheckSchemaUnchanged()
{
    dataset::Connection *connection = Connection();
    if (!connection)
        throw dataset::Error(QStringLiteral("Veza sa bazom podataka nije uspostavljena."));
    const int stored = StoredSchemaVersion(*connection);
    if (!m_schemaVersion)
        m_schemaVersion = stored; // attached before connecting: the first save's version stands
    else if (stored != *m_schemaVersion)
        throw dataset::Error(QStringLiteral("Baza je u međuvremenu nadograđena; zatvorite i ponovo pokrenite program."));
}
