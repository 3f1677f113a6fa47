#include "ImportCommand.h"

#include "ServerConnection.h"
#include <console/dbserver/Schema.h>
#include <parking/imports/ImportError.h>
#include <routines/TextFormat.h>

#include <QHash>

namespace importcmd {

namespace {

using StringOption = std::optional<QString> CommandOptions::*;

const QHash<QString, StringOption> &StringOptions()
{
    static const QHash<QString, StringOption> options{
        {QStringLiteral("--socket"), &CommandOptions::socket},
        {QStringLiteral("--host"), &CommandOptions::host},
        {QStringLiteral("--hosts"), &CommandOptions::hosts},
        {QStringLiteral("--user"), &CommandOptions::user},
        {QStringLiteral("--password-file"), &CommandOptions::passwordFile},
        {QStringLiteral("--database"), &CommandOptions::database},
        {QStringLiteral("--data-dir"), &CommandOptions::dataDir},
        {QStringLiteral("--config"), &CommandOptions::config},
        {QStringLiteral("--output"), &CommandOptions::output},
        {QStringLiteral("--ssl-ca"), &CommandOptions::tlsCaFile},
        {QStringLiteral("--limit"), &CommandOptions::limit},
    };
    return options;
}

[[noreturn]] void Usage(const QString &text)
{
    throw UsageError(text.toStdString());
}

const Subcommand &FindSubcommand(const QString &name)
{
    for (const Subcommand &command : Subcommands()) {
        if (command.name == name)
            return command;
    }
    Usage(QStringLiteral("Nepoznata naredba: %1").arg(name));
}

} // namespace

CommandOptions ParseOptions(const QStringList &arguments)
{
    CommandOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        std::optional<QString> inlineValue;
        if (name.startsWith(QLatin1String("--")) && name.contains(QLatin1Char('='))) {
            inlineValue = name.section(QLatin1Char('='), 1);
            name = name.section(QLatin1Char('='), 0, 0);
        }
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (name == QLatin1String("--again")) {
            options.dayCopy = imports::DayCopy::Another;
            continue;
        }
        if (name == QLatin1String("--allow-empty")) {
            options.emptying = imports::Emptying::Allowed;
            continue;
        }
        if (!name.startsWith(QLatin1Char('-')) || name == QLatin1String("-")) {
            options.positional << name;
            continue;
        }
        const auto value = [&]() -> QString {
            if (inlineValue)
                return *inlineValue;
            if (++i >= arguments.size())
                Usage(QStringLiteral("Opcija %1 traži vrednost.").arg(name));
            return arguments.at(i);
        };
        if (name == QLatin1String("--port")) {
            bool ok = false;
            const QString text = value();
            const unsigned port = text.toUInt(&ok);
            if (!ok || port == 0 || port > 65535)
                Usage(QStringLiteral("Neispravan port: %1").arg(text));
            options.port = port;
        } else if (name == QLatin1String("--ssl")) {
            const QString text = value();
            options.tls = dataset::TlsModeFromText(text);
            if (!options.tls)
                Usage(QStringLiteral("Neispravna vrednost opcije --ssl: %1 (required, preferred ili off)").arg(text));
        } else if (name == QLatin1String("--ssl-verify")) {
            const QString text = value();
            options.tlsVerify = dataset::SwitchFromText(text);
            if (!options.tlsVerify)
                Usage(QStringLiteral("Neispravna vrednost opcije --ssl-verify: %1 (on ili off)").arg(text));
        } else if (const auto found = StringOptions().constFind(name); found != StringOptions().cend()) {
            options.*(found.value()) = value();
        } else {
            Usage(QStringLiteral("Nepoznata opcija: %1").arg(name));
        }
    }
    return options;
}

CommandIo::CommandIo(FILE *out, FILE *err, bool errIsTerminal)
    : m_out(out)
    , m_err(err)
    , m_terminal(errIsTerminal)
{
}

ImportProgressFn CommandIo::Progress(const QString &what)
{
    auto lastShown = std::make_shared<qint64>(-1);
    return [this, what = SafeText(what), lastShown](qint64 done, qint64 total) {
        const qint64 percent = total > 0 ? done * 100 / total : 0;
        const qint64 shown = m_terminal ? percent : percent / 10 * 10;
        if (shown == *lastShown)
            return;
        *lastShown = shown;
        m_progressShown = true;
        if (m_terminal)
            m_err << '\r' << what << ": " << shown << " %" << Qt::flush;
        else
            m_err << what << ": " << shown << " %" << Qt::endl;
    };
}

void CommandIo::EndProgress()
{
    if (m_terminal && m_progressShown)
        m_err << Qt::endl;
    m_progressShown = false;
}

CommandContext::CommandContext(const CommandOptions &options, CommandIo &io)
    : m_options(options)
    , m_arguments(options.positional.mid(1))
    , m_io(io)
{
}

CommandContext::~CommandContext() = default;

dataset::ConnectionParams CommandContext::DatabaseParams()
{
    if (!m_server) {
        auto server = std::make_unique<ServerConnection>(m_options);
        m_link = CheckSchema(server->Params());
        m_server = std::move(server);
    }
    return m_server->Params();
}

QString CommandContext::LinkLine() const
{
    return m_link;
}

// A database of another schema version is refused before anything is read or written.
QString CommandContext::CheckSchema(const dataset::ConnectionParams &params)
{
    dataset::Connection connection;
    try {
        connection.Connect(params);
    } catch (const dataset::Error &e) {
        throw CommandError(ExitDatabase, ConnectionFailureText(params, e.message()));
    }
    try {
        dbserver::CheckSchemaVersion(connection);
    } catch (const dataset::DatabaseError &) {
        throw;
    } catch (const dataset::Error &e) {
        throw CommandError(ExitDatabase, e.message());
    }
    return LinkText(params, connection);
}

ImportSummary CommandContext::RunFileImport(ImportJob &job, const QString &fileName, QTextStream *summary)
{
    imports::CheckImportFileName(fileName);
    const dataset::ConnectionParams params = job.UsesDatabase() ? DatabaseParams() : dataset::ConnectionParams{};
    const auto progress = m_io.Progress(fileName);
    try {
        ImportSummary result = imports::RunImport(job, fileName, params, progress, {}, m_options.emptying);
        m_io.EndProgress();
        QTextStream &out = summary ? *summary : m_io.Out();
        for (const QString &line : result.Lines())
            out << line << Qt::endl;
        if (!m_link.isEmpty())
            out << m_link << Qt::endl;
        return result;
    } catch (...) {
        m_io.EndProgress();
        throw;
    }
}

QString HelpText()
{
    QString text = QStringLiteral("Upotreba: parking-import [opcije] NAREDBA [argumenti]\n\nNaredbe:\n");
    for (const Subcommand &command : Subcommands())
        text += QStringLiteral("  %1 %2\n      %3\n").arg(command.name, command.arguments, command.description);
    text += QStringLiteral("\nOpcije (pre ili posle naredbe):\n"
                           "  --socket PATH          Unix soket servera baze\n"
                           "  --host H --port P      server baze preko mreže\n"
                           "  --hosts H1:P1,H2:P2    čvorovi klastera, redom; posle prekida sledeći\n"
                           "  --user U               nalog baze podataka\n"
                           "  --password-file F      datoteka čiji je prvi red lozinka naloga\n"
                           "  --database NAME        baza podataka (podrazumevano parking)\n"
                           "  --ssl MODE             TLS mrežne veze: required, preferred (podrazumevano), off\n"
                           "  --ssl-ca FILE          sertifikat izdavača (CA) servera; tada se nikad ne radi bez TLS\n"
                           "  --ssl-verify on|off    provera sertifikata i imena servera (podrazumevano on)\n"
                           "  --data-dir DIR         privatni server u folderu DIR (ili PARKING_DATA_DIR)\n"
                           "  --config FILE          druga datoteka podešavanja umesto parking-console.ini\n"
                           "  --output OUT           izlaz naredbe startstop (.json ili redovi sa \"|\")\n"
                           "  --again                ticket-document: još jedan dokument za već obrađen dan\n"
                           "  --allow-empty          uvoz neprazne datoteke bez ijednog reda za upis sme da isprazni tabelu\n"
                           "  --limit N              history: najviše N poslednjih zapisa (podrazumevano 50)\n"
                           "  --help                 ovo uputstvo\n"
                           "Bez opcija servera naredba se povezuje kao konzola.\n"
                           "\nIzlazni kodovi:\n"
                           "  0  uspeh\n"
                           "  1  datoteka je odbijena ili red nije moguće pročitati\n"
                           "  2  baza podataka je odbila ili nije dostupna (i povezivanje ili TLS)\n"
                           "  3  pogrešna upotreba\n"
                           "  4  ticket-document: dokument za taj dan je već napravljen\n"
                           "Relativne putanje password-file i ssl-ca iz datoteke podešavanja traže se\n"
                           "pored nje; host=localhost znači Unix soket servera, za TCP navedite 127.0.0.1.\n");
    return text;
}

int RunCommand(const QStringList &arguments, CommandIo &io)
{
    try {
        const CommandOptions options = ParseOptions(arguments);
        if (options.help) {
            io.Out() << HelpText() << Qt::flush;
            return ExitSuccess;
        }
        if (options.positional.isEmpty())
            Usage(QStringLiteral("Naredba nije navedena."));
        const Subcommand &command = FindSubcommand(options.positional.first());
        if (options.positional.size() - 1 != command.argumentCount)
            Usage(QStringLiteral("Upotreba: parking-import %1 %2").arg(command.name, command.arguments));
        CommandContext context(options, io);
        command.run(context);
        io.Out() << Qt::flush;
        return ExitSuccess;
    } catch (const UsageError &e) {
        io.Err() << SafeLines(QString::fromStdString(e.what())) << "\nVidite parking-import --help." << Qt::endl;
        return ExitUsage;
    } catch (const CommandError &e) {
        io.Out() << Qt::flush;
        io.Err() << SafeLines(e.message()) << Qt::endl;
        return e.code();
    } catch (...) {
        const imports::ImportError error = imports::ToImportError(std::current_exception());
        io.Out() << Qt::flush;
        const bool database = error.kind() == imports::ImportFailure::Database;
        // Only a file's content is a wrong file format; the database's failures are told
        // without that title.
        io.Err() << (database ? error.message().section(QLatin1Char('\n'), 1) : error.message()) << Qt::endl;
        if (error.emptiesTable())
            io.Err() << "Ako tabela treba da ostane prazna, ponovite uvoz uz --allow-empty." << Qt::endl;
        return database ? ExitDatabase : ExitFile;
    }
}

} // namespace importcmd
