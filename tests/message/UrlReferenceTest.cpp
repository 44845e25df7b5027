#include "message/UrlReference.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Resolution takes any scheme apart the same way; only the http(s) forms make a request.
TEST(UrlReferenceTest, OtherSchemesResolveAsWrittenAndMakeNoRequest)
{
    const std::optional<UrlParts> ftp = ParseUrl(u"FTP://files.example:2121/a/../b?q=./x#f"_s);
    ASSERT_TRUE(ftp);
    EXPECT_EQ(ftp->scheme, u"ftp"_s);
    EXPECT_EQ(ftp->host, u"files.example"_s);
    EXPECT_EQ(ftp->port, u"2121"_s);
    EXPECT_EQ(ftp->path, u"/b?q=./x"_s);
    // Another host on the same scheme: no default port is known for it.
    const std::optional<UrlParts> other = ResolveReference(*ftp, u"//mirror.example/c"_s);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->port, QString());
    EXPECT_EQ(other->path, u"/c"_s);

    const std::optional<UrlParts> mail = ParseUrl(u"mailto:a@b.example"_s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->host, QString());
    EXPECT_EQ(mail->path, u"a@b.example"_s);
    for (const QString& text :
         { u"mailto:a@b.example"_s, u"http:/no-authority"_s, u"ftp://files.example/"_s })
        EXPECT_FALSE(ParseHttpUrl(text)) << qPrintable(text);
    EXPECT_FALSE(ParseUrl(u"ftp://a b/"_s)) << "an unusable authority, whatever the scheme";
    EXPECT_FALSE(ParseUrl(u"relative/x"_s));

    HTTPRequest page;
    page.Server = u"www.example.test"_s;
    page.Port = u"8080"_s;
    page.setURL(u"/dir/page.html?x=1"_s);
    const std::optional<HTTPRequest> link = ResolveHttpReference(page, u"../a?b#c"_s);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->FullPath(), u"http://www.example.test:8080/a?b"_s);
}
