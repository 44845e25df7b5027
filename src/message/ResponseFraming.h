#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Where one HTTP/1.x response ends on a connection (RFC 9112 §6.3): at its Content-Length, at
// the end of its chunked coding (trailers included), right after the head for HEAD, 1xx, 204
// and 304, and at the close otherwise. Fed the connection's bytes in arrival order, in pieces
// of any size; it only reads them, so the caller keeps the raw bytes exactly as received.
class ResponseFraming final
{
public:
    enum class State { Head, Body, Complete, Invalid };
    enum class BodyKind { Unknown, None, Length, Chunked, UntilClose };

    // requestWasHead: the request was HEAD, so a final response carries no body.
    explicit ResponseFraming(bool requestWasHead = false);

    // Reads the next bytes of the connection and returns how many leading bytes belong to
    // this response: all of them until it completes within data. Once the response is
    // Invalid every byte is taken (nothing after it can be framed); once Complete, none.
    qsizetype feed(QByteArrayView data);
    // The connection closed: a response delimited by the close is complete; any other that
    // is not complete was cut short (see problem).
    void close();

    State state() const { return m_state; }
    bool isComplete() const { return m_state == State::Complete; }
    BodyKind bodyKind() const { return m_kind; }
    // The status code once the status line was read, 0 before.
    int statusCode() const { return m_status; }
    // An interim (1xx) response other than 101: a final response follows on the connection.
    bool isInterim() const { return m_status >= 100 && m_status < 200 && m_status != 101; }
    // Bytes taken so far, and how many of them are the head.
    qint64 size() const { return m_taken; }
    qint64 headSize() const { return m_headSize; }
    // The Content-Length in force; -1 unless bodyKind is Length.
    qint64 contentLength() const { return m_length; }
    // Whether close came before the response was complete.
    bool cutShort() const { return m_cutShort; }
    // Why the response is Invalid or was cut short; empty otherwise.
    const QString& problem() const { return m_problem; }

private:
    enum class Chunk { Size, Extension, Data, DataEnd, Trailer };

    qsizetype feedHead(QByteArrayView data);
    qsizetype feedChunked(QByteArrayView data);
    bool headLine(QByteArrayView line);
    void headEnded();
    void fail(const QString& problem);

    bool m_head;
    State m_state = State::Head;
    BodyKind m_kind = BodyKind::Unknown;
    int m_status = 0;
    qint64 m_taken = 0;
    qint64 m_headSize = 0;
    qint64 m_length = -1;
    qint64 m_remaining = 0;
    bool m_cutShort = false;
    QString m_problem;

    QByteArray m_line; // the head or chunk line being read, without its end
    bool m_statusRead = false;
    bool m_chunkedLast = false; // the last transfer coding named is chunked
    bool m_hasTransferEncoding = false;
    QByteArray m_lastField; // lower-case name of the last field, for obsolete line folding

    Chunk m_chunk = Chunk::Size;
    qint64 m_chunkSize = 0;
    bool m_sizeDigits = false;
    bool m_sawCr = false;
};
