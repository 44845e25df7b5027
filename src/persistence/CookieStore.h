#pragma once

#include "message/Cookie.h"

#include <QList>
#include <QString>

class CookieViewer;
class MessageSink;
class XmlDocument;

// The persistent cookies in the cookies section of the user data document, keyed by the
// lower-cased host name and the exact cookie name. Failures are shown through the sink and
// returned as a non-zero status.
class CookieStore final
{
    Q_DISABLE_COPY_MOVE(CookieStore)
public:
    CookieStore(XmlDocument& userData, MessageSink& sink);

    // The viewer told about stored cookies; null while there is none.
    void setViewer(CookieViewer* viewer) { m_viewer = viewer; }

    // Stored cookies per host at most; browsers keep far fewer.
    static constexpr qsizetype kMaxCookiesPerHost = 2000;
    // StoreCookie's status for a new cookie refused because its host is full (nothing shown).
    static constexpr qint32 HostFull = -2;

    // Inserts the cookie under its host, or updates value, path, expiry and secure flag of the
    // stored one, whose block mark stays. Tells the viewer. Returns 0, HostFull when the host
    // holds kMaxCookiesPerHost cookies already, or the error's number after showing it (the
    // cookies section is missing).
    qint32 StoreCookie(const Cookie& cookie);
    // Removes the stored cookie of the cookie's host and name because the server deleted it, and
    // tells the viewer. True when one was stored; nothing is shown.
    bool ExpireStoredCookie(const Cookie& cookie);

    // Removes the cookies stored for server whose expiry date is at or before now (RFC 6265, 5.3
    // step 12), telling the viewer. Returns the removed ones; nothing is shown.
    QList<Cookie> RemoveExpiredCookies(const QString& server,
                                       const QDateTime& now = QDateTime::currentDateTimeUtc());

    // The cookies stored for server (any letter case), in document order, blocked ones
    // included, with Host set. An empty list when none is stored (callers test isEmpty(); there
    // is no placeholder element).
    QList<Cookie> GetStoredCookies(const QString& server) const;

    // Hands every stored cookie to the viewer. A server's listing stops at a cookie lacking
    // name, value, path, expires or block; servers without a name are skipped.
    void LoadStoredCookies() const;

    // Removes the cookie; the server element stays. A missing cookie is no error. Returns 0,
    // or the error's number after showing it.
    qint32 DeleteStoredCookie(const QString& server, const QString& name);
    // Sets the cookie's block mark. A missing cookie is no error. Returns 0, or the error's
    // number after showing it.
    qint32 BlockStoredCookie(const QString& server, const QString& name);
    // Clears the cookie's block mark. A missing cookie is no error. Returns 0, or the error's
    // number after showing it.
    qint32 UnblockStoredCookie(const QString& server, const QString& name);

private:
    qint32 setBlock(const QString& server, const QString& name, bool block);
    bool hasSection();

    XmlDocument& m_doc;
    MessageSink& m_sink;
    CookieViewer* m_viewer = nullptr;
};
