#pragma once

#include <QString>
#include <QStringList>

namespace dbserver {

// The TLS files of a served server, in one folder: the authority (ca.pem, ca.key) that the
// desks trust and the server's certificate (server.pem, server.key) it signed for the names
// the desks reach the server by (names.txt records them). Keys are readable by the owner only.
class ServerCertificates {
public:
    explicit ServerCertificates(QString folder);

    QString CaFile() const { return File(QStringLiteral("ca.pem")); }
    QString CertificateFile() const { return File(QStringLiteral("server.pem")); }
    QString KeyFile() const { return File(QStringLiteral("server.key")); }

    // Makes the authority once and a server certificate for 'names' (IP addresses or DNS
    // names) unless the one there was made for the same names; true when files changed.
    // Throws dataset::Error with openssl's output when it fails.
    bool Make(const QStringList &names);
    // Takes the authority, certificate and key given instead (copies them in); true when
    // the copies changed.
    bool Take(const QString &caFile, const QString &certificateFile, const QString &keyFile);

private:
    QString File(const QString &name) const { return m_folder + QLatin1Char('/') + name; }
    void Openssl(const QStringList &arguments) const;

    QString m_folder;
};

// Writes 'bytes' to 'path' (mode 0600) unless it holds them already; true when written.
// Throws dataset::Error when it cannot.
bool WriteIfChanged(const QString &path, const QByteArray &bytes);

} // namespace dbserver
