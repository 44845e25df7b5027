#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class HTTPResponse;

// A response body as a document: the transfer coding (chunked) and the content codings
// (gzip, deflate, br) undone, and the bytes decoded into text by their charset. What
// could not be undone is said in error; bytes and text then hold what could.
struct DecodedBody
{
    QByteArray bytes; // the body after every coding was removed
    QString text; // bytes decoded with charset, without a byte order mark
    QString mediaType; // "type/subtype" of Content-Type, lower-cased; "" when absent
    QString charset; // the charset used for text, lower-cased ("utf-8", "iso-8859-1", ...)
    QString codings; // the codings removed, in the order undone ("chunked, gzip"); "" for none
    bool truncated = false; // bytes were cut at the size limit
    QString error; // why the body is incomplete or still coded; "" on success

    explicit operator bool() const { return error.isEmpty(); }
};

// Size past which a decoded body is cut and marked truncated, so that a small compressed
// body cannot expand into all of memory.
inline constexpr qint64 kDecodedBodyLimit = 256LL * 1024 * 1024;

// Decodes the body of a raw response (status line, header block, body). Never throws;
// a response without a header block decodes as an empty body with an error.
DecodedBody decodeBody(QByteArrayView rawResponse, qint64 limit = kDecodedBodyLimit);
// Decodes the body of a received response (see above).
DecodedBody decodeBody(const HTTPResponse& response, qint64 limit = kDecodedBodyLimit);

// The "type/subtype" of a raw response's Content-Type, lower-cased; "" when there is none.
QString responseMediaType(QByteArrayView rawResponse);

// Removes the chunked transfer coding; stops at a malformed size or the end of the data
// and says so in error. Extensions and trailer fields are dropped; LF alone ends a line.
QByteArray removeChunkedCoding(QByteArrayView body, qint64 limit, bool& truncated, QString& error);

// Undoes one content coding ("gzip", "x-gzip", "deflate" with or without its zlib wrapper,
// "br", "identity"); an unknown coding or corrupt data leaves error set.
QByteArray removeContentCoding(QByteArrayView data, const QString& coding, qint64 limit,
                               bool& truncated, QString& error);

// The charset of a body: Content-Type's charset parameter, else a byte order mark, else a
// <meta> or XML declaration near the start, else "utf-8" when the bytes are valid UTF-8,
// else "iso-8859-1". Lower-cased.
QString detectCharset(QByteArrayView bytes, const QString& contentType);

// The bytes as text in charset; a charset the system cannot decode falls back to UTF-8
// when the bytes are valid UTF-8, else Latin-1. A byte order mark is dropped.
QString decodeText(QByteArrayView bytes, const QString& charset);
