#include "transport/ExchangeTiming.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Tenths of a millisecond, the precision shown.
qint64 tenths(qint64 nanoseconds)
{
    return (nanoseconds + 50'000) / 100'000;
}

QString milliseconds(qint64 tenthsOfMs)
{
    return QString::number(double(tenthsOfMs) / 10.0, 'f', 1) + u" ms"_s;
}

} // namespace

void ExchangeTiming::start()
{
    m_clock.start();
    m_at.fill(0);
    m_seen.fill(false);
}

void ExchangeTiming::mark(Mark mark)
{
    const auto i = std::size_t(mark);
    if (!m_clock.isValid() || i >= m_seen.size() || m_seen[i])
        return;
    m_at[i] = m_clock.nsecsElapsed();
    m_seen[i] = true;
}

bool ExchangeTiming::has(Mark mark) const
{
    const auto i = std::size_t(mark);
    return i < m_seen.size() && m_seen[i];
}

QString ExchangeTiming::summary() const
{
    if (!has(Mark::End))
        return {};
    // A phase that did not happen, or happened out of order (a server that speaks before
    // the request is written), counts as zero, so the phases never add up beyond the total.
    // Rounding the running times rather than each phase keeps that true of what is shown.
    std::array<qint64, std::size_t(Mark::Count)> running {};
    qint64 previous = 0;
    for (std::size_t i = 0; i < running.size(); ++i) {
        previous = std::max(previous, m_seen[i] ? tenths(m_at[i]) : previous);
        running[i] = previous;
    }
    const auto at = [&running](Mark mark) {
        return running[std::size_t(mark)];
    };

    QStringList phases;
    phases << u"name lookup "_s + milliseconds(at(Mark::LookupDone));
    phases << u"connect "_s + milliseconds(at(Mark::Connected) - at(Mark::LookupDone));
    if (has(Mark::Encrypted))
        phases << u"TLS "_s + milliseconds(at(Mark::Encrypted) - at(Mark::Connected));
    phases << u"request sent "_s + milliseconds(at(Mark::RequestSent) - at(Mark::Encrypted));
    phases << u"first byte "_s + milliseconds(at(Mark::FirstByte) - at(Mark::RequestSent));
    phases << u"total "_s + milliseconds(at(Mark::End));
    return u"Timing: "_s + phases.join(u", "_s);
}
