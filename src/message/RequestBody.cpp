#include "message/RequestBody.h"

void RequestBody::setContents(const QString& contents)
{
    m_contents = contents;
    m_bytes = contents.toUtf8();
}

void RequestBody::setContents(const QByteArray& bytes)
{
    m_bytes = bytes;
    m_contents = QString::fromUtf8(bytes);
}

void RequestBody::setContents(const QByteArray& bytes, const QString& shown)
{
    m_bytes = bytes;
    m_contents = shown;
}
