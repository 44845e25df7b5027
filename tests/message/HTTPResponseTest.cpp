#include "message/HTTPResponse.h"

#include "support/Recorders.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

HTTPResponse responseOf(const QByteArray& data, LogSink* log = nullptr)
{
    HTTPResponse r(log);
    r.AddResponseData(data);
    return r;
}

} // namespace

TEST(HTTPResponseTest, StatusCodeFromFirstStatusLine)
{
    LogRecorder log;
    EXPECT_EQ(responseOf("http/1.0 200 ok\r\n", &log).ResponseCode(), u"200"_s);
    EXPECT_EQ(responseOf("HTTP/1.1 404 Not Found\r\n\r\n", &log).ResponseCode(), u"404"_s);
    EXPECT_EQ(responseOf("HTTP/1.1  200 OK\r\n", &log).ResponseCode(), QString());
    // The code ends at a space or the line end, LF with or without CR.
    EXPECT_EQ(responseOf("HTTP/1.1 200\r\n", &log).ResponseCode(), u"200"_s);
    EXPECT_EQ(responseOf("HTTP/1.1 303\nLocation: /x\n\n", &log).ResponseCode(), u"303"_s);
    EXPECT_TRUE(log.lines.isEmpty());

    EXPECT_EQ(responseOf("HTTP/1.1 200 OK", &log).ResponseCode(), u"???"_s);
    EXPECT_EQ(responseOf("garbage\r\n", &log).ResponseCode(), u"???"_s);
    EXPECT_EQ(log.lines, QStringList(2, u"!ERROR! Could not determine response code"_s));
}

TEST(HTTPResponseTest, CodeIsReadAgainAsDataGrows)
{
    HTTPResponse r;
    r.AddResponseData("HTTP/1.1 30");
    EXPECT_EQ(r.ResponseCode(), u"???"_s);
    r.AddResponseData("2 Found\r\nLocation: /x\r\n\r\n");
    EXPECT_EQ(r.ResponseCode(), u"302"_s);
}

TEST(HTTPResponseTest, HeaderLookupMatchesWholeFieldName)
{
    HTTPResponse r = responseOf("HTTP/1.1 302 Found\r\n"
                                "LOCATION: /x\r\n"
                                "Location-Id: 5\r\n"
                                "Content-Type: text/html\r\n"
                                "Content-Length: 12\r\n"
                                "X-Tab:\t a b \t\r\n"
                                "\r\n"
                                "Location: /not-a-header\r\n");
    EXPECT_EQ(r.GetHeader(u"location"_s), QStringList { u"/x"_s });
    EXPECT_EQ(r.GetHeader(u"Content"_s), QStringList { QString() });
    EXPECT_EQ(r.GetHeader(u"content-length"_s), QStringList { u"12"_s });
    EXPECT_EQ(r.GetHeader(u"X-Tab"_s), QStringList { u"a b"_s });

    EXPECT_EQ(responseOf("HTTP/1.1 302 Found\r\nLocation:/x\r\n\r\n").GetHeader(u"Location"_s),
              QStringList { u"/x"_s });
    EXPECT_EQ(responseOf("HTTP/1.1 302 Found\r\nLocation : /x\r\n\r\n").GetHeader(u"Location"_s),
              QStringList { u"/x"_s });
}

TEST(HTTPResponseTest, MissingHeaderBlockIsLoggedOnce)
{
    LogRecorder log;
    HTTPResponse r = responseOf("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n", &log);
    EXPECT_TRUE(r.GetCookies().isEmpty());
    EXPECT_EQ(r.GetHeader(u"Set-Cookie"_s), QStringList { QString() });
    EXPECT_TRUE(r.Body().isEmpty());
    EXPECT_EQ(log.lines, QStringList { u"!ERROR! Error determining response header"_s });

    // The rest of the header arriving later is still found.
    r.AddResponseData("\r\nbody");
    ASSERT_EQ(r.GetCookies().size(), 1);
    EXPECT_EQ(r.Body(), "body");
    EXPECT_EQ(log.lines.size(), 1);
}

TEST(HTTPResponseTest, BodyIsEverythingAfterFirstBlankLineByteExact)
{
    const QByteArray body("part1\r\n\r\npart2\xff\xfe\x00 end", 20);
    HTTPResponse r;
    r.AddResponseData("HTTP/1.1 200 OK\r\nA: 1\r");
    r.AddResponseData("\n");
    r.AddResponseData("\r\n" + body.left(7));
    r.AddResponseData(body.mid(7));
    EXPECT_EQ(r.Body(), body);
    EXPECT_EQ(r.ResponseData().toByteArray(), "HTTP/1.1 200 OK\r\nA: 1\r\n\r\n" + body);
    EXPECT_EQ(r.Header(), QString());
    r.GetCookies();
    EXPECT_EQ(r.Header(), u"HTTP/1.1 200 OK\r\nA: 1"_s);
}

TEST(HTTPResponseTest, HeadEndsAtTheFirstEmptyLineWhateverItsLineEnds)
{
    // Each line end LF with an optional CR; every split into two chunks finds the same end.
    for (const QByteArray& eol : { "\n"_ba, "\r\n"_ba }) {
        for (const QByteArray& empty : { "\n"_ba, "\r\n"_ba }) {
            const QByteArray head = "HTTP/1.1 302 Found" + eol + "Location: /x" + eol;
            const QByteArray whole = head + empty + "body\r\n\r\nmore";
            for (qsizetype split = 0; split <= whole.size(); ++split) {
                HTTPResponse r;
                r.AddResponseData(whole.left(split));
                r.AddResponseData(whole.mid(split));
                SCOPED_TRACE(whole.toStdString() + " split at " + std::to_string(split));
                EXPECT_EQ(r.Body(), "body\r\n\r\nmore");
                EXPECT_EQ(r.GetHeader(u"location"_s), QStringList { u"/x"_s });
                EXPECT_EQ(r.Header(),
                          u"HTTP/1.1 302 Found"_s + QString::fromLatin1(eol) + u"Location: /x"_s);
            }
            HTTPResponse interim;
            const QByteArray continueHead = "HTTP/1.1 100 Continue" + eol + empty;
            interim.AddResponseData(continueHead.left(continueHead.size() - 1));
            EXPECT_EQ(interim.ownedLength(QByteArray(continueHead.right(1) + "HTTP/1.1 200")), 1);
        }
    }
    // A bare CR ends no line.
    EXPECT_EQ(responseOf("HTTP/1.1 200 OK\r\rA: 1\r\r\n").Body(), QByteArray());
}

TEST(HTTPResponseTest, SetCookieLinesGiveCookiesInOrder)
{
    HTTPResponse r
        = responseOf("HTTP/1.1 200 OK\r\n"
                     "Set-Cookie: id=a1=b2; path=/; expires=Wed, 01-Jan-2003 00:00:00 GMT\r\n"
                     "set-cookie:sid=abc; Path=/; HttpOnly\r\n"
                     "Set-Cookie2: old=1\r\n"
                     "Set-Cookie:\r\n"
                     "Set-Cookie: n=\xc3\xa9t\xc3\xa9; Secure; Domain=.Example.COM\r\n"
                     "\r\n");
    const QList<Cookie> cookies = r.GetCookies();
    ASSERT_EQ(cookies.size(), 3);
    EXPECT_EQ(cookies[0].Name, u"id"_s);
    EXPECT_EQ(cookies[0].Value, u"a1=b2"_s);
    EXPECT_EQ(cookies[0].Path, u"/"_s);
    EXPECT_EQ(cookies[0].Expires, u"Wed, 01-Jan-2003 00:00:00 GMT"_s);
    EXPECT_EQ(cookies[1].Name, u"sid"_s);
    EXPECT_EQ(cookies[1].Value, u"abc"_s);
    EXPECT_FALSE(cookies[1].isPersistent());
    EXPECT_EQ(cookies[2].Value, u"\u00e9t\u00e9"_s);
    EXPECT_TRUE(cookies[2].Secure);
    EXPECT_EQ(cookies[2].domain(), u".example.com"_s);
    EXPECT_FALSE(cookies[2].Block);
}

TEST(HTTPResponseTest, SetCookieAttributesNeverReplaceTheCookie)
{
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 0, 0), Qt::UTC);
    Cookie c = ParseSetCookie(u"id=1; max-age=60"_s, now);
    EXPECT_EQ(c.Name, u"id"_s);
    EXPECT_EQ(c.Value, u"1"_s);
    EXPECT_EQ(c.Expires, u"Mon, 07 Dec 2026 10:01:00 GMT"_s);

    // Max-Age wins over Expires.
    c = ParseSetCookie(u"id=1; Max-Age=60; Expires=Wed, 01 Jan 2031 00:00:00 GMT"_s, now);
    EXPECT_EQ(c.Expires, u"Mon, 07 Dec 2026 10:01:00 GMT"_s);

    c = ParseSetCookie(u"id=1;"_s, now);
    EXPECT_EQ(c.Name, u"id"_s);
    EXPECT_EQ(c.Value, u"1"_s);

    c = ParseSetCookie(u"id=1;; version=1; SameSite=Lax; flag"_s, now);
    EXPECT_EQ(c.Name, u"id"_s);
    EXPECT_EQ(c.Value, u"1"_s);

    c = ParseSetCookie(u"id=1; secure=whatever"_s, now);
    EXPECT_TRUE(c.Secure);
}

TEST(HTTPResponseTest, HostAndDomainAreLowerCased)
{
    Cookie c;
    c.setHost(u"Server1.Example"_s);
    c.setDomain(u"EXAMPLE"_s);
    EXPECT_EQ(c.Host(), u"server1.example"_s);
    EXPECT_EQ(c.domain(), u"example"_s);
}

TEST(HTTPResponseTest, InterimResponseHandsOnWhatFollowsItsHeader)
{
    HTTPResponse interim;
    const QByteArray first = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n";
    const qsizetype owned = interim.ownedLength(first);
    EXPECT_EQ(owned, 25);
    interim.AddResponseData(first.left(owned));
    EXPECT_EQ(interim.ownedLength("more"), 0);

    // The blank line split over two chunks.
    HTTPResponse split;
    split.AddResponseData("HTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r");
    EXPECT_EQ(split.ownedLength("\nHTTP/1.1 200 OK"), 1);

    // A final response keeps everything, also text looking like a status line.
    HTTPResponse final;
    final.AddResponseData("HTTP/1.1 200 OK\r\n\r\n");
    EXPECT_EQ(final.ownedLength("HTTP/1.1 200 OK\r\n\r\n"), 19);
    HTTPResponse partial;
    EXPECT_EQ(partial.ownedLength("HTTP/1.1 100"), 12);
}

TEST(HTTPResponseTest, WithoutBodyRetentionOnlyTheHeaderBlockIsKept)
{
    HTTPResponse r;
    r.setBodyRetained(false);
    const QList<QByteArray> chunks { "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r",
                                     "\n\r\nfirst part of the body", QByteArray(100000, 'x') };
    for (const QByteArray& chunk : chunks)
        r.AddResponseData(chunk);
    EXPECT_EQ(r.ResponseData().toByteArray(), "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n\r\n");
    EXPECT_EQ(r.receivedSize(), chunks.join().size());
    EXPECT_EQ(r.ResponseCode(), u"200"_s);
    ASSERT_EQ(r.GetCookies().size(), 1);
    EXPECT_TRUE(r.Body().isEmpty());
    // Whatever follows is still a body byte, never the next response.
    EXPECT_EQ(r.ownedLength("HTTP/1.1 200 OK\r\n\r\n"), 19);
}

TEST(HTTPResponseTest, CookiesTheServerDeletesAreMarkedExpired)
{
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 0, 0), Qt::UTC);
    const auto expired = [&](const QString& line) {
        return ParseSetCookie(line, now).Expired;
    };
    EXPECT_TRUE(expired(u"sid=; Max-Age=0"_s));
    EXPECT_TRUE(expired(u"sid=x; max-age=-1"_s));
    EXPECT_TRUE(expired(u"sid=x; max-age=-99999999999999999999999"_s));
    EXPECT_TRUE(expired(u"sid=x; expires=Thu, 01 Jan 1970 00:00:00 GMT"_s));
    EXPECT_TRUE(expired(u"sid=x; expires=Thursday, 01-Jan-70 00:00:01 GMT"_s));
    EXPECT_TRUE(expired(u"sid=x; expires=Sun Dec  6 08:49:37 2026"_s));
    EXPECT_TRUE(expired(u"sid=x; Max-Age=0; Expires=Wed, 01 Jan 2031 00:00:00 GMT"_s));

    EXPECT_FALSE(expired(u"sid=x; Max-Age=60; Expires=Thu, 01 Jan 1970 00:00:00 GMT"_s));
    EXPECT_FALSE(expired(u"sid=x; expires=Wed, 01 Jan 2031 00:00:00 GMT"_s));
    EXPECT_FALSE(expired(u"sid=x; expires=not a date"_s));
    EXPECT_FALSE(expired(u"sid=x; max-age=soon"_s));
    EXPECT_FALSE(expired(u"sid=x"_s));
    EXPECT_FALSE(ParseSetCookie(u"sid=x; max-age=0"_s, now).isPersistent());
}

TEST(HTTPResponseTest, HeaderLinesEndAtLfAndCookiesWithControlCharactersAreIgnored)
{
    LogRecorder log;
    HTTPResponse r = responseOf("HTTP/1.1 200 OK\r\n"
                                "Set-Cookie: sid=1\nX-Injected: yes; Max-Age=3600\r\n"
                                "Set-Cookie: ok=2\n"
                                "Set-Cookie: cr=1\rX-Hidden: yes\r\n"
                                "Set-Cookie: nul=a\0b\r\n"_ba
                                    + "Set-Cookie: tab=a\tb\r\n"
                                      "Set-Cookie: del=\x7f\r\n"
                                      "\r\n",
                                &log);
    const QList<Cookie> cookies = r.GetCookies();
    ASSERT_EQ(cookies.size(), 2);
    EXPECT_EQ(cookies[0].Name, u"sid"_s);
    EXPECT_EQ(cookies[0].Value, u"1"_s);
    EXPECT_FALSE(cookies[0].isPersistent());
    EXPECT_EQ(cookies[1].Name, u"ok"_s);
    EXPECT_EQ(r.GetHeader(u"X-Injected"_s), QStringList { u"yes; Max-Age=3600"_s });
    EXPECT_EQ(r.GetHeader(u"X-Hidden"_s), QStringList { QString() });
    EXPECT_EQ(log.lines,
              (QStringList { u"Ignoring cookie 'cr': control character in the line"_s,
                             u"Ignoring cookie 'nul': control character in the line"_s,
                             u"Ignoring cookie 'tab': control character in the line"_s,
                             u"Ignoring cookie 'del': control character in the line"_s }));
}

TEST(HTTPResponseTest, HostileSizesAreCappedButTheResponseIsKept)
{
    LogRecorder log;
    QByteArray many = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 201; ++i)
        many += "Set-Cookie: c" + QByteArray::number(i) + "=1\r\n";
    many += "Set-Cookie: big=" + QByteArray(8 * 1024, 'v') + "\r\n\r\n";
    HTTPResponse r = responseOf(many, &log);
    const QList<Cookie> cookies = r.GetCookies();
    ASSERT_EQ(cookies.size(), 200);
    EXPECT_EQ(cookies.last().Name, u"c199"_s);
    EXPECT_EQ(log.lines,
              QStringList { u"!ERROR! More than 200 Set-Cookie lines: the rest are ignored"_s });

    log.lines.clear();
    r = responseOf("HTTP/1.1 200 OK\r\nSet-Cookie: big=" + QByteArray(8 * 1024, 'v')
                       + "\r\nSet-Cookie: small=1\r\n\r\n",
                   &log);
    ASSERT_EQ(r.GetCookies().size(), 1);
    EXPECT_EQ(log.lines, QStringList { u"Ignoring cookie 'big': larger than 8 KB"_s });

    log.lines.clear();
    QByteArray huge = "HTTP/1.1 302 Found\r\n";
    while (huge.size() < 1024 * 1024)
        huge += "X-Filler: " + QByteArray(1000, 'f') + "\r\n";
    huge += "Location: /beyond\r\n\r\nbody";
    r = responseOf(huge, &log);
    EXPECT_EQ(r.GetHeader(u"Location"_s), QStringList { QString() });
    EXPECT_EQ(r.GetHeader(u"X-Filler"_s).size(), 1024 * 1024 / 1012);
    EXPECT_EQ(log.lines,
              QStringList { u"!ERROR! Response header block over 1 MB: only its first "
                            "1 MB is processed"_s });
    EXPECT_EQ(r.ResponseData().toByteArray(), huge);
    EXPECT_EQ(r.Body(), "body");

    // Streaming keeps no more than that of a header block that never ends.
    HTTPResponse endless;
    endless.setBodyRetained(false);
    for (int i = 0; i < 3000; ++i)
        endless.AddResponseData("X-Filler: " + QByteArray(1000, 'f') + "\r\n");
    EXPECT_LE(endless.ResponseData().size(), 1024 * 1024 + 1012);
    EXPECT_EQ(endless.receivedSize(), 3000 * 1012);
}
