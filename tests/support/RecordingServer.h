#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A plain loopback server for tests of several connections at once: records every read of
// every connection with the time it arrived, and once a connection has received a given
// number of request heads (requests without bodies, each ended by an empty line) answers with
// one write, then closes or stays open. Runs on the test's event loop, or in a thread of its own
// after moveToThread (read peers only once that thread has ended).
class RecordingServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordingServer)

public:
    struct Peer
    {
        QList<QByteArray> reads; // each read as it came
        QList<qint64> readNs; // when each came, on the server's clock
        QByteArray received; // every byte, in order
        bool answered = false;
    };

    explicit RecordingServer(QObject* parent = nullptr);
    ~RecordingServer() override;

    // Listens on 127.0.0.1 on a free port; false when that fails.
    bool listen();
    QString portText() const;

    // What later connections get after requests request heads: reply in one write, then a
    // close when close is true.
    void setReply(const QByteArray& reply, int requests = 1, bool close = false);

    // The connections in the order they were accepted.
    const QList<Peer>& peers() const { return m_peers; }

Q_SIGNALS:
    // Connection index received a read.
    void readArrived(int index);
    // Connection index got its reply.
    void answered(int index);

private:
    void onNewConnection();
    void onReadyRead(int index, QTcpSocket* socket);

    QTcpServer* m_server;
    QElapsedTimer m_clock;
    QList<Peer> m_peers;
    QByteArray m_reply;
    int m_requests = 1;
    bool m_close = false;
};
