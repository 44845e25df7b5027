#pragma once

#include <QDateTime>
#include <QString>

// One cookie as received, stored or sent.
class Cookie
{
public:
    QString Name; // trimmed
    QString Value; // trimmed, may be empty
    QString Expires; // expiry text as sent; empty for a session cookie
    QString Path; // path attribute as sent; empty when absent
    bool Secure = false; // a secure attribute was present
    bool Block = false; // the user blocked this stored cookie
    bool Expired = false; // the server deletes it: Max-Age <= 0 or an Expires in the past

    // The server the cookie came from, lower-cased.
    const QString& Host() const { return m_host; }
    void setHost(const QString& host) { m_host = host.toLower(); }
    // The domain attribute, lower-cased; empty when absent.
    const QString& domain() const { return m_domain; }
    void setDomain(const QString& domain) { m_domain = domain.toLower(); }

    // True when the name or the value holds a control character (RFC 6265, 4.1.1): such a
    // cookie is never sent or stored, since it could end a header line.
    bool hasControlCharacter() const;

    // Persistent cookies (with an expiry that has not passed) are the ones that are stored.
    bool isPersistent() const { return !Expires.isEmpty() && !Expired; }

    // True when Expires holds a date at or before now. An expiry text that holds no date never
    // passes, so a stored cookie with one is kept.
    bool expiresBy(const QDateTime& now) const;

    friend bool operator==(const Cookie&, const Cookie&) = default;

private:
    QString m_host;
    QString m_domain;
};

// Parses the value of one Set-Cookie line (the text after "Set-Cookie:"). The first part
// is the cookie's name=value; attributes follow. Max-Age wins over Expires: a positive one
// sets Expires to the HTTP date of now + max-age, zero or less marks the cookie Expired, as
// does an Expires date before now.
Cookie ParseSetCookie(const QString& value, const QDateTime& now = QDateTime::currentDateTimeUtc());

// The date of an Expires attribute, read the lenient way browsers read it (RFC 6265, 5.1.1);
// an invalid date when the text holds none.
QDateTime ParseCookieDate(const QString& text);

// An IMF-fixdate as used in HTTP ("Wed, 01 Jan 2003 00:00:00 GMT").
QString HttpDate(const QDateTime& when);
