#include "analysis/widgets/frmResult.h"

#include "analysis/widgets/ResultFindBar.h"
#include "analysis/widgets/ResultTextView.h"
#include "analysis/widgets/ctrlDocElements.h"
#include "analysis/widgets/ctrlStoreWebService.h"
#include "shell/Twips.h"
#include "shell/widgets/ctrlWindowContainer.h"

#include <QLineEdit>
#include <QPointer>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString log(const frmResult& w)
{
    return w.txtResult(0)->toPlainText();
}

QByteArray pageBytes(const frmResult& w, int index)
{
    return w.txtResult(index)->model().bytes().toByteArray();
}

} // namespace

TEST(frmResultTest, StartsWithTheLogAloneAndAFrameWithACloseAndTheAnalysisMenu)
{
    frmResult w;
    EXPECT_EQ(w.size(), QSize(Twips::toPx(10155), Twips::toPx(6165)));
    EXPECT_EQ(w.tabStrip()->count(), 1);
    EXPECT_EQ(w.tabStrip()->tabText(0), u"  Log  "_s);
    EXPECT_EQ(w.frame()->Caption(), u"-"_s);
    EXPECT_TRUE(w.frame()->ShowCloseButton());
    EXPECT_FALSE(w.frame()->ShowMaximizeButton());
    EXPECT_FALSE(w.frame()->ShowMinimizeButton());
    EXPECT_TRUE(w.frame()->Showmenu());
    EXPECT_EQ(w.pageKind(0), ResultSink::LogPage);
    EXPECT_FALSE(w.txtResult(0)->isHidden());
    for (int i = 1; i < 8; ++i)
        EXPECT_TRUE(w.txtResult(i)->isHidden()) << "page " << i;
    EXPECT_TRUE(w.elementTreePanel()->isHidden());
    EXPECT_TRUE(w.wsdlPanel()->isHidden());
}

TEST(frmResultTest, LogLinesStartWithABlankAndEndWithCrLf)
{
    frmResult w;
    w.AddToLog(u"Connecting to localhost"_s);
    w.AddToLog(QString());
    w.AddToLog(u"Caf\u00e9"_s);
    EXPECT_EQ(log(w), u" Connecting to localhost\r\n \r\n Caf\u00e9\r\n"_s);
    EXPECT_EQ(pageBytes(w, 0).right(8), " Caf\xC3\xA9\r\n"_ba) << "the log is kept as UTF-8";
}

TEST(frmResultTest, OneExchangeFillsRequestAndResponsePages)
{
    frmResult w;
    w.ClearResults();
    w.AddResultTab(u"GET"_s, ResultSink::RequestPage, false);
    w.AddResultText(u"GET / HTTP/1.1\r\n\r\n"_s);
    EXPECT_EQ(w.lCurrentTab(), 0) << "a tab added without selecting leaves the selection";
    EXPECT_TRUE(w.txtResult(1)->isHidden());

    const QByteArray chunk = "HTTP/1.1 200 OK\r\n\r\n\xFF\xFE binary"_ba;
    w.AddResultTab(u"200"_s, ResultSink::ResponsePage, true);
    w.AddResultText(chunk);
    w.AddResultText("more"_ba);
    EXPECT_EQ(w.tabStrip()->tabText(2), u"  200  "_s);
    EXPECT_EQ(w.lCurrentTab(), 2);
    EXPECT_EQ(w.tabStrip()->currentIndex(), 2);
    EXPECT_FALSE(w.txtResult(2)->isHidden());
    EXPECT_TRUE(w.txtResult(0)->isHidden());
    EXPECT_EQ(pageBytes(w, 1), "GET / HTTP/1.1\r\n\r\n"_ba);
    EXPECT_EQ(pageBytes(w, 2), chunk + "more"_ba) << "response bytes are kept exact";
    EXPECT_EQ(w.txtResult(2)->model().bytes().chunks().first().constData(), chunk.constData())
        << "the page shares the chunk instead of copying it";
}

TEST(frmResultTest, TheEighthTabIsRefusedInTheLogAndTextGoesToPageSeven)
{
    frmResult w;
    w.ClearResults();
    for (int i = 1; i <= 7; ++i)
        w.AddResultTab(QString::number(i), ResultSink::ResponsePage, false);
    EXPECT_EQ(w.lTabCount(), 7);
    w.AddResultTab(u"8"_s, ResultSink::ResponsePage, true);
    EXPECT_EQ(w.lTabCount(), 7);
    EXPECT_EQ(w.tabStrip()->count(), 8);
    EXPECT_EQ(w.lCurrentTab(), 0);
    EXPECT_EQ(log(w), u" \r\n<ERROR> Too many requests/responses. Process stopped. <ERROR>\r\n"_s);
    w.AddResultText("late"_ba);
    EXPECT_EQ(pageBytes(w, 7), "late"_ba);
}

TEST(frmResultTest, PanelTabsShowTheirPanelAndKeepTheTextPageHidden)
{
    frmResult w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.AddResultTab(u"200"_s, ResultSink::ResponsePage, true);
    w.AddResultTab(u"Tools"_s, ResultSink::ElementTreePage, false);
    w.AddResultTab(u"SOAP"_s, ResultSink::WsdlPage, false);

    QTest::mouseClick(w.tabStrip(), Qt::LeftButton, {}, w.tabStrip()->tabRect(2).center());
    EXPECT_EQ(w.lCurrentTab(), 2);
    EXPECT_TRUE(w.elementTreePanel()->isVisible());
    EXPECT_FALSE(w.txtResult(2)->isVisible());
    EXPECT_FALSE(w.txtResult(1)->isVisible());

    QTest::mouseClick(w.tabStrip(), Qt::LeftButton, {}, w.tabStrip()->tabRect(3).center());
    EXPECT_TRUE(w.wsdlPanel()->isVisible());
    EXPECT_FALSE(w.elementTreePanel()->isVisible());
    EXPECT_FALSE(w.txtResult(3)->isVisible());

    QTest::mouseClick(w.tabStrip(), Qt::LeftButton, {}, w.tabStrip()->tabRect(0).center());
    EXPECT_FALSE(w.wsdlPanel()->isVisible());
    EXPECT_TRUE(w.txtResult(0)->isVisible());

    // Selecting a panel tab as it is added shows the panel too.
    w.ClearResults();
    w.AddResultTab(u"SOAP"_s, ResultSink::WsdlPage, true);
    EXPECT_TRUE(w.wsdlPanel()->isVisible());
    EXPECT_FALSE(w.txtResult(1)->isVisible());
}

TEST(frmResultTest, ClearResultsEmptiesEveryPageAndTextThenGoesToTheLog)
{
    frmResult w;
    w.AddToLog(u"old"_s);
    w.setCaption(u" http://a:80/x"_s);
    w.AddResultTab(u"GET"_s, ResultSink::RequestPage, false);
    w.AddResultTab(u"200"_s, ResultSink::ResponsePage, true);
    w.AddResultText("body"_ba);
    w.ClearResults();
    EXPECT_EQ(w.lTabCount(), 0);
    EXPECT_EQ(w.lCurrentTab(), 0);
    EXPECT_EQ(w.tabStrip()->count(), 1);
    EXPECT_EQ(w.frame()->Caption(), u"-"_s);
    EXPECT_EQ(w.pageKind(0), ResultSink::LogPage);
    for (int i = 1; i < 8; ++i) {
        EXPECT_EQ(w.pageKind(i), ResultSink::NoPage);
        EXPECT_TRUE(w.txtResult(i)->isHidden());
        EXPECT_EQ(w.txtResult(i)->model().size(), 0);
    }
    EXPECT_FALSE(w.txtResult(0)->isHidden());
    w.AddResultText("after clear"_ba);
    EXPECT_EQ(log(w), u"after clear"_s);
}

TEST(frmResultTest, PagesFollowTheTwipFiguresOnResize)
{
    frmResult w;
    w.resize(Twips::toPx(9000), Twips::toPx(6000));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.frame()->geometry(), w.rect());
    const QRect page = w.txtResult(0)->geometry();
    EXPECT_EQ(page.left(), Twips::toPx(120 + 45));
    EXPECT_EQ(page.right() + 1, Twips::toPx(120 + 45 + (9000 - 240 - 90)));
    EXPECT_EQ(page.bottom() + 1, Twips::toPx(420 + 6000 - 540 - 60));
    EXPECT_EQ(w.elementTreePanel()->geometry(), page);
    EXPECT_EQ(w.txtResult(7)->geometry(), page);
    EXPECT_EQ(w.tabStrip()->geometry().topLeft(), QPoint(Twips::toPx(120), Twips::toPx(420)));
}

TEST(frmResultTest, TheFrameCloseButtonDeletesTheWindow)
{
    QPointer<frmResult> w = new frmResult;
    w->show();
    QTest::mouseClick(w->frame()->findChild<QWidget*>(u"imgClose"_s), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.isNull(); }));
}

// Ctrl+F opens the find bar of the page shown wherever the focus is: the tab strip too.
TEST(frmResultTest, CtrlFFindsInTheShownPageFromAnyPart)
{
    frmResult w;
    w.AddResultTab(u"200"_s, ResultSink::ResponsePage, true);
    w.AddResultText("HTTP/1.1 200 OK\r\n\r\nbody"_ba);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.tabStrip()->setFocus();
    QTest::keyClick(w.tabStrip(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(w.txtResult(1)->findBar(), nullptr);
    EXPECT_TRUE(w.txtResult(1)->findBar()->findField()->hasFocus());

    // From inside the page, the same one bar.
    w.txtResult(1)->setFocus();
    w.txtResult(1)->findBar()->hide();
    QTest::keyClick(w.txtResult(1), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w.txtResult(1)->findBar()->isVisible());
    EXPECT_EQ(w.txtResult(0)->findBar(), nullptr) << "the log page is not shown";
}
