#include "ImportSubcommands.h"

#include "ServerConnection.h"
#include <console/connection/ConsoleSettings.h>
#include <console/services/ConsoleSession.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/HostServices.h>
#include <parking/imports/ImportHistory.h>
#include <parking/imports/TicketDocument.h>

namespace importcmd {

namespace {

// Nobody can answer a dialog in a batch run: messages are kept for the error output,
// questions and pickers count as cancelled.
class BatchDialogService : public DialogService {
public:
    void ShowError(const QString &text) override { messages << text; }
    void ShowInformation(const QString &text) override { messages << text; }
    DialogAnswer AskYesNoCancel(const QString &) override { return DialogAnswer::Cancel; }
    bool Confirm(const QString &) override { return false; }
    bool PickDate(QDate &) override { return false; }
    bool PickDateTime(QDateTime &) override { return false; }
    QString GetOpenFileName(const QString &, const QString &, const QString &) override { return {}; }

    QStringList messages;
};

// The data module and the console's module services over one connection, as the
// module finds them inside the console; all of it is gone again at the end.
class ModuleSession {
public:
    ModuleSession(const dataset::ConnectionParams &params, const QString &settingsPath)
    {
        m_connection.Connect(params);
        m_session = std::make_unique<console::ConsoleSession>(m_connection, console::ConsoleSettings(settingsPath));
        m_host.SetConsole(m_session->ConsoleInterface());
        ParkingDM = TCustomDM::Create<TParkingDM>(m_host);
        ParkingDM->SetZConnection(&m_connection);
    }
    ~ModuleSession() { ParkingDM.reset(); }
    ModuleSession(const ModuleSession &) = delete;
    ModuleSession &operator=(const ModuleSession &) = delete;

private:
    dataset::Connection m_connection;
    std::unique_ptr<console::ConsoleSession> m_session;
    parking::HostServices m_host;
};

QDate ParseDay(const QString &text)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (!day.isValid() || text.size() != 10)
        throw UsageError(QStringLiteral("Neispravan dan: %1 (očekuje se YYYY-MM-DD)").arg(text).toStdString());
    return day;
}

void RunTicketDocument(CommandContext &context)
{
    const QDate day = ParseDay(context.Arguments().at(0));
    BatchDialogService dialogs;
    const ScopedDialogService installed(dialogs);
    imports::TicketDocumentResult result;
    try {
        const ModuleSession session(context.DatabaseParams(), SettingsPath(context.Options()));
        const imports::DayCopy copy = context.Options().dayCopy;
        if (copy == imports::DayCopy::First
            && imports::DocumentMadeFor(*ParkingDM->Connection(), parking::ImportKind::TicketDocument, day))
            throw imports::DayDocumentExists(day);
        const auto lookup = [](const QString &barcode, QString &reason) {
            return imports::SingleProductByBarcode(ParkingDM->Host(), barcode, reason);
        };
        result = imports::CreateTicketDocument(*ParkingDM, day, lookup, copy);
        dialogs.messages << result.messages;
    } catch (const CommandError &) {
        throw;
    } catch (const imports::DayDocumentExists &) {
        // Found before the run, or made by another desk while it ran.
        throw CommandError(ExitDocumentExists, QStringLiteral("Dokument za %1 je već napravljen; drugi se pravi samo uz --again.")
                                         .arg(day.toString(QStringLiteral("dd.MM.yyyy"))));
    } catch (const dataset::Error &e) {
        dialogs.messages << e.message();
        throw CommandError(ExitDatabase, dialogs.messages.join(QLatin1Char('\n')));
    }
    QTextStream &out = context.Io().Out();
    for (const QString &line : result.ReportLines())
        out << line << Qt::endl;
    out << context.LinkLine() << Qt::endl;
    // A refused header or item is among the messages.
    if (!dialogs.messages.isEmpty() || (result.issued > 0 && !result.written && !result.noItems))
        throw CommandError(ExitDatabase, dialogs.messages.join(QLatin1Char('\n')));
}

} // namespace

Subcommand TicketDocumentSubcommand()
{
    return {QStringLiteral("ticket-document"), QStringLiteral("YYYY-MM-DD"),
            QStringLiteral("pravi dokument M od karata izdatih i storniranih tog dana"), 1, RunTicketDocument};
}

} // namespace importcmd
