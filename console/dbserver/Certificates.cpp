#include "Certificates.h"

#include <dataset/Error.h>
#include <routines/PrivateFiles.h>

#include <QFile>
#include <QRegularExpression>
#include <QProcess>

namespace dbserver {

namespace {

constexpr int OpensslTimeoutMs = 120000;

// "IP:10.0.0.5,DNS:kasa-server": how openssl's subjectAltName names them.
QByteArray AlternativeNames(const QStringList &names)
{
    static const QRegularExpression address(QStringLiteral("^([0-9.]+|[0-9a-fA-F:]*:[0-9a-fA-F:.]*)$"));
    QStringList entries;
    for (const QString &name : names)
        entries << (address.match(name).hasMatch() ? QStringLiteral("IP:") : QStringLiteral("DNS:")) + name;
    return "subjectAltName=" + entries.join(QLatin1Char(',')).toUtf8() + '\n';
}

QByteArray FileContent(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw dataset::Error(QStringLiteral("Datoteka %1 ne može da se pročita: %2").arg(path, file.errorString()));
    return file.readAll();
}

} // namespace

bool WriteIfChanged(const QString &path, const QByteArray &bytes)
{
    if (QFile::exists(path) && ReadPrivateFile(path) == bytes)
        return false;
    QFile::remove(path);
    if (!WritePrivateFile(path, bytes))
        throw dataset::Error(QStringLiteral("Datoteka %1 nije zapisana: %2").arg(path, ErrorText()));
    return true;
}

ServerCertificates::ServerCertificates(QString folder)
    : m_folder(std::move(folder))
{
    if (!MakePrivateDirectory(m_folder))
        throw dataset::Error(QStringLiteral("Folder %1 nije napravljen: %2").arg(m_folder, ErrorText()));
}

void ServerCertificates::Openssl(const QStringList &arguments) const
{
    QProcess process;
    process.setWorkingDirectory(m_folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(OpensslTimeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        throw dataset::Error(QStringLiteral("openssl %1 nije uspeo: %2 %3")
                                 .arg(arguments.value(0), process.errorString(),
                                      QString::fromLocal8Bit(process.readAll()).trimmed()));
}

bool ServerCertificates::Make(const QStringList &names)
{
    const QByteArray wanted = names.join(QLatin1Char('\n')).toUtf8() + '\n';
    const QString namesFile = File(QStringLiteral("names.txt"));
    if (QFile::exists(CertificateFile()) && QFile::exists(KeyFile()) && QFile::exists(CaFile())
        && ReadPrivateFile(namesFile) == wanted)
        return false;
    if (!QFile::exists(CaFile()) || !QFile::exists(File(QStringLiteral("ca.key")))) {
        QFile::remove(File(QStringLiteral("ca.key")));
        Openssl({"req", "-x509", "-newkey", "rsa:3072", "-nodes", "-days", "3650", "-subj", "/CN=Parking CA",
                 "-keyout", "ca.key", "-out", "ca.pem"});
    }
    WriteIfChanged(File(QStringLiteral("server.ext")), AlternativeNames(names));
    Openssl({"req", "-newkey", "rsa:3072", "-nodes", "-subj", "/CN=" + names.value(0), "-keyout", "server.key",
             "-out", "server.csr"});
    Openssl({"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-days",
             "3650", "-extfile", "server.ext", "-out", "server.pem"});
    for (const QString &key : {QStringLiteral("ca.key"), QStringLiteral("server.key")})
        QFile::setPermissions(File(key), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(File(QStringLiteral("server.csr")));
    WriteIfChanged(namesFile, wanted);
    return true;
}

bool ServerCertificates::Take(const QString &caFile, const QString &certificateFile, const QString &keyFile)
{
    // Read all three before anything is replaced.
    const QByteArray ca = FileContent(caFile);
    const QByteArray certificate = FileContent(certificateFile);
    const QByteArray key = FileContent(keyFile);
    bool changed = WriteIfChanged(CaFile(), ca);
    changed = WriteIfChanged(CertificateFile(), certificate) || changed;
    changed = WriteIfChanged(KeyFile(), key) || changed;
    QFile::remove(File(QStringLiteral("names.txt")));
    return changed;
}

} // namespace dbserver
