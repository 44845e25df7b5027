#include "message/HTTPRequest.h"

using namespace Qt::StringLiterals;

void HTTPRequest::setMethod(const QString& method)
{
    m_method = method.toUpper();
}

void HTTPRequest::setURL(const QString& url)
{
    const qsizetype slash = url.lastIndexOf(u'/');
    URLroot = url.left(slash + 1);
    ResourceName = url.mid(slash + 1);
}

QString HTTPRequest::FullPath() const
{
    return (Secure ? u"https://"_s : u"http://"_s) + Server + u':' + Port + URL();
}

QString HTTPRequest::RequestMessage() const
{
    return m_method + u' ' + URLroot + ResourceName + u' ' + HTTPver + u"\r\n"_s + Header
        + u"\r\n\r\n"_s + Body.Contents();
}

QByteArray HTTPRequest::RequestBytes() const
{
    // Built from the body's cached bytes so a large body is encoded only once.
    QByteArray head = QString(m_method + u' ' + URLroot + ResourceName + u' ' + HTTPver + u"\r\n"_s
                              + Header + u"\r\n\r\n"_s)
                          .toUtf8();
    head.reserve(head.size() + Body.ContentBytes().size());
    head.append(Body.ContentBytes());
    return head;
}
