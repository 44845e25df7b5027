#include "message/HTTPRequest.h"

#include <gtest/gtest.h>

#include <type_traits>

using namespace Qt::StringLiterals;

TEST(HTTPRequestTest, UrlSplitsAtLastSlash)
{
    HTTPRequest r;
    r.setURL(u"/"_s);
    EXPECT_EQ(r.URLroot, u"/"_s);
    EXPECT_TRUE(r.ResourceName.isEmpty());
    EXPECT_EQ(r.URL(), u"/"_s);

    r.setURL(u"index.html"_s);
    EXPECT_TRUE(r.URLroot.isEmpty());
    EXPECT_EQ(r.ResourceName, u"index.html"_s);

    r.setURL(u"/dir/"_s);
    EXPECT_EQ(r.URLroot, u"/dir/"_s);
    EXPECT_TRUE(r.ResourceName.isEmpty());

    r.setURL(u"/a/b?x=1/2"_s);
    EXPECT_EQ(r.URLroot, u"/a/b?x=1/"_s);
    EXPECT_EQ(r.ResourceName, u"2"_s);
    EXPECT_EQ(r.URL(), u"/a/b?x=1/2"_s);
}

TEST(HTTPRequestTest, MethodIsUpperCasedAndFullPathKeepsPort)
{
    HTTPRequest r;
    r.setMethod(u"post"_s);
    EXPECT_EQ(r.Method(), u"POST"_s);
    r.setMethod(u"m-search"_s);
    EXPECT_EQ(r.Method(), u"M-SEARCH"_s);

    r.Server = u"server1"_s;
    r.Port = u"8080"_s;
    r.setURL(u"/a/b.html"_s);
    EXPECT_EQ(r.FullPath(), u"http://server1:8080/a/b.html"_s);
    r.Secure = true;
    r.Port = u"443"_s;
    EXPECT_EQ(r.FullPath(), u"https://server1:443/a/b.html"_s);
}

TEST(HTTPRequestTest, RequestMessageIsExact)
{
    HTTPRequest r;
    r.setMethod(u"get"_s);
    r.setURL(u"/index.html"_s);
    r.HTTPver = u"HTTP/1.1"_s;
    r.Header = u"Host: server1\r\nConnection: close"_s;
    EXPECT_EQ(r.RequestMessage(),
              u"GET /index.html HTTP/1.1\r\nHost: server1\r\nConnection: close\r\n\r\n"_s);

    r.Body.setContents(u"a=1\r\n"_s);
    EXPECT_TRUE(r.RequestMessage().endsWith(u"\r\n\r\na=1\r\n"_s));
    EXPECT_EQ(r.RequestBytes(), r.RequestMessage().toUtf8());
}

TEST(HTTPRequestTest, ContentLengthCountsBytesOnTheWire)
{
    RequestBody body;
    body.setContents(u"0123456789"_s);
    EXPECT_EQ(body.ContentLength(), 10);
    body.setContents(QString());
    EXPECT_EQ(body.ContentLength(), 0);

    // "é" and "€" take two and three bytes in UTF-8.
    body.setContents(u"caf\u00e9 \u20ac"_s);
    EXPECT_EQ(body.ContentLength(), 9);
    // A body over 2 GiB must not read as negative; its size is not allocated here.
    static_assert(std::is_same_v<decltype(body.ContentLength()), qint64>);

    HTTPRequest r;
    r.setMethod(u"POST"_s);
    r.setURL(u"/"_s);
    r.HTTPver = u"HTTP/1.1"_s;
    r.Header = u"Host: x"_s;
    r.Body = body;
    const QByteArray wire = r.RequestBytes();
    EXPECT_TRUE(wire.endsWith("caf\xc3\xa9 \xe2\x82\xac"));
    EXPECT_EQ(wire.size() - wire.indexOf("\r\n\r\n") - 4, body.ContentLength());
}
