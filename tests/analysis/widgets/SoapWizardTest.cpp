#include "analysis/widgets/WebServices.h"
#include "analysis/widgets/ctrlSOAP.h"
#include "analysis/widgets/ctrlStoreWebService.h"
#include "analysis/widgets/frmSOAPAction.h"
#include "analysis/widgets/frmWebServices.h"
#include "shell/widgets/DialogRunner.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"
#include "support/ServedWsdl.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray sample(const char* name)
{
    return FileHelpers::readFile(QStringLiteral(PELORIN_TEST_DATA_DIR "/wsdl/")
                                 + QLatin1StringView(name));
}

QStringList listTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// The open editor of the grid; closed editors linger until deleted later.
QLineEdit* openEditor(const QTableWidget* grid)
{
    QCoreApplication::processEvents();
    for (QLineEdit* editor : grid->findChildren<QLineEdit*>()) {
        if (editor->isVisible())
            return editor;
    }
    return nullptr;
}

} // namespace

TEST(SoapWizardTest, PanelListsSelectsAndGenerates)
{
    MessageRecorder messages;
    ctrlSOAP panel(messages);
    QList<HTTPRequest> loaded;
    panel.setRequestLoader([&](const HTTPRequest& request) { loaded.append(request); });
    QSignalSpy ok(&panel, &ctrlSOAP::OkClicked);
    panel.show();

    panel.setWSDLDocument(sample("rpc.wsdl"), u"https://quotes.example.com/rpc?wsdl"_s);
    panel.EnumPortTypes();
    EXPECT_EQ(listTexts(panel.ListView1()),
              (QStringList { u"GetQuoteInput"_s, u"ListSymbolsInput"_s }));
    EXPECT_EQ(panel.ListView1()->currentRow(), 0);
    EXPECT_EQ(panel.lblSOAPAction()->text(), u"urn:StockQuote#GetQuote"_s);
    EXPECT_EQ(panel.lblServiceAddress()->text(), u"https://quotes.example.com/rpc"_s);
    ASSERT_EQ(panel.flxInputParams()->rowCount(), 2);
    EXPECT_EQ(panel.flxInputParams()->item(1, 2)->text(), u"xsd:string"_s);
    EXPECT_TRUE(panel.cmdGenerateRequest()->isEnabled());

    // Moving onto a value cell starts editing it; names and types are not editable.
    panel.flxInputParams()->setCurrentCell(0, 1);
    QLineEdit* editor = openEditor(panel.flxInputParams());
    ASSERT_NE(editor, nullptr) << "no editor opened on the value cell";
    QTest::keyClicks(editor, u"IBM"_s);
    EXPECT_FALSE(panel.flxInputParams()->item(0, 0)->flags() & Qt::ItemIsEditable);

    // The operation without soapAction notes it and does not keep the previous value.
    panel.ListView1()->setCurrentRow(1);
    EXPECT_EQ(panel.lblSOAPAction()->text(), QString());
    EXPECT_FALSE(panel.lblStatus()->text().isEmpty());
    EXPECT_TRUE(messages.messages.isEmpty()) << qPrintable(messages.texts().join(u'|'));

    panel.ListView1()->setCurrentRow(0);
    panel.flxInputParams()->setCurrentCell(0, 1);
    ASSERT_NE(openEditor(panel.flxInputParams()), nullptr);
    QTest::keyClicks(openEditor(panel.flxInputParams()), u"IBM"_s);
    panel.cmdGenerateRequest()->click();
    ASSERT_EQ(loaded.size(), 1) << "typed value still in the editor must count";
    EXPECT_EQ(ok.size(), 1);
    EXPECT_TRUE(loaded.at(0).Body.Contents().contains(u"<symbol>IBM</symbol>"_s));
    EXPECT_EQ(loaded.at(0).Method(), u"POST"_s);
}

// After a failed parse nothing of the previous document stays live.
TEST(SoapWizardTest, FailuresClearEverythingAndDisableGenerate)
{
    MessageRecorder messages;
    ctrlSOAP panel(messages);
    panel.setWSDLDocument(sample("java.wsdl"));
    panel.EnumPortTypes();
    ASSERT_TRUE(panel.cmdGenerateRequest()->isEnabled());

    panel.setWSDLFileContents(u"<definitions><oops></definitions>"_s);
    panel.EnumPortTypes();
    EXPECT_TRUE(panel.lblStatus()->text().startsWith(u"Error: "_s))
        << qPrintable(panel.lblStatus()->text());
    EXPECT_EQ(panel.ListView1()->count(), 0);
    EXPECT_EQ(panel.flxInputParams()->rowCount(), 0);
    EXPECT_EQ(panel.lblServiceAddress()->text(), QString());
    EXPECT_EQ(panel.lblSOAPAction()->text(), QString());
    EXPECT_FALSE(panel.cmdGenerateRequest()->isEnabled());

    // A port type without any address: "- error -" and no request.
    QByteArray noAddress = sample("java.wsdl");
    noAddress.replace(
        "<soap:address location=\"http://localhost:9090/calc?mode=full&amp;trace=1\"/>", "");
    panel.setWSDLDocument(noAddress);
    panel.EnumPortTypes();
    EXPECT_EQ(panel.lblServiceAddress()->text(), u"- error -"_s);
    EXPECT_EQ(panel.lblStatus()->text(), u"Error determining Service Address"_s);
    EXPECT_FALSE(panel.cmdGenerateRequest()->isEnabled());
}

// The WSDL page stores the response and starts the wizard; the repository window lists,
// removes after asking, and reopens stored files with their recorded URL.
TEST(SoapWizardTest, StorePanelAndRepositoryWindow)
{
    QTemporaryDir dir;
    MessageRecorder messages;
    QWidget mainWindow;
    WebServices services(QDir(dir.path()).filePath(u"webservices"_s), messages, &mainWindow);
    QList<HTTPRequest> loaded;
    services.setRequestLoader([&](const HTTPRequest& request) { loaded.append(request); });

    ctrlStoreWebService page;
    EXPECT_FALSE(page.cmdStoreLocally()->isEnabled()) << "no services, no source yet";
    page.setServices(&services);
    std::optional<WsdlResponse> response;
    page.setSource([&] { return response; });
    ASSERT_TRUE(page.cmdStoreLocally()->isEnabled());
    page.cmdStoreLocally()->click();
    EXPECT_EQ(page.lblStoreResult()->text(), u"Nothing to store: there is no response"_s);

    frmWebServices* window = services.repositoryWindow();
    // Its import is served nowhere; without it the document stores at once.
    const QByteArray shop
        = sample("two-services.wsdl")
              .replace(R"(<wsdl:import namespace="urn:shop:extra" location="extra.wsdl"/>)", "");
    response = WsdlResponse { shop, u"http://h:8000/ws/shop.wsdl"_s, {} };
    page.cmdStoreLocally()->click();
    EXPECT_EQ(page.lblStoreResult()->text(), u"Stored as shop.wsdl"_s);
    response = WsdlResponse { sample("java.wsdl"), u"http://h:8000/calc?wsdl"_s, {} };
    page.cmdStoreLocally()->click();
    ASSERT_EQ(window->lstServices()->topLevelItemCount(), 2) << "the list refreshes on store";
    EXPECT_EQ(window->lstServices()->topLevelItem(1)->text(1), u"http://h:8000/ws/shop.wsdl"_s);

    // Parse on the page opens the wizard on the response, on its decoded text when given.
    response->text = QString::fromUtf8(response->document);
    response->document = "<not-analysed/>";
    int wizardRuns = 0;
    DialogRunner::pushDriver([&](QDialog&) {
        ++wizardRuns;
        EXPECT_EQ(listTexts(services.wizard()->panel()->ListView1()),
                  (QStringList { u"add"_s, u"ping"_s }));
        services.wizard()->panel()->cmdCancel()->click();
    });
    page.cmdParse()->click();
    EXPECT_EQ(wizardRuns, 1);
    EXPECT_FALSE(services.wizard()->isVisible());

    // List operations: the relative address resolves against the recorded URL.
    window->lstServices()->setCurrentItem(window->lstServices()->topLevelItem(1));
    ASSERT_TRUE(window->cmdAction(1)->isEnabled());
    DialogRunner::pushDriver([&](QDialog&) {
        ctrlSOAP* panel = services.wizard()->panel();
        panel->ListView1()->setCurrentRow(1);
        EXPECT_EQ(panel->lblServiceAddress()->text(), u"../billing/endpoint"_s);
        panel->cmdGenerateRequest()->click();
    });
    window->cmdAction(1)->click();
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded.at(0).FullPath(), u"http://h:8000/billing/endpoint"_s);

    // Remove asks first: No keeps the file, Yes removes file and row.
    window->lstServices()->setCurrentItem(window->lstServices()->topLevelItem(0));
    messages.answers = { false, true };
    window->cmdAction(0)->click();
    EXPECT_EQ(window->lstServices()->topLevelItemCount(), 2);
    window->lstServices()->setCurrentItem(window->lstServices()->topLevelItem(0));
    window->cmdAction(0)->click();
    ASSERT_EQ(window->lstServices()->topLevelItemCount(), 1);
    EXPECT_EQ(window->lstServices()->topLevelItem(0)->text(0), u"shop.wsdl"_s);
    EXPECT_EQ(messages.messages.size(), 2);
    EXPECT_FALSE(window->cmdAction(0)->isEnabled());

    // A stored file broken by hand is named in an error; the wizard does not open on it.
    const QString broken = QDir(services.repository().folder()).filePath(u"broken.wsdl"_s);
    ASSERT_TRUE(FileHelpers::writeFile(broken, "<definitions><portType"));
    window->EnumWebServices();
    DialogRunner::pushDriver([&](QDialog&) { ++wizardRuns; });
    window->lstServices()->setCurrentItem(window->lstServices()->topLevelItem(0));
    window->cmdAction(1)->click();
    ASSERT_EQ(messages.messages.size(), 3);
    EXPECT_TRUE(messages.messages.last().text.startsWith(u"Error parsing "_s + broken + u": "_s))
        << messages.messages.last().text.toStdString();
    EXPECT_EQ(wizardRuns, 1);
    DialogRunner::clearDrivers();
}

// A served description: the wizard reads its imports without blocking and shows the header
// row as such, the listing's note stays beside each operation's status; stored from the page
// with its imports, it lists from the repository with the server gone and generates the same.
TEST(SoapWizardTest, ImportsAreReadThenStoredAndListedOffline)
{
    auto server = std::make_unique<TestServer>();
    ASSERT_TRUE(server->listen()) << qPrintable(server->error());
    ServedWsdl::route(*server,
                      { { "/svc?wsdl=2", ServedWsdl::kBinding },
                        { "/svc?xsd=1", ServedWsdl::kSchema1 },
                        { "/svc?xsd=2", ServedWsdl::kSchema2 } });
    const QString url = u"http://127.0.0.1:%1/svc?wsdl"_s.arg(server->port());
    // ASMX-style, an HTTP GET port type beside the SOAP one.
    const QByteArray main = QByteArray(ServedWsdl::kMain).replace("</definitions>", R"(
  <portType name="QuoteHttpGet"><operation name="getQuote"><input message="tns:getQuote"/></operation></portType>
  <binding name="QuoteHttpGet" type="tns:QuoteHttpGet" xmlns:http="http://schemas.xmlsoap.org/wsdl/http/">
    <http:binding verb="GET"/></binding></definitions>)");

    QTemporaryDir dir;
    MessageRecorder messages;
    QWidget mainWindow;
    WebServices services(QDir(dir.path()).filePath(u"webservices"_s), messages, &mainWindow);
    QList<HTTPRequest> loaded;
    services.setRequestLoader([&](const HTTPRequest& request) { loaded.append(request); });
    ctrlSOAP* panel = services.wizard()->panel();
    QSignalSpy read(panel, &ctrlSOAP::importsRead);
    panel->setWSDLDocument(main, url);
    panel->EnumPortTypes();
    EXPECT_EQ(panel->lblStatus()->text(), u"Reading imported documents ..."_s);
    EXPECT_EQ(panel->ListView1()->count(), 0);
    ASSERT_TRUE(read.wait(15000));
    ASSERT_TRUE(read.at(0).at(0).toBool()) << qPrintable(panel->lblStatus()->text());
    EXPECT_EQ(listTexts(panel->ListView1()), QStringList { u"getQuote"_s });
    EXPECT_EQ(panel->lblStatus()->text(), u"Operations without a SOAP binding are not listed: 1"_s)
        << "the note stays after the first selection";
    ASSERT_EQ(panel->flxInputParams()->rowCount(), 4);
    EXPECT_EQ(panel->flxInputParams()->item(0, 2)->text(), u"SOAP header: tns:token"_s);
    EXPECT_EQ(panel->flxInputParams()->item(1, 2)->text(), u"xs:string"_s);
    EXPECT_TRUE(panel->txtImportLog()->toPlainText().contains(u"svc?xsd=2: status 200, "_s));
    panel->cmdGenerateRequest()->click();
    ASSERT_EQ(loaded.size(), 1);

    ctrlStoreWebService page;
    page.setServices(&services);
    page.setSource([&] { return std::optional<WsdlResponse>({ main, url, {} }); });
    QSignalSpy storeLog(&services, &WebServices::logLine);
    page.cmdStoreLocally()->click();
    EXPECT_EQ(page.lblStoreResult()->text(), u"Reading imported documents ..."_s);
    const QString stored = u"Stored as svc.wsdl with 3 imported documents"_s;
    while (page.lblStoreResult()->text() == u"Reading imported documents ..."_s
           && storeLog.wait(15000)) { }
    ASSERT_EQ(page.lblStoreResult()->text(), stored);

    server.reset();
    frmWebServices* window = services.repositoryWindow();
    ASSERT_EQ(window->lstServices()->topLevelItemCount(), 1) << "imports are not listed";
    window->lstServices()->setCurrentItem(window->lstServices()->topLevelItem(0));
    read.clear();
    DialogRunner::pushDriver([&](QDialog&) {
        if (read.isEmpty())
            read.wait(15000);
        ASSERT_EQ(listTexts(panel->ListView1()), QStringList { u"getQuote"_s })
            << qPrintable(panel->lblStatus()->text());
        panel->cmdGenerateRequest()->click();
    });
    window->cmdAction(1)->click();
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(loaded.at(1).RequestBytes(), loaded.at(0).RequestBytes());
    EXPECT_TRUE(messages.messages.isEmpty()) << qPrintable(messages.texts().join(u'|'));
    DialogRunner::clearDrivers();
}
