#pragma once

#include "message/ResponseFraming.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// Splits the bytes of one connection into the responses to the requests sent on it, in order,
// by the framing rule. Each response keeps its bytes exactly (interim 1xx responses stay with
// the final one that follows); bytes after the last expected response, or from a response that
// does not parse onwards, are kept as leftover, never dropped.
class ResponseSplitter final
{
public:
    struct Response
    {
        QByteArray bytes;
        int statusCode = 0; // of the final response, 0 before its status line
        bool complete = false;
        QString problem; // why it was cut short; empty otherwise
    };

    // requestIsHead: one entry per request sent, true for HEAD.
    explicit ResponseSplitter(QList<bool> requestIsHead);

    // Takes the next bytes of the connection; returns how many responses completed in them.
    int feed(QByteArrayView data);
    // The connection closed: a response delimited by the close completes, another one under
    // way is cut short.
    void close();

    // The responses begun so far, complete ones first.
    const QList<Response>& responses() const { return m_responses; }
    int completeCount() const { return m_complete; }
    int expected() const { return int(m_head.size()); }
    // Every expected response is complete, or nothing more can be framed.
    bool done() const { return m_complete == expected() || m_unparsable; }
    // Bytes that belong to no response.
    const QByteArray& leftover() const { return m_leftover; }
    // Why there is leftover: after the last response, or where a response does not parse.
    const QString& leftoverReason() const { return m_leftoverReason; }

private:
    void startResponse();

    QList<bool> m_head;
    QList<Response> m_responses;
    std::optional<ResponseFraming> m_framing;
    int m_complete = 0;
    bool m_unparsable = false;
    QByteArray m_leftover;
    QString m_leftoverReason;
};
