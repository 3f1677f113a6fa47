#pragma once

// The batch command `parking-import`: runs the imports of the forms from a script or
// cron, on the same jobs, with a summary on standard output and the forms' error texts.

#include <dataset/Error.h>
#include <parking/imports/ImportHistory.h>
#include <parking/imports/ImportJob.h>

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <dataset/Connection.h>

#include <optional>
#include <vector>

namespace importcmd {

using imports::ImportJob;
using imports::ImportProgressFn;
using imports::ImportSummary;

// 4: the day's document exists already (made before, or by another desk at the same time).
enum ExitCode { ExitSuccess = 0, ExitFile = 1, ExitDatabase = 2, ExitUsage = 3, ExitDocumentExists = 4 };

// Wrong usage: exit code 3, the text followed by a hint at --help.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure whose text is not an import's (the ticket document's messages): shown as it
// is, with its exit code.
class CommandError : public dataset::Error {
public:
    CommandError(ExitCode code, const QString &message)
        : dataset::Error(message)
        , m_code(code)
    {
    }
    ExitCode code() const noexcept { return m_code; }

private:
    ExitCode m_code;
};

struct CommandOptions {
    std::optional<QString> socket, host, hosts, user, passwordFile, database, dataDir, config, output, limit;
    std::optional<unsigned> port;
    std::optional<dataset::TlsMode> tls; // --ssl
    std::optional<QString> tlsCaFile;    // --ssl-ca
    std::optional<bool> tlsVerify;       // --ssl-verify
    bool help = false;
    // ticket-document: --again makes another document for a day that has one
    imports::DayCopy dayCopy = imports::DayCopy::First;
    // tickets, subscriptions, startstop: whether a non-empty file may empty the table
    imports::Emptying emptying = imports::Emptying::Refused;
    QStringList positional; // the subcommand and its arguments
};

// Options may stand before or after the subcommand. Throws UsageError.
CommandOptions ParseOptions(const QStringList &arguments);

// Standard output for the summary, standard error for progress and errors.
class CommandIo {
public:
    CommandIo(FILE *out, FILE *err, bool errIsTerminal);
    QTextStream &Out() { return m_out; }
    QTextStream &Err() { return m_err; }
    // On a terminal one line rewritten in place; otherwise a plain line every 10 %.
    ImportProgressFn Progress(const QString &what);
    void EndProgress();

private:
    QTextStream m_out;
    QTextStream m_err;
    bool m_terminal;
    bool m_progressShown = false;
};

class ServerConnection;

// What a subcommand works with: its arguments, the streams and the database.
class CommandContext {
public:
    CommandContext(const CommandOptions &options, CommandIo &io);
    ~CommandContext();

    const CommandOptions &Options() const { return m_options; }
    const QStringList &Arguments() const { return m_arguments; }
    CommandIo &Io() { return m_io; }
    // The server the command works on, started or found on first use; its database must
    // carry the schema version of this program.
    dataset::ConnectionParams DatabaseParams();
    // "Baza NAME na SERVER, veza: TLS 1.3" (or "veza: nije šifrovana", or the local
    // socket), ending the summary; empty when the command used no database.
    QString LinkLine() const;

    // Runs a file import with progress and prints its summary (on standard output unless
    // 'summary' names another stream).
    ImportSummary RunFileImport(ImportJob &job, const QString &fileName, QTextStream *summary = nullptr);

private:
    // Connects once: a refused or failed connection is a database failure with the
    // server named; the schema version must be this program's. Returns the link line.
    static QString CheckSchema(const dataset::ConnectionParams &params);
    const CommandOptions &m_options;
    QStringList m_arguments;
    CommandIo &m_io;
    std::unique_ptr<ServerConnection> m_server;
    QString m_link;
};

struct Subcommand {
    QString name;
    QString arguments; // as shown in the usage: "FILE", "YYYY-MM-DD"
    QString description;
    int argumentCount;
    std::function<void(CommandContext &)> run; // throws ImportError, UsageError
};

// Every subcommand, in the order --help lists them.
const std::vector<Subcommand> &Subcommands();

QString HelpText();

// The whole command: parses, runs, reports; returns the exit code.
int RunCommand(const QStringList &arguments, CommandIo &io);

} // namespace importcmd
