#pragma once

#include <QByteArray>
#include <QString>

// The body of a request as composed: the exact bytes that go on the wire, and a text that
// shows them.
class RequestBody
{
public:
    // Media type its producer associates with the body; never read when the request is rendered.
    QString ContentType;

    // The body as text: the text it was set from, or its bytes read as UTF-8, or the rendering
    // given with them. Shown, never sent.
    const QString& Contents() const { return m_contents; }
    // Replaces the body by text; the bytes are its UTF-8 form.
    void setContents(const QString& contents);
    // Replaces the body by exactly bytes; Contents becomes their UTF-8 reading.
    void setContents(const QByteArray& bytes);
    // Replaces the body by exactly bytes that are shown as shown (a binary body's rendering).
    void setContents(const QByteArray& bytes, const QString& shown);
    // The bytes the body takes on the wire.
    const QByteArray& ContentBytes() const { return m_bytes; }
    // Number of bytes on the wire (the character count for ASCII text).
    qint64 ContentLength() const { return m_bytes.size(); }

private:
    QString m_contents;
    QByteArray m_bytes;
};
