#include "persistence/HistoryStore.h"

#include "message/HTTPRequest.h"
#include "persistence/DataFolder.h"
#include "persistence/ErrorCodes.h"
#include "persistence/XmlDocument.h"
#include "support/Recorders.h"
#include "support/StoreRecorders.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

HTTPRequest makeRequest(const QString& server, const QString& port, const QString& url)
{
    HTTPRequest r;
    r.Server = server;
    r.Port = port;
    r.setURL(url);
    return r;
}

class HistoryStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(doc.loadXML(DataFolder::emptyUserData()));
        store.setViewer(&viewer);
        store.setRequestLists(&lists);
    }
    qsizetype count(const QString& xpath) const { return doc.selectNodes(xpath).size(); }

    XmlDocument doc;
    MessageRecorder sink;
    HistoryViewerRecorder viewer;
    HistoryListsRecorder lists;
    HistoryStore store { doc, sink };
};

} // namespace

TEST_F(HistoryStoreTest, RecordingTwiceKeepsOneItemAndOffersTheUrlOnce)
{
    EXPECT_EQ(store.AddHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/a"_s)), 0);
    EXPECT_EQ(store.AddHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/a"_s)), 0);
    EXPECT_EQ(count(u"userdata/history/server/request"_s), 1);
    EXPECT_EQ(lists.servers, QStringList { u"h"_s });
    EXPECT_EQ(lists.urls, QStringList { u"/a"_s });
    EXPECT_EQ(viewer.items, (QStringList { u"h:80 /a"_s, u"h:80 /a"_s }))
        << "the viewer is told every time and ignores what it shows";
}

TEST_F(HistoryStoreTest, PortsSeparateServersAndUrlsAreCaseSensitive)
{
    ASSERT_EQ(store.AddHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/a"_s)), 0);
    ASSERT_EQ(store.AddHistoryItem(makeRequest(u"h"_s, u"8080"_s, u"/a"_s)), 0);
    ASSERT_EQ(store.AddHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/A"_s)), 0);
    EXPECT_EQ(count(u"userdata/history/server"_s), 2);
    EXPECT_EQ(store.GetHistoryURLs(u"h"_s, u"80"_s), (QStringList { u"/a"_s, u"/A"_s }));
    EXPECT_EQ(store.GetHistoryURLs(u"h"_s, u"8080"_s), QStringList { u"/a"_s });
    EXPECT_TRUE(store.GetHistoryURLs(u"h"_s, u"443"_s).isEmpty());

    // Removing compares the URL exactly, so the item really goes.
    ASSERT_EQ(store.RemoveHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/A"_s)), 0);
    EXPECT_EQ(store.GetHistoryURLs(u"h"_s, u"80"_s), QStringList { u"/a"_s });
}

TEST_F(HistoryStoreTest, HostsAreCaseInsensitiveEverywhere)
{
    ASSERT_EQ(store.AddHistoryItem(makeRequest(u"Www.Example"_s, u"80"_s, u"/Index.HTML"_s)), 0);
    ASSERT_EQ(store.AddHistoryItem(makeRequest(u"www.example"_s, u"80"_s, u"/b"_s)), 0);
    EXPECT_EQ(count(u"userdata/history/server"_s), 1);
    EXPECT_EQ(doc.selectSingleNode(u"userdata/history/server/@name"_s).text(), u"www.example"_s);
    EXPECT_EQ(store.GetHistoryURLs(u"WWW.EXAMPLE"_s, u"80"_s),
              (QStringList { u"/Index.HTML"_s, u"/b"_s }));
    ASSERT_EQ(store.RemoveHistoryItem(makeRequest(u"WWW.example"_s, u"80"_s, u"/Index.HTML"_s)), 0);
    EXPECT_EQ(store.GetHistoryURLs(u"www.example"_s, u"80"_s), QStringList { u"/b"_s });
}

TEST_F(HistoryStoreTest, RemovingTheOnlyUrlKeepsAnEmptyServer)
{
    ASSERT_EQ(store.AddHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/"_s)), 0);
    ASSERT_EQ(store.RemoveHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/"_s)), 0);
    EXPECT_EQ(count(u"userdata/history/server"_s), 1);
    EXPECT_TRUE(store.GetHistoryURLs(u"h"_s, u"80"_s).isEmpty());
    EXPECT_EQ(store.RemoveHistoryItem(makeRequest(u"never"_s, u"80"_s, u"/"_s)), 0);
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(HistoryStoreTest, QuotesAndNonAsciiSurviveASaveAndLoad)
{
    const QStringList urls
        = { u"/it's/a.html"_s, u"/q?x=\"1\"&y='2'"_s, u"/straße/ü?ä=é"_s, u"/x'] | //url[1]"_s };
    for (const QString& url : urls)
        ASSERT_EQ(store.AddHistoryItem(makeRequest(u"o'neil.example"_s, u"80"_s, url)), 0);
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_EQ(lists.urls, urls);

    QTemporaryDir dir;
    const QString file = dir.filePath(u"pelorinuser.xml"_s);
    ASSERT_TRUE(doc.save(file));
    ASSERT_TRUE(doc.load(file));
    EXPECT_EQ(store.GetHistoryURLs(u"o'neil.example"_s, u"80"_s), urls);
    ASSERT_EQ(store.RemoveHistoryItem(makeRequest(u"o'neil.example"_s, u"80"_s, urls[1])), 0);
    EXPECT_EQ(store.GetHistoryURLs(u"o'neil.example"_s, u"80"_s).size(), urls.size() - 1);
}

TEST_F(HistoryStoreTest, StartUpListingSkipsIncompleteServersAndStopsAtARequestWithoutUrl)
{
    ASSERT_TRUE(
        doc.loadXML(u"<userdata><cookies/><history>"
                    "<server name=\"noport\"><request><url>/x</url></request></server>"
                    "<server name=\"A\" port=\"80\"><request><url>/1</url></request><request/>"
                    "<request><url>/2</url></request></server>"
                    "<server port=\"81\" name=\"b\"><request><url>/3</url></request></server>"
                    "</history></userdata>"_s));
    store.LoadHistory();
    EXPECT_EQ(viewer.items, (QStringList { u"a:80 /1"_s, u"b:81 /3"_s }));
    EXPECT_EQ(lists.servers, (QStringList { u"a"_s, u"b"_s }));
    EXPECT_TRUE(lists.urls.isEmpty());
    // Listing for the request window is not cut short.
    EXPECT_EQ(store.GetHistoryURLs(u"a"_s, u"80"_s), (QStringList { u"/1"_s, u"/2"_s }));
}

TEST_F(HistoryStoreTest, AMissingSectionIsReported)
{
    ASSERT_TRUE(doc.loadXML(u"<userdata><cookies/></userdata>"_s));
    EXPECT_EQ(store.AddHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/"_s)), ErrorCode::MissingNode);
    EXPECT_EQ(store.RemoveHistoryItem(makeRequest(u"h"_s, u"80"_s, u"/"_s)),
              ErrorCode::MissingNode);
    EXPECT_EQ(sink.messages.size(), 2);
    EXPECT_TRUE(viewer.items.isEmpty());
    EXPECT_TRUE(lists.servers.isEmpty());
}

TEST_F(HistoryStoreTest, ServersRememberTlsAndOlderFilesTakePort443AsSecure)
{
    HTTPRequest secure = makeRequest(u"s"_s, u"8443"_s, u"/a"_s);
    secure.Secure = true;
    ASSERT_EQ(store.AddHistoryItem(secure), 0);
    ASSERT_EQ(store.AddHistoryItem(makeRequest(u"p"_s, u"80"_s, u"/b"_s)), 0);
    // A plain exchange on 443 must say so, or the missing attribute would mean TLS.
    ASSERT_EQ(store.AddHistoryItem(makeRequest(u"q"_s, u"443"_s, u"/c"_s)), 0);
    EXPECT_EQ(doc.selectSingleNode(u"userdata/history/server[@name='s']/@secure"_s).text(),
              u"True"_s);
    EXPECT_FALSE(doc.selectSingleNode(u"userdata/history/server[@name='p']/@secure"_s));
    EXPECT_EQ(doc.selectSingleNode(u"userdata/history/server[@name='q']/@secure"_s).text(),
              u"False"_s);
    EXPECT_EQ(viewer.secures, (QList<bool> { true, false, false }));

    XmlDocument older;
    ASSERT_TRUE(older.loadXML(u"<userdata><cookies/><history>"
                              "<server name='old' port='443'><request><url>/x</url></request>"
                              "</server><server name='old' port='80'><request><url>/y</url>"
                              "</request></server></history></userdata>"_s));
    HistoryStore loader(older, sink);
    HistoryViewerRecorder shown;
    loader.setViewer(&shown);
    loader.LoadHistory();
    EXPECT_EQ(shown.items, (QStringList { u"old:443 /x"_s, u"old:80 /y"_s }));
    EXPECT_EQ(shown.secures, (QList<bool> { true, false }));

    const HTTPRequest rebuilt = HistoryStore::RequestFor(u"old"_s, u"443"_s, true, u"/d/x?q"_s);
    EXPECT_TRUE(rebuilt.Secure);
    EXPECT_EQ(rebuilt.FullPath(), u"https://old:443/d/x?q"_s);
}
