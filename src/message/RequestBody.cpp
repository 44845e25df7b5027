#include "message/RequestBody.h"

void RequestBody::setContents(const QString& contents)
{
    m_contents = contents;
    m_bytes = contents.toUtf8();
}
