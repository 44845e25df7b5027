#pragma once

#include <QtGlobal>

class Cookie;

// What the cookie store tells the cookie viewer.
class CookieViewer
{
public:
    virtual ~CookieViewer() = default;
    // Shows the cookie under its host, or refreshes its row. Returns 0.
    virtual qint32 AddCookie(const Cookie& cookie) = 0;
};
