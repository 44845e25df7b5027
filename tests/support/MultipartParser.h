#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// A strict reader of multipart/form-data written for the tests, independent of the encoder:
// the boundary parameter must be present and valid (RFC 2046 5.1.1: 1 to 70 characters of
// bchars, not ending in a space), the body must begin with the first delimiter (no preamble),
// every delimiter line must end in CR LF with no padding, the close delimiter must end the
// body with CR LF and nothing after it. Every part needs exactly one Content-Disposition
// header of type form-data with a quoted name and, optionally, a quoted filename
// (RFC 7578); header lines must be "Name: value" without bare CR or LF.
struct MultipartPart
{
    QMap<QByteArray, QByteArray> headers; // names lower-cased, values as sent
    QByteArray name; // raw bytes between the quotes
    bool hasFilename = false;
    QByteArray filename; // raw bytes between the quotes
    QByteArray content;
};

struct MultipartMessage
{
    QByteArray boundary;
    QList<MultipartPart> parts;
    QString error; // the first rule broken; empty when the message is well formed

    explicit operator bool() const { return error.isEmpty(); }
};

// Parses body as sent with the Content-Type value contentType.
MultipartMessage parseMultipart(const QByteArray& contentType, const QByteArray& body);

// Undoes the %22, %0D and %0A escapes browsers use inside quoted names.
QByteArray unescapeQuotedName(const QByteArray& name);
