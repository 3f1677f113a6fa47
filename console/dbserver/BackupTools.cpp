#include "BackupTools.h"

#include "ServerProcess.h"
#include <dataset/Error.h>
#include <routines/TextFormat.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <memory>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>

namespace dbserver::detail {

namespace {

constexpr int TailLines = 12;
constexpr int KillWaitMs = 5000;

QString Tail(const QByteArray &output)
{
    QStringList lines = QString::fromLocal8Bit(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return SafeLines(lines.mid(qMax<qsizetype>(0, lines.size() - TailLines)).join(QLatin1Char('\n')));
}

// A child process that never outlives this object, nor this process (it gets SIGTERM
// when we die, so a killed backup or follower leaves no tool running). What it writes
// is the owner's alone.
class Child {
public:
    Child()
    {
        m_process.setChildProcessModifier([] {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::umask(077);
        });
    }
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(KillWaitMs);
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    QProcess &operator*() { return m_process; }
    QProcess *operator->() { return &m_process; }

private:
    QProcess m_process;
};

bool Succeeded(QProcess &process)
{
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString Failure(QProcess &process, const QString &program)
{
    if (process.error() == QProcess::FailedToStart)
        return process.errorString();
    if (process.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("%1 je prekinut").arg(QFileInfo(program).fileName());
    return QStringLiteral("%1 je završio sa kodom %2").arg(QFileInfo(program).fileName()).arg(process.exitCode());
}

} // namespace

QString ShownPath(const QString &path)
{
    return SafeText(QDir::toNativeSeparators(path));
}

QString BackupProgram()
{
    return FindProgram({}, QStringLiteral("mariadb-backup"), QStringLiteral("mariadb-backup"));
}

QString BinlogProgram()
{
    return FindProgram({}, QStringLiteral("mariadb-binlog"), QStringLiteral("mariadb-client"));
}

QString ClientProgram()
{
    return FindProgram({}, QStringLiteral("mariadb"), QStringLiteral("mariadb-client"));
}

QString DumpProgram()
{
    return FindProgram({}, QStringLiteral("mariadb-dump"), QStringLiteral("mariadb-client"));
}

QByteArray RunTool(const QString &program, const QStringList &arguments, const QString &what, const QString &input)
{
    Child child;
    child->setProcessChannelMode(QProcess::MergedChannels);
    if (!input.isEmpty())
        child->setStandardInputFile(input);
    child->start(program, arguments);
    child->waitForFinished(-1);
    const QByteArray output = child->readAll();
    if (!Succeeded(*child))
        throw dataset::Error(QStringLiteral("%1 nije uspelo (%2):\n%3").arg(what, Failure(*child, program), Tail(output)));
    return output;
}

QString ReplayBinaryLog(const QStringList &binlogArguments, const QStringList &clientArguments)
{
    const QString binlog = BinlogProgram();
    const QString client = ClientProgram();
    Child reader;
    Child writer;
    reader->setStandardOutputProcess(&*writer);
    writer->setProcessChannelMode(QProcess::MergedChannels);
    writer->start(client, clientArguments);
    reader->start(binlog, binlogArguments);
    reader->waitForFinished(-1);
    writer->waitForFinished(-1);
    const QByteArray complaint = reader->readAllStandardError();
    if (!Succeeded(*writer))
        throw dataset::Error(QStringLiteral("Primena dnevnika izmena nije uspela (%1):\n%2")
                                 .arg(Failure(*writer, client), Tail(writer->readAll())));
    if (reader->error() == QProcess::FailedToStart)
        throw dataset::Error(QStringLiteral("Dnevnik izmena nije pročitan: %1").arg(reader->errorString()));
    return Succeeded(*reader) ? QString() : Tail(complaint);
}

} // namespace dbserver::detail
