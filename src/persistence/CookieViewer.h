#pragma once

#include <QString>

class Cookie;

// What the cookie store tells the cookie viewer.
class CookieViewer
{
public:
    virtual ~CookieViewer() = default;
    // Shows the cookie under its host, or refreshes its row (block mark included). Returns 0.
    virtual qint32 AddCookie(const Cookie& cookie) = 0;
    // Drops the row of the cookie named exactly name under host (any letter case), when
    // shown: for cookies the store removed on its own (a server expiring them).
    virtual void RemoveCookie(const QString& host, const QString& name)
    {
        Q_UNUSED(host);
        Q_UNUSED(name);
    }
};
