#include "support/RecordingServer.h"

#include <QTcpServer>
#include <QTcpSocket>

RecordingServer::RecordingServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    m_clock.start();
    connect(m_server, &QTcpServer::newConnection, this, &RecordingServer::onNewConnection);
}

RecordingServer::~RecordingServer() = default;

bool RecordingServer::listen()
{
    return m_server->listen(QHostAddress::LocalHost);
}

QString RecordingServer::portText() const
{
    return QString::number(m_server->serverPort());
}

void RecordingServer::setReply(const QByteArray& reply, int requests, bool close)
{
    m_reply = reply;
    m_requests = requests;
    m_close = close;
}

void RecordingServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        const int index = int(m_peers.size());
        m_peers.append(Peer {});
        connect(socket, &QTcpSocket::readyRead, this,
                [this, index, socket] { onReadyRead(index, socket); });
        if (socket->bytesAvailable() > 0)
            onReadyRead(index, socket);
    }
}

void RecordingServer::onReadyRead(int index, QTcpSocket* socket)
{
    const QByteArray bytes = socket->readAll();
    if (bytes.isEmpty())
        return;
    Peer& peer = m_peers[index];
    peer.reads.append(bytes);
    peer.readNs.append(m_clock.nsecsElapsed());
    peer.received.append(bytes);
    Q_EMIT readArrived(index);
    if (peer.answered || peer.received.count("\r\n\r\n") < m_requests)
        return;
    peer.answered = true;
    socket->write(m_reply);
    socket->flush();
    if (m_close)
        socket->disconnectFromHost();
    Q_EMIT answered(index);
}
