#include "message/ResponseSplitter.h"

#include <utility>

using namespace Qt::StringLiterals;

ResponseSplitter::ResponseSplitter(QList<bool> requestIsHead)
    : m_head(std::move(requestIsHead))
{ }

void ResponseSplitter::startResponse()
{
    m_responses.append(Response {});
    m_framing.emplace(m_head.value(m_responses.size() - 1));
}

int ResponseSplitter::feed(QByteArrayView data)
{
    int completed = 0;
    while (!data.isEmpty()) {
        if (m_unparsable || m_complete == expected()) {
            if (m_leftover.isEmpty() && !m_unparsable)
                m_leftoverReason = u"Bytes after the last response"_s;
            m_leftover.append(data);
            break;
        }
        if (!m_framing)
            startResponse();
        Response& response = m_responses.last();
        const qsizetype taken = m_framing->feed(data);
        if (m_framing->state() == ResponseFraming::State::Invalid) {
            // Nothing from here on can be told apart: the response that should begin here, and
            // all that follows, is leftover.
            m_unparsable = true;
            m_leftoverReason = u"Response %1 does not parse (%2)"_s.arg(
                QString::number(m_responses.size()), m_framing->problem());
            m_leftover = response.bytes + data.toByteArray();
            m_responses.removeLast();
            m_framing.reset();
            break;
        }
        response.bytes.append(data.first(taken));
        response.statusCode = m_framing->statusCode();
        data = data.sliced(taken);
        if (!m_framing->isComplete())
            break;
        if (m_framing->isInterim()) {
            m_framing.emplace(m_head.value(m_responses.size() - 1));
            continue;
        }
        response.complete = true;
        m_framing.reset();
        ++m_complete;
        ++completed;
    }
    return completed;
}

void ResponseSplitter::close()
{
    if (!m_framing)
        return;
    m_framing->close();
    Response& response = m_responses.last();
    if (m_framing->isComplete() && !m_framing->isInterim()) {
        response.complete = true;
        ++m_complete;
    } else {
        response.problem
            = m_framing->cutShort() ? m_framing->problem() : u"the connection closed inside it"_s;
    }
    m_framing.reset();
}
