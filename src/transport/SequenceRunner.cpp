#include "transport/SequenceRunner.h"

#include "analysis/ResultSink.h"
#include "transport/BrowserSession.h"
#include "transport/ExchangeSequence.h"
#include "transport/SynchronisedSend.h"

using namespace Qt::StringLiterals;

QList<SequenceTab> SequenceResultTabs(const QList<ResponseSplitter::Response>& responses,
                                      const QByteArray& leftover, int maxTabs)
{
    const qsizetype forResponses = std::max(1, maxTabs - (leftover.isEmpty() ? 0 : 1));
    QList<SequenceTab> tabs;
    for (qsizetype i = 0; i < responses.size(); ++i) {
        const ResponseSplitter::Response& response = responses.at(i);
        const QString number = QString::number(i + 1);
        if (tabs.size() == forResponses - 1 && responses.size() > forResponses) {
            SequenceTab rest { number + u'\x2013' + QString::number(responses.size()), {} };
            for (qsizetype j = i; j < responses.size(); ++j)
                rest.bytes += responses.at(j).bytes;
            tabs.append(rest);
            break;
        }
        tabs.append(
            { number + u": "_s
                  + (response.complete ? QString::number(response.statusCode) : u"cut short"_s),
              response.bytes });
    }
    if (!leftover.isEmpty())
        tabs.append({ u"Leftover"_s, leftover });
    return tabs;
}

SequenceRunner::SequenceRunner(BrowserSession& session, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_sequence(new ExchangeSequence(this))
    , m_send(new SynchronisedSend(this))
{
    connect(m_sequence, &ExchangeSequence::logLine, this, &SequenceRunner::log);
    connect(m_send, &SynchronisedSend::logLine, this, &SequenceRunner::log);
    // Cookies and history follow the responses in the order they came.
    connect(m_sequence, &ExchangeSequence::responseComplete, this, [this](int i) {
        m_session.processSequenceResponse(m_sequence->requests().at(i),
                                          m_sequence->responses().at(i).bytes);
    });
    connect(m_sequence, &ExchangeSequence::finished, this, &SequenceRunner::end);
    connect(m_send, &SynchronisedSend::finished, this, &SequenceRunner::end);
}

SequenceRunner::~SequenceRunner() = default;

bool SequenceRunner::isRunning() const
{
    return m_sequence->isRunning() || m_send->isRunning();
}

void SequenceRunner::log(const QString& line)
{
    if (m_sink)
        m_sink->AddToLog(line);
}

void SequenceRunner::start(const QList<HTTPRequest>& requests, Mode mode, ResultSink* sink)
{
    cancel();
    m_mode = mode;
    m_sink = sink;
    // Through the proxy a send would take, presenting the client certificate it would.
    QList<HTTPRequest> prepared = requests;
    QList<ProxyChoice> proxies;
    const bool oneConnection = mode != Mode::Synchronised;
    if (const Result ready = m_session.prepareSequenceProxies(prepared, oneConnection, proxies);
        !ready) {
        log(u"[ERROR] "_s + ready.text);
        m_sink = nullptr;
        Q_EMIT finished(false);
        return;
    }
    if (mode == Mode::Synchronised) {
        m_send->setProxies(proxies);
        m_send->setClientTls(m_session.clientTls());
        m_send->start(prepared);
    } else {
        m_sequence->setProxy(proxies.value(0));
        m_sequence->setClientTls(m_session.clientTls());
        m_sequence->start(prepared,
                          mode == Mode::Pipelined ? ExchangeSequence::Mode::Pipelined
                                                  : ExchangeSequence::Mode::InTurn);
    }
}

void SequenceRunner::cancel()
{
    m_sequence->cancel();
    m_send->cancel();
}

void SequenceRunner::end(bool completed)
{
    QList<ResponseSplitter::Response> responses;
    QByteArray leftover;
    if (m_mode == Mode::Synchronised) {
        for (int i = 0; i < m_send->requests().size(); ++i) {
            responses.append(m_send->response(i));
            leftover += m_send->leftover(i);
            if (responses.last().complete)
                m_session.processSequenceResponse(m_send->requests().at(i), responses.last().bytes);
        }
    } else {
        responses = m_sequence->responses();
        leftover = m_sequence->leftover();
    }
    if (m_sink) {
        const QList<SequenceTab> tabs
            = SequenceResultTabs(responses, leftover, ResultSink::kMaxTabs);
        for (qsizetype i = 0; i < tabs.size(); ++i) {
            m_sink->AddResultTab(tabs.at(i).caption, ResultSink::ResponsePage, i == 0);
            m_sink->AddResultText(tabs.at(i).bytes);
        }
    }
    m_sink = nullptr;
    Q_EMIT finished(completed);
}
