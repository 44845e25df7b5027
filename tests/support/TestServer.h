#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>

#include <memory>

class QTcpServer;
class QTcpSocket;

// A scripted HTTP server on 127.0.0.1 for tests, plain TCP or TLS, on a port the system
// picks. For each connection it collects the request (up to the empty line and any
// Content-Length body), then plays its Script: writes the response chunks one by one,
// each flushed to the kernel and followed by a pause (or, step by step, only when the test
// calls sendNextChunk), and ends by closing normally, resetting (RST) or staying silent.
// Everything runs on the test's event loop: wait for its signals with QSignalSpy.
//
// Certificates (tests/support/certs, made by generate.sh there, valid 2000-2100):
// - Localhost: "CN=localhost, O=Pelorin Tests", DNS:localhost only, issued by the test CA
//   and sent with it. Trusted only after setTestCaTrusted(true); connecting to "127.0.0.1"
//   instead of "localhost" then yields exactly a host name mismatch.
// - SelfSigned: a self-signed "localhost" certificate no one trusts.
// - Expired: "localhost" from the test CA, valid only in the year 2000.
class TestServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TestServer)

public:
    enum class Mode { Plain, Tls };
    enum class Certificate { Localhost, SelfSigned, Expired };
    enum class Ending {
        Close, // close normally (TLS close_notify, then FIN) after the last chunk
        Reset, // abort with SO_LINGER 0 after the last chunk, so the client sees a reset
        StaySilent, // keep the connection open and quiet
        KeepAlive // keep the connection open and play the script again for the next request
    };

    // What happens on each connection.
    struct Script
    {
        QList<QByteArray> chunks; // the response, written in this order
        int pauseMs = 30; // pause after each flushed chunk before the next
        bool stepByStep = false; // when true, each chunk after the first waits for sendNextChunk
        Ending ending = Ending::Close;
        bool waitForRequest = true; // false: start as soon as the connection is ready
    };

    // A server that is not yet listening; certificate matters only for Tls.
    explicit TestServer(Mode mode = Mode::Plain, Certificate certificate = Certificate::Localhost,
                        QObject* parent = nullptr);
    ~TestServer() override;

    // Listens on address (127.0.0.1 unless told) on a free port; false (with a reason in
    // error()) when that fails.
    bool listen(const QHostAddress& address = QHostAddress::LocalHost);
    // Why listen failed.
    QString error() const { return m_error; }
    // The port listened on, 0 before listen.
    quint16 port() const;
    // The port as text, as a request carries it.
    QString portText() const { return QString::number(port()); }

    // Sets what later connections get; the default closes without answering.
    void setScript(const Script& script) { m_script = script; }
    // Shortcut: reply with chunks, then end as told.
    void setResponse(const QList<QByteArray>& chunks, Ending ending = Ending::Close);

    // In step-by-step mode: writes the next chunk (or plays the ending after the last).
    void sendNextChunk();
    // Closes the current connection normally now.
    void closeConnection();
    // Resets the current connection now (pending writes are flushed first).
    void resetConnection();

    // Every byte received on the latest connection (every request on it).
    QByteArray received() const { return m_received; }
    // Connections accepted so far.
    int connectionCount() const { return m_connections; }
    // Chunks of the script written on the current connection.
    int chunksSent() const { return m_nextChunk; }

    // A loopback port nothing listens on (bound once, then released).
    static quint16 refusedPort();
    // The folder holding the test certificates.
    static QString certificateDir();
    // The test CA's certificate.
    static QSslCertificate caCertificate();
    // Adds the test CA to (or removes it from) the default TLS configuration of the process;
    // sockets created afterwards see the change.
    static void setTestCaTrusted(bool trusted);

Q_SIGNALS:
    // A connection was accepted (for TLS: after the handshake).
    void connectionAccepted();
    // The request on the current connection is complete.
    void requestReceived();
    // Chunk index has been written and flushed.
    void chunkSent(int index);
    // The script's ending was played (closed, reset, or gone silent).
    void scriptFinished();
    // The current connection ended, closed by either side or reset.
    void connectionClosed();

private:
    void onPendingConnection();
    void onReadyRead();
    void checkRequest();
    // The length of the request starting at m_requestStart once it is complete, else -1.
    qsizetype requestLength() const;
    void startScript();
    void writeChunk();
    void onFlushed();
    void checkFlushed();
    qint64 pendingBytes() const;
    void playEnding();
    void resetNow();

    Mode m_mode;
    Certificate m_certificate;
    std::unique_ptr<QTcpServer> m_server;
    QPointer<QTcpSocket> m_connection;
    Script m_script;
    QByteArray m_received;
    QString m_error;
    int m_connections = 0;
    int m_nextChunk = 0;
    bool m_started = false;
    bool m_waitingForFlush = false;
    bool m_resetWhenFlushed = false;
    qsizetype m_requestStart = 0; // where the request being collected starts in m_received
    qsizetype m_requestEnd = 0;
    bool m_requestSeen = false; // requestReceived was raised for the request at m_requestStart
};
