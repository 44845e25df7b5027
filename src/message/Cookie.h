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

    // The server the cookie came from, lower-cased.
    const QString& Host() const { return m_host; }
    void setHost(const QString& host) { m_host = host.toLower(); }
    // The domain attribute, lower-cased; empty when absent.
    const QString& domain() const { return m_domain; }
    void setDomain(const QString& domain) { m_domain = domain.toLower(); }

    // Persistent cookies (with an expiry) are the ones that are stored.
    bool isPersistent() const { return !Expires.isEmpty(); }

    friend bool operator==(const Cookie&, const Cookie&) = default;

private:
    QString m_host;
    QString m_domain;
};

// Parses the value of one Set-Cookie line (the text after "Set-Cookie:"). The first part
// is the cookie's name=value; attributes follow. A positive max-age without expires
// sets Expires to the HTTP date of now + max-age.
Cookie ParseSetCookie(const QString& value, const QDateTime& now = QDateTime::currentDateTimeUtc());

// An IMF-fixdate as used in HTTP ("Wed, 01 Jan 2003 00:00:00 GMT").
QString HttpDate(const QDateTime& when);
