#include "analysis/widgets/frmResult.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 15000;

class frmBrowserKeyboardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const DataFolder::Resolution data = DataFolder::Resolve(dir.path());
        ASSERT_TRUE(bool(data)) << data.error.toStdString();
        app = std::make_unique<AppData>(data.folder, messages);
        ASSERT_TRUE(app->LoadConfiguration(nullptr));
        app->LoadUserData();
        window = std::make_unique<frmBrowser>(*app, messages);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(server.listen()) << server.error().toStdString();
        child<QComboBox>("cmbServer")->setEditText(u"127.0.0.1"_s);
        child<QLineEdit>("txtPort")->setText(server.portText());
    }

    template<typename T> T* child(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    // The named control holding the focus (an editable box's line edit counts as the box).
    QString focused(const QStringList& names) const
    {
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            if (names.contains(w->objectName()))
                return w->objectName();
        }
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                           : u"<none>"_s;
    }

    void press(QKeyCombination keys)
    {
        QTest::keyClick(QApplication::focusWidget(), keys.key(), keys.keyboardModifiers());
    }

    QTemporaryDir dir;
    MessageRecorder messages;
    std::unique_ptr<AppData> app;
    std::unique_ptr<frmBrowser> window;
    TestServer server;
};

} // namespace

TEST_F(frmBrowserKeyboardTest, TabWalksTheControlsInReadingOrderAndShiftTabWalksBack)
{
    for (bool secure : { false, true }) {
        window->findChild<QWidget*>(u"chkSecureConnection"_s)->setProperty("checked", secure);
        const QStringList reading {
            u"cmbServer"_s,
            u"txtPort"_s,
            u"txtPortSecure"_s,
            u"chkSecureConnection"_s,
            u"cmdPasteUrl"_s,
            u"cmdNewResultWindow"_s,
            u"cmbReqMethod"_s,
            u"cmbURL"_s,
            u"cmbHTTPver"_s,
            u"cmdAddHeader"_s,
            u"cmdBasicAuth"_s,
            u"flxRequestHeaders"_s,
            u"chkIncludePostData"_s,
            u"chkRB_UseFormBuilder"_s,
            u"cmdRB_FORMdata"_s,
            u"cmdBodyEditor"_s,
            u"cmdBodyFromFile"_s,
            u"txtRequestBody"_s,
            u"cmdSend"_s,
            u"chkKeepAlive"_s,
            u"cmdCloseConnection"_s,
        };
        // Only what can take the focus now: one of the two port boxes, FORM data when on.
        QStringList expected;
        for (const QString& name : reading) {
            const QWidget* w = window->findChild<QWidget*>(name);
            ASSERT_NE(w, nullptr) << name.toStdString();
            if (w->isVisible() && w->isEnabled())
                expected.append(name);
        }
        ASSERT_GE(expected.size(), 15);

        child<QComboBox>("cmbServer")->setFocus(Qt::TabFocusReason);
        QStringList walked { focused(reading) };
        for (qsizetype i = 0; i < expected.size(); ++i) {
            press(Qt::Key_Tab);
            walked.append(focused(reading));
        }
        // Around once and back to the server: nothing hidden in between, nothing traps Tab.
        const QString around = expected.join(u' ') + u' ' + expected.first();
        EXPECT_EQ(walked.join(u' ').toStdString(), around.toStdString()) << "secure " << secure;

        child<QWidget>("cmdSend")->setFocus(Qt::TabFocusReason);
        press(Qt::SHIFT | Qt::Key_Backtab);
        EXPECT_EQ(focused(reading), u"txtRequestBody"_s);
        EXPECT_FALSE(child<QPlainTextEdit>("txtRequestBody")->toPlainText().contains(u'\t'));
    }
}

TEST_F(frmBrowserKeyboardTest, ShortcutsSendOpenSaveAndPutTheCaretInThePath)
{
    QList<bool> chooserCalls; // true: a save dialog
    window->setFileChooser([&chooserCalls](bool save) {
        chooserCalls.append(save);
        return QString(); // cancelled
    });
    child<QPlainTextEdit>("txtRequestBody")->setFocus();
    press(Qt::CTRL | Qt::Key_O);
    press(Qt::CTRL | Qt::Key_S); // no request file yet: asks where
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    EXPECT_EQ(chooserCalls, (QList<bool> { false, true, true }));

    child<QComboBox>("cmbURL")->setEditText(u"/index.html"_s);
    press(Qt::CTRL | Qt::Key_L);
    EXPECT_EQ(focused({ u"cmbURL"_s }), u"cmbURL"_s);
    EXPECT_EQ(child<QComboBox>("cmbURL")->lineEdit()->selectedText(), u"/index.html"_s);

    // Ctrl+Enter sends from a control that has no Enter of its own: the header grid.
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"_ba });
    QSignalSpy ended(&window->session(), &BrowserSession::exchangeEnded);
    child<QWidget>("flxRequestHeaders")->setFocus();
    press(Qt::CTRL | Qt::Key_Return);
    ASSERT_TRUE(ended.wait(kTimeoutMs));
    EXPECT_EQ(ended.first().first().toBool(), true);
    EXPECT_TRUE(server.received().startsWith("GET /index.html HTTP/1.1\r\n"));
}

TEST_F(frmBrowserKeyboardTest, EscapeCancelsARunningExchangeAndCtrlWClosesTheResultWindow)
{
    TestServer::Script silent;
    silent.ending = TestServer::Ending::StaySilent;
    server.setScript(silent);
    QSignalSpy ended(&window->session(), &BrowserSession::exchangeEnded);
    QSignalSpy asked(&server, &TestServer::requestReceived);
    child<QWidget>("cmdSend")->setFocus();
    press(Qt::CTRL | Qt::Key_Enter);
    ASSERT_TRUE(asked.wait(kTimeoutMs));
    ASSERT_TRUE(window->session().isBusy());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!window->session().isBusy(), kTimeoutMs);
    ASSERT_EQ(ended.size(), 1);
    EXPECT_FALSE(ended.first().first().toBool());

    QPointer<frmResult> result = window->oResult();
    ASSERT_TRUE(result);
    window->showResultWindow();
    result->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(result.data()));
    result->setFocus();
    QTest::keyClick(result.data(), Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(result.isNull(), kTimeoutMs);
    EXPECT_EQ(window->oResult(), nullptr);
}
