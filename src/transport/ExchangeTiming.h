#pragma once

#include <QElapsedTimer>
#include <QString>

#include <array>

// The phases of one exchange on a monotonic clock: name lookup, connect, TLS handshake,
// writing the request, waiting for the first byte, and the whole exchange up to its end.
class ExchangeTiming final
{
public:
    // Points in an exchange, in the order they normally happen.
    enum class Mark { LookupDone, Connected, Encrypted, RequestSent, FirstByte, End, Count };

    // Restarts the clock and forgets every mark.
    void start();
    // Records the time of mark; only its first occurrence counts. Ignored before start.
    void mark(Mark mark);
    // Whether mark has been recorded.
    bool has(Mark mark) const;

    // "Timing: name lookup 0.4 ms, connect 0.2 ms, TLS 3.1 ms, request sent 0.1 ms, first
    // byte 1.9 ms, total 12.7 ms"; TLS only when a handshake happened. Empty unless the
    // exchange has ended.
    QString summary() const;

private:
    QElapsedTimer m_clock;
    std::array<qint64, std::size_t(Mark::Count)> m_at {};
    std::array<bool, std::size_t(Mark::Count)> m_seen {};
};
