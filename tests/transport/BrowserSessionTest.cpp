#include "transport/BrowserSession.h"

#include "editing/HeaderTable.h"
#include "persistence/AutoSettings.h"
#include "persistence/CookieStore.h"
#include "persistence/HistoryStore.h"
#include "persistence/XmlDocument.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "support/TimingLine.h"
#include "transport/BrowserView.h"
#include "transport/Exchange.h"
#include "transport/RequestPreview.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

// The request window as the session sees it: fields, result windows and a redirect answer.
class TestView final : public BrowserView
{
public:
    RequestForm requestForm() const override { return form; }
    void DisableRequestControls() override { controlsEnabled = sendEnabled = false; }
    void EnableRequestControls() override { controlsEnabled = sendEnabled = true; }
    void enableSendButton() override { sendEnabled = true; }
    ResultSink* currentResult() override
    {
        return results.empty() ? nullptr : results.back().get();
    }
    ResultSink* MakeNewResultWindow() override
    {
        results.push_back(std::make_unique<ResultRecorder>());
        return results.back().get();
    }
    void setTransportVisible(bool visible) override { transportVisible = visible; }
    void showResultWindow() override { ++resultShown; }
    void SetControls_Redirected(const HTTPRequest& request) override
    {
        form.server = request.Server;
        (request.Secure ? form.portSecure : form.port) = request.Port;
        form.url = request.URL();
        form.secure = request.Secure;
    }
    void setRedirectMethod(const QString& method, bool withoutBody) override
    {
        form.method = method;
        if (withoutBody)
            form.includeBody = false;
    }
    bool askRedirect(RedirectQuestion& question) override
    {
        asked.append(question);
        question.autoSend = autoSend;
        return acceptRedirect;
    }
    void focusRequestWindow() override { }

    ResultRecorder& result() { return *results.back(); }

    RequestForm form;
    std::vector<std::unique_ptr<ResultRecorder>> results;
    bool controlsEnabled = true;
    bool sendEnabled = true;
    bool transportVisible = false;
    int resultShown = 0;
    bool acceptRedirect = false;
    bool autoSend = true;
    QList<RedirectQuestion> asked;
};

class BrowserSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(userData.loadXML("<userdata><cookies/><history/></userdata>"_ba));
        settings = { true, true, true, true, true };
        ASSERT_TRUE(server.listen()) << server.error().toStdString();
        view.form = { u"127.0.0.1"_s,   server.portText(), u"443"_s, false,       u"GET"_s,
                      u"/index.html"_s, u"HTTP/1.1"_s,     false,    QByteArray() };
        headers.AddHeader(u"Host"_s, QString(), false);
        headers.AddHeader(u"Accept"_s, u"*/*"_s, false);
        headers.AddHeader(u"Connection"_s, u"Close"_s, false);
    }

    // Sends and waits until the session has settled (a followed redirect included).
    void send()
    {
        QSignalSpy ended(&session, &BrowserSession::exchangeEnded);
        session.cmdSend_Click();
        settle(ended);
    }
    void settle(QSignalSpy& ended)
    {
        while (true) {
            ASSERT_TRUE(ended.count() > 0 || ended.wait(kTimeoutMs)) << "exchange never ended";
            if (!session.isBusy())
                return;
            ended.clear();
        }
    }

    QStringList logAfter(const QString& line) const
    {
        const QStringList& log = const_cast<TestView&>(view).result().log;
        return log.mid(log.indexOf(line) + 1);
    }

    XmlDocument userData;
    MessageRecorder messages;
    CookieStore cookies { userData, messages };
    HistoryStore history { userData, messages };
    AutoSettings settings;
    HeaderTable headers;
    Exchange exchange;
    TestView view;
    BrowserSession session { view, headers, exchange, settings, &cookies, &history };
    TestServer server;
};

} // namespace

TEST_F(BrowserSessionTest, GetWithEverySettingOnLogsEachStepAndRecordsHistory)
{
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", "hello" });
    send();

    EXPECT_EQ(server.received(),
              "GET /index.html HTTP/1.1\r\n"
              "Accept: */*\r\n"
              "Connection: close\r\n"
              "Host: 127.0.0.1:"
                  + server.portText().toUtf8() + "\r\n\r\n");
    ResultRecorder& result = view.result();
    const QStringList expectedStart {
        u"Preparing request"_s,
        QString(),
        u"[AUTO SETTINGS]"_s,
        u"Add received cookies to request header    ENABLED"_s,
        u"Received persistent cookies are stored    ENABLED"_s,
        u"Request is stored in history              ENABLED"_s,
        u"Redirect after 30x response               ENABLED"_s,
        u"'Host' header is set before sending       ENABLED"_s,
        QString(),
        u"Host changed, removing any 'cookie' headers"_s,
        QString(),
        u"Sending request..."_s,
    };
    EXPECT_EQ(result.log.mid(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(result.log.mid(result.log.size() - 7),
              (QStringList { u"Done"_s, result.timing, QString(), u"Processing response..."_s,
                             u"History item added"_s, u"Done"_s, QString() }));
    EXPECT_TRUE(IsTimingLine(result.timing, false));
    EXPECT_EQ(result.caption, u" http://127.0.0.1:"_s + server.portText() + u"/index.html"_s);

    ASSERT_EQ(result.pages.size(), 2);
    EXPECT_EQ(result.pages[0].caption, u"GET"_s);
    EXPECT_FALSE(result.pages[0].selected);
    EXPECT_EQ(result.pages[1].caption, u"200"_s);
    EXPECT_TRUE(result.pages[1].selected);
    EXPECT_EQ(result.pages[1].text, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello");
    EXPECT_TRUE(view.controlsEnabled);
    EXPECT_FALSE(view.transportVisible);
    EXPECT_EQ(history.GetHistoryURLs(u"127.0.0.1"_s, server.portText()),
              QStringList { u"/index.html"_s });

    // The same server again: no host-changed line, the result window is reused.
    send();
    EXPECT_EQ(view.results.size(), 1u);
    EXPECT_FALSE(view.result().log.contains(u"Host changed, removing any 'cookie' headers"_s));
}

TEST_F(BrowserSessionTest, EverySettingOffStillClosesAndDropsBodyHeaders)
{
    settings = {};
    headers.AddHeader(u"Content-type"_s, u"text/plain"_s, false);
    headers.AddHeader(u"Content-length"_s, u"99"_s, false);
    server.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
    send();

    const QStringList& log = view.result().log;
    EXPECT_EQ(log.mid(3, 5),
              (QStringList { u"Add received cookies to request header    DISABLED"_s,
                             u"Received persistent cookies are stored    DISABLED"_s,
                             u"Request is stored in history              DISABLED"_s,
                             u"Redirect after 30x response               DISABLED"_s,
                             u"'Host' header is set before sending       DISABLED"_s }));
    EXPECT_FALSE(log.contains(u"History item added"_s));
    EXPECT_EQ(server.received(),
              "GET /index.html HTTP/1.1\r\nAccept: */*\r\nConnection: close\r\nHost: \r\n\r\n");
    EXPECT_TRUE(history.GetHistoryURLs(u"127.0.0.1"_s, server.portText()).isEmpty());
}

TEST_F(BrowserSessionTest, BodyLengthCountsBytesAndLongRequestsAreShownCut)
{
    view.form.method = u"post"_s;
    view.form.includeBody = true;
    view.form.body = (u"name=J\u00fcrgen&city=K\u00f8benhavn"_s + QString(3000, u'x')).toUtf8();
    server.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
    send();

    const QByteArray body = view.form.body;
    EXPECT_EQ(headers.GetRequestHeaderValue(u"Content-length"_s), QString::number(body.size()));
    EXPECT_TRUE(server.received().endsWith(QByteArray("\r\n\r\n" + body)));
    EXPECT_TRUE(server.received().startsWith("POST /index.html HTTP/1.1\r\n"));
    const QByteArray shown = view.result().pages[0].text;
    EXPECT_TRUE(shown.endsWith("\r\n ... [text truncated]"));
    EXPECT_EQ(QString::fromUtf8(shown).size(), 2048 + 23);
}

TEST_F(BrowserSessionTest, CookiesAreMergedStoredBlockedAndDroppedOnServerChange)
{
    server.setResponse({ "HTTP/1.1 200 OK\r\n"
                         "Set-Cookie: keep=1; Expires=Wed, 01 Jan 2031 00:00:00 GMT\r\n"
                         "Set-Cookie: sess=2; Path=/\r\n\r\n" });
    send();
    EXPECT_EQ(headers.GetRequestHeaderValue(u"Cookie"_s), u"keep=1;sess=2"_s);
    const QStringList tail = logAfter(u"Processing response..."_s);
    EXPECT_EQ(
        tail.mid(1, 3),
        (QStringList { u"Adding cookie 'keep' to request header"_s,
                       u"Adding cookie 'sess' to request header"_s, u"Storing cookie 'keep'"_s }));
    const QList<Cookie> stored = cookies.GetStoredCookies(u"127.0.0.1"_s);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].Name, u"keep"_s);

    // Same server: both cookies go out, the stored one merged into the row.
    send();
    EXPECT_TRUE(server.received().contains("\r\nCookie: keep=1;sess=2\r\n"));
    EXPECT_TRUE(view.result().log.contains(u"Adding cookie 'keep'"_s));

    // Another server: the row goes before that server's cookies are added.
    ASSERT_EQ(cookies.BlockStoredCookie(u"127.0.0.1"_s, u"keep"_s), 0);
    TestServer other;
    ASSERT_TRUE(other.listen());
    other.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
    view.form.server = u"localhost"_s;
    view.form.port = other.portText();
    send();
    EXPECT_FALSE(other.received().contains("Cookie:"));

    // Back to the first server: the blocked cookie is skipped.
    view.form.server = u"127.0.0.1"_s;
    view.form.port = server.portText();
    send();
    EXPECT_TRUE(view.result().log.contains(u"Cookie 'keep' has been blocked"_s));
    EXPECT_FALSE(server.received().contains("Cookie: keep"));
}

TEST_F(BrowserSessionTest, RedirectPromptsAndFollowsRelativeLocation)
{
    server.setScript({ { "HTTP/1.1 302 Found\r\nLocation: page2.html?a=1\r\n\r\n" } });
    view.acceptRedirect = true;
    // The second connection gets the same script; stop following after the first hop.
    QObject::connect(&server, &TestServer::requestReceived, &server, [&] {
        if (server.received().startsWith("GET /page2.html"))
            server.setResponse({ "HTTP/1.1 200 OK\r\n\r\nsecond" });
    });
    send();

    ASSERT_EQ(view.asked.size(), 1);
    EXPECT_EQ(view.asked[0].location,
              u" http://127.0.0.1:"_s + server.portText() + u"/page2.html?a=1"_s);
    EXPECT_EQ(view.asked[0].referer, u"/index.html"_s);
    EXPECT_EQ(server.connectionCount(), 2);
    EXPECT_TRUE(server.received().startsWith("GET /page2.html?a=1 HTTP/1.1\r\n"));
    EXPECT_TRUE(server.received().contains("\r\nReferer: /index.html\r\n"));
    EXPECT_EQ(view.form.url, u"/page2.html?a=1"_s);
    EXPECT_EQ(view.result().pages.last().text, "HTTP/1.1 200 OK\r\n\r\nsecond");
}

TEST_F(BrowserSessionTest, DeclinedOrUnsentRedirectsLeaveTheRequestAlone)
{
    server.setResponse({ "HTTP/1.1 301 Moved\r\nLocation: http://elsewhere:8080/x\r\n\r\n" });
    send();
    const QStringList tail = logAfter(u"Processing response..."_s);
    EXPECT_EQ(tail.last(), u"30x response code, checking if \"location\" header is present"_s);
    EXPECT_EQ(view.asked.size(), 1);
    EXPECT_EQ(view.form.server, u"127.0.0.1"_s);
    EXPECT_EQ(headers.GetRequestHeaderValue(u"Referer"_s), QString());

    view.acceptRedirect = true;
    view.autoSend = false;
    send();
    EXPECT_EQ(server.connectionCount(), 2);
    EXPECT_EQ(view.form.server, u"elsewhere"_s);
    EXPECT_EQ(view.form.port, u"8080"_s);
    EXPECT_EQ(headers.GetRequestHeaderValue(u"Host"_s), u"elsewhere:8080"_s);
    EXPECT_EQ(headers.GetRequestHeaderValue(u"Referer"_s),
              u"http://127.0.0.1:"_s + server.portText() + u"/index.html"_s);

    // Without a location nothing is asked.
    server.setResponse({ "HTTP/1.1 302 Found\r\n\r\n" });
    view.form.server = u"127.0.0.1"_s;
    view.form.port = server.portText();
    send();
    EXPECT_EQ(view.asked.size(), 2);
    EXPECT_EQ(logAfter(u"Processing response..."_s).last(), u"No location header found"_s);
}

TEST_F(BrowserSessionTest, InterimResponseGetsItsOwnPageButBodiesStayWhole)
{
    server.setResponse({ "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n\r\nstart ",
                         "HTTP/1.1 200 OK inside the body" });
    send();
    ResultRecorder& result = view.result();
    ASSERT_EQ(result.pages.size(), 3);
    EXPECT_EQ(result.pages[1].caption, u"100"_s);
    EXPECT_EQ(result.pages[1].text, "HTTP/1.1 100 Continue\r\n\r\n");
    EXPECT_EQ(result.pages[2].caption, u"200"_s);
    EXPECT_EQ(result.pages[2].text, "HTTP/1.1 200 OK\r\n\r\nstart HTTP/1.1 200 OK inside the body");
    EXPECT_EQ(session.oResp()->Body(), "start HTTP/1.1 200 OK inside the body");
    EXPECT_TRUE(result.log.contains(u"History item added"_s));
}

TEST_F(BrowserSessionTest, EmptyReplyIsNotTakenForTheLastResponse)
{
    server.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
    send();
    server.setResponse({});
    view.form.url = u"/nothing"_s;
    send();
    EXPECT_EQ(view.result().log.last(), u"!ERROR! Empty reply from server"_s);
    EXPECT_EQ(history.GetHistoryURLs(u"127.0.0.1"_s, server.portText()),
              QStringList { u"/index.html"_s });
}

TEST_F(BrowserSessionTest, FailureKeepsControlsDisabledUntilAcknowledged)
{
    view.form.port = QString::number(TestServer::refusedPort());
    QSignalSpy ended(&session, &BrowserSession::exchangeEnded);
    QSignalSpy failed(&exchange, &Exchange::ErrorOccured);
    session.cmdSend_Click();
    ASSERT_TRUE(failed.count() > 0 || failed.wait(kTimeoutMs));
    EXPECT_TRUE(view.result().log.contains(
        u"ERROR: SocketX_Close(): The requested connection has been refused by the remote host."_s));
    EXPECT_FALSE(view.controlsEnabled);
    EXPECT_TRUE(view.transportVisible);
    exchange.pressButton();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(view.controlsEnabled);
    EXPECT_FALSE(view.transportVisible);
}

TEST_F(BrowserSessionTest, StreamingKeepsOnlyHeaderBlocks)
{
    session.setKeepResponseBodies(false);
    const QByteArray body(200000, 'b');
    server.setResponse(
        { "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\n\r\nab", body });
    send();
    ResultRecorder& result = view.result();
    ASSERT_EQ(result.pages.size(), 3);
    EXPECT_EQ(result.pages[1].text, "HTTP/1.1 100 Continue\r\n\r\n");
    EXPECT_EQ(result.pages[2].text, "HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\n\r\n");
    EXPECT_EQ(session.oResp()->receivedSize(), 36 + 2 + body.size());
    EXPECT_EQ(headers.GetRequestHeaderValue(u"Cookie"_s), u"s=1"_s);
    EXPECT_TRUE(result.log.contains(u"History item added"_s));
}

TEST_F(BrowserSessionTest, CookiesTheServerDeletesLeaveStoreAndRequest)
{
    server.setResponse({ "HTTP/1.1 200 OK\r\n"
                         "Set-Cookie: sid=1; Max-Age=3600\r\n"
                         "Set-Cookie: keep=2; Expires=Wed, 01 Jan 2031 00:00:00 GMT\r\n"
                         "Set-Cookie: old=3; Max-Age=3600\r\n"
                         "Set-Cookie: sess=4\r\n\r\n" });
    send();
    ASSERT_EQ(cookies.GetStoredCookies(u"127.0.0.1"_s).size(), 3);

    // A logout: Max-Age=0, negative, an Expires in 1970 and Max-Age winning over a live Expires,
    // mixed with a live cookie.
    server.setResponse({ "HTTP/1.1 200 OK\r\n"
                         "Set-Cookie: sid=; Max-Age=0; Expires=Wed, 01 Jan 2031 00:00:00 GMT\r\n"
                         "Set-Cookie: old=; max-age=-1\r\n"
                         "Set-Cookie: sess=; expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n"
                         "Set-Cookie: new=5; Max-Age=60\r\n\r\n" });
    send();
    QStringList names;
    for (const Cookie& c : cookies.GetStoredCookies(u"127.0.0.1"_s))
        names.append(c.Name);
    EXPECT_EQ(names, (QStringList { u"keep"_s, u"new"_s }));
    EXPECT_EQ(headers.GetRequestHeaderValue(u"Cookie"_s), u"keep=2;new=5"_s);
    const QStringList log = view.result().log;
    EXPECT_TRUE(
        log.contains(u"Removing cookie 'sid' from request header (deleted by the server)"_s));
    EXPECT_TRUE(log.contains(u"Deleting stored cookie 'sid' (deleted by the server)"_s));
    EXPECT_TRUE(log.contains(u"Deleting stored cookie 'old' (deleted by the server)"_s));

    // A cookie line hiding a header line adds neither the line nor anything stored.
    server.setResponse({ "HTTP/1.1 200 OK\r\n"
                         "Set-Cookie: inj=1\nX-Injected: yes; Max-Age=3600\r\n"
                         "Set-Cookie: cr=1\rX-Hidden: yes; Max-Age=3600\r\n\r\n" });
    send();
    send();
    EXPECT_FALSE(server.received().contains("X-Injected")) << server.received().constData();
    EXPECT_FALSE(server.received().contains("X-Hidden")) << server.received().constData();
    EXPECT_TRUE(server.received().contains("\r\nCookie: keep=2;new=5;inj=1\r\n"));
    EXPECT_EQ(cookies.GetStoredCookies(u"127.0.0.1"_s).size(), 2);

    // Nor does such a cookie stored by an older version.
    Cookie legacy;
    legacy.setHost(u"127.0.0.1"_s);
    legacy.Name = u"legacy"_s;
    legacy.Value = u"1\nX-Old: yes"_s;
    legacy.Expires = u"Wed, 01 Jan 2031 00:00:00 GMT"_s;
    ASSERT_EQ(cookies.StoreCookie(legacy), 0);
    send();
    EXPECT_FALSE(server.received().contains("X-Old")) << server.received().constData();
}

TEST_F(BrowserSessionTest, RedirectMethodFollowsTheStatusCode)
{
    view.acceptRedirect = true;
    const QByteArray body = "a=1&b=2";
    struct Case
    {
        QByteArray status;
        QString method;
        QByteArray expectedStart;
        bool keepsBody;
    };
    const QList<Case> cases {
        { "303 See Other", u"POST"_s, "GET /next HTTP/1.1\r\n", false },
        { "303 See Other", u"HEAD"_s, "HEAD /next HTTP/1.1\r\n", false },
        { "302 Found", u"POST"_s, "GET /next HTTP/1.1\r\n", false },
        { "301 Moved Permanently", u"POST"_s, "GET /next HTTP/1.1\r\n", false },
        { "302 Found", u"PUT"_s, "PUT /next HTTP/1.1\r\n", true },
        { "307 Temporary Redirect", u"POST"_s, "POST /next HTTP/1.1\r\n", true },
        { "308 Permanent Redirect", u"POST"_s, "POST /next HTTP/1.1\r\n", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status.toStdString() + " after " + c.method.toStdString());
        server.setResponse({ "HTTP/1.1 " + c.status + "\r\nLocation: /next\r\n\r\n" });
        QObject::connect(&server, &TestServer::requestReceived, &server, [&] {
            if (server.received().contains(" /next "))
                server.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
        });
        view.form.method = c.method;
        view.form.url = u"/form"_s;
        view.form.includeBody = true;
        view.form.body = body;
        headers.AddHeader(u"Content-type"_s, u"application/x-www-form-urlencoded"_s, false);
        view.asked.clear();
        send();
        server.disconnect(&server, &TestServer::requestReceived, nullptr, nullptr);

        ASSERT_EQ(view.asked.size(), 1);
        EXPECT_EQ(view.asked[0].statusCode, QString::fromLatin1(c.status.left(3)));
        const QByteArray sent = server.received();
        EXPECT_TRUE(sent.startsWith(c.expectedStart)) << sent.constData();
        EXPECT_EQ(view.asked[0].method.toUtf8() + " /next HTTP/1.1\r\n", c.expectedStart);
        EXPECT_EQ(view.asked[0].dropsBody, !c.keepsBody);
        EXPECT_EQ(sent.endsWith(QByteArray("\r\n\r\n" + body)), c.keepsBody);
        EXPECT_EQ(sent.contains("Content-type:"), c.keepsBody);
        EXPECT_EQ(sent.contains("Content-length:"), c.keepsBody);
    }
}

TEST_F(BrowserSessionTest, OtherSchemesAreLoggedAndNotFollowed)
{
    view.acceptRedirect = true;
    view.form.url = u"/a/b.html"_s;
    server.setResponse({ "HTTP/1.1 302 Found\r\nLocation: ftp://x/f\r\n\r\n" });
    send();
    EXPECT_TRUE(view.asked.isEmpty());
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(view.result().log.last(), u"ERROR: Invalid redirect location 'ftp://x/f'"_s);
}

TEST_F(BrowserSessionTest, PreviewMakesTheHeaderRowsTheSendMakes)
{
    for (const auto& [name, value] : { std::pair { u"ok"_s, u"1"_s }, { u"bad"_s, u"a\x01"_s } }) {
        Cookie cookie;
        cookie.Name = name;
        cookie.Value = value;
        cookie.Expires = u"Wed, 01 Jan 2031 00:00:00 GMT"_s;
        cookie.setHost(u"127.0.0.1"_s);
        ASSERT_EQ(cookies.StoreCookie(cookie), 0);
    }
    view.form.includeBody = true;
    view.form.body = "a\r\nb";
    const HTTPRequest preview = PreviewRequest(view.form, headers.GetRequestHeaders(), settings,
                                               &cookies, session.lastServer());
    server.setResponse({ "HTTP/1.1 204 No Content\r\n\r\n" });
    send();
    EXPECT_EQ(preview.RequestMessage(), session.currentRequest().RequestMessage());
    EXPECT_TRUE(server.received().contains("\r\nCookie: ok=1\r\n"));
}

TEST_F(BrowserSessionTest, KeepAliveSendsWithoutTheCloseRowAndReusesTheConnection)
{
    settings.CloseConnection = false;
    const QByteArray response = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"_ba;
    server.setResponse({ response }, TestServer::Ending::KeepAlive);
    send();
    EXPECT_TRUE(
        view.result().log.contains(u"Keep-alive: removing the 'Connection: close' header"_s));
    send();

    const QByteArray request = "GET /index.html HTTP/1.1\r\nAccept: */*\r\nHost: 127.0.0.1:"_ba
        + server.portText().toUtf8() + "\r\n\r\n";
    EXPECT_EQ(server.received(), request + request);
    EXPECT_EQ(server.connectionCount(), 1);
    const QStringList& log = view.result().log;
    EXPECT_TRUE(log.contains(u"Keep-alive: 'Connection: close' is not set before sending"_s));
    EXPECT_TRUE(log.contains(u"Reusing connection to 127.0.0.1:"_s + server.portText()
                             + u" (request 2 on it)"_s));
    EXPECT_EQ(view.result().pages.back().text, response);
    EXPECT_TRUE(log.contains(u"History item added"_s));
    EXPECT_FALSE(log.contains(u"!ERROR! Empty reply from server"_s));
}
