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

QString HTTPRequest::headerBlock() const
{
    if (ProxyHeader.isEmpty())
        return Header;
    return Header.isEmpty() ? ProxyHeader : Header + u"\r\n"_s + ProxyHeader;
}

QString HTTPRequest::RequestMessage(qsizetype bodyLimit) const
{
    // A large body that was never shown is read as text only as far as it is shown.
    const QString body = bodyLimit < 0 ? Body.Contents()
        : Body.hasOwnRendering()
        ? Body.Contents().left(bodyLimit)
        : QString::fromUtf8(Body.ContentBytes().left(bodyLimit * 4)).left(bodyLimit);
    return m_method + u' ' + ProxyPrefix + URLroot + ResourceName + u' ' + HTTPver + u"\r\n"_s
        + headerBlock() + u"\r\n\r\n"_s + body;
}

QByteArray HTTPRequest::HeadBytes() const
{
    return QString(m_method + u' ' + ProxyPrefix + URLroot + ResourceName + u' ' + HTTPver
                   + u"\r\n"_s + headerBlock() + u"\r\n\r\n"_s)
        .toUtf8();
}

QByteArray HTTPRequest::RequestBytes() const
{
    // Built from the body's cached bytes so a large body is encoded only once.
    QByteArray head = HeadBytes();
    head.reserve(head.size() + Body.ContentBytes().size());
    head.append(Body.ContentBytes());
    return head;
}
