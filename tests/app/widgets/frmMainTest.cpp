#include "app/widgets/frmMain.h"

#include "BuildInfo.h"
#include "analysis/widgets/ResultTextView.h"
#include "analysis/widgets/WebServices.h"
#include "analysis/widgets/ctrlStoreWebService.h"
#include "analysis/widgets/frmResult.h"
#include "analysis/widgets/frmWebServices.h"
#include "app/widgets/frmAbout.h"
#include "app/widgets/frmManual.h"
#include "app/widgets/frmNeedMSXML.h"
#include "editing/RequestFile.h"
#include "message/Cookie.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/CookieStore.h"
#include "persistence/DataFolder.h"
#include "persistence/HistoryStore.h"
#include "persistence/widgets/OpenWithShell.h"
#include "persistence/widgets/frmControlPanel.h"
#include "persistence/widgets/frmCookies.h"
#include "persistence/widgets/frmHistory.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/FrameButton.h"
#include "shell/widgets/FramedSubWindow.h"
#include "shell/widgets/ctrlFormBar.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "shell/widgets/frmMenu.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"
#include "support/ServedWsdl.h"
#include "support/TestServer.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One start of the program on a data folder.
struct Program
{
    explicit Program(const QString& dir)
        : folder(DataFolder::Resolve(dir).folder)
        , app(folder, messages)
        , main(app, messages)
    { }
    DataFolder folder;
    MessageRecorder messages;
    AppData app;
    frmMain main;
};

// The captions of a title bar's menu, without the shortcut shown after them.
QStringList menuCaptions(ctrlWindowContainer* frame)
{
    QStringList captions;
    for (const QLabel* item : frame->fMenu()->findChildren<QLabel*>()) {
        if (item->objectName().startsWith(u"lblMenuItem"_s) && !item->isHidden())
            captions.append(
                item->text().trimmed().remove(QRegularExpression(u"\\s{2,}Ctrl\\+.*$"_s)));
    }
    return captions;
}

class frmMainTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(frmMainTest, StartUpOpensTheRequestWindowWithTheToolBar)
{
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    EXPECT_EQ(p.main.windowTitle(), u" Pelorin - The Web developer's HTTP User-agent"_s);
    ASSERT_NE(p.main.browser(), nullptr);
    FramedSubWindow* sub = FramedSubWindow::of(p.main.browser());
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->pos(), QPoint(4, 4));
    EXPECT_EQ(p.main.area()->activeSubWindow(), sub);

    QStringList tags;
    for (QAction* action : p.main.findChild<QToolBar*>(u"Toolbar1"_s)->actions())
        tags.append(action->data().toString());
    EXPECT_EQ(tags,
              (QStringList { u"history"_s, u"cookies"_s, u"settings"_s, u"soap"_s, u"links"_s,
                             u"manual"_s, u"exit"_s }));
    for (const QString& tag : tags) {
        EXPECT_TRUE(p.main.toolbarAction(tag)->isEnabled()) << qPrintable(tag);
        EXPECT_FALSE(p.main.toolbarAction(tag)->toolTip().isEmpty()) << qPrintable(tag);
    }
    EXPECT_FALSE(p.main.toolbarAction(u"history"_s)->icon().isNull());
}

TEST_F(frmMainTest, CentresFormsAtOneThirdOfItsHeight)
{
    Program p(dir.path());
    p.main.resize(800, 600); // 12000 x 9000 twips
    p.main.move(100, 50);
    QWidget dialog;
    dialog.resize(200, 100); // 3000 x 1500 twips
    p.main.CenterFormOnMe(&dialog);
    // 4500 and 2250 twips from the main window's corner.
    EXPECT_EQ(dialog.pos(), p.main.frameGeometry().topLeft() + QPoint(300, 150));
    // A form taller than two thirds of the window keeps its caption inside it.
    dialog.resize(900, 500);
    p.main.CenterFormOnMe(&dialog);
    EXPECT_EQ(dialog.pos(), p.main.frameGeometry().topLeft());
}

TEST_F(frmMainTest, BrokenConfigurationEndsTheStart)
{
    QFile config(dir.filePath(u"pelorinconfig.xml"_s));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("<pelorinhttp><auto>");
    config.close();
    Program p(dir.path());
    EXPECT_FALSE(p.main.startUp());
    EXPECT_EQ(p.main.browser(), nullptr);
    ASSERT_FALSE(p.messages.messages.isEmpty());
    EXPECT_TRUE(
        p.messages.messages.first().text.startsWith(u"Error parsing pelorinconfig.xml: (line "_s));
}

TEST_F(frmMainTest, RequestFileArgumentOpensAfterTheUserData)
{
    HTTPRequest stored;
    stored.Server = u"stored.test"_s;
    stored.Port = u"81"_s;
    stored.setMethod(u"DELETE"_s);
    stored.setURL(u"/x"_s);
    stored.HTTPver = u"HTTP/1.1"_s;
    const QString path = dir.filePath(u"start.phr"_s);
    ASSERT_TRUE(SaveRequestFile(stored, path));

    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp(u"\""_s + path + u"\""_s));
    EXPECT_EQ(p.main.browser()->findChild<QComboBox*>(u"cmbServer"_s)->currentText(),
              u"stored.test"_s);
    EXPECT_EQ(p.main.browser()->sRequestSaveFile(), path);

    // Only ".phr" in exactly that letter case is a request file.
    Program q(dir.path());
    ASSERT_TRUE(q.main.startUp(dir.filePath(u"START.PHR"_s)));
    EXPECT_EQ(q.main.browser()->sRequestSaveFile(), QString());
    EXPECT_TRUE(q.messages.messages.isEmpty());
}

TEST_F(frmMainTest, ShutDownSavesCookiesAndHistoryOnceForTheNextStart)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    server.setResponse({ "HTTP/1.1 200 OK\r\n"
                         "Set-Cookie: kept=1; Expires=Wed, 01 Jan 2031 00:00:00 GMT\r\n\r\n" });
    {
        Program p(dir.path());
        ASSERT_TRUE(p.main.startUp());
        frmBrowser* browser = p.main.browser();
        browser->findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"127.0.0.1"_s);
        browser->findChild<QLineEdit*>(u"txtPort"_s)->setText(server.portText());
        browser->findChild<QComboBox*>(u"cmbURL"_s)->setEditText(u"/saved"_s);
        QSignalSpy ended(&browser->session(), &BrowserSession::exchangeEnded);
        browser->cmdSend_Click();
        ASSERT_TRUE(ended.wait(15000));

        p.main.toolbarAction(u"exit"_s)->trigger();
        ASSERT_TRUE(QFile::exists(p.folder.userDataFile()));
        // A second close (the window's own) does not save again.
        QFile::remove(p.folder.userDataFile());
        p.main.close();
        EXPECT_FALSE(QFile::exists(p.folder.userDataFile()));
        p.main.ShutDown();
        EXPECT_FALSE(QFile::exists(p.folder.userDataFile()));
        ASSERT_TRUE(p.app.SaveUserData());
    }

    Program next(dir.path());
    ASSERT_TRUE(next.main.startUp());
    frmBrowser* browser = next.main.browser();
    auto* servers = browser->findChild<QComboBox*>(u"cmbServer"_s);
    EXPECT_GE(servers->findText(u"127.0.0.1"_s), 0);
    servers->setEditText(u"127.0.0.1"_s);
    browser->findChild<QLineEdit*>(u"txtPort"_s)->setText(server.portText());
    browser->GetHistoryForHost();
    EXPECT_GE(browser->findChild<QComboBox*>(u"cmbURL"_s)->findText(u"/saved"_s), 0);
    const QList<Cookie> cookies = next.app.cookies().GetStoredCookies(u"127.0.0.1"_s);
    ASSERT_EQ(cookies.size(), 1);
    EXPECT_EQ(cookies.first().Name, u"kept"_s);
}

TEST_F(frmMainTest, EveryToolBarButtonOpensItsWindow)
{
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    p.main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p.main));
    const auto shown = [&](QWidget* window) {
        FramedSubWindow* sub = FramedSubWindow::of(window);
        return sub && sub->isVisible() && window->isVisible()
            && p.main.area()->activeSubWindow() == sub
            && p.main.area()->viewport()->rect().contains(sub->geometry());
    };
    p.main.toolbarAction(u"history"_s)->trigger();
    EXPECT_TRUE(shown(p.main.historyWindow()));
    p.main.toolbarAction(u"cookies"_s)->trigger();
    EXPECT_TRUE(shown(p.main.cookieWindow()));
    p.main.toolbarAction(u"links"_s)->trigger();
    EXPECT_TRUE(shown(p.main.controlPanel()));
    EXPECT_EQ(p.main.controlPanel()->tabs()->currentIndex(), 1);
    p.main.toolbarAction(u"settings"_s)->trigger();
    EXPECT_EQ(p.main.controlPanel()->tabs()->currentIndex(), 0);
    // The panel reaches the request window's client certificates for its current target.
    QString dialogName;
    DialogRunner::pushDriver([&](QDialog& dialog) { dialogName = dialog.objectName(); });
    p.main.controlPanel()->clientCertificatesButton()->click();
    EXPECT_EQ(dialogName, u"ClientCertificatesDialog"_s);
    p.main.toolbarAction(u"manual"_s)->trigger();
    ASSERT_NE(p.main.manualWindow(), nullptr);
    EXPECT_TRUE(shown(p.main.manualWindow()));
    EXPECT_TRUE(p.main.manualWindow()->textBox()->toPlainText().contains(u"--send"_s));

    // Closing hides; the same window comes back.
    frmCookies* cookies = p.main.cookieWindow();
    cookies->frame()->WindowClose();
    EXPECT_FALSE(FramedSubWindow::of(cookies)->isVisible());
    p.main.toolbarAction(u"cookies"_s)->trigger();
    EXPECT_EQ(p.main.cookieWindow(), cookies);
    EXPECT_TRUE(shown(cookies));

    QString aboutCaption;
    DialogRunner::pushDriver([&](QDialog& dialog) {
        if (auto* about = qobject_cast<frmAbout*>(&dialog)) {
            aboutCaption = about->formBar()->Caption();
            QTest::mouseClick(about->okButton(), Qt::LeftButton);
        }
    });
    QListWidget* links = p.main.controlPanel()->linksList();
    links->setCurrentItem(links->findItems(u"About this program"_s, Qt::MatchContains).first());
    p.main.controlPanel()->openLink(links->currentItem());
    EXPECT_EQ(aboutCaption,
              u"About Pelorin HTTP User-Agent        build "_s + QStringLiteral(PELORIN_VERSION));

    p.main.toolbarAction(u"soap"_s)->trigger();
    EXPECT_TRUE(shown(p.main.webServices()->repositoryWindow()));

    EXPECT_EQ(p.main.createPopupMenu(), nullptr) << "nothing may offer to hide the tool bar";
}

TEST_F(frmMainTest, UntickedSettingsChangeTheNextSend)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n" });
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    p.main.toolbarAction(u"settings"_s)->trigger();
    QListWidget* settings = p.main.controlPanel()->settingsList();
    for (const QString& caption : { u"set 'host' header"_s, u"add request to history"_s }) {
        settings->setCurrentItem(settings->findItems(caption, Qt::MatchStartsWith).first());
        settings->setFocus();
        QTest::keyClick(settings, Qt::Key_Space);
    }

    frmBrowser* browser = p.main.browser();
    browser->findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"127.0.0.1"_s);
    browser->findChild<QLineEdit*>(u"txtPort"_s)->setText(server.portText());
    browser->findChild<QComboBox*>(u"cmbURL"_s)->setEditText(u"/unrecorded"_s);
    QSignalSpy ended(&browser->session(), &BrowserSession::exchangeEnded);
    browser->cmdSend_Click();
    ASSERT_TRUE(ended.wait(15000));
    // The grid's Host row goes out as the user left it, not filled in.
    EXPECT_TRUE(server.received().contains("\r\nHost: \r\n")) << server.received().toStdString();
    const QString log = browser->oResult()->txtResult(0)->toPlainText();
    EXPECT_TRUE(log.contains(u"'Host' header is set before sending       DISABLED"_s))
        << qPrintable(log);
    EXPECT_TRUE(log.contains(u"Request is stored in history              DISABLED"_s));
    EXPECT_FALSE(log.contains(u"History item added"_s));
    EXPECT_TRUE(p.app.history().GetHistoryURLs(u"127.0.0.1"_s, server.portText()).isEmpty());
}

// Storing a received description reads its imports; each fetch is logged in the result window
// that received it.
TEST_F(frmMainTest, ImportFetchesAreLoggedInTheResultWindow)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    ServedWsdl::route(server,
                      { { "/svc?wsdl", ServedWsdl::kMain },
                        { "/svc?wsdl=2", ServedWsdl::kBinding },
                        { "/svc?xsd=1", ServedWsdl::kSchema1 },
                        { "/svc?xsd=2", ServedWsdl::kSchema2 } });
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    frmBrowser* browser = p.main.browser();
    browser->findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"127.0.0.1"_s);
    browser->findChild<QLineEdit*>(u"txtPort"_s)->setText(server.portText());
    browser->findChild<QComboBox*>(u"cmbURL"_s)->setEditText(u"/svc?wsdl"_s);
    QSignalSpy ended(&browser->session(), &BrowserSession::exchangeEnded);
    browser->cmdSend_Click();
    ASSERT_TRUE(ended.wait(15000));

    ctrlStoreWebService* page = browser->oResult()->wsdlPanel();
    QSignalSpy lines(p.main.webServices(), &WebServices::logLine);
    page->cmdStoreLocally()->click();
    while (page->lblStoreResult()->text() == u"Reading imported documents ..."_s
           && lines.wait(15000)) { }
    ASSERT_TRUE(page->lblStoreResult()->text().startsWith(u"Stored as "_s))
        << qPrintable(page->lblStoreResult()->text());
    const QString log = browser->oResult()->txtResult(0)->toPlainText();
    EXPECT_TRUE(log.contains(
        u"Import http://127.0.0.1:%1/svc?xsd=2: status 200, "_s.arg(server.portText())))
        << qPrintable(log);
}

TEST_F(frmMainTest, HistoryRequestAndThePathListFollowHostAndPort)
{
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    HTTPRequest recorded = HistoryStore::RequestFor(u"dev.test"_s, u"8443"_s, true, u"/api/v1"_s);
    ASSERT_EQ(p.app.history().AddHistoryItem(recorded), 0);

    frmBrowser* browser = p.main.browser();
    auto* server = browser->findChild<QComboBox*>(u"cmbServer"_s);
    auto* port = browser->findChild<QLineEdit*>(u"txtPortSecure"_s);
    auto* paths = browser->findChild<QComboBox*>(u"cmbURL"_s);
    auto* https = browser->findChild<QCheckBox*>(u"chkSecureConnection"_s);
    paths->setEditText(u"/typed"_s);
    server->setEditText(u"dev.test"_s);
    https->setChecked(true);
    port->setText(u"8443"_s);
    Q_EMIT port->editingFinished();
    EXPECT_GE(paths->findText(u"/api/v1"_s), 0);
    EXPECT_EQ(paths->currentText(), u"/typed"_s) << "a typed path stays";

    // A history item comes back over TLS on its port.
    https->setChecked(false);
    frmHistory* history = p.main.historyWindow();
    QTreeWidgetItem* host = history->tree()->topLevelItem(0)->child(0);
    ASSERT_EQ(host->text(0), u"dev.test:8443"_s);
    history->tree()->setCurrentItem(host->child(0)->child(0));
    QTest::mouseClick(history->requestButton(), Qt::LeftButton);
    EXPECT_TRUE(https->isChecked());
    EXPECT_EQ(port->text(), u"8443"_s);
    EXPECT_EQ(paths->currentText(), u"/api/v1"_s);
    EXPECT_EQ(server->currentText(), u"dev.test"_s);
}

TEST_F(frmMainTest, CookieWindowMadeLaterShowsTheStoredCookiesAndLaterOnes)
{
    // A start makes no cookie window; the first one asked for shows what the store holds.
    const auto cookie = [](const QString& name) {
        Cookie c;
        c.setHost(u"shop.example"_s);
        c.Name = name;
        c.Value = u"1"_s;
        c.Path = u"/"_s;
        c.Expires = u"Wed, 01 Jan 2031 00:00:00 GMT"_s;
        return c;
    };
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    ASSERT_EQ(p.app.cookies().StoreCookie(cookie(u"before"_s)), 0);
    QTableWidget* grid = p.main.cookieWindow()->grid();
    const auto names = [grid] {
        QStringList out;
        for (int row = 0; row < grid->rowCount(); ++row)
            out.append(grid->item(row, 1)->text());
        return out;
    };
    EXPECT_TRUE(names().contains(u"before"_s));
    ASSERT_EQ(p.app.cookies().StoreCookie(cookie(u"after"_s)), 0);
    EXPECT_TRUE(names().contains(u"after"_s));
    EXPECT_EQ(names().count(u"before"_s), 1);
}

TEST_F(frmMainTest, PrerequisiteWindowNamesTheLibraryAndItsLink)
{
    Program p(dir.path());
    QList<QUrl> opened;
    setShellOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    bool seen = false;
    DialogRunner::pushDriver([&](QDialog& dialog) {
        auto* window = qobject_cast<frmNeedMSXML*>(&dialog);
        ASSERT_NE(window, nullptr);
        seen = true;
        EXPECT_EQ(window->formBar()->Caption(), u"Requirements not met"_s);
        EXPECT_TRUE(window->message()->text().contains(u"pugixml"_s));
        Q_EMIT window->link()->linkActivated(frmNeedMSXML::downloadAddress());
        EXPECT_TRUE(window->isVisible()) << "the link leaves the window open";
        QTest::mouseClick(window->okButton(), Qt::LeftButton);
    });
    p.main.ShowPrerequisiteWindow();
    setShellOpener({});
    EXPECT_TRUE(seen);
    EXPECT_EQ(opened, QList<QUrl> { QUrl(frmNeedMSXML::downloadAddress()) });
}

TEST_F(frmMainTest, EachExchangeIsSavedSoonAndAFailedSaveIsShown)
{
    TestServer server;
    ASSERT_TRUE(server.listen());
    server.setResponse({ "HTTP/1.1 200 OK\r\n"
                         "Set-Cookie: now=1; Expires=Wed, 01 Jan 2031 00:00:00 GMT\r\n\r\n" });
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    frmBrowser* browser = p.main.browser();
    const auto send = [&](const QString& url) {
        browser->findChild<QComboBox*>(u"cmbServer"_s)->setEditText(u"127.0.0.1"_s);
        browser->findChild<QLineEdit*>(u"txtPort"_s)->setText(server.portText());
        browser->findChild<QComboBox*>(u"cmbURL"_s)->setEditText(url);
        QSignalSpy ended(&browser->session(), &BrowserSession::exchangeEnded);
        browser->cmdSend_Click();
        ASSERT_TRUE(ended.wait(15000));
    };
    const auto saved = [&] {
        return FileHelpers::readFile(p.folder.userDataFile());
    };
    send(u"/first"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved().contains("<url>/first</url>"); }, 5000));
    const QByteArray first = saved();
    EXPECT_TRUE(first.contains("name=\"now\""));

    {
        FileHelpers::FileSizeLimit full(100);
        send(u"/second"_s);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !p.messages.messages.isEmpty(); }, 5000));
    }
    ASSERT_EQ(p.messages.messages.size(), 1);
    EXPECT_TRUE(p.messages.messages[0].text.startsWith(
        u"Cookies and history could not be saved to "_s + p.folder.userDataFile() + u":\n"_s));
    EXPECT_EQ(saved(), first);
}

TEST_F(frmMainTest, EveryToolBarButtonAndMenuItemIsInTheManual)
{
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    QFile file(u":/manual.md"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString manual = QString::fromUtf8(file.readAll());

    QStringList names;
    for (const QAction* action : p.main.findChild<QToolBar*>(u"Toolbar1"_s)->actions())
        names.append(action->text());
    frmBrowser* browser = p.main.browser();
    names += menuCaptions(browser->frame());
    browser->MakeNewResultWindow();
    names += menuCaptions(browser->oResult()->frame());
    ASSERT_GE(names.size(), 7 + 5 + 3) << qPrintable(names.join(u", "));
    for (const QString& name : names)
        EXPECT_TRUE(manual.contains(name)) << qPrintable(name) << " is not in the manual";
}

TEST_F(frmMainTest, NoVisibleButtonLacksAnAccessibleName)
{
    Program p(dir.path());
    ASSERT_TRUE(p.main.startUp());
    // The tool bar with its text off still names its buttons.
    p.main.findChild<QToolBar*>(u"Toolbar1"_s)->setToolButtonStyle(Qt::ToolButtonIconOnly);
    p.main.browser()->MakeNewResultWindow();
    p.main.browser()->showResultWindow();
    p.main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p.main));

    int buttons = 0;
    int painted = 0;
    for (QWidget* w : p.main.findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (!face)
            continue;
        const QAccessible::Role role = face->role();
        if (role != QAccessible::Button && role != QAccessible::PushButton
            && role != QAccessible::CheckBox && role != QAccessible::ButtonMenu)
            continue;
        ++buttons;
        painted += qobject_cast<FrameButton*>(w) ? 1 : 0;
        EXPECT_FALSE(face->text(QAccessible::Name).trimmed().isEmpty())
            << qPrintable(w->objectName()) << " (" << w->metaObject()->className()
            << ") has no accessible name";
    }
    // The tool bar, the request window's buttons and the title bars' pictures were seen.
    EXPECT_GE(buttons, 20);
    EXPECT_GE(painted, 3);
}
