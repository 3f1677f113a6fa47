#pragma once

#include <dataset/Connection.h>

#include <QString>

// The network test servers of the CTest fixture 'tlsserver' (directory in
// PARKING_TLS_SERVER_DIR), both on 127.0.0.1 at free ports:
//   Tls    TLS with a server certificate for 127.0.0.1 and localhost, signed by a CA made
//          at test time (CaFile); WrongCaFile is a second CA that signed nothing.
//   Plain  no TLS at all.
// Each has the administrator account 'tcp_admin'@'127.0.0.1' (every right, with GRANT)
// whose password is the first line of PasswordFile. The fixture also writes
// DIR/fixture.ini for tools and scripts:
//   [tls]   host, port, user, password-file, ca, wrong-ca, data-dir
//   [plain] host, port, user, password-file, data-dir
// Tests of the fixture run one at a time (RESOURCE_LOCK tlsserver), so one may restart
// a server; an account made by a test is gone after a restart.
class TlsTestServer {
public:
    enum class Kind { Tls, Plain };

    // dir empty: PARKING_TLS_SERVER_DIR (throws when that is not set).
    explicit TlsTestServer(const QString &dir = {});

    // The fixture: certificates (once), both servers (a running one is reused), the
    // accounts and fixture.ini. Throws dataset::Error.
    void Start();
    void Stop();
    // Stops and starts one server on the same port with the same files.
    void Restart(Kind kind);

    // The administrator over TCP: for Tls with TLS required and verified against CaFile,
    // for Plain with TLS off.
    dataset::ConnectionParams AdminParams(Kind kind) const;
    unsigned Port(Kind kind) const;
    QString CaFile() const;
    QString WrongCaFile() const;
    QString PasswordFile() const;
    const QString &Dir() const { return m_dir; }

    // A TCP port on 127.0.0.1 that nobody listens on right now.
    static unsigned FreePort();

private:
    QString File(const QString &name) const;
    void StartServer(Kind kind, unsigned port);

    QString m_dir;
};
