#pragma once

#include <dataset/Connection.h>

#include <QByteArray>
#include <QString>
#include <memory>

// A relay of the client/server protocol from TCP 127.0.0.1 to the test server's Unix
// socket, able to break the link around one COMMIT (or another statement): what a client meets when the network
// fails at the worst moment. Everything else passes unchanged (no TLS, no compression).
class CommitCutProxy {
public:
    enum class Cut {
        AfterCommit, // COMMIT reaches the server; its reply is dropped and the link closed
        BeforeCommit, // the link is closed instead of passing COMMIT on
        // As AfterCommit, and every new link is refused until AcceptAgain: the client
        // cannot learn what became of its COMMIT.
        AfterCommitThenRefuse,
    };

    explicit CommitCutProxy(const QString &serverSocket);
    ~CommitCutProxy();
    CommitCutProxy(const CommitCutProxy &) = delete;
    CommitCutProxy &operator=(const CommitCutProxy &) = delete;

    // The next COMMIT any client sends is cut this way; later ones pass.
    void CutNextCommit(Cut how);
    // The same for the next statement that begins with 'start' (any case, "RENAME TABLE"):
    // "Commit" in the cuts then stands for that statement.
    void CutNextStatement(const QByteArray &start, Cut how);
    // True once the armed cut has happened.
    bool Done() const;
    void AcceptAgain();
    // 'server' (user, password, database) reached through the proxy: TCP, no TLS.
    dataset::ConnectionParams Params(const dataset::ConnectionParams &server) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
