#include "transport/widgets/frmBrowser.h"

#include "analysis/widgets/ResultTextView.h"
#include "analysis/widgets/frmResult.h"
#include "editing/HeaderTable.h"
#include "editing/RequestFile.h"
#include "editing/widgets/ctrlHeaders.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "persistence/HistoryStore.h"
#include "persistence/widgets/OpenWithShell.h"
#include "shell/widgets/ElidedLabel.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "support/TimingLine.h"
#include "transport/BrowserSession.h"
#include "transport/Exchange.h"
#include "transport/widgets/ctrlHTTP.h"
#include "transport/widgets/frmRedirect.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QDesktopServices>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

// Receives what the window asks the desktop to open.
class ShellRecorder final : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

class frmBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const DataFolder::Resolution data = DataFolder::Resolve(dir.path());
        ASSERT_TRUE(bool(data)) << data.error.toStdString();
        folder = data.folder;
        app = std::make_unique<AppData>(folder, messages);
        ASSERT_TRUE(app->LoadConfiguration(nullptr));
        app->LoadUserData();
        window = std::make_unique<frmBrowser>(*app, messages);
        window->show();
        ASSERT_TRUE(server.listen()) << server.error().toStdString();
        target(u"127.0.0.1"_s, server.portText(), u"/index.html"_s);
    }
    void TearDown() override { frmRedirect::setTestDriver({}); }

    template<typename T> T* child(const char* name) const
    {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no child " << name;
        return found;
    }
    QComboBox* combo(const char* name) const { return child<QComboBox>(name); }
    QLineEdit* port() const { return child<QLineEdit>("txtPort"); }
    QPushButton* sendButton() const { return child<QPushButton>("cmdSend"); }
    HeaderTable& headers() const { return *window->headerGrid()->headers(); }

    void target(const QString& server, const QString& portText, const QString& url)
    {
        combo("cmbServer")->setEditText(server);
        port()->setText(portText);
        combo("cmbURL")->setEditText(url);
    }

    // Presses SEND and waits until the window has settled (a followed redirect included).
    void send()
    {
        QSignalSpy ended(&window->session(), &BrowserSession::exchangeEnded);
        QTest::mouseClick(sendButton(), Qt::LeftButton);
        while (window->session().isBusy())
            ASSERT_TRUE(ended.wait(kTimeoutMs)) << "the exchange never ended";
    }

    QString cancelCaption() const
    {
        return window->transport()->findChild<QPushButton*>(u"cmdCancel"_s)->text();
    }

    QTemporaryDir dir;
    DataFolder folder;
    MessageRecorder messages;
    std::unique_ptr<AppData> app;
    std::unique_ptr<frmBrowser> window;
    TestServer server;
};

} // namespace

TEST_F(frmBrowserTest, StartsWithItsDefaultsAndTheConfiguredLists)
{
    EXPECT_EQ(headers().GetRequestHeaders(),
              u"Accept: */*\r\nCache-Control: no-cache\r\nConnection: Close\r\nHost: \r\n"
              "User-Agent: Pelorin HTTP User-Agent/1.0\r\n"_s);
    EXPECT_EQ(combo("cmbReqMethod")->currentText(), u"GET"_s);
    EXPECT_EQ(combo("cmbHTTPver")->currentText(), u"HTTP/1.1"_s);
    EXPECT_GE(combo("cmbReqMethod")->count(), 9);
    EXPECT_TRUE(child<QLineEdit>("txtPortSecure")->isHidden());
    EXPECT_FALSE(child<QPushButton>("cmdRB_FORMdata")->isEnabled());
    EXPECT_TRUE(window->transport()->isHidden());
    EXPECT_TRUE(QFile::exists(folder.bodyTempFile()));

    child<QCheckBox>("chkSecureConnection")->setChecked(true);
    EXPECT_TRUE(port()->isHidden());
    EXPECT_FALSE(child<QLineEdit>("txtPortSecure")->isHidden());
    EXPECT_EQ(child<QLineEdit>("txtPortSecure")->text(), u"443"_s);
}

TEST_F(frmBrowserTest, SendShowsRequestResponseAndLogAndReusesOneResultWindow)
{
    // Result windows of earlier tests in this process are not this window's.
    const auto resultWindows = [] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::count_if(windows.cbegin(), windows.cend(),
                             [](QWidget* w) { return qobject_cast<frmResult*>(w) != nullptr; });
    };
    const auto resultWindowsBefore = resultWindows();
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n", "ok" });
    QSignalSpy ended(&window->session(), &BrowserSession::exchangeEnded);
    QTest::mouseClick(sendButton(), Qt::LeftButton);
    // The request controls stay disabled until the exchange ends.
    EXPECT_FALSE(sendButton()->isEnabled());
    EXPECT_FALSE(combo("cmbServer")->isEnabled());
    EXPECT_TRUE(window->transport()->isVisible());
    ASSERT_TRUE(ended.wait(kTimeoutMs));
    EXPECT_TRUE(sendButton()->isEnabled());
    EXPECT_TRUE(window->transport()->isHidden());

    EXPECT_EQ(headers().GetRequestHeaderValue(u"Host"_s), u"127.0.0.1:"_s + server.portText());
    EXPECT_EQ(headers().GetRequestHeaderValue(u"Connection"_s), u"close"_s);
    frmResult* result = window->oResult();
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isVisible());
    EXPECT_EQ(result->lTabCount(), 2);
    EXPECT_EQ(result->pageKind(2), 3);
    EXPECT_EQ(result->lCurrentTab(), 2);
    EXPECT_EQ(result->txtResult(2)->model().bytes().toByteArray(),
              "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_TRUE(QString::fromUtf8(result->txtResult(1)->model().bytes().toByteArray())
                    .startsWith(u"GET /index.html HTTP/1.1\r\n"_s));
    EXPECT_TRUE(result->txtResult(0)->toPlainText().contains(u" History item added\r\n"_s));
    // The 200 went into the history, which the URL list offers.
    EXPECT_GE(combo("cmbURL")->findText(u"/index.html"_s), 0);

    for (int i = 0; i < 7; ++i)
        send();
    EXPECT_EQ(window->oResult(), result);
    EXPECT_EQ(resultWindows() - resultWindowsBefore, 1);
    EXPECT_EQ(result->lTabCount(), 2);
    EXPECT_EQ(server.connectionCount(), 8);
}

TEST_F(frmBrowserTest, BodyIsSentWithItsLengthInBytes)
{
    server.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
    combo("cmbReqMethod")->setEditText(u"POST"_s);
    child<QCheckBox>("chkIncludePostData")->setChecked(true);
    auto* box = child<QPlainTextEdit>("txtRequestBody");
    box->setPlainText(u"name=Z\u00fcrich \u20ac"_s);
    EXPECT_EQ(box->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    send();
    const QByteArray body = "name=Z\xc3\xbcrich \xe2\x82\xac";
    EXPECT_EQ(headers().GetRequestHeaderValue(u"Content-length"_s), QString::number(body.size()));
    EXPECT_TRUE(server.received().startsWith("POST /index.html HTTP/1.1\r\n"));
    EXPECT_TRUE(server.received().endsWith(QByteArray("\r\n\r\n" + body)));

    // Unticked, the body and its headers go.
    child<QCheckBox>("chkIncludePostData")->setChecked(false);
    send();
    EXPECT_TRUE(server.received().endsWith("\r\n\r\n"));
    EXPECT_EQ(headers().findRow(u"Content-length"_s), -1);
}

TEST_F(frmBrowserTest, RedirectPromptAcceptsDeclinesOrWaitsForSend)
{
    server.setResponse({ "HTTP/1.1 302 Found\r\nLocation: page2.html\r\n\r\n" });
    frmRedirect::setTestDriver([](frmRedirect& prompt) { prompt.cmdCancel()->click(); });
    send();
    EXPECT_EQ(combo("cmbURL")->currentText(), u"/index.html"_s);
    EXPECT_EQ(headers().findRow(u"Referer"_s), -1);

    QString shown;
    frmRedirect::setTestDriver([&](frmRedirect& prompt) {
        shown = prompt.lblLocation()->text();
        prompt.chkAutoSend()->setChecked(false);
        prompt.cmdProceed()->click();
    });
    send();
    EXPECT_EQ(shown, u" http://127.0.0.1:"_s + server.portText() + u"/page2.html"_s);
    EXPECT_EQ(combo("cmbURL")->currentText(), u"/page2.html"_s);
    EXPECT_EQ(headers().GetRequestHeaderValue(u"Referer"_s), u"/index.html"_s);
    EXPECT_EQ(server.connectionCount(), 2);

    // Sent at once: the absolute location goes to the other server.
    TestServer other;
    ASSERT_TRUE(other.listen());
    other.setResponse({ "HTTP/1.1 200 OK\r\n\r\nmoved" });
    server.setResponse({ "HTTP/1.1 301 Moved\r\nLocation: http://localhost:"_ba
                         + other.portText().toUtf8() + "/there\r\n\r\n" });
    // The prompt remembers the unticked box from the last time.
    bool autoSendRemembered = true;
    frmRedirect::setTestDriver([&](frmRedirect& prompt) {
        autoSendRemembered = prompt.chkAutoSend()->isChecked();
        prompt.chkAutoSend()->setChecked(true);
        prompt.cmdProceed()->click();
    });
    send();
    EXPECT_FALSE(autoSendRemembered);
    EXPECT_EQ(other.connectionCount(), 1);
    EXPECT_TRUE(other.received().startsWith("GET /there HTTP/1.1\r\n"));
    EXPECT_TRUE(other.received().contains(QByteArray(
        "\r\nReferer: http://127.0.0.1:" + server.portText().toUtf8() + "/page2.html\r\n")));
    EXPECT_EQ(combo("cmbServer")->currentText(), u"localhost"_s);
    EXPECT_EQ(port()->text(), other.portText());
}

TEST_F(frmBrowserTest, FailuresWaitForOkAndCancelStopsASlowResponse)
{
    port()->setText(QString::number(TestServer::refusedPort()));
    QSignalSpy failed(window->transport()->exchange(), &Exchange::ErrorOccured);
    QTest::mouseClick(sendButton(), Qt::LeftButton);
    ASSERT_TRUE(failed.count() > 0 || failed.wait(kTimeoutMs));
    EXPECT_EQ(cancelCaption(), u"Ok"_s);
    EXPECT_TRUE(window->transport()->isVisible());
    EXPECT_FALSE(sendButton()->isEnabled());
    QTest::mouseClick(window->transport()->findChild<QPushButton*>(u"cmdCancel"_s), Qt::LeftButton);
    EXPECT_TRUE(window->transport()->isHidden());
    EXPECT_TRUE(sendButton()->isEnabled());

    // Cancel while the server holds back the rest.
    port()->setText(server.portText());
    TestServer::Script slow;
    slow.chunks = { "HTTP/1.1 200 OK\r\n\r\nfirst", "second" };
    slow.stepByStep = true;
    server.setScript(slow);
    QSignalSpy data(window->transport()->exchange(), &Exchange::DataArrived);
    QSignalSpy ended(&window->session(), &BrowserSession::exchangeEnded);
    QTest::mouseClick(sendButton(), Qt::LeftButton);
    ASSERT_TRUE(data.wait(kTimeoutMs));
    EXPECT_EQ(cancelCaption(), u"Cancel"_s);
    QTest::mouseClick(window->transport()->findChild<QPushButton*>(u"cmdCancel"_s), Qt::LeftButton);
    ASSERT_EQ(ended.count(), 1);
    server.sendNextChunk();
    const QString log = window->oResult()->txtResult(0)->toPlainText();
    EXPECT_TRUE(log.endsWith(u" User cancelled action\r\n"_s));
    EXPECT_FALSE(log.contains(u" Done\r\n"_s));
    EXPECT_TRUE(sendButton()->isEnabled());
}

// An exchange cut short fails (or is cancelled) on its own path, gives back every control the
// send took, and leaves nothing of its partial response behind: the header block it got may
// carry a cookie, which only a completed exchange stores or puts in the request.
TEST_F(frmBrowserTest, CutShortExchangesGiveTheControlsBackAndStoreNothing)
{
    const auto head = [](const char* cookie) -> QByteArray {
        return "HTTP/1.1 200 OK\r\nSet-Cookie: "_ba + cookie
            + "=1; Max-Age=600\r\nContent-Length: 100\r\n\r\npart";
    };
    struct Fault
    {
        const char* name;
        TestServer::Script script;
        bool secure;
        QString error; // empty: the user cancels once the server has gone quiet
    };
    using Ending = TestServer::Ending;
    const QList<Fault> faults {
        { "reset mid-body",
          { .chunks = { head("reset") }, .ending = Ending::Reset },
          false,
          u"SocketX_Close(): The current socket connection has been reset."_s },
        // Plain HTTP where TLS was expected: the handshake reads a response, not a record.
        { "TLS handshake failure",
          { .chunks = { head("tls") }, .ending = Ending::StaySilent, .waitForRequest = false },
          true,
          u"SocketX_Close(): The current connection has been aborted by the network or "
          "intermediate services."_s },
        { "silent server, Cancel", { .chunks = {}, .ending = Ending::StaySilent }, false, {} },
        { "silent after the header block, Cancel",
          { .chunks = { head("silent") }, .ending = Ending::StaySilent },
          false,
          {} },
    };

    // A completed exchange first: it shows what storing looks like, and leaves a response
    // behind that a cut-short exchange must not process again.
    combo("cmbURL")->setEditText(u"/completed"_s);
    server.setResponse({ "HTTP/1.1 200 OK\r\nSet-Cookie: kept=1; Max-Age=600\r\n\r\nok" });
    send();
    combo("cmbURL")->setEditText(u"/cut-short"_s);
    const QByteArray stored = app->userData().toByteArray();
    ASSERT_TRUE(stored.contains("name=\"kept\"")) << stored.toStdString();
    ASSERT_TRUE(stored.contains("<url>/completed</url>")) << stored.toStdString();

    const QStringList requestControls {
        u"cmdSend"_s,    u"flxRequestHeaders"_s,   u"txtPort"_s,       u"txtPortSecure"_s,
        u"cmbHTTPver"_s, u"chkIncludePostData"_s,  u"cmbReqMethod"_s,  u"cmbServer"_s,
        u"cmbURL"_s,     u"chkSecureConnection"_s, u"cmdBodyEditor"_s, u"txtRequestBody"_s,
    };
    // Named widgets that are enabled, as one line a failure message can show.
    const auto enabledNames = [&](const QStringList& among) {
        QStringList names;
        for (const QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->objectName().isEmpty() && w->isEnabled()
                && (among.isEmpty() || among.contains(w->objectName())))
                names.append(w->objectName());
        }
        names.sort();
        return names.join(u' ').toStdString();
    };
    QPushButton* button = window->transport()->findChild<QPushButton*>(u"cmdCancel"_s);
    Exchange* exchange = window->transport()->exchange();

    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        server.setScript(fault.script);
        child<QCheckBox>("chkSecureConnection")->setChecked(fault.secure);
        child<QLineEdit>("txtPortSecure")->setText(server.portText());
        const std::string before = enabledNames({});
        QSignalSpy failed(exchange, &Exchange::ErrorOccured);
        QSignalSpy data(exchange, &Exchange::DataArrived);
        QSignalSpy quiet(&server, &TestServer::scriptFinished);
        QSignalSpy ended(&window->session(), &BrowserSession::exchangeEnded);
        QTest::mouseClick(sendButton(), Qt::LeftButton);

        if (fault.error.isEmpty()) {
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return quiet.count() > 0 && (fault.script.chunks.isEmpty() || data.count() > 0);
                },
                kTimeoutMs));
            EXPECT_EQ(cancelCaption(), u"Cancel"_s);
        } else {
            ASSERT_TRUE(failed.count() > 0 || failed.wait(kTimeoutMs));
            EXPECT_EQ(failed.at(0).at(0).toString(), fault.error);
            EXPECT_EQ(cancelCaption(), u"Ok"_s);
            EXPECT_TRUE(window->transport()->isVisible());
        }
        // Until the user ends it, the exchange keeps the request controls.
        EXPECT_EQ(enabledNames(requestControls), "");
        EXPECT_TRUE(ended.isEmpty());
        QTest::mouseClick(button, Qt::LeftButton);

        ASSERT_EQ(ended.count(), 1);
        EXPECT_FALSE(ended.at(0).at(0).toBool());
        EXPECT_EQ(failed.count(), fault.error.isEmpty() ? 0 : 1);
        EXPECT_TRUE(window->transport()->isHidden());
        EXPECT_EQ(sendButton()->text(), u"SEND"_s);
        EXPECT_EQ(enabledNames({}), before);
        const QString log = window->oResult()->txtResult(0)->toPlainText();
        if (fault.error.isEmpty())
            EXPECT_TRUE(log.endsWith(u" User cancelled action\r\n"_s)) << log.toStdString();
        else
            EXPECT_TRUE(log.endsWith(u" ERROR: "_s + fault.error + u"\r\n"_s)) << log.toStdString();
        EXPECT_FALSE(log.contains(u" Processing response...\r\n"_s));
        EXPECT_EQ(app->userData().toByteArray().toStdString(), stored.toStdString());
        EXPECT_EQ(headers().GetRequestHeaderValue(u"Cookie"_s).toStdString(), "kept=1");
    }
    // After all that, the window still sends.
    child<QCheckBox>("chkSecureConnection")->setChecked(false);
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok" });
    send();
    EXPECT_TRUE(window->oResult()->txtResult(0)->toPlainText().contains(u" Done\r\n"_s));
}

TEST_F(frmBrowserTest, SecureExchangeShowsTheCertificateAndStillSends)
{
    TestServer tls(TestServer::Mode::Tls);
    ASSERT_TRUE(tls.listen()) << tls.error().toStdString();
    tls.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecret" });
    TestServer::setTestCaTrusted(true);
    child<QCheckBox>("chkSecureConnection")->setChecked(true);
    child<QLineEdit>("txtPortSecure")->setText(tls.portText());
    send();
    TestServer::setTestCaTrusted(false);

    EXPECT_EQ(window->session().currentRequest().FullPath(),
              u"https://127.0.0.1:"_s + tls.portText() + u"/index.html"_s);
    EXPECT_EQ(window->oResult()->frame()->Caption(),
              u"[secure]  https://127.0.0.1:"_s + tls.portText() + u"/index.html"_s);
    const QString log = window->oResult()->txtResult(0)->toPlainText();
    // Reached by address, the certificate for "localhost" does not match, and the request
    // is sent all the same.
    EXPECT_TRUE(log.contains(u"[ == Certificate info == ]"_s));
    EXPECT_TRUE(log.contains(u"<!!Certificate Error!!:> CNNoMatch"_s));
    EXPECT_TRUE(tls.received().startsWith("GET /index.html HTTP/1.1\r\n"));
    EXPECT_TRUE(tls.received().contains(
        QByteArray("\r\nHost: 127.0.0.1:" + tls.portText().toUtf8() + "\r\n")));
    EXPECT_EQ(window->oResult()->txtResult(2)->model().bytes().toByteArray(),
              "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecret");
    // The response tab shows the figures of the timing line in the log.
    const auto* tabs = window->oResult()->findChild<QTabBar*>(u"TabStrip1"_s);
    ASSERT_NE(tabs, nullptr);
    const QString timing = tabs->tabToolTip(2);
    EXPECT_TRUE(IsTimingLine(timing, true));
    EXPECT_TRUE(log.contains(u" "_s + timing + u"\r\n"_s));
}

TEST_F(frmBrowserTest, PortBoxesAcceptOnlyPortNumbers)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const auto check = [&](const QString& text) {
        messages.messages.clear();
        port()->setFocus();
        port()->setText(text);
        combo("cmbServer")->setFocus(); // focus leaves the port box
        return messages.messages.isEmpty() ? QString() : messages.messages.first().text;
    };
    EXPECT_EQ(check(u"80a"_s), u"Port# must be an integer!"_s);
    EXPECT_EQ(check(u" 80"_s), u"Port# must be an integer!"_s) << "as the transport refuses it";
    EXPECT_EQ(messages.messages.first().title, u"Ups:"_s);
    EXPECT_EQ(check(u"0"_s), u"Port# must be in the range 1-65535!"_s);
    EXPECT_EQ(check(u"70000"_s), u"Port# must be in the range 1-65535!"_s);
    EXPECT_EQ(check(QString()), u"Port# must be in the range 1-65535!"_s);
    EXPECT_EQ(check(u"99999999999999999999"_s), u"Port# must be in the range 1-65535!"_s);
    EXPECT_EQ(check(u"65535"_s), QString());
    EXPECT_EQ(check(u"1"_s), QString());
}

TEST_F(frmBrowserTest, PastedUrlBecomesANewRequest)
{
    headers().AddHeader(u"X-Old"_s, u"1"_s, false);
    QGuiApplication::clipboard()->setText(u"https://server1/a?x=1&amp;y=2"_s);
    child<QAbstractButton>("cmdPasteUrl")->click();
    EXPECT_TRUE(messages.messages.isEmpty());
    EXPECT_EQ(combo("cmbServer")->currentText(), u"server1"_s);
    EXPECT_TRUE(child<QCheckBox>("chkSecureConnection")->isChecked());
    EXPECT_EQ(child<QLineEdit>("txtPortSecure")->text(), u"443"_s);
    EXPECT_EQ(combo("cmbURL")->currentText(), u"/a?x=1&y=2"_s);
    EXPECT_EQ(headers().findRow(u"X-Old"_s), -1);

    QGuiApplication::clipboard()->setText(u"http://server1:8080/"_s);
    child<QAbstractButton>("cmdPasteUrl")->click();
    EXPECT_FALSE(child<QCheckBox>("chkSecureConnection")->isChecked());
    EXPECT_EQ(port()->text(), u"8080"_s);

    QGuiApplication::clipboard()->setText(u"ftp://x"_s);
    child<QAbstractButton>("cmdPasteUrl")->click();
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_EQ(messages.messages.first().text,
              u"Contents of Windows clipboard is not a valid URL!"_s);
    EXPECT_EQ(messages.messages.first().title, u"Error:"_s);
    EXPECT_EQ(port()->text(), u"8080"_s);
}

TEST_F(frmBrowserTest, BodyEditorRoundTripThroughTheTemporaryFile)
{
    ShellRecorder shell;
    QDesktopServices::setUrlHandler(u"file"_s, &shell, "open");
    auto* body = child<QPlainTextEdit>("txtRequestBody");
    body->setPlainText(u"a=1"_s);
    QTest::mouseClick(child<QPushButton>("cmdBodyEditor"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(u"file"_s);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(shell.opened.first().toLocalFile(), folder.bodyTempFile());
    EXPECT_TRUE(body->toPlainText().startsWith(u"<when you have edited the file"_s));

    // The editor saves the file later; a click in the body box brings it back.
    QFile file(folder.bodyTempFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a=2\r\nb=\xc3\xa9");
    file.close();
    QTest::mouseClick(body->viewport(), Qt::LeftButton);
    EXPECT_EQ(body->toPlainText(), u"a=2\nb=\u00e9"_s);
    // The CR LF the editor wrote goes on the wire as it was.
    server.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
    child<QCheckBox>("chkIncludePostData")->setChecked(true);
    send();
    EXPECT_TRUE(server.received().endsWith("\r\n\r\na=2\r\nb=\xc3\xa9"));
}

TEST_F(frmBrowserTest, LoadedBodyGoesOutExactlyAndEditsKeepUntouchedLineEnds)
{
    server.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
    HTTPRequest stored;
    stored.Server = u"127.0.0.1"_s;
    stored.Port = server.portText();
    stored.setMethod(u"POST"_s);
    stored.setURL(u"/"_s);
    stored.HTTPver = u"HTTP/1.1"_s;
    stored.Body.setContents(QByteArray("a\nb\r\nc"));
    const QString path = dir.filePath(u"mixed.phr"_s);
    ASSERT_TRUE(SaveRequestFile(stored, path));
    ASSERT_TRUE(window->openRequestFile(path));
    send();
    EXPECT_TRUE(server.received().endsWith("\r\n\r\na\nb\r\nc")) << server.received().toStdString();
    EXPECT_EQ(headers().GetRequestHeaderValue(u"Content-length"_s), u"6"_s);

    // Typing at the end of the first line: it keeps its LF, the typed break is CR LF.
    auto* body = child<QPlainTextEdit>("txtRequestBody");
    body->setFocus();
    QTextCursor cursor(body->document()->firstBlock());
    cursor.movePosition(QTextCursor::EndOfBlock);
    body->setTextCursor(cursor);
    QTest::keyClicks(body, u"X"_s);
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClicks(body, u"Y"_s);
    EXPECT_EQ(body->toPlainText(), u"aX\nY\nb\nc"_s);
    send();
    EXPECT_TRUE(server.received().endsWith("\r\n\r\naX\nY\r\nb\r\nc"))
        << server.received().toStdString();
    EXPECT_EQ(headers().GetRequestHeaderValue(u"Content-length"_s), u"10"_s);

    // A generated binary body goes out exactly, shown by its rendering and locked against typing.
    const QByteArray binary("--b\r\n\x89PNG\x00\r\n--b--", 17);
    window->setBodyBytes(binary, u"--b\r\n[file.png]\r\n--b--"_s);
    EXPECT_EQ(body->toPlainText(), u"--b\n[file.png]\n--b--"_s);
    EXPECT_TRUE(body->isReadOnly());
    send();
    EXPECT_TRUE(server.received().endsWith(QByteArray("\r\n\r\n" + binary)));
    EXPECT_EQ(headers().GetRequestHeaderValue(u"Content-length"_s), u"17"_s);
}

TEST_F(frmBrowserTest, FailedEditorReloadIsReportedOnceAndThePlaceholderGoesNowhere)
{
    ShellRecorder shell;
    QDesktopServices::setUrlHandler(u"file"_s, &shell, "open");
    auto* body = child<QPlainTextEdit>("txtRequestBody");
    auto* editor = child<QPushButton>("cmdBodyEditor");
    body->setPlainText(u"a=1"_s);
    QTest::mouseClick(editor, Qt::LeftButton);
    ASSERT_TRUE(body->toPlainText().startsWith(u"<when you have edited"_s));

    // The editor's file vanishes: one message, however often the box is clicked.
    ASSERT_TRUE(QFile::remove(folder.bodyTempFile()));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(body->viewport(), Qt::LeftButton);
    EXPECT_EQ(messages.texts(), QStringList { u"Error reading body contents temporary file"_s });
    EXPECT_EQ(body->toPlainText(), u"a=1"_s) << "the last good body is back, editor mode ended";

    // A second press writes the body, never the placeholder; sending and saving take the body.
    QTest::mouseClick(editor, Qt::LeftButton);
    QTest::mouseClick(editor, Qt::LeftButton);
    EXPECT_EQ(shell.opened.size(), 3);
    QFile file(folder.bodyTempFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "a=1");
    file.close();
    ASSERT_TRUE(body->toPlainText().startsWith(u"<when you have edited"_s));
    const QString saved = dir.filePath(u"saved.phr"_s);
    window->setFileChooser([&](bool) { return saved; });
    child<QCheckBox>("chkIncludePostData")->setChecked(true);
    Q_EMIT window->frame()->MenuItemClicked(u"savereqas"_s);
    HTTPRequest loaded;
    ASSERT_TRUE(LoadRequestFile(saved, loaded));
    EXPECT_EQ(loaded.Body.ContentBytes(), "a=1");
    QTest::mouseClick(editor, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(u"file"_s);
    server.setResponse({ "HTTP/1.1 200 OK\r\n\r\n" });
    send();
    EXPECT_TRUE(server.received().endsWith("\r\n\r\na=1"));
    EXPECT_EQ(messages.messages.size(), 1);
}

TEST_F(frmBrowserTest, SaveAsAdoptsThePathOnlyOnceTheFileIsWritten)
{
    const auto caption = [&] {
        return window->frame()->findChild<QLabel*>(u"lblCaption"_s)->text();
    };
    const QString good = dir.filePath(u"a&b.phr"_s);
    QString chosen = good;
    window->setFileChooser([&](bool) { return chosen; });
    Q_EMIT window->frame()->MenuItemClicked(u"savereqas"_s);
    ASSERT_EQ(window->sRequestSaveFile(), good);
    EXPECT_TRUE(caption().endsWith(u"a&b.phr]"_s)) << caption().toStdString();

    chosen = dir.filePath(u"no/folder/r.phr"_s);
    Q_EMIT window->frame()->MenuItemClicked(u"savereqas"_s);
    EXPECT_EQ(messages.texts(), QStringList { u"An error occured trying to save the request"_s });
    EXPECT_EQ(window->sRequestSaveFile(), good) << "the previous file stays current";
    EXPECT_TRUE(caption().endsWith(u"a&b.phr]"_s));

    // "Save" goes on writing to the file the caption shows.
    combo("cmbURL")->setEditText(u"/changed"_s);
    Q_EMIT window->frame()->MenuItemClicked(u"savereq"_s);
    HTTPRequest loaded;
    ASSERT_TRUE(LoadRequestFile(good, loaded));
    EXPECT_EQ(loaded.URL(), u"/changed"_s);
}

TEST_F(frmBrowserTest, LoadedRequestFillsEveryFieldAndServerListIgnoresCase)
{
    HTTPRequest stored;
    stored.Server = u"example.test"_s;
    stored.Port = u"8443"_s;
    stored.Secure = true;
    stored.setMethod(u"PUT"_s);
    stored.setURL(u"/Items/1?a=b&amp;c=d"_s);
    stored.HTTPver = u"HTTP/1.0"_s;
    stored.Header = u"X-One: 1\nX-Two: 2\n"_s;
    stored.Body.setContents(u"payload"_s);
    const QString path = dir.filePath(u"stored.phr"_s);
    ASSERT_TRUE(SaveRequestFile(stored, path));
    ASSERT_TRUE(window->openRequestFile(path));
    EXPECT_EQ(combo("cmbServer")->currentText(), u"example.test"_s);
    EXPECT_TRUE(child<QCheckBox>("chkSecureConnection")->isChecked());
    EXPECT_EQ(child<QLineEdit>("txtPortSecure")->text(), u"8443"_s);
    EXPECT_EQ(combo("cmbURL")->currentText(), u"/Items/1?a=b&c=d"_s);
    EXPECT_EQ(combo("cmbReqMethod")->currentText(), u"PUT"_s);
    EXPECT_EQ(combo("cmbHTTPver")->currentText(), u"HTTP/1.0"_s);
    EXPECT_TRUE(child<QCheckBox>("chkIncludePostData")->isChecked());
    EXPECT_EQ(headers().GetRequestHeaders(), u"X-One: 1\r\nX-Two: 2\r\n"_s);
    EXPECT_EQ(window->sRequestSaveFile(), path);
    EXPECT_TRUE(window->frame()->Caption().endsWith(u"]"_s));

    EXPECT_FALSE(window->openRequestFile(dir.filePath(u"missing.phr"_s)));
    EXPECT_EQ(messages.messages.last().text,
              u"Error loading request '"_s + dir.filePath(u"missing.phr"_s) + u"'"_s);
    EXPECT_EQ(window->sRequestSaveFile(), path);

    const int servers = combo("cmbServer")->count();
    window->AddHistoryItemServer(u"Server1"_s);
    window->AddHistoryItemServer(u"server1"_s);
    EXPECT_EQ(combo("cmbServer")->count(), servers + 1);
    EXPECT_GE(combo("cmbServer")->findText(u"server1"_s, Qt::MatchCaseSensitive), 0);
}

TEST_F(frmBrowserTest, SeeOtherAfterAPostTurnsTheWindowToAGetWithoutBody)
{
    combo("cmbReqMethod")->setEditText(u"POST"_s);
    child<QPlainTextEdit>("txtRequestBody")->setPlainText(u"a=1"_s);
    child<QCheckBox>("chkIncludePostData")->setChecked(true);
    server.setResponse({ "HTTP/1.1 303 See Other\r\nLocation: /done\r\n\r\n" });
    QString shown;
    frmRedirect::setTestDriver([&](frmRedirect& prompt) {
        shown = prompt.lblMethod()->text();
        prompt.chkAutoSend()->setChecked(false);
        prompt.cmdProceed()->click();
    });
    send();
    EXPECT_EQ(shown, u"Response code 303: the new request uses GET, without a body"_s);
    EXPECT_EQ(combo("cmbReqMethod")->currentText(), u"GET"_s);
    EXPECT_FALSE(child<QCheckBox>("chkIncludePostData")->isChecked());
    EXPECT_EQ(headers().findRow(u"Content-length"_s), -1);
    EXPECT_EQ(child<QPlainTextEdit>("txtRequestBody")->toPlainText(), u"a=1"_s);
}

// What the path box shows when SEND is pressed is what goes out: focus leaving the server box,
// a pick from its drop-down, a request put in from elsewhere and completion leave it alone.
TEST_F(frmBrowserTest, PathBoxSendsWhatItShows)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n" });
    const QString portText = server.portText();
    for (const auto& [host, url] :
         { std::pair { u"127.0.0.1"_s, u"/svc?wsdl"_s }, std::pair { u"localhost"_s, u"/tls"_s } })
        ASSERT_EQ(
            app->history().AddHistoryItem(HistoryStore::RequestFor(host, portText, false, url)), 0);
    QComboBox* host = combo("cmbServer");
    QComboBox* path = combo("cmbURL");
    const auto type = [](QComboBox* box, const QString& text) {
        box->lineEdit()->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
    };
    const auto sent = [&](const char* url) {
        send();
        return server.received().startsWith(QByteArray("GET "_ba + url + " HTTP/1.1\r\n"));
    };

    // A request put in while the server box has the focus (History -> Request).
    type(host, u"somewhere"_s);
    window->SetControls_RequestFromURL(
        HistoryStore::RequestFor(u"127.0.0.1"_s, portText, false, u"/other"_s));
    EXPECT_TRUE(sent("/other")) << server.received().constData();

    // A pick from the drop-down refills the list for that server.
    host->showPopup();
    host->view()->setCurrentIndex(host->model()->index(host->findText(u"localhost"_s), 0));
    QTest::keyClick(host->view(), Qt::Key_Return);
    EXPECT_GE(path->findText(u"/tls"_s), 0);
    EXPECT_LT(path->findText(u"/svc?wsdl"_s), 0);
    type(path, u"/picked"_s);
    EXPECT_TRUE(sent("/picked")) << server.received().constData();

    // A typed server that is in the list, then SEND.
    type(path, u"/typed-path"_s);
    type(host, u"127.0.0.1"_s);
    EXPECT_TRUE(sent("/typed-path")) << server.received().constData();
    EXPECT_EQ(path->currentText(), u"/typed-path"_s);

    // A typed prefix of a listed path stays a prefix.
    window->AddHistoryItemURL(u"/svc?wsdl"_s);
    type(path, u"/svc"_s);
    EXPECT_TRUE(sent("/svc")) << server.received().constData();
    path->completer()->popup()->hide();
}

// Closing the result window of a running exchange cancels it: the rest of the response lands
// nowhere and nothing of it is stored. The next window comes back where that one was.
TEST_F(frmBrowserTest, ClosingTheResultWindowCancelsItsExchangeAndKeepsItsPlace)
{
    TestServer::Script trickle;
    trickle.chunks = { "HTTP/1.1 200 OK\r\nSet-Cookie: t=1; Max-Age=600\r\n\r\nfirst" };
    for (int i = 0; i < 5; ++i)
        trickle.chunks.append(QByteArray(1024, 'x'));
    trickle.pauseMs = 100;
    server.setScript(trickle);
    combo("cmbURL")->setEditText(u"/trickle"_s);
    QSignalSpy data(window->transport()->exchange(), &Exchange::DataArrived);
    QSignalSpy ended(&window->session(), &BrowserSession::exchangeEnded);
    QTest::mouseClick(sendButton(), Qt::LeftButton);
    ASSERT_TRUE(data.wait(kTimeoutMs));
    frmResult* result = window->oResult();
    ASSERT_NE(result, nullptr);
    const QRect place(QPoint(300, 200), QSize(520, 410));
    result->setGeometry(place);
    result->close();
    ASSERT_TRUE(!ended.isEmpty() || ended.wait(kTimeoutMs));
    EXPECT_FALSE(ended.at(0).at(0).toBool()) << "cancelled, not completed";
    EXPECT_EQ(window->oResult(), nullptr) << "no window for the rest";
    EXPECT_TRUE(sendButton()->isEnabled());
    const QByteArray stored = app->userData().toByteArray();
    EXPECT_FALSE(stored.contains("/trickle")) << stored.toStdString();
    EXPECT_FALSE(stored.contains("name=\"t\"")) << stored.toStdString();

    server.setResponse({ "HTTP/1.1 200 OK\r\n\r\nok" });
    send();
    ASSERT_NE(window->oResult(), nullptr);
    EXPECT_EQ(window->oResult()->geometry(), place);
}

// Without a program for text files the editor is not started: the user is told, naming the
// file, and the body stays in the box, editable.
TEST_F(frmBrowserTest, EditorWithoutAProgramSaysSoAndKeepsTheBody)
{
    setShellOpener([](const QUrl&) { return false; });
    window->setBodyBytes("a=1", u"a=1"_s);
    auto* body = child<QPlainTextEdit>("txtRequestBody");
    QTest::mouseClick(child<QPushButton>("cmdBodyEditor"), Qt::LeftButton);
    setShellOpener({});
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages.at(0).text.contains(folder.bodyTempFile()))
        << messages.messages.at(0).text.toStdString();
    EXPECT_EQ(body->toPlainText(), u"a=1"_s);
    body->moveCursor(QTextCursor::End);
    QTest::keyClicks(body, u"&b=2"_s);
    EXPECT_EQ(window->requestBody().bytes(), "a=1&b=2");
}

#include "frmBrowserTest.moc"

TEST_F(frmBrowserTest, KeptConnectionIsShownAndClosedOnRequest)
{
    const QByteArray response = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"_ba;
    server.setResponse({ response }, TestServer::Ending::KeepAlive);
    QLabel* label = child<QLabel>("lblConnection");
    QPushButton* close = child<QPushButton>("cmdCloseConnection");
    EXPECT_TRUE(label->isHidden());
    EXPECT_TRUE(close->isHidden());

    child<QCheckBox>("chkKeepAlive")->setChecked(true);
    send();
    send();
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_FALSE(headers().findRow(u"Connection"_s) >= 0);
    const QString place = u"127.0.0.1:"_s + server.portText();
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), u"Connection open to "_s + place + u", closes after 60 s idle"_s);

    QSignalSpy serverSawClose(&server, &TestServer::connectionClosed);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_TRUE(label->isHidden());
    EXPECT_TRUE(close->isHidden());
    ASSERT_TRUE(serverSawClose.wait(kTimeoutMs));
    send();
    EXPECT_EQ(server.connectionCount(), 2);
    const QString log = window->oResult()->txtResult(0)->toPlainText();
    EXPECT_TRUE(log.contains(u"Connection to "_s + place
                             + u" closed by the user\r\n Connecting to "_s + place))
        << qPrintable(log);
}
