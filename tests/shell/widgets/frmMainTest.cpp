#include "shell/widgets/frmMain.h"

#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/CookieStore.h"
#include "persistence/DataFolder.h"
#include "shell/widgets/FramedSubWindow.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>

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
    EXPECT_TRUE(p.main.toolbarAction(u"exit"_s)->isEnabled());
    EXPECT_FALSE(p.main.toolbarAction(u"history"_s)->isEnabled());
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
    ASSERT_EQ(SaveRequestFile(stored, path), 0);

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
        p.app.SaveUserData();
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

TEST_F(frmMainTest, EachExchangeIsSavedAtOnceAndAFailedSaveIsShown)
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
    send(u"/first"_s);
    QFile file(p.folder.userDataFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();
    EXPECT_TRUE(saved.contains("<url>/first</url>"));
    EXPECT_TRUE(saved.contains("name=\"now\""));

    {
        FileHelpers::FileSizeLimit full(100);
        send(u"/second"_s);
    }
    ASSERT_EQ(p.messages.messages.size(), 1);
    EXPECT_TRUE(p.messages.messages[0].text.startsWith(
        u"Cookies and history could not be saved to "_s + p.folder.userDataFile() + u":\n"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
}
