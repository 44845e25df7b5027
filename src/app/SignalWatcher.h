#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop, so that the
// program can save and end cleanly. The handler only writes the signal's number to a pipe
// (the self-pipe pattern); nothing else runs inside it. One instance per process; the default
// handling returns when it is destroyed.
class SignalWatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalWatcher)

public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

    // False when the pipe or the handlers could not be set up (the signals then end the
    // program as before).
    bool isActive() const { return m_notifier != nullptr; }
    // "SIGTERM", "SIGINT" or "SIGHUP"; the number as text for any other.
    static QString name(int signalNumber);

Q_SIGNALS:
    // One of the watched signals arrived.
    void signalled(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
    int m_readEnd = -1;
};
