#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class SocketX;

// The one connection a keep-alive exchange left open, kept for the next exchange to the same
// host, port and TLS setting. Watches it while idle: a server's close, stray bytes and the
// idle timeout each close it and leave a note for the next exchange's log.
class ConnectionPool final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConnectionPool)

public:
    // Where a connection leads.
    struct Key
    {
        QString host; // lower-case, as connected to
        int port = 0;
        bool secure = false;
        QString proxy; // the proxy's display form; empty when connected straight
        bool operator==(const Key&) const = default;
        // "host:port", then " via <proxy>" when one is used.
        QString text() const;
    };

    // Idle connections are closed after this long unless told otherwise.
    static constexpr int kDefaultIdleMs = 60000;

    explicit ConnectionPool(QObject* parent = nullptr);
    ~ConnectionPool() override;

    // The kept connection when it leads to key, with how many requests went over it; null
    // otherwise (a kept connection elsewhere stays open).
    std::unique_ptr<SocketX> take(const Key& key, int* requests);
    // Keeps socket, connected and idle, for the next exchange to key; replaces (closes) any
    // connection kept before.
    void keep(std::unique_ptr<SocketX> socket, const Key& key, int requests);
    // Closes the kept connection now, noting why; harmless when none is kept.
    void closeNow(const QString& why);

    bool isOpen() const { return bool(m_socket); }
    // Where the kept connection leads; meaningful only while isOpen.
    const Key& key() const { return m_key; }
    int idleMs() const { return m_idleTimer.interval(); }
    // Applies at once (an idle countdown starts again) and to later connections; at least 1 ms.
    void setIdleMs(int ms);

    // The notes since the last call, oldest first, then forgets them.
    QStringList takeNotes();

Q_SIGNALS:
    // A connection was kept or closed.
    void changed();
    // A note was added (the same text takeNotes returns later).
    void noted(const QString& line);

private:
    void drop(const QString& note);

    std::unique_ptr<SocketX> m_socket;
    Key m_key;
    int m_requests = 0;
    QTimer m_idleTimer;
    QStringList m_notes;
};
