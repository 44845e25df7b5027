#include "analysis/widgets/ctrlDocElements.h"

#include "analysis/widgets/ResultTextView.h"
#include "analysis/widgets/frmResult.h"
#include "editing/FormFieldTable.h"
#include "editing/HeaderTable.h"
#include "editing/widgets/ctrlHeaders.h"
#include "editing/widgets/frmFORMBuilder.h"
#include "message/HTTPResponse.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"
#include <zlib.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

const QString kPage = uR"html(<html><body>
<a href="../docs/intro.html">Intro</a>
<a href="javascript:history.back()">Back</a>
<img src="/pics/logo.png">
<form name="login" method="post" action="login.php">
  <input name="user" value="ann &amp; bob"><input type="password" name="pw" value="s3cret==">
  <input type="submit" value="Go">
</form>
</body></html>)html"_s;

HTTPRequest page(const QString& server, const QString& port, const QString& url)
{
    HTTPRequest request;
    request.Server = server;
    request.Port = port;
    request.setURL(url);
    return request;
}

QByteArray gzip(const QByteArray& data)
{
    z_stream stream {};
    deflateInit2(&stream, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// A response sent gzip-compressed in chunks of 40 bytes, split over several writes.
QList<QByteArray> gzipChunked(const QByteArray& type, const QByteArray& body)
{
    const QByteArray packed = gzip(body);
    QByteArray framed;
    for (qsizetype at = 0; at < packed.size(); at += 40) {
        const QByteArray part = packed.mid(at, 40);
        framed += QByteArray::number(part.size(), 16) + ";ext=1\r\n" + part + "\r\n";
    }
    framed += "0\r\n\r\n";
    return { "HTTP/1.1 200 OK\r\nContent-Type: " + type
                 + "\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n",
             framed.left(framed.size() / 2), framed.mid(framed.size() / 2) };
}

QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& text)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    return nullptr;
}

} // namespace

TEST(ctrlDocElementsTest, TreeListsElementsAndRefusesScriptLinks)
{
    ctrlDocElements panel;
    MessageRecorder messages;
    panel.setMessageSink(&messages);
    QTreeWidget* tree = panel.TreeView1();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(2)->text(0), u"Forms"_s);
    EXPECT_FALSE(tree->isEnabled());
    EXPECT_EQ(panel.cmdGet()->text(), u"-"_s);

    EXPECT_EQ(panel.ParseHTMLDocument(kPage, page(u"h.test"_s, u"81"_s, u"/app/en/index.html"_s)),
              4);
    EXPECT_TRUE(tree->isEnabled());
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
    EXPECT_TRUE(tree->topLevelItem(2)->isExpanded());
    QTreeWidgetItem* form = tree->topLevelItem(2)->child(0);
    EXPECT_EQ(form->text(0), u"login"_s);
    ASSERT_NE(child(form, u"pw"_s), nullptr);
    EXPECT_EQ(child(child(form, u"pw"_s), u"value=\"s3cret==\""_s)->text(0),
              u"value=\"s3cret==\""_s)
        << "attribute nodes show the attribute as written";

    // Only element nodes enable the button.
    tree->setCurrentItem(form->child(0));
    EXPECT_FALSE(panel.cmdGet()->isEnabled());
    QSignalSpy urls(&panel, &ctrlDocElements::URLRequested);
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    EXPECT_EQ(panel.cmdGet()->text(), u"Make new request"_s);
    QTest::mouseClick(panel.cmdGet(), Qt::LeftButton);
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls.at(0).at(0).value<HTTPRequest>().FullPath(),
              u"http://h.test:81/app/docs/intro.html"_s);

    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    QTest::mouseClick(panel.cmdGet(), Qt::LeftButton);
    EXPECT_EQ(urls.size(), 1);
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_EQ(messages.messages[0].text, u"Javascript: and Mailto: links cannot be requested!"_s);
    EXPECT_EQ(messages.messages[0].title, u"Sorry"_s);

    panel.ClearTree();
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 0);
    EXPECT_FALSE(tree->isEnabled());
}

TEST(ctrlDocElementsTest, BodyViewShowsAGzipChunkedJsonResponsePrettyPrinted)
{
    frmResult w;
    w.show();
    w.AddResultTab(u"GET"_s, ResultSink::RequestPage, false);
    w.AddResultText(u"GET /api HTTP/1.1\r\n\r\n"_s);
    w.AddResultTab(u"200"_s, ResultSink::ResponsePage, true);
    for (const QByteArray& chunk : gzipChunked("application/json", "{\"id\":7,\"tags\":[\"x\"]}"))
        w.AddResultText(chunk);

    Q_EMIT w.frame()->MenuItemClicked(u"body"_s); // the frame's menu toggles the view
    ASSERT_NE(w.bodyView(2), nullptr);
    EXPECT_TRUE(w.bodyView(2)->isVisible());
    EXPECT_FALSE(w.txtResult(2)->isVisible()) << "the raw page stays as it is, hidden";
    EXPECT_EQ(w.tabStrip()->tabText(2), u"  200 [body]  "_s);
    EXPECT_EQ(w.bodyView(2)->toPlainText(),
              u"{\n    \"id\": 7,\n    \"tags\": [\n        \"x\"\n    ]\n}\n"_s);
    w.showDecodedBody(2, false);
    EXPECT_TRUE(w.txtResult(2)->isVisible());
    Q_EMIT w.frame()->MenuItemClicked(u"json"_s);
    EXPECT_TRUE(w.showsDecodedBody(2));
    EXPECT_TRUE(w.bodyView(2)->isVisible());
    w.showDecodedBody(2, false);
    EXPECT_EQ(w.tabStrip()->tabText(2), u"  200  "_s);
    Q_EMIT w.frame()->MenuItemClicked(u"html"_s); // analysis on demand, even of JSON
    EXPECT_EQ(w.pageKind(3), ResultSink::ElementTreePage);
    EXPECT_EQ(w.lCurrentTab(), 2);
    w.ClearResults();
    EXPECT_EQ(w.bodyView(2), nullptr);
}

TEST(ctrlDocElementsTest, FinishedResponsesOfferToolsAndSoapPagesUnselected)
{
    frmResult w;
    w.AddResultTab(u"200"_s, ResultSink::ResponsePage, true);
    const QByteArray html
        = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" + kPage.toUtf8();
    w.AddResultText(html);
    HTTPResponse response;
    response.AddResponseData(html);
    w.responseComplete(page(u"h.test"_s, u"80"_s, u"/svc/Stock.asmx?WSDL"_s), response);
    EXPECT_EQ(w.pageKind(2), ResultSink::WsdlPage);
    EXPECT_EQ(w.pageKind(3), ResultSink::ElementTreePage);
    EXPECT_EQ(w.lCurrentTab(), 1);
    EXPECT_EQ(w.elementTreePanel()->elements().count(), 4);
    EXPECT_EQ(w.wsdlRequest().URL(), u"/svc/Stock.asmx?WSDL"_s);
    EXPECT_TRUE(w.wsdlBody().text.startsWith(u"<html>"_s));

    // A page keeps the request it was analysed for until the window is cleared.
    EXPECT_EQ(w.elementTreePanel()->page().Server, u"h.test"_s);
    w.ClearResults();
    EXPECT_EQ(w.elementTreePanel()->elements().count(), 0);
    EXPECT_TRUE(w.elementTreePanel()->page().Server.isEmpty());

    // A page that decodes to more than 16 MB waits until the user asks for it.
    const QByteArray packed = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                              "Content-Encoding: gzip\r\n\r\n"
        + gzip(QByteArray(17 * 1024 * 1024, ' '));
    w.AddResultTab(u"200"_s, ResultSink::ResponsePage, true);
    w.AddResultText(packed);
    HTTPResponse large;
    large.AddResponseData(packed);
    w.responseComplete(page(u"h.test"_s, u"80"_s, u"/big.html"_s), large);
    EXPECT_EQ(w.lTabCount(), 1);
    EXPECT_TRUE(w.txtResult(0)->toPlainText().contains(u"not analysed: larger than 16 MB"_s));
}

// A page served gzip-compressed and chunked is analysed after Done; its form becomes the
// request window's request and arrives at the server as a browser sends it.
TEST(ctrlDocElementsTest, FormOfAServedPageIsSentToTheServer)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const DataFolder::Resolution data = DataFolder::Resolve(dir.path());
    ASSERT_TRUE(bool(data)) << data.error.toStdString();
    MessageRecorder messages;
    AppData app(data.folder, messages);
    ASSERT_TRUE(app.LoadConfiguration(nullptr));
    app.LoadUserData();
    frmBrowser window(app, messages);
    window.show();
    TestServer server;
    ASSERT_TRUE(server.listen()) << server.error().toStdString();
    server.setResponse(gzipChunked("text/html", kPage.toUtf8()));

    auto send = [&] {
        QSignalSpy ended(&window.session(), &BrowserSession::exchangeEnded);
        QTest::mouseClick(window.findChild<QPushButton*>(u"cmdSend"_s), Qt::LeftButton);
        while (window.session().isBusy())
            ASSERT_TRUE(ended.wait(kTimeoutMs)) << "the exchange never ended";
    };
    window.findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"127.0.0.1"_s);
    window.findChild<QLineEdit*>(u"txtPort"_s)->setText(server.portText());
    window.findChild<QComboBox*>(u"cmbURL"_s)->setEditText(u"/app/index.html"_s);
    send();

    frmResult* result = window.oResult();
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->pageKind(3), ResultSink::ElementTreePage);
    EXPECT_EQ(result->lCurrentTab(), 2) << "the raw response stays in front";
    ctrlDocElements* panel = result->elementTreePanel();
    QTreeWidget* tree = panel->TreeView1();
    // A relative link becomes the absolute GET request in the request window.
    window.findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"elsewhere.test"_s);
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    QTest::mouseClick(panel->cmdGet(), Qt::LeftButton);
    EXPECT_EQ(window.findChild<QComboBox*>(u"cmbServer"_s)->currentText(), u"127.0.0.1"_s);
    EXPECT_EQ(window.findChild<QComboBox*>(u"cmbURL"_s)->currentText(), u"/docs/intro.html"_s);

    // The form opens in the form builder with the page's fields; what the user edits there
    // is what is sent.
    bool builderShown = false;
    DialogRunner::pushDriver([&](QDialog& dialog) {
        auto* builder = qobject_cast<frmFORMBuilder*>(&dialog);
        ASSERT_NE(builder, nullptr);
        builderShown = true;
        FormFieldTable* rows = builder->rows();
        ASSERT_EQ(rows->rowCount(), 2);
        rows->setData(rows->index(1, 2), u"n3w=="_s);
        QTest::mouseClick(builder->cmdOK(), Qt::LeftButton);
    });
    tree->setCurrentItem(tree->topLevelItem(2)->child(0));
    QTest::mouseClick(panel->cmdGet(), Qt::LeftButton);
    EXPECT_TRUE(builderShown);

    EXPECT_EQ(window.findChild<QComboBox*>(u"cmbReqMethod"_s)->currentText(), u"POST"_s);
    EXPECT_EQ(window.findChild<QComboBox*>(u"cmbURL"_s)->currentText(), u"/app/login.php"_s);
    EXPECT_TRUE(window.findChild<QCheckBox*>(u"chkIncludePostData"_s)->isChecked());
    EXPECT_EQ(window.headerGrid()->headers()->GetRequestHeaderValue(u"Content-type"_s),
              u"application/x-www-form-urlencoded"_s);

    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n" });
    send();
    const QByteArray expected = "user=ann%20%26%20bob&pw=n3w%3D%3D";
    const QByteArray received = server.received();
    EXPECT_TRUE(received.startsWith("POST /app/login.php HTTP/1.1\r\n")) << received.constData();
    EXPECT_TRUE(received.contains("\r\nContent-type: application/x-www-form-urlencoded\r\n"));
    EXPECT_TRUE(received.contains(
        QByteArray("\r\nContent-length: " + QByteArray::number(expected.size()) + "\r\n")));
    EXPECT_TRUE(received.endsWith(QByteArray("\r\n\r\n" + expected))) << received.constData();
}
