#include "transport/Redirect.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

HTTPRequest current(const QString& server, const QString& port, bool secure, const QString& url)
{
    HTTPRequest r;
    r.Server = server;
    r.Port = port;
    r.Secure = secure;
    r.setURL(url);
    return r;
}

QString fullPath(const std::optional<HTTPRequest>& r)
{
    return r ? r->FullPath() : u"<none>"_s;
}

} // namespace

TEST(RedirectTest, AbsoluteLocations)
{
    const HTTPRequest from = current(u"server1"_s, u"80"_s, false, u"/a/b.html"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"http://server2/x"_s)), u"http://server2:80/x"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"HTTP://server2/"_s)), u"http://server2:80/"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"https://server1:8080/z"_s)),
              u"https://server1:8080/z"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"http://server2"_s)), u"http://server2:80/"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"http://server2?q=1#top"_s)),
              u"http://server2:80/?q=1"_s);
    // Paths of absolute locations keep their letter case; dot segments go.
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"http://s/A/../B"_s)), u"http://s:80/B"_s);

    EXPECT_FALSE(ResolveRedirect(from, u"http:///x"_s));
    EXPECT_FALSE(ResolveRedirect(from, u"http://a:b:c/x"_s));
    EXPECT_FALSE(ParseLocation(u"/relative"_s));
    EXPECT_FALSE(ParseLocation(u"ftp://x"_s));
    EXPECT_FALSE(ParseLocation(u"http://h/a\r\nX-Injected: yes"_s)) << "a pasted line break";
}

TEST(RedirectTest, Ipv6LiteralsKeepTheirBrackets)
{
    const std::optional<HTTPRequest> t = ParseLocation(u"http://[::1]:8080/v6"_s);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Server, u"[::1]"_s);
    EXPECT_EQ(t->Port, u"8080"_s);
    EXPECT_EQ(t->FullPath(), u"http://[::1]:8080/v6"_s);
    EXPECT_EQ(HostForConnect(t->Server), u"::1"_s);
    EXPECT_EQ(HostForConnect(u"server1"_s), u"server1"_s);
    EXPECT_EQ(fullPath(ParseLocation(u"https://[fe80::1]/"_s)), u"https://[fe80::1]:443/"_s);
    EXPECT_FALSE(ParseLocation(u"http://[::1/"_s));
    EXPECT_FALSE(ParseLocation(u"http://[::1]x/"_s));
}

TEST(RedirectTest, RelativeReferencesResolveLikeABrowser)
{
    const HTTPRequest from = current(u"server1"_s, u"8443"_s, true, u"/a/b.html?old=1"_s);
    const auto url = [&](const QString& location) {
        const std::optional<HTTPRequest> t = ResolveRedirect(from, location);
        return t ? t->URL() : u"<none>"_s;
    };
    EXPECT_EQ(url(u"page2.html"_s), u"/a/page2.html"_s);
    EXPECT_EQ(url(u"../x"_s), u"/x"_s);
    EXPECT_EQ(url(u"../../../x"_s), u"/x"_s);
    EXPECT_EQ(url(u"./c/./d/../e?y=../z"_s), u"/a/c/e?y=../z"_s);
    EXPECT_EQ(url(u"?q=1"_s), u"/a/b.html?q=1"_s);
    EXPECT_EQ(url(u"/y"_s), u"/y"_s);
    EXPECT_EQ(url(u"#frag"_s), u"/a/b.html?old=1"_s);

    const std::optional<HTTPRequest> t = ResolveRedirect(from, u"/y"_s);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->FullPath(), u"https://server1:8443/y"_s);

    // A network-path reference keeps the scheme and takes its default port.
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"//host2/x"_s)), u"https://host2:443/x"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"//host2:81"_s)), u"https://host2:81/"_s);
}

TEST(RedirectTest, RefererIsFullPathOnlyWhenServerOrPortChange)
{
    const HTTPRequest from = current(u"Server1"_s, u"443"_s, true, u"/x"_s);
    EXPECT_EQ(RedirectReferer(from, *ResolveRedirect(from, u"/y"_s)), u"/x"_s);
    EXPECT_EQ(RedirectReferer(from, *ResolveRedirect(from, u"https://server1/y"_s)), u"/x"_s);
    EXPECT_EQ(RedirectReferer(from, *ResolveRedirect(from, u"http://server2/y"_s)),
              u"https://Server1:443/x"_s);
    EXPECT_EQ(RedirectReferer(from, *ResolveRedirect(from, u"https://server1:8443/y"_s)),
              u"https://Server1:443/x"_s);
}

TEST(RedirectTest, QueriesSurviveDotSegmentsAndOtherSchemesAreRefused)
{
    const HTTPRequest from = current(u"server1"_s, u"80"_s, false, u"/a/b.html"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"//h.example/p?q=/../x"_s)),
              u"http://h.example:80/p?q=/../x"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"//h.example/a/../p/./q?r=./s"_s)),
              u"http://h.example:80/p/q?r=./s"_s);
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"http://h.example/a/../b/?x=/../y"_s)),
              u"http://h.example:80/b/?x=/../y"_s);

    for (const QString& location :
         { u"ftp://x/f"_s, u"mailto:a@b.example"_s, u"javascript:alert(1)"_s,
           u"data:text/html,hi"_s, u"Gopher://x/"_s, u"http:/no-authority"_s,
           u"/next\r\nX-Injected: yes"_s, u"/nul\0x"_s })
        EXPECT_FALSE(ResolveRedirect(from, location)) << location.toStdString();
    // Authorities no connection can be made to: blanks, controls, delimiters, bad ports.
    for (const QString& location :
         { u"// i"_s, u"//a b/x"_s, u"http://a b:x y/p"_s, u"//h:99999999/"_s, u"//h:0/"_s,
           u"//h:-1/"_s, u"//h: 80/"_s, u"http://h:80x/"_s, u"//h\u00a0i/"_s, u"//u@h/"_s,
           u"//h\"x/"_s, u"http://[::1 ]/"_s, u"http://[]/"_s, u"http://[v1.x]/"_s })
        EXPECT_FALSE(ResolveRedirect(from, location)) << location.toStdString();
    for (const auto& [location, resolved] :
         { std::pair { u"//h_1.example:65535/"_s, u"http://h_1.example:65535/"_s },
           std::pair { u"//h:/"_s, u"http://h:80/"_s },
           std::pair { u"https://b\u00fccher.example/"_s, u"https://b\u00fccher.example:443/"_s },
           std::pair { u"http://[FE80::1:2]:1/"_s, u"http://[FE80::1:2]:1/"_s } })
        EXPECT_EQ(fullPath(ResolveRedirect(from, location)), resolved) << location.toStdString();
    // A colon after the first segment is no scheme.
    EXPECT_EQ(fullPath(ResolveRedirect(from, u"./ftp:x"_s)), u"http://server1:80/a/ftp:x"_s);
}
