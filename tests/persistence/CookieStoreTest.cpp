#include "persistence/CookieStore.h"

#include "persistence/DataFolder.h"
#include "persistence/ErrorCodes.h"
#include "persistence/XmlDocument.h"
#include "support/Recorders.h"
#include "support/StoreRecorders.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

Cookie makeCookie(const QString& host, const QString& name, const QString& value)
{
    Cookie c;
    c.setHost(host);
    c.Name = name;
    c.Value = value;
    c.Expires = u"Wed, 01 Jan 2003 00:00:00 GMT"_s; // in the past: still stored and listed
    c.Path = u"/"_s;
    return c;
}

class CookieStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(doc.loadXML(DataFolder::emptyUserData()));
        store.setViewer(&viewer);
    }
    int cookieElements() const
    {
        return int(doc.selectNodes(u"userdata/cookies/server/cookie"_s).size());
    }

    XmlDocument doc;
    MessageRecorder sink;
    CookieViewerRecorder viewer;
    CookieStore store { doc, sink };
};

} // namespace

TEST_F(CookieStoreTest, StoringAgainUpdatesOneElementAndNamesAreExact)
{
    EXPECT_EQ(store.StoreCookie(makeCookie(u"h.example"_s, u"sid"_s, u"1"_s)), 0);
    Cookie again = makeCookie(u"h.example"_s, u"sid"_s, u"2"_s);
    again.Secure = true;
    EXPECT_EQ(store.StoreCookie(again), 0);
    EXPECT_EQ(store.StoreCookie(makeCookie(u"h.example"_s, u"SID"_s, u"3"_s)), 0);
    EXPECT_EQ(cookieElements(), 2);

    const QList<Cookie> cookies = store.GetStoredCookies(u"h.example"_s);
    ASSERT_EQ(cookies.size(), 2);
    EXPECT_EQ(cookies[0].Name, u"sid"_s);
    EXPECT_EQ(cookies[0].Value, u"2"_s);
    EXPECT_TRUE(cookies[0].Secure);
    EXPECT_EQ(cookies[0].Expires, u"Wed, 01 Jan 2003 00:00:00 GMT"_s);
    EXPECT_EQ(cookies[1].Name, u"SID"_s);
    EXPECT_EQ(viewer.cookies.size(), 3);

    const XmlNode element = doc.selectSingleNode(u"userdata/cookies/server/cookie"_s);
    QStringList order;
    for (const auto& a : element.attributes())
        order.append(a.name);
    EXPECT_EQ(
        order,
        (QStringList { u"name"_s, u"value"_s, u"path"_s, u"expires"_s, u"block"_s, u"secure"_s }));
}

TEST_F(CookieStoreTest, HostsAreFoundWhateverTheirLetterCase)
{
    Cookie c = makeCookie(u"x"_s, u"a"_s, u"1"_s);
    c.setHost(u"Shop.Example"_s);
    ASSERT_EQ(store.StoreCookie(c), 0);
    EXPECT_EQ(store.GetStoredCookies(u"SHOP.example"_s).size(), 1);
    EXPECT_EQ(store.GetStoredCookies(u"shop.example"_s).first().Host(), u"shop.example"_s);
    EXPECT_EQ(store.BlockStoredCookie(u"SHOP.EXAMPLE"_s, u"a"_s), 0);
    EXPECT_TRUE(store.GetStoredCookies(u"shop.example"_s).first().Block);
    EXPECT_EQ(doc.selectNodes(u"userdata/cookies/server"_s).size(), 1);
    EXPECT_TRUE(store.GetStoredCookies(u"other"_s).isEmpty());

    // A file from before host names were folded may hold capitals; it is found all the same.
    ASSERT_TRUE(
        doc.loadXML(u"<userdata><cookies><server name=\"Old.Example\"><cookie name=\"o\" "
                    "value=\"v\" path=\"/\" expires=\"e\" block=\"False\" secure=\"False\"/>"
                    "</server></cookies><history/></userdata>"_s));
    EXPECT_EQ(store.GetStoredCookies(u"old.example"_s).size(), 1);
    ASSERT_EQ(store.StoreCookie(makeCookie(u"old.example"_s, u"o"_s, u"new"_s)), 0);
    EXPECT_EQ(cookieElements(), 1);
}

TEST_F(CookieStoreTest, StoringAgainKeepsTheUsersBlockMark)
{
    ASSERT_EQ(store.StoreCookie(makeCookie(u"h"_s, u"track"_s, u"1"_s)), 0);
    ASSERT_EQ(store.BlockStoredCookie(u"h"_s, u"track"_s), 0);
    ASSERT_EQ(store.StoreCookie(makeCookie(u"h"_s, u"track"_s, u"2"_s)), 0);
    const QList<Cookie> cookies = store.GetStoredCookies(u"h"_s);
    ASSERT_EQ(cookies.size(), 1);
    EXPECT_TRUE(cookies[0].Block);
    EXPECT_EQ(cookies[0].Value, u"2"_s);
    EXPECT_TRUE(viewer.cookies.last().Block) << "the viewer must agree with the document";

    ASSERT_EQ(store.UnblockStoredCookie(u"h"_s, u"track"_s), 0);
    EXPECT_FALSE(store.GetStoredCookies(u"h"_s).first().Block);
}

TEST_F(CookieStoreTest, QuotesAndNonAsciiAreStoredAndFound)
{
    const QStringList names = { u"it's"_s, u"say \"x\""_s, u"b'o\"th"_s, u"ключ"_s };
    for (const QString& name : names)
        ASSERT_EQ(store.StoreCookie(makeCookie(u"o'neil.example"_s, name, name + u"=v;é"_s)), 0);
    EXPECT_TRUE(sink.messages.isEmpty());

    QTemporaryDir dir;
    const QString file = dir.filePath(u"pelorinuser.xml"_s);
    ASSERT_TRUE(doc.save(file));
    ASSERT_TRUE(doc.load(file));
    const QList<Cookie> cookies = store.GetStoredCookies(u"O'Neil.example"_s);
    ASSERT_EQ(cookies.size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        EXPECT_EQ(cookies[i].Name, names[i]);
        EXPECT_EQ(cookies[i].Value, names[i] + u"=v;é"_s);
    }
    ASSERT_EQ(store.BlockStoredCookie(u"o'neil.example"_s, u"b'o\"th"_s), 0);
    EXPECT_TRUE(store.GetStoredCookies(u"o'neil.example"_s)[2].Block);
    ASSERT_EQ(store.DeleteStoredCookie(u"o'neil.example"_s, u"it's"_s), 0);
    EXPECT_EQ(store.GetStoredCookies(u"o'neil.example"_s).size(), names.size() - 1);
}

TEST_F(CookieStoreTest, DeletingKeepsTheServerAndMissingCookiesAreNoError)
{
    ASSERT_EQ(store.StoreCookie(makeCookie(u"h"_s, u"only"_s, u"1"_s)), 0);
    EXPECT_EQ(store.DeleteStoredCookie(u"h"_s, u"only"_s), 0);
    EXPECT_EQ(doc.selectNodes(u"userdata/cookies/server[@name='h']"_s).size(), 1);
    EXPECT_TRUE(store.GetStoredCookies(u"h"_s).isEmpty());
    EXPECT_EQ(store.DeleteStoredCookie(u"h"_s, u"only"_s), 0);
    EXPECT_EQ(store.BlockStoredCookie(u"h"_s, u"only"_s), 0);
    EXPECT_EQ(store.UnblockStoredCookie(u"nowhere"_s, u"x"_s), 0);
    EXPECT_EQ(cookieElements(), 0);
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(CookieStoreTest, StartUpListingStopsAtAnIncompleteCookie)
{
    ASSERT_TRUE(doc.loadXML(
        u"<userdata><cookies>"
        "<server><cookie name=\"nameless-server\" value=\"v\" path=\"/\" expires=\"e\" "
        "block=\"False\"/></server>"
        "<server name=\"a\"><cookie name=\"1\" value=\"v\" path=\"/\" expires=\"e\" "
        "block=\"True\"/>"
        "<cookie name=\"2\" value=\"v\" path=\"/\" expires=\"e\"/>"
        "<cookie name=\"3\" value=\"v\" path=\"/\" expires=\"e\" block=\"False\"/></server>"
        "<server name=\"b\"><cookie name=\"4\" value=\"v\" path=\"/\" expires=\"e\" "
        "block=\"False\"/></server>"
        "</cookies><history/></userdata>"_s));
    store.LoadStoredCookies();
    QStringList listed;
    for (const Cookie& c : viewer.cookies)
        listed.append(c.Host() + u'/' + c.Name);
    EXPECT_EQ(listed, (QStringList { u"a/1"_s, u"b/4"_s }));
    EXPECT_TRUE(viewer.cookies[0].Block);

    // For requests nothing is filtered: the cookie without block is listed, unblocked.
    const QList<Cookie> forRequests = store.GetStoredCookies(u"a"_s);
    ASSERT_EQ(forRequests.size(), 3);
    EXPECT_FALSE(forRequests[1].Block);
}

TEST_F(CookieStoreTest, AMissingSectionIsReported)
{
    ASSERT_TRUE(doc.loadXML(u"<userdata><history/></userdata>"_s));
    EXPECT_EQ(store.StoreCookie(makeCookie(u"h"_s, u"n"_s, u"v"_s)), ErrorCode::MissingNode);
    EXPECT_EQ(store.BlockStoredCookie(u"h"_s, u"n"_s), ErrorCode::MissingNode);
    EXPECT_EQ(sink.messages.size(), 2);
    EXPECT_TRUE(viewer.cookies.isEmpty());
    EXPECT_TRUE(store.GetStoredCookies(u"h"_s).isEmpty());
}

TEST_F(CookieStoreTest, AHostHoldsAtMostTwoThousandCookies)
{
    Cookie c;
    c.setHost(u"full.example"_s);
    c.Expires = u"Wed, 01 Jan 2031 00:00:00 GMT"_s;
    for (qsizetype i = 0; i < CookieStore::kMaxCookiesPerHost; ++i) {
        c.Name = u"c"_s + QString::number(i);
        ASSERT_EQ(store.StoreCookie(c), 0);
    }
    c.Name = u"one-too-many"_s;
    EXPECT_EQ(store.StoreCookie(c), CookieStore::HostFull);
    c.Name = u"c7"_s;
    c.Value = u"updated"_s;
    EXPECT_EQ(store.StoreCookie(c), 0);
    EXPECT_TRUE(sink.messages.isEmpty());
    const QList<Cookie> stored = store.GetStoredCookies(u"full.example"_s);
    EXPECT_EQ(stored.size(), CookieStore::kMaxCookiesPerHost);
    EXPECT_EQ(stored.at(7).Value, u"updated"_s);
}
