#include "message/Cookie.h"

#include "message/ControlCharacters.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// Browsers cap a cookie's lifetime at 400 days (RFC 6265bis, 5.6.2).
constexpr qint64 kMaxAgeCap = 400LL * 24 * 60 * 60;

// RFC 6265, 5.1.1: the characters between the tokens of a cookie date.
bool isDateDelimiter(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x09 || (u >= 0x20 && u <= 0x2F) || (u >= 0x3B && u <= 0x40)
        || (u >= 0x5B && u <= 0x60) || (u >= 0x7B && u <= 0x7E);
}

} // namespace

bool Cookie::hasControlCharacter() const
{
    return HasControlCharacter(Name) || HasControlCharacter(Value);
}

QString HttpDate(const QDateTime& when)
{
    return QLocale::c().toString(when.toUTC(), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'"_s);
}

QDateTime ParseCookieDate(const QString& text)
{
    static const QRegularExpression timeToken(u"^(\\d{1,2}):(\\d{1,2}):(\\d{1,2})(?:\\D.*)?$"_s);
    static const QRegularExpression dayToken(u"^(\\d{1,2})(?:\\D.*)?$"_s);
    static const QRegularExpression yearToken(u"^(\\d{2,4})(?:\\D.*)?$"_s);
    static const QStringList months { u"jan"_s, u"feb"_s, u"mar"_s, u"apr"_s, u"may"_s, u"jun"_s,
                                      u"jul"_s, u"aug"_s, u"sep"_s, u"oct"_s, u"nov"_s, u"dec"_s };
    int hour = -1, minute = 0, second = 0, day = -1, month = -1, year = -1;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && isDateDelimiter(text.at(i)))
            ++i;
        qsizetype end = i;
        while (end < text.size() && !isDateDelimiter(text.at(end)))
            ++end;
        const QString token = text.mid(i, end - i);
        i = end;
        if (token.isEmpty())
            continue;
        QRegularExpressionMatch m;
        if (hour < 0 && (m = timeToken.match(token)).hasMatch()) {
            hour = m.captured(1).toInt();
            minute = m.captured(2).toInt();
            second = m.captured(3).toInt();
        } else if (day < 0 && (m = dayToken.match(token)).hasMatch()) {
            day = m.captured(1).toInt();
        } else if (month < 0 && months.contains(token.left(3).toLower())) {
            month = int(months.indexOf(token.left(3).toLower())) + 1;
        } else if (year < 0 && (m = yearToken.match(token)).hasMatch()) {
            year = m.captured(1).toInt();
        }
    }
    if (year >= 70 && year <= 99)
        year += 1900;
    else if (year >= 0 && year <= 69)
        year += 2000;
    if (hour < 0 || day < 1 || day > 31 || month < 0 || year < 1601 || hour > 23 || minute > 59
        || second > 59)
        return {};
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    return QDateTime(date, QTime(hour, minute, second), QTimeZone::utc());
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

    static const QRegularExpression deltaSeconds(u"^-?\\d+$"_s);
    bool hasMaxAge = false;
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
        else if (name == "max-age"_L1 && deltaSeconds.match(attr).hasMatch()) {
            // RFC 6265, 5.2.2: anything but an optional "-" and digits is ignored; a number
            // too long to hold is still a huge or a negative age.
            bool ok = false;
            const qint64 seconds = attr.toLongLong(&ok);
            hasMaxAge = true;
            maxAge = ok ? std::min(seconds, kMaxAgeCap) : (attr.startsWith(u'-') ? -1 : kMaxAgeCap);
        }
        // httponly, samesite, unknown attributes and empty parts carry nothing we keep.
    }
    // RFC 6265, 5.3 step 3: Max-Age wins over Expires.
    if (hasMaxAge) {
        if (maxAge <= 0)
            cookie.Expired = true;
        else
            cookie.Expires = HttpDate(now.addSecs(maxAge));
    } else {
        cookie.Expired = cookie.expiresBy(now);
    }
    return cookie;
}

bool Cookie::expiresBy(const QDateTime& now) const
{
    if (Expires.isEmpty())
        return false;
    const QDateTime expiry = ParseCookieDate(Expires);
    return expiry.isValid() && expiry <= now;
}
