#include "app/SignalWatcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array kWatched { SIGTERM, SIGINT, SIGHUP };
volatile sig_atomic_t g_writeEnd = -1;

extern "C" void onSignal(int number)
{
    // Only async-signal-safe calls here; errno belongs to the code that was interrupted.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    if (g_writeEnd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    }
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher(QObject* parent)
    : QObject(parent)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readEnd = ends[0];
    g_writeEnd = ends[1];
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kWatched)
        ::sigaction(number, &action, nullptr);
    m_notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::onReadable);
}

SignalWatcher::~SignalWatcher()
{
    if (m_readEnd < 0)
        return;
    for (const int number : kWatched)
        std::signal(number, SIG_DFL);
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    ::close(writeEnd);
    ::close(m_readEnd);
}

void SignalWatcher::onReadable()
{
    unsigned char byte = 0;
    while (::read(m_readEnd, &byte, 1) == 1)
        Q_EMIT signalled(byte);
}

QString SignalWatcher::name(int signalNumber)
{
    switch (signalNumber) {
    case SIGTERM:
        return u"SIGTERM"_s;
    case SIGINT:
        return u"SIGINT"_s;
    case SIGHUP:
        return u"SIGHUP"_s;
    default:
        return QString::number(signalNumber);
    }
}
