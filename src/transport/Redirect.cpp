#include "transport/Redirect.h"

#include "message/UrlReference.h"

using namespace Qt::StringLiterals;

std::optional<HTTPRequest> ParseLocation(const QString& location)
{
    return ParseHttpUrl(location);
}

std::optional<HTTPRequest> ResolveRedirect(const HTTPRequest& current, const QString& location)
{
    // ftp:, mailto:, javascript:, data: ... are not followed.
    return ResolveHttpReference(current, location);
}

QString RedirectReferer(const HTTPRequest& current, const HTTPRequest& target)
{
    const bool moved = target.Server.compare(current.Server, Qt::CaseInsensitive) != 0
        || target.Port.compare(current.Port, Qt::CaseInsensitive) != 0;
    return moved ? current.FullPath() : current.URL();
}

QString HostForConnect(const QString& server)
{
    if (server.size() >= 2 && server.startsWith(u'[') && server.endsWith(u']'))
        return server.mid(1, server.size() - 2);
    return server;
}
