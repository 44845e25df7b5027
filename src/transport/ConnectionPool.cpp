#include "transport/ConnectionPool.h"

#include "transport/SocketX.h"
#include "transport/TransportErrors.h"

using namespace Qt::StringLiterals;

QString ConnectionPool::Key::text() const
{
    return host + u':' + QString::number(port) + (proxy.isEmpty() ? QString() : u" via "_s + proxy);
}

ConnectionPool::ConnectionPool(QObject* parent)
    : QObject(parent)
{
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(kDefaultIdleMs);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        drop(u"Closed idle connection to %1 after %2 s"_s.arg(
            m_key.text(), QString::number(m_idleTimer.interval() / 1000.0)));
    });
}

ConnectionPool::~ConnectionPool()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->close();
    }
}

void ConnectionPool::setIdleMs(int ms)
{
    m_idleTimer.setInterval(std::max(1, ms));
}

std::unique_ptr<SocketX> ConnectionPool::take(const Key& key, int* requests)
{
    if (!m_socket || !(m_key == key))
        return nullptr;
    m_idleTimer.stop();
    m_socket->disconnect(this);
    if (requests)
        *requests = m_requests;
    std::unique_ptr<SocketX> socket = std::move(m_socket);
    Q_EMIT changed();
    return socket;
}

void ConnectionPool::keep(std::unique_ptr<SocketX> socket, const Key& key, int requests)
{
    if (m_socket)
        drop(u"Closing connection to "_s + m_key.text());
    m_socket = std::move(socket);
    m_key = key;
    m_requests = requests;
    SocketX* kept = m_socket.get();
    connect(kept, &SocketX::closed, this, [this](quint16 errorCode) {
        drop(errorCode == SocketError::NoError
                 ? u"Server closed the connection to %1 while it was idle"_s.arg(m_key.text())
                 : u"Connection to %1 failed while idle: %2"_s.arg(m_key.text(),
                                                                   SocketErrorText(errorCode)));
    });
    connect(kept, &SocketX::receiveReady, this, [this](quint16 errorCode) {
        if (errorCode != SocketError::NoError) {
            drop(u"Connection to %1 failed while idle: %2"_s.arg(m_key.text(),
                                                                 SocketErrorText(errorCode)));
            return;
        }
        // Bytes no request asked for: the next response could not be told from them.
        const qsizetype stray = m_socket->receive().size();
        if (stray > 0)
            drop(u"Server sent %1 bytes on the idle connection to %2; closed it"_s.arg(
                QString::number(stray), m_key.text()));
    });
    m_idleTimer.start();
    Q_EMIT changed();
}

void ConnectionPool::closeNow(const QString& why)
{
    if (m_socket)
        drop(why);
}

void ConnectionPool::drop(const QString& note)
{
    m_idleTimer.stop();
    if (m_socket) {
        // The socket may be the sender of the event being handled, so it goes later.
        SocketX* socket = m_socket.release();
        socket->disconnect(this);
        socket->close();
        socket->deleteLater();
    }
    m_notes.append(note);
    Q_EMIT noted(note);
    Q_EMIT changed();
}

QStringList ConnectionPool::takeNotes()
{
    return std::exchange(m_notes, {});
}
