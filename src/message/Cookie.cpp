#include "message/Cookie.h"

#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// Browsers cap a cookie's lifetime at 400 days (RFC 6265bis, 5.6.2).
constexpr qint64 kMaxAgeCap = 400LL * 24 * 60 * 60;
} // namespace

QString HttpDate(const QDateTime& when)
{
    return QLocale::c().toString(when.toUTC(), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'"_s);
}

Cookie ParseSetCookie(const QString& value, const QDateTime& now)
{
    Cookie cookie;
    const QStringList parts = value.split(u';');

    // The value may itself contain "=", so only the first one separates it from the name.
    const QString& pair = parts.first();
    const qsizetype eq = pair.indexOf(u'=');
    cookie.Name = (eq < 0 ? pair : pair.left(eq)).trimmed();
    cookie.Value = eq < 0 ? QString() : pair.mid(eq + 1).trimmed();

    qint64 maxAge = 0;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        const qsizetype sep = part.indexOf(u'=');
        const QString name = (sep < 0 ? part : part.left(sep)).trimmed().toLower();
        const QString attr = sep < 0 ? QString() : part.mid(sep + 1).trimmed();
        if (name == "expires"_L1)
            cookie.Expires = attr;
        else if (name == "path"_L1)
            cookie.Path = attr;
        else if (name == "domain"_L1)
            cookie.setDomain(attr);
        else if (name == "secure"_L1)
            cookie.Secure = true;
        else if (name == "max-age"_L1)
            maxAge = std::min(attr.toLongLong(), kMaxAgeCap);
        // httponly, samesite, unknown attributes and empty parts carry nothing we keep.
    }
    if (cookie.Expires.isEmpty() && maxAge > 0)
        cookie.Expires = HttpDate(now.addSecs(maxAge));
    return cookie;
}
