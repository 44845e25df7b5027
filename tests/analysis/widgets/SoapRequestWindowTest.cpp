#include "analysis/widgets/WebServices.h"
#include "analysis/widgets/ctrlSOAP.h"
#include "analysis/widgets/ctrlStoreWebService.h"
#include "analysis/widgets/frmResult.h"
#include "analysis/widgets/frmSOAPAction.h"
#include "analysis/widgets/frmWebServices.h"
#include "message/HTTPResponse.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "persistence/XmlDocument.h"
#include "shell/widgets/DialogRunner.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void send(frmBrowser& window)
{
    QSignalSpy ended(&window.session(), &BrowserSession::exchangeEnded);
    QTest::mouseClick(window.findChild<QPushButton*>(u"cmdSend"_s), Qt::LeftButton);
    while (window.session().isBusy())
        ASSERT_TRUE(ended.wait(15000)) << "the exchange never ended";
}

QByteArray response(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace

// The user's way through the program: request .../service?wsdl, store it from the result
// window's WSDL page, open it from the repository, fill a parameter, generate, and send from
// the request window.
TEST(SoapRequestWindowTest, StoredServiceGeneratesARequestTheServerCanDispatch)
{
    QTemporaryDir dir;
    const DataFolder::Resolution data = DataFolder::Resolve(dir.path());
    ASSERT_TRUE(bool(data)) << qPrintable(data.error);
    MessageRecorder messages;
    AppData app(data.folder, messages);
    ASSERT_TRUE(app.LoadConfiguration(nullptr));
    app.LoadUserData();
    frmBrowser window(app, messages);
    window.show();
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());

    QByteArray document
        = FileHelpers::readFile(QStringLiteral(PELORIN_TEST_DATA_DIR "/wsdl/java.wsdl"));
    document.replace("http://localhost:9090/calc?mode=full&amp;trace=1", "calc");
    // Served compressed and chunked: the page stores the decoded document.
    const QByteArray deflated = qCompress(document).mid(4);
    const qsizetype half = deflated.size() / 2;
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n"
                         "Content-Encoding: deflate\r\nTransfer-Encoding: chunked\r\n\r\n"
                             + QByteArray::number(half, 16) + "\r\n" + deflated.left(half) + "\r\n",
                         QByteArray::number(deflated.size() - half, 16) + "\r\n"
                             + deflated.mid(half) + "\r\n0\r\n\r\n" });

    WebServices services(data.folder.webservicesFolder(), messages, &window);
    services.setRequestLoader([&](const HTTPRequest& request) {
        window.SetControls_LoadedRequest(request);
        window.focusRequestWindow();
    });
    window.setWebServices(&services);
    window.findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"127.0.0.1"_s);
    window.findChild<QLineEdit*>(u"txtPort"_s)->setText(server.portText());
    window.findChild<QComboBox*>(u"cmbURL"_s)->setEditText(u"/ws/service?wsdl"_s);
    send(window);
    ASSERT_NE(window.oResult(), nullptr);

    ctrlStoreWebService* page = window.oResult()->wsdlPanel();
    page->cmdStoreLocally()->click();
    ASSERT_EQ(page->lblStoreResult()->text(), u"Stored as service.wsdl"_s);
    EXPECT_EQ(FileHelpers::readFile(services.repository().filePath(u"service.wsdl"_s)), document);

    services.showRepository();
    QTreeWidget* list = services.repositoryWindow()->lstServices();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    list->setCurrentItem(list->topLevelItem(0));
    DialogRunner::pushDriver([&](QDialog&) {
        ctrlSOAP* panel = services.wizard()->panel();
        panel->flxInputParams()->item(0, 1)->setText(u"40"_s);
        panel->flxInputParams()->item(1, 1)->setText(u"2"_s);
        panel->cmdGenerateRequest()->click();
    });
    services.repositoryWindow()->cmdAction(1)->click();

    const QByteArray answer = "<Envelope/>";
    server.setResponse({ response(answer) });
    send(window);
    const QByteArray received = server.received();
    const qsizetype headerEnd = received.indexOf("\r\n\r\n");
    ASSERT_GT(headerEnd, 0) << received.constData();
    const QByteArray head = received.left(headerEnd);
    const QByteArray body = received.mid(headerEnd + 4);
    EXPECT_TRUE(head.startsWith("POST /ws/calc HTTP/1.1\r\n")) << head.constData();
    EXPECT_TRUE(head.contains(QByteArray("\r\nHost: 127.0.0.1:" + server.portText().toUtf8())));
    EXPECT_TRUE(head.contains("\r\nSOAPAction: \"\"")) << head.constData();
    EXPECT_TRUE(head.contains(QByteArray("\r\nContent-length: " + QByteArray::number(body.size()))))
        << head.constData();
    XmlDocument envelope;
    ASSERT_TRUE(envelope.loadXML(body)) << body.constData();
    EXPECT_EQ(envelope
                  .selectSingleNode(u"//*[local-name()='add' and namespace-uri()=$ns]/arg0"_s,
                                    { { u"ns"_s, u"http://calc.example.com/"_s } })
                  .text(),
              u"40"_s)
        << body.constData();
}
