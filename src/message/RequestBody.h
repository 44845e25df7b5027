#pragma once

#include <QByteArray>
#include <QString>

// The body of a request as composed; what goes on the wire is its UTF-8 form.
class RequestBody
{
public:
    // Media type its producer associates with the body; never read when the request is rendered.
    QString ContentType;

    // The body text, sent verbatim as UTF-8.
    const QString& Contents() const { return m_contents; }
    // Replaces the body text and recomputes ContentLength.
    void setContents(const QString& contents);
    // The bytes the body takes on the wire.
    const QByteArray& ContentBytes() const { return m_bytes; }
    // Number of bytes of Contents on the wire (the character count for ASCII text).
    qint32 ContentLength() const { return qint32(m_bytes.size()); }

private:
    QString m_contents;
    QByteArray m_bytes;
};
