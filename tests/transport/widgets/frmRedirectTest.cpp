#include "transport/widgets/frmRedirect.h"

#include "shell/Twips.h"
#include "shell/widgets/ElidedLabel.h"
#include "shell/widgets/MessageBoxSink.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Every test drives the prompt through the hook; none may leave a driver behind.
class frmRedirectTest : public ::testing::Test
{
protected:
    void TearDown() override { frmRedirect::setTestDriver({}); }
};

RedirectQuestion question(const QString& location, const QString& referer)
{
    RedirectQuestion q;
    q.location = u' ' + location;
    q.referer = referer;
    return q;
}

bool sameAnswers(const RedirectQuestion& a, const RedirectQuestion& b)
{
    return a.location == b.location && a.referer == b.referer && a.addReferer == b.addReferer
        && a.autoSend == b.autoSend && a.removeCookies == b.removeCookies;
}

} // namespace

TEST_F(frmRedirectTest, StartsAsDesignedWithEveryOptionChecked)
{
    frmRedirect prompt;
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_EQ(prompt.size(), QSize(Twips::toPx(6690), Twips::toPx(4845)));
    EXPECT_EQ(prompt.formBar()->Caption(), u"Response Redirect Detected"_s);
    EXPECT_FALSE(prompt.formBar()->Showmenu());
    EXPECT_FALSE(prompt.formBar()->ShowCloseButton());
    EXPECT_FALSE(prompt.formBar()->ShowMinimizeButton());
    EXPECT_FALSE(prompt.formBar()->ShowMaximizeButton());
    EXPECT_TRUE(prompt.chkAddReferer()->isChecked());
    EXPECT_TRUE(prompt.chkAutoSend()->isChecked());
    EXPECT_TRUE(prompt.chkRemoveCookies()->isChecked());
    EXPECT_TRUE(prompt.cmdProceed()->isDefault());
    EXPECT_EQ(prompt.chkAddReferer()->text(), u"Add 'referer' header:"_s);
    EXPECT_EQ(prompt.chkAutoSend()->text(), u"Send new request straight away"_s);
    EXPECT_EQ(prompt.chkRemoveCookies()->text(), u"Remove cookies if different host"_s);
    EXPECT_EQ(prompt.cmdProceed()->text(), u"Yes"_s);
    EXPECT_EQ(prompt.cmdCancel()->text(), u"Cancel"_s);
}

TEST_F(frmRedirectTest, YesWritesTheEditedAnswersBack)
{
    frmRedirect prompt;
    bool shown = false;
    frmRedirect::setTestDriver([&](frmRedirect& p) {
        shown = p.isVisible();
        EXPECT_EQ(p.lblLocation()->text(), u" http://server2:80/x"_s);
        EXPECT_EQ(p.lblLocation()->toolTip(), u" http://server2:80/x"_s);
        EXPECT_EQ(p.txtReferer()->text(), u"http://server1:80/a"_s);
        p.txtReferer()->setText(u"http://elsewhere/"_s);
        p.chkAutoSend()->setChecked(false);
        p.cmdProceed()->click();
    });
    RedirectQuestion q = question(u"http://server2:80/x"_s, u"http://server1:80/a"_s);
    EXPECT_TRUE(prompt.ask(q));
    EXPECT_TRUE(shown);
    EXPECT_TRUE(prompt.bOkClicked);
    EXPECT_FALSE(prompt.isVisible()) << "answered prompts are hidden";
    EXPECT_EQ(q.referer, u"http://elsewhere/"_s);
    EXPECT_TRUE(q.addReferer);
    EXPECT_FALSE(q.autoSend);
    EXPECT_TRUE(q.removeCookies);
}

TEST_F(frmRedirectTest, DecliningInAnyWayLeavesTheQuestionUntouched)
{
    const std::vector<std::pair<const char*, std::function<void(frmRedirect&)>>> ways {
        { "Cancel",
          [](frmRedirect& p) {
              p.cmdCancel()->click();
          } },
        { "Escape",
          [](frmRedirect& p) {
              QTest::keyClick(p.txtReferer(), Qt::Key_Escape);
          } },
        { "left open",
          [](frmRedirect&) {
          } },
    };
    frmRedirect prompt;
    for (const auto& [name, answer] : ways) {
        frmRedirect::setTestDriver([&](frmRedirect& p) {
            p.txtReferer()->setText(u"typed"_s);
            p.chkAddReferer()->setChecked(false);
            answer(p);
        });
        RedirectQuestion q = question(u"http://server2:80/"_s, u"/a"_s);
        q.removeCookies = false;
        const RedirectQuestion before = q;
        prompt.bOkClicked = true;
        EXPECT_FALSE(prompt.ask(q)) << name;
        EXPECT_FALSE(prompt.bOkClicked) << name;
        EXPECT_FALSE(prompt.isVisible()) << name;
        EXPECT_TRUE(sameAnswers(q, before)) << name;
        prompt.chkAddReferer()->setChecked(true);
    }
}

TEST_F(frmRedirectTest, KeepsCheckBoxChoicesButOffersEachNewReferer)
{
    frmRedirect prompt;
    frmRedirect::setTestDriver([](frmRedirect& p) {
        p.chkAutoSend()->setChecked(false);
        p.chkRemoveCookies()->setChecked(false);
        p.txtReferer()->setText(u"edited the first time"_s);
        p.cmdProceed()->click();
    });
    RedirectQuestion first = question(u"http://server1:80/b"_s, u"/a"_s);
    ASSERT_TRUE(prompt.ask(first));

    QString offered;
    frmRedirect::setTestDriver([&](frmRedirect& p) {
        offered = p.txtReferer()->text();
        p.cmdProceed()->click();
    });
    RedirectQuestion second = question(u"http://server1:80/c"_s, u"/b"_s);
    ASSERT_TRUE(prompt.ask(second));
    EXPECT_EQ(offered, u"/b"_s);
    EXPECT_EQ(second.referer, u"/b"_s);
    EXPECT_TRUE(second.addReferer);
    EXPECT_FALSE(second.autoSend) << "the last choice is remembered";
    EXPECT_FALSE(second.removeCookies) << "the last choice is remembered";
}

// Enter answers with the focused button, else with "Yes": also from the text box, where a
// user who has just edited the referer presses it.
TEST_F(frmRedirectTest, EnterPressesYesUnlessCancelHasTheFocus)
{
    frmRedirect prompt;
    const std::vector<std::pair<QWidget* (*)(frmRedirect&), bool>> cases {
        { [](frmRedirect& p) -> QWidget* { return p.txtReferer(); }, true },
        { [](frmRedirect& p) -> QWidget* { return p.chkAutoSend(); }, true },
        { [](frmRedirect& p) -> QWidget* { return p.cmdProceed(); }, true },
        { [](frmRedirect& p) -> QWidget* { return p.cmdCancel(); }, false },
    };
    for (const auto& [target, accepts] : cases) {
        QString pressedOn;
        frmRedirect::setTestDriver([&](frmRedirect& p) {
            p.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&p));
            EXPECT_EQ(QApplication::focusWidget(), p.cmdProceed()) << "the prompt opens on Yes";
            QWidget* w = target(p);
            pressedOn = w->objectName();
            w->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(w->hasFocus()) << pressedOn.toStdString();
            QTest::keyClick(w, Qt::Key_Return);
        });
        RedirectQuestion q = question(u"/next"_s, u"/prev"_s);
        EXPECT_EQ(prompt.ask(q), accepts) << "Enter on " << pressedOn.toStdString();
    }
}

TEST_F(frmRedirectTest, ModalPromptEndsWithTheAnswerAndNeverWaitsWhenNoOneIsThere)
{
    frmRedirect prompt;
    RedirectQuestion unseen = question(u"/x"_s, u"/y"_s);
    EXPECT_FALSE(prompt.ask(unseen)) << "non-interactive: declined unseen";

    MessageBoxSink::setNonInteractive(false);
    bool wasModal = false;
    QTimer::singleShot(0, &prompt, [&] {
        wasModal = QApplication::activeModalWidget() == &prompt;
        QTest::keyClick(&prompt, Qt::Key_Return);
        if (prompt.isVisible())
            prompt.done(QDialog::Rejected);
    });
    RedirectQuestion q = question(u"/x"_s, u"/y"_s);
    const bool accepted = prompt.ask(q);
    MessageBoxSink::setNonInteractive(true);
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(accepted) << "Enter presses Yes";
}

TEST_F(frmRedirectTest, LongLocationKeepsBothEndsAndTheDialogItsWidth)
{
    const QString longUrl = u"http://a-rather-long-host-name.example:8080/"_s
        + QString(u"segment/"_s).repeated(40) + u"final-page.html?q=end"_s;
    frmRedirect prompt;
    const int width = prompt.width();
    QString shown;
    frmRedirect::setTestDriver([&](frmRedirect& p) {
        shown = p.lblLocation()->shownText();
        EXPECT_EQ(p.width(), width);
        EXPECT_EQ(p.formBar()->width(), p.width()) << "the title bar spans the dialog";
        p.cmdCancel()->click();
    });
    RedirectQuestion q = question(longUrl, u"/"_s);
    prompt.ask(q);
    EXPECT_LT(shown.size(), longUrl.size());
    EXPECT_TRUE(shown.startsWith(u" http://a-rather"_s)) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(u"q=end"_s)) << shown.toStdString();
    EXPECT_EQ(prompt.lblLocation()->toolTip(), u' ' + longUrl);
}

// Writes what the prompt looks like to screenshots/ in the build folder, on the default
// and on a dark desktop palette.
TEST_F(frmRedirectTest, ScreenshotShowsEveryControlInsideTheDialog)
{
    const QString dir = QCoreApplication::applicationDirPath() + u"/screenshots"_s;
    QDir().mkpath(dir);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    dark.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    dark.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    dark.setColor(QPalette::ButtonText, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::Shadow, QColor(0x0a, 0x0a, 0x0a));

    for (const bool isDark : { false, true }) {
        QApplication::setPalette(isDark ? dark : QPalette());
        frmRedirect prompt;
        const QString name = dir + (isDark ? u"/frmRedirect-dark"_s : u"/frmRedirect"_s);
        frmRedirect::setTestDriver([&](frmRedirect& p) {
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
            const QRect inside = p.rect().adjusted(0, p.formBar()->height(), 0, 0);
            for (QWidget* w : p.findChildren<QWidget*>()) {
                if (w->isVisible() && w->parentWidget() == &p && w != p.formBar()) {
                    EXPECT_TRUE(inside.contains(w->geometry())) << w->objectName().toStdString();
                }
            }
            EXPECT_TRUE(p.grab().save(name + u".png"_s));
            p.chkAddReferer()->setChecked(false);
            EXPECT_FALSE(p.txtReferer()->isEnabled()) << "no referer to edit when none is added";
            EXPECT_TRUE(p.grab().save(name + u"-no-referer.png"_s));
            p.cmdCancel()->click();
        });
        RedirectQuestion q
            = question(u"https://login.example.org:443/account/sign-in?return=%2Fcart"
                       u"%2Fcheckout%3Fstep%3D2&session=8f3a9c71e2b64d05"_s,
                       u"http://shop.example.org:80/cart/checkout?step=2"_s);
        prompt.ask(q);
    }
    QApplication::setPalette(QPalette());
}

TEST_F(frmRedirectTest, ShowsStatusCodeAndTheFollowUpMethod)
{
    frmRedirect prompt;
    QString shown;
    frmRedirect::setTestDriver([&](frmRedirect& p) { shown = p.lblMethod()->text(); });
    RedirectQuestion q;
    q.statusCode = u"303"_s;
    q.method = u"GET"_s;
    q.dropsBody = true;
    prompt.ask(q);
    EXPECT_EQ(shown, u"Response code 303: the new request uses GET, without a body"_s);
    q.statusCode = u"307"_s;
    q.method = u"POST"_s;
    q.dropsBody = false;
    prompt.ask(q);
    EXPECT_EQ(shown, u"Response code 307: the new request uses POST"_s);
}
